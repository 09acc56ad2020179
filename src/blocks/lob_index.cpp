#include "blocks/lob_index.h"

#include <cstring>

#include "base/byte_order.h"
#include "blocks/lob_locator.h"

namespace {

// The length of the key column at *pos; *pos moves past the length bytes.
bool get_key_length(const ub1* block, ub4* pos, ub4 end, bool branch, ub4* length)
{
    if (*pos >= end)
        return false;
    ub1 first = block[*pos];
    if (first == 0xFF || (branch && first == 0xFE)) {
        *length = 0;
        *pos += 1;
        return true;
    }
    if (first > 127) {
        if (end - *pos < 2)
            return false;
        *length = get_ub2_big(block, *pos) & 0x0FFF;
        *pos += 2;
        return true;
    }
    *length = first;
    *pos += 1;
    return true;
}

bool get_key(const ub1* block, ub4 pos, ub4 end, bool branch, PLOB_INDEX_KEY key)
{
    ub4 n = 0;
    if (!get_key_length(block, &pos, end, branch, &n) || n > end - pos)
        return false;
    key->lobid_len = n < LOB_INDEX_KEY_MAX ? n : LOB_INDEX_KEY_MAX;
    memcpy(key->lobid, block + pos, key->lobid_len);
    pos += n;
    // A branch key may stop after its first column.
    if (pos >= end)
        return branch;
    if (!get_key_length(block, &pos, end, branch, &n) || n > end - pos)
        return false;
    key->page_len = n;
    key->page_no = n >= 4 ? get_ub4_big(block, pos) : 0;
    return true;
}

// The row's absolute offset, or 0.
ub4 get_row_start(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                  const INDEX_HEADER* index_header, ub4 index, int order)
{
    ub4 dh = datablock_header->data_header_offset;
    ub4 dir = dh + (index_header->common.block_level > 0 ? LOB_BRANCH_ROW_DIR : LOB_LEAF_ROW_DIR);
    if (index >= get_lob_index_row_count(block_size, datablock_header, index_header))
        return 0;
    ub4 offset = get_ub2_order(block, dir + 2 * index, order);
    if (!check_row_pos(offset, datablock_header, block_size) || dh + offset >= block_size - BLOCK_TAIL_SIZE)
        return 0;
    return dh + offset;
}

} // namespace

ub4 get_lob_index_row_count(ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                            const INDEX_HEADER* index_header)
{
    ub4 dir = datablock_header->data_header_offset +
              (index_header->common.block_level > 0 ? LOB_BRANCH_ROW_DIR : LOB_LEAF_ROW_DIR);
    if (block_size < BLOCK_MIN_SIZE || dir >= block_size - BLOCK_TAIL_SIZE)
        return 0;
    ub4 fit = (block_size - BLOCK_TAIL_SIZE - dir) / 2;
    return index_header->common.row_count < fit ? index_header->common.row_count : fit;
}

int get_lob_branch_row(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                       const INDEX_HEADER* index_header, ub4 index, int order, PLOB_BRANCH_ROW row)
{
    memset(row, 0, sizeof(*row));
    ub4 start = get_row_start(block, block_size, datablock_header, index_header, index, order);
    ub4 end = block_size - BLOCK_TAIL_SIZE;
    if (start == 0 || end - start < 4)
        return FALSE;
    row->child = get_ub4_order(block, start, order);
    return get_key(block, start + 4, end, true, &row->key) ? TRUE : FALSE;
}

int get_lob_leaf_row(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                     const INDEX_HEADER* index_header, ub4 index, int order, PLOB_LEAF_ROW row)
{
    memset(row, 0, sizeof(*row));
    ub4 start = get_row_start(block, block_size, datablock_header, index_header, index, order);
    ub4 end = block_size - BLOCK_TAIL_SIZE;
    ub4 key_size = index_header->leaf.key_size;
    if (start == 0 || end - start < 2 + key_size)
        return FALSE;
    row->flag = block[start];
    row->data_offset = start + 2;
    row->data_len = key_size;
    return get_key(block, start + 2 + key_size, end, false, &row->key) ? TRUE : FALSE;
}

int comp_lob_index_id(const ub1* lobid, const LOB_INDEX_KEY* key)
{
    ub4 n = key->lobid_len < LOBID_LEN ? key->lobid_len : LOBID_LEN;
    int c = memcmp(lobid, key->lobid, n);
    if (c != 0)
        return c < 0 ? -1 : 1;
    return n < LOBID_LEN ? 1 : 0;
}

int comp_lob_index_key(const ub1* lobid, ub4 page_no, const LOB_INDEX_KEY* key)
{
    int c = comp_lob_index_id(lobid, key);
    if (c != 0)
        return c;
    return page_no < key->page_no ? -1 : page_no > key->page_no ? 1 : 0;
}
