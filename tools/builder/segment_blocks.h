#pragma once
// Segment header blocks and extent map blocks: freelist-managed (16, 17),
// limited (5), ASSM (35), extent map blocks (18, 36).

#include <vector>

#include "builder/block_image.h"

namespace zb {

struct Extent {
    uint32_t start_rdba;
    uint32_t length;
};

struct FreelistDef {
    uint16_t flag = 0; // 1 = in use
    uint16_t xid_usn = 0, xid_slot = 0, xid_seq = 0;
    uint32_t head = 0, tail = 0;
};

// The extent control part shared by freelist and undo segment headers.
struct ExtentControlDef {
    uint32_t last_map = 0, map_blocks = 0, extents = 0, blocks = 0;
    uint16_t map_offset = 0; // 0: default_map_offset(block size)
    uint32_t extent_no = 0, block_no = 0, extent_size = 0, high_water = 0;
    uint32_t mapblk_rdba = 0, mapblk_offset = 0, seg_fl_blocks = 0, blocks_below = 0;
    uint16_t xid_usn = 0, xid_slot = 0, xid_seq = 0;
    std::vector<Extent> map;           // entries held in the header
    uint32_t map_header_extents = ~0u; // ~0: map.size()
    uint32_t next_map_header = 0;
    uint32_t object_id = 0;
    uint32_t map_header_flag = 0;
};

struct FlmHeaderDef {
    ExtentControlDef control;
    uint16_t freelists = 1; // nfl
    uint16_t freelist_blocks = 0;
    uint8_t freelist_type = 0;
    uint32_t ccnt = 0; // at +36, inside the first freelist entry: entries win
    std::vector<FreelistDef> segment_lists;     // nfl entries, nfl + 1 when nfl >= 2
    std::vector<FreelistDef> transaction_lists; // trans_freelists = its size
};

struct AssmAux {
    uint32_t level1_rdba;
    uint32_t data_rdba;
};

struct AssmHeaderDef {
    ExtentControlDef control; // map at 280 instead of 108; no xid
    uint32_t low_extent_no = 0, low_block_no = 0, low_extent_size = 0, low_high_water = 0;
    uint32_t low_mapblk_rdba = 0, low_mapblk_offset = 0, low_seg_fl_blocks = 0, low_blocks_below = 0;
    uint32_t level1_bmb_high = 0, level1_bmb_low = 0;
    uint16_t seg_type = 1;
    uint32_t fbsz = 0;
    uint32_t L2_start_off = 0; // 0: three quarters into the block
    uint32_t first_level3_bmb = 0, L2_insert_hint = 0;
    uint32_t last_level1_bmb = 0, last_level2_bmb = 0, last_level3_bmb = 0;
    std::vector<AssmAux> aux;         // at map_offset + 20
    std::vector<uint32_t> level2_dbas; // at L2_start_off + 20; level2_cnt = its size
};

struct EmbDef {
    uint32_t next_rdba = 0;
    uint32_t object_id = 0;
    uint32_t flag = 0;
    std::vector<Extent> map;
    std::vector<AssmAux> aux; // type 36 only, right after the map
};

// Freelist summary at map_offset + 20; the map (from 108) may hold
// (map_offset + 20 - 108) / 8 entries, 505 in an 8 KiB block.
uint16_t default_map_offset(uint32_t block_size);
uint32_t flm_map_capacity(uint16_t map_offset);
uint32_t emb_map_capacity(uint32_t block_size, bool assm);

// header.type chooses 16 or 17; the header is sealed.
BlockImage make_flm_header_block(CacheHeader header, const FlmHeaderDef& def, uint32_t block_size, int order);
BlockImage make_limited_header_block(CacheHeader header, uint32_t object_id, const std::vector<Extent>& map,
                                     uint32_t block_size, int order);
BlockImage make_assm_header_block(CacheHeader header, const AssmHeaderDef& def, uint32_t block_size, int order);
// header.type chooses 18 or 36.
BlockImage make_emb_block(CacheHeader header, const EmbDef& def, uint32_t block_size, int order);

// Writes the extent control part (28..108 and the map) into a block.
void write_extent_control(BlockImage& block, const ExtentControlDef& def, size_t map_at);
uint16_t effective_map_offset(const ExtentControlDef& def, uint32_t block_size);

} // namespace zb
