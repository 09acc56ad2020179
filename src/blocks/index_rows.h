#pragma once
// Rows of index blocks: the row directory, the prefix directory of a
// prefix-compressed leaf, and key columns in index key encoding.
//
// Row directory, offsets from the data header offset: 28 in a branch block
// (BRANCH_HEADER_SIZE); 36 in a leaf (LEAF_HEADER_SIZE), 4 bytes later when
// the keys are prefix compressed (KDXOKCMP) and 6 later again when the index
// keeps row dependencies (INDEX_ROWDEPENDENCIES). It holds row_count ub2 row
// offsets (from the data header offset), then, in a prefix-compressed leaf,
// prefix_row_count pairs of ub2: the prefix row's offset and the number of
// the first row the prefix no longer covers.
//
// Branch row: the child block address ub4 (file order), then the key
// columns; a length byte 0xFE (TERM) ends a key cut short.
// Leaf row: flag, lock, key_size data bytes (the rowid of a unique index),
// then the key columns; in an index-organized table the data row piece
// follows the key. Prefix row: flag, lock, prefix_col_count key columns.
//
// Key column: a length byte; 0xFF is NULL; a byte above 127 begins a
// big-endian ub2 whose low 12 bits are the length; any other byte is the
// length.

#include "blocks/index_header.h"

constexpr ub1 INDEX_KEY_NULL = 0xff;
constexpr ub1 INDEX_KEY_TERM = 0xfe;
constexpr ub4 INDEX_ROW_HEADER_SIZE = 2;
constexpr ub4 INDEX_BRANCH_CHILD_SIZE = 4;

// Absolute offset of the row directory.
ub4 get_index_row_dir_offset(const DATABLOCK_HEADER* datablock_header, const INDEX_HEADER* index_header);
// Row `index` (from 0): its directory entry. FALSE past row_count or the tail.
int get_index_row_entry(const ub1* buffer, const DATABLOCK_HEADER* datablock_header,
                        const INDEX_HEADER* index_header, ub4 index, ub2* offset, ub4 block_size);
// Prefix `index` of a prefix-compressed leaf: its row's offset and the first
// row it no longer covers. FALSE past prefix_row_count or the tail.
int get_index_prefix_entry(const ub1* buffer, const DATABLOCK_HEADER* datablock_header,
                           const INDEX_HEADER* index_header, ub4 index, ub2* offset, ub2* row_limit,
                           ub4 block_size);
// TRUE when a directory entry names a row that starts before the tail.
bool check_index_row_pos(ub4 offset, const DATABLOCK_HEADER* datablock_header, ub4 block_size);

// The key column at *pos, which moves past it. FALSE when its length or
// bytes run past `end`.
inline int get_index_key_column(const ub1* block, ub4* pos, ub4 end, const ub1** data, ub4* length, bool* is_null)
{
    *data = nullptr;
    *length = 0;
    *is_null = false;
    if (*pos >= end)
        return FALSE;
    ub1 length_byte = block[(*pos)++];
    if (length_byte == INDEX_KEY_NULL) {
        *is_null = true;
        return TRUE;
    }
    ub4 n = length_byte;
    if (length_byte > 127) {
        if (*pos >= end)
            return FALSE;
        n = ((ub4)(length_byte << 8) | block[(*pos)++]) & 0x0fff;
    }
    if (n > end - *pos)
        return FALSE;
    *data = block + *pos;
    *length = n;
    *pos += n;
    return TRUE;
}
