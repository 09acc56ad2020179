#pragma once
// Rows of every kind of index block, as the dump, the block check and the
// lock cleaner walk them. A leaf's directories are those the index-organized
// table reader finds (get_iot_leaf: row offsets at 36, at 40 with
// prefix-compressed keys, 6 bytes later with row dependencies, then the
// prefix pairs); a branch keeps row_count row offsets at 28
// (BRANCH_HEADER_SIZE) and no prefixes. Offsets are from the data header.
//
// Branch row: the child block address ub4 (file order), then the key
// columns; a length byte 0xFE (TERM) ends a key cut short.
// Leaf row: flag, lock, key_size data bytes (the rowid of a unique index),
// then the key columns; in an index-organized table the data row piece
// follows the key. Prefix row: flag, lock, prefix_col_count key columns.
// Key columns are in index key encoding (get_index_key_column).

#include "engine/iot_block.h"

constexpr ub1 INDEX_KEY_TERM = 0xfe;
constexpr ub4 INDEX_ROW_HEADER_SIZE = 2;
constexpr ub4 INDEX_BRANCH_CHILD_SIZE = 4;

// The index header and the directories, bounded by the block (row_cnt and
// prefix_cnt count the entries that fit). FALSE when the index header does
// not fit.
int get_index_rows(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header, PIOT_LEAF rows);
// Directory entry `index` (below rows->row_cnt): an offset from the data
// header offset.
ub2 get_index_row_entry(const ub1* block, const IOT_LEAF* rows, ub4 index);
// Prefix `index` (below rows->prefix_cnt): its row's offset and the first
// row it no longer covers.
void get_index_prefix_entry(const ub1* block, const IOT_LEAF* rows, ub4 index, ub2* offset, ub2* row_limit);
// TRUE when a directory entry names a row that starts before the tail.
bool check_index_row_pos(ub4 offset, const DATABLOCK_HEADER* datablock_header, ub4 block_size);
