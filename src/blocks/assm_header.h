#pragma once
// ASSM segment header (type 35), with its auxiliary map and its list of
// second-level bitmap blocks.

#include "blocks/extent_map.h"

typedef struct _tag_assm_header {
    ub4 last_map;
    ub4 map_blocks;
    ub4 extents;
    ub4 blocks;
    ub2 map_offset;
    ub4 extent_no;
    ub4 block_no;
    ub4 extent_size;
    ub4 high_water;
    ub4 mapblk_rdba;
    ub4 mapblk_offset;
    ub4 seg_fl_blocks;
    ub4 blocks_below;
    ub4 low_extent_no;
    ub4 low_block_no;
    ub4 low_extent_size;
    ub4 low_high_water;
    ub4 low_mapblk_rdba;
    ub4 low_mapblk_offset;
    ub4 low_seg_fl_blocks;
    ub4 low_blocks_below;
    ub4 level1_bmb_high;
    ub4 level1_bmb_low;
    ub2 seg_type;
    ub4 block_size;
    ub4 fbsz;
    ub4 L2_start_off;
    ub4 first_level3_bmb;
    ub4 L2_insert_hint;
    ub4 level2_cnt;
    ub4 last_level1_bmb;
    ub4 last_level2_bmb;
    ub4 last_level3_bmb;
    ub4 map_header_extents;
    ub4 next_map_header;
    ub4 object_id;
    ub4 map_header_flag;
} ASSM_HEADER, *PASSM_HEADER;

// One auxiliary map entry per extent of the header's map.
typedef struct _tag_assm_aux_entry {
    ub4 level1_rdba;
    ub4 data_rdba;
} ASSM_AUX_ENTRY, *PASSM_AUX_ENTRY;

constexpr ub4 ASSM_EXTENT_MAP_OFFSET = 280;
constexpr ub4 ASSM_AUX_ENTRY_SIZE = 8;

int get_assm_header(const ub1* buffer, PASSM_HEADER header, ub4 block_size);
// Auxiliary entry `index` at map_offset + 20 (an ASSM header) or any other
// offset (the map after a type-36 block's extent map); FALSE past the tail.
int get_assm_aux_entry(const ub1* buffer, size_t offset, ub4 index, PASSM_AUX_ENTRY entry, ub4 block_size);
size_t get_assm_aux_map_offset(const ASSM_HEADER* header);
// Second-level bitmap block `index` (from 0) of the list at L2_start_off + 20;
// FALSE past the tail.
int get_assm_level2_dba(const ub1* buffer, const ASSM_HEADER* header, ub4 index, ub4* dba, ub4 block_size);
