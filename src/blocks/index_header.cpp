// Index header, offsets from the data header offset:
//   common   +0 level (low 5 bits) and flags (top 3 bits), +1 itl ub1,
//            +2 lock_opcode ub1, +3 columns_in_key ub1, +4 split_count ub4,
//            +8 row_count, +10 begin_free_space, +12 end_free_space,
//            +14 available_space (ub2 each)
//   branch   +16 left_most_child_block ub4, +20 last_service_trans ub4,
//            +24 block_size ub2
//   leaf     +16 split_holes ub2, +18 deleted_rows ub2, +20 next_block ub4,
//            +24 prev_block ub4, +28 key_size ub1, +29 none_key_columns ub1,
//            +32 block_size ub2; with prefix-compressed keys also
//            +36 prefix_row_count ub2, +38 prefix_col_count ub1

#include "blocks/index_header.h"

#include <cstring>

#include "base/byte_order.h"

bool is_iot(ub1 lock_opcode)
{
    return (lock_opcode & KDXOIOT) != 0;
}

bool is_compressed_index(ub1 lock_opcode)
{
    return (lock_opcode & KDXOKCMP) != 0;
}

int get_index_header(const ub1* buffer, const DATABLOCK_HEADER* datablock_header, PINDEX_HEADER index_header,
                     ub4 block_size)
{
    memset(index_header, 0, sizeof(*index_header));
    size_t base = datablock_header->data_header_offset;
    // The largest header, a compressed leaf, ends at +39.
    if (block_size < BLOCK_MIN_SIZE || base + 39 > block_size - BLOCK_TAIL_SIZE)
        return FALSE;
    PINDEX_COMMON_HEADER common = &index_header->common;
    ub1 level_byte = get_ub1(buffer, base);
    common->block_level = level_byte & 0x1f;
    common->flag = level_byte & 0xe0;
    common->itl = get_ub1(buffer, base + 1);
    common->lock_opcode = get_ub1(buffer, base + 2);
    common->columns_in_key = get_ub1(buffer, base + 3);
    common->split_count = get_ub4(buffer, base + 4);
    common->row_count = get_ub2(buffer, base + 8);
    common->begin_free_space = get_ub2(buffer, base + 10);
    common->end_free_space = get_ub2(buffer, base + 12);
    common->available_space = get_ub2(buffer, base + 14);
    if (common->block_level > 0) {
        index_header->branch.left_most_child_block = get_ub4(buffer, base + 16);
        index_header->branch.last_service_trans = get_ub4(buffer, base + 20);
        index_header->branch.block_size = get_ub2(buffer, base + 24);
        return TRUE;
    }
    PINDEX_LEAF_HEADER leaf = &index_header->leaf;
    leaf->split_holes = get_ub2(buffer, base + 16);
    leaf->deleted_rows = get_ub2(buffer, base + 18);
    leaf->next_block = get_ub4(buffer, base + 20);
    leaf->prev_block = get_ub4(buffer, base + 24);
    leaf->key_size = get_ub1(buffer, base + 28);
    leaf->none_key_columns = get_ub1(buffer, base + 29);
    leaf->block_size = get_ub2(buffer, base + 32);
    if (is_compressed_index(common->lock_opcode)) {
        leaf->prefix_row_count = get_ub2(buffer, base + 36);
        leaf->prefix_col_count = get_ub1(buffer, base + 38);
    }
    return TRUE;
}
