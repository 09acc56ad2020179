#pragma once
// Index block headers, which start at the data header offset of an index
// block (DATABLOCK_HEADER.data_header_offset).

#include "blocks/data_block.h"

constexpr ub1 INDEX_ROWDEPENDENCIES = 0x80;
constexpr ub1 INDEX_TFLAG = 0x40;

// lock_opcode bits
constexpr ub1 KDXOIOT = 0x10;
constexpr ub1 KDXOKCMP = 0x20;
constexpr ub1 KDXONTCOL = 0x40;
constexpr ub1 KDXOISV8 = 0x80;
constexpr ub1 KDXOMASK = 0x0f;
constexpr ub1 KDXOFLAG = 0xf0;
constexpr ub1 KDXOIOTFLAG = 0x70;

// Index row flag bits
constexpr ub1 KDXODEL = 0x01;
constexpr ub1 KDXOS = 0x02;
constexpr ub1 KDXOIOTKEY = 0x04;
constexpr ub1 KDXOPREFIX = 0x08;

typedef struct _tag_index_common_header {
    ub1 block_level;
    ub1 flag;
    ub1 itl;
    ub1 lock_opcode;
    ub1 columns_in_key;
    ub4 split_count;
    ub2 row_count;
    ub2 begin_free_space;
    ub2 end_free_space;
    ub2 available_space;
} INDEX_COMMON_HEADER, *PINDEX_COMMON_HEADER;

typedef struct _tag_index_branch_header {
    ub4 left_most_child_block;
    ub4 last_service_trans;
    ub2 block_size;
} INDEX_BRANCH_HEADER, *PINDEX_BRANCH_HEADER;

typedef struct _tag_index_leaf_header {
    ub2 split_holes;
    ub2 deleted_rows;
    ub4 next_block;
    ub4 prev_block;
    ub1 key_size;
    ub1 none_key_columns;
    ub2 block_size;
    ub2 prefix_row_count;
    ub1 prefix_col_count;
} INDEX_LEAF_HEADER, *PINDEX_LEAF_HEADER;

typedef struct _tag_index_header {
    INDEX_COMMON_HEADER common;
    INDEX_BRANCH_HEADER branch; // block_level > 0
    INDEX_LEAF_HEADER leaf;     // block_level 0
} INDEX_HEADER, *PINDEX_HEADER;

// Needs the transaction part already parsed (get_datablock_header). FALSE
// (record cleared) when the header does not lie before the tail.
int get_index_header(const ub1* buffer, const DATABLOCK_HEADER* datablock_header, PINDEX_HEADER index_header,
                     ub4 block_size);
bool is_iot(ub1 lock_opcode);
bool is_compressed_index(ub1 lock_opcode);
