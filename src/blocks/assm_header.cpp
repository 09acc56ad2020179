// ASSM segment header (type 35):
//   off size field                 off size field
//    28    4 last_map              104    4 low_high_water
//    32    4 map_blocks            108    4 low_mapblk_rdba
//    36    4 extents               112    4 low_mapblk_offset
//    40    4 blocks                116    4 low_seg_fl_blocks
//    44    2 map_offset            120    4 low_blocks_below
//    48    4 extent_no             124    4 level1_bmb_high
//    52    4 block_no              128    4 level1_bmb_low
//    56    4 extent_size           208    2 seg_type
//    60    4 high_water            212    4 block_size
//    64    4 mapblk_rdba           216    4 fbsz
//    68    4 mapblk_offset         220    4 L2_start_off
//    72    4 seg_fl_blocks         224    4 first_level3_bmb
//    76    4 blocks_below          228    4 L2_insert_hint
//    92    4 low_extent_no         232    4 level2_cnt
//    96    4 low_block_no          236    4 last_level1_bmb
//   100    4 low_extent_size       240    4 last_level2_bmb
//                                  244    4 last_level3_bmb
//   264    4 map_header_extents    268    4 next_map_header
//   272    4 object_id             276    4 map_header_flag
//   280  8*n extent map
// Auxiliary map at map_offset + 20: per extent the level-1 bitmap block dba
// and the first data block dba (ub4 each). Second-level bitmap block dbas:
// level2_cnt ub4 values at L2_start_off + 20.

#include "blocks/assm_header.h"

#include <cstring>

#include "base/byte_order.h"

int get_assm_header(const ub1* buffer, PASSM_HEADER header, ub4 block_size)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE)
        return FALSE;
    get_extent_control(buffer, header);
    header->low_extent_no = get_ub4(buffer, 92);
    header->low_block_no = get_ub4(buffer, 96);
    header->low_extent_size = get_ub4(buffer, 100);
    header->low_high_water = get_ub4(buffer, 104);
    header->low_mapblk_rdba = get_ub4(buffer, 108);
    header->low_mapblk_offset = get_ub4(buffer, 112);
    header->low_seg_fl_blocks = get_ub4(buffer, 116);
    header->low_blocks_below = get_ub4(buffer, 120);
    header->level1_bmb_high = get_ub4(buffer, 124);
    header->level1_bmb_low = get_ub4(buffer, 128);
    header->seg_type = get_ub2(buffer, 208);
    header->block_size = get_ub4(buffer, 212);
    header->fbsz = get_ub4(buffer, 216);
    header->L2_start_off = get_ub4(buffer, 220);
    header->first_level3_bmb = get_ub4(buffer, 224);
    header->L2_insert_hint = get_ub4(buffer, 228);
    header->level2_cnt = get_ub4(buffer, 232);
    header->last_level1_bmb = get_ub4(buffer, 236);
    header->last_level2_bmb = get_ub4(buffer, 240);
    header->last_level3_bmb = get_ub4(buffer, 244);
    header->map_header_extents = get_ub4(buffer, 264);
    header->next_map_header = get_ub4(buffer, 268);
    header->object_id = get_ub4(buffer, 272);
    header->map_header_flag = get_ub4(buffer, 276);
    return TRUE;
}

size_t get_assm_aux_map_offset(const ASSM_HEADER* header)
{
    return (size_t)header->map_offset + 20;
}

int get_assm_aux_entry(const ub1* buffer, size_t offset, ub4 index, PASSM_AUX_ENTRY entry, ub4 block_size)
{
    memset(entry, 0, sizeof(*entry));
    if (index >= get_fitting_entry_count(block_size, offset, ASSM_AUX_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    size_t at = offset + (size_t)index * ASSM_AUX_ENTRY_SIZE;
    entry->level1_rdba = get_ub4(buffer, at);
    entry->data_rdba = get_ub4(buffer, at + 4);
    return TRUE;
}

int get_assm_level2_dba(const ub1* buffer, const ASSM_HEADER* header, ub4 index, ub4* dba, ub4 block_size)
{
    *dba = 0;
    size_t first = (size_t)header->L2_start_off + 20;
    if (index >= get_fitting_entry_count(block_size, first, 4, UB4_MAX))
        return FALSE;
    *dba = get_ub4(buffer, first + (size_t)index * 4);
    return TRUE;
}
