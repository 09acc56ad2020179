#include "blocks/index_rows.h"

#include "base/byte_order.h"
#include "blocks/extent_map.h"

int get_index_rows(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header, PIOT_LEAF rows)
{
    if (!get_iot_leaf(block, block_size, datablock_header, rows))
        return FALSE;
    const INDEX_COMMON_HEADER* common = &rows->index.common;
    if (common->block_level > 0) {
        rows->row_dir = datablock_header->data_header_offset + BRANCH_HEADER_SIZE;
        rows->row_cnt = get_fitting_entry_count(block_size, rows->row_dir, ROW_DIR_ENTRY_SIZE, common->row_count);
        rows->prefix_dir = 0;
        rows->prefix_cnt = 0;
    }
    return TRUE;
}

ub2 get_index_row_entry(const ub1* block, const IOT_LEAF* rows, ub4 index)
{
    return get_ub2(block, rows->row_dir + (size_t)index * ROW_DIR_ENTRY_SIZE);
}

void get_index_prefix_entry(const ub1* block, const IOT_LEAF* rows, ub4 index, ub2* offset, ub2* row_limit)
{
    size_t at = rows->prefix_dir + (size_t)index * 2 * ROW_DIR_ENTRY_SIZE;
    *offset = get_ub2(block, at);
    *row_limit = get_ub2(block, at + ROW_DIR_ENTRY_SIZE);
}

bool check_index_row_pos(ub4 offset, const DATABLOCK_HEADER* datablock_header, ub4 block_size)
{
    return offset != ROW_DIR_EMPTY_SLOT && block_size > BLOCK_TAIL_SIZE &&
           (size_t)datablock_header->data_header_offset + offset < block_size - BLOCK_TAIL_SIZE;
}
