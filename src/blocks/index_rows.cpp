#include "blocks/index_rows.h"

#include "base/byte_order.h"
#include "blocks/extent_map.h"

namespace {

constexpr ub4 PREFIX_DIR_EXTRA = 4;
constexpr ub4 ROWDEPENDENCIES_EXTRA = 6;

} // namespace

ub4 get_index_row_dir_offset(const DATABLOCK_HEADER* datablock_header, const INDEX_HEADER* index_header)
{
    const INDEX_COMMON_HEADER* common = &index_header->common;
    ub4 offset = datablock_header->data_header_offset;
    if (common->block_level > 0)
        return offset + BRANCH_HEADER_SIZE;
    offset += LEAF_HEADER_SIZE;
    if (is_compressed_index(common->lock_opcode))
        offset += PREFIX_DIR_EXTRA;
    if (common->flag & INDEX_ROWDEPENDENCIES)
        offset += ROWDEPENDENCIES_EXTRA;
    return offset;
}

int get_index_row_entry(const ub1* buffer, const DATABLOCK_HEADER* datablock_header,
                        const INDEX_HEADER* index_header, ub4 index, ub2* offset, ub4 block_size)
{
    *offset = ROW_DIR_EMPTY_SLOT;
    ub4 first = get_index_row_dir_offset(datablock_header, index_header);
    if (index >= index_header->common.row_count ||
        index >= get_fitting_entry_count(block_size, first, ROW_DIR_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    *offset = get_ub2(buffer, first + (size_t)index * ROW_DIR_ENTRY_SIZE);
    return TRUE;
}

int get_index_prefix_entry(const ub1* buffer, const DATABLOCK_HEADER* datablock_header,
                           const INDEX_HEADER* index_header, ub4 index, ub2* offset, ub2* row_limit,
                           ub4 block_size)
{
    *offset = ROW_DIR_EMPTY_SLOT;
    *row_limit = 0;
    if (index_header->common.block_level > 0 || index >= index_header->leaf.prefix_row_count)
        return FALSE;
    size_t first = get_index_row_dir_offset(datablock_header, index_header) +
                   (size_t)index_header->common.row_count * ROW_DIR_ENTRY_SIZE;
    if (index >= get_fitting_entry_count(block_size, first, 2 * ROW_DIR_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    size_t at = first + (size_t)index * 2 * ROW_DIR_ENTRY_SIZE;
    *offset = get_ub2(buffer, at);
    *row_limit = get_ub2(buffer, at + 2);
    return TRUE;
}

bool check_index_row_pos(ub4 offset, const DATABLOCK_HEADER* datablock_header, ub4 block_size)
{
    return offset != ROW_DIR_EMPTY_SLOT && block_size > BLOCK_TAIL_SIZE &&
           (size_t)datablock_header->data_header_offset + offset < block_size - BLOCK_TAIL_SIZE;
}
