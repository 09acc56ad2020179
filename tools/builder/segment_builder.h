#pragma once
// Segments: a segment header, its chain of extent map blocks and its data
// blocks, placed into a datafile image from a list of extents.

#include <vector>

#include "builder/datafile_image.h"
#include "builder/segment_blocks.h"

namespace zb {

struct ExtentBlocks {
    uint32_t first_block; // in the file
    uint32_t length;
};

struct SegmentLayout {
    uint32_t object_id = 70001;
    uint8_t header_type = 16;          // 16, 17 (freelist), 5 (limited) or 35 (ASSM)
    std::vector<ExtentBlocks> extents; // the header is the first block of the first
    // Entries the header keeps before the rest go to extent map blocks; 0
    // means as many as fit. Map blocks hold emb_capacity entries each.
    uint32_t header_map_capacity = 0;
    uint32_t emb_capacity = 0;
    std::vector<uint32_t> map_blocks;  // where the extent map blocks go
    // High-water mark: extent index and block within it; past the last
    // extent means the whole segment is below it.
    uint32_t hwm_extent = ~0u;
    uint32_t hwm_block = 0;
    bool data_blocks = true;           // empty data blocks below the mark
    // ASSM: the first data block the first extent's auxiliary entry names
    // (0: the extent's first block).
    uint32_t first_data_block = 0;
};

struct SegmentResult {
    uint32_t header_rdba = 0;
    uint32_t high_water = 0;
    std::vector<uint32_t> map_rdbas;
    std::vector<Extent> extents;
};

SegmentResult add_segment(DatafileImage& file, const SegmentLayout& layout);

} // namespace zb
