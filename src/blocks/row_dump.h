#pragma once
// Row pieces in dump layout, shared by data blocks and the leaf rows of
// index-organized tables.

#include "blocks/data_block.h"

// "col %3u: " lines for `col_cnt` columns from `pos`, never past `end`.
void show_row_columns(const ub1* buffer, ub4 pos, ub4 end, ub4 col_cnt);
// The piece at `offset` (absolute): its flag line, the fixed fields its
// flags call for, its columns. header->kdbh_flag says whether head pieces
// carry a row dependency SCN.
void show_row_piece(const ub1* buffer, ub4 offset, ub4 block_size, const DATABLOCK_HEADER* header);
