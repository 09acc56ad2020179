#pragma once
// Tables as segments of a datafile: the segment header with its extent map
// chain (freelist, limited or ASSM), data blocks filled with rows below the
// high-water mark, empty data blocks for the rest, and optionally stale rows
// of the same object above the mark (left from before a truncate) that an
// unload must not return. Cluster segments hold several tables and the
// cluster key rows they share.

#include <vector>

#include "builder/segment_builder.h"
#include "builder/table_rows.h"

namespace zb {

struct TableSegmentLayout {
    SegmentLayout segment; // data_blocks is ignored: the blocks below the mark are written here
    PackerOptions packer;    // block size, byte order and object follow the file and the layout
};

struct TableSegmentResult {
    SegmentResult segment;
    std::vector<Rid> rows;          // where each row's first piece (F) is
    std::vector<Rid> stale_rows;
    std::vector<uint32_t> below;    // data blocks below the high-water mark, in extent order
    std::vector<uint32_t> above;    // blocks of the extents at or above it
};

TableSegmentResult add_table_segment(DatafileImage& file, const TableSegmentLayout& shape,
                                     const std::vector<LogicalRow>& rows,
                                     const std::vector<LogicalRow>& stale_rows = {});

// One cluster key with the rows each table of the cluster holds under it.
struct ClusterGroup {
    std::vector<Cell> key;
    std::vector<std::vector<LogicalRow>> tables; // table 1, 2, ... of the block's table directory
    bool key_deleted = false;
};

// A cluster block: table 0 holds one key row per group, table t the rows of
// cluster table t, each carrying the index of its group's key row.
BlockImage make_cluster_block(const PackerOptions& shape, const CacheHeader& header,
                              const std::vector<ClusterGroup>& groups, uint32_t table_count);

struct ClusterSegmentLayout {
    SegmentLayout segment;
    PackerOptions packer;
    uint32_t table_count = 2;     // tables of the cluster (the key table not counted)
    uint32_t groups_per_block = 1;
};

TableSegmentResult add_cluster_segment(DatafileImage& file, const ClusterSegmentLayout& shape,
                                       const std::vector<ClusterGroup>& groups);

} // namespace zb
