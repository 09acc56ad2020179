#pragma once
// Rows of a LOB index: an ordinary B-tree index with two key columns, the
// 10-byte LOB id and a 4-byte big-endian page number.
//
// Key column length: one byte; 0xFF is NULL (length 0); a byte above 127
// begins a big-endian ub2 whose low 12 bits are the length; any other byte is
// the length itself. Branch rows also take 0xFE as length 0.
// Branch row (directory at data header offset + 28): child block address ub4
// (file byte order), then the key columns.
// Leaf row (directory at data header offset + 36): flag (KDXODEL 0x01:
// deleted), lock, key_size bytes of row data (the leaf header's key_size),
// then the key columns. The row data of a value's page-0 entry may begin
// with its 16-byte inode; the rest holds big-endian chunk addresses.

#include "blocks/data_block.h"
#include "blocks/index_header.h"

constexpr ub4 LOB_BRANCH_ROW_DIR = 28;
constexpr ub4 LOB_LEAF_ROW_DIR = 36;
constexpr ub4 LOB_INDEX_KEY_MAX = 10; // the id column; longer keys are cut here

typedef struct _tag_lob_index_key {
    ub1 lobid[LOB_INDEX_KEY_MAX];
    ub4 lobid_len;
    ub4 page_no;  // 0 when the column is shorter than 4 bytes
    ub4 page_len; // length of the page column
} LOB_INDEX_KEY, *PLOB_INDEX_KEY;

typedef struct _tag_lob_branch_row {
    ub4 child;
    LOB_INDEX_KEY key;
} LOB_BRANCH_ROW, *PLOB_BRANCH_ROW;

typedef struct _tag_lob_leaf_row {
    ub1 flag;
    ub4 data_offset; // absolute offset of the key_size bytes of row data
    ub4 data_len;
    LOB_INDEX_KEY key;
} LOB_LEAF_ROW, *PLOB_LEAF_ROW;

// Row `index` of a branch or leaf block whose headers are parsed. FALSE when
// the directory entry is empty or rejected by check_row_pos, or the row runs
// past the tail. `order` is the file's byte order.
int get_lob_branch_row(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                       const INDEX_HEADER* index_header, ub4 index, int order, PLOB_BRANCH_ROW row);
int get_lob_leaf_row(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                     const INDEX_HEADER* index_header, ub4 index, int order, PLOB_LEAF_ROW row);
// Rows whose directory entries lie before the tail.
ub4 get_lob_index_row_count(ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                            const INDEX_HEADER* index_header);
// Orders (lobid, page_no) against a key: the ids bytewise (a shorter id that
// is a prefix of the other is smaller), then the page numbers. -1, 0 or 1.
int comp_lob_index_key(const ub1* lobid, ub4 page_no, const LOB_INDEX_KEY* key);
// The ids alone, as above.
int comp_lob_index_id(const ub1* lobid, const LOB_INDEX_KEY* key);
