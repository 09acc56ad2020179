#pragma once
// Basic-compressed table blocks. Such a block has exactly two tables:
// table 0 is the symbol table, table 1 the data table; each row of the data
// table is a list of entries that hold column bytes or refer to symbol rows,
// and a reference stands for all columns of the symbol row, in order.
//
// Data header (offsets from the data header offset), after the 14 bytes of
// every data block:
//   15  1 r0_9ir2                16  2 mec_kdbh9ir2: leading symbol rows that
//   18  1 r1_9ir2                      carry a column-count byte
//   19  1 fcls_9ir2_cnt          20  1 perm_9ir2_cnt
//   21  1 flag_9ir2              22    fcls array (ub2 each), perm (ub1 each)
// then the table directory and the row directory as in every data block.
//
// Symbol row: a big-endian ub2 reference count; a column-count byte for rows
// below mec_kdbh9ir2 (the others hold exactly one column); the entries.
// Data row: flag, lock, entry count; the 6-byte head rowid when F is set and
// H clear; the 6-byte next piece (big-endian) when L is clear; one byte
// giving how many leading columns the fcls array governs when the block has
// one; the entries.
// Entry first byte b:
//   0xFF null column          250 length: big-endian ub2 follows
//   252-254 invalid           201-249 data of length b - 200
//   251 reference: big-endian ub2 symbol row number follows
//   0-200 reference to symbol row b
// In a data row a data entry that falls within the fcls-governed leading
// columns is a count n of columns whose lengths are differences of
// consecutive fcls values (low 15 bits); a 0 difference is a null column.
//
// Everything here reads the block in place: symbol and data columns point
// into the block and live as long as it does.

#include <vector>

#include "base/types.h"
#include "blocks/data_block.h"
#include "engine/unload_model.h"

constexpr ub1 SYM_NULL = 0xFF;
constexpr ub1 SYM_REF_LONG = 251;
constexpr ub1 SYM_LEN_LONG = 250;
constexpr ub1 SYM_LEN_BASE = 200;
constexpr ub1 SYM_REF_SHORT_MAX = 200;
// References a symbol row may make to symbol rows that refer further; real
// blocks nest one or two deep, so anything deeper is damage.
constexpr ub4 SYMBOL_MAX_DEPTH = 64;
constexpr ub4 SYMBOL_MAX_REFER = 65534;

// Why a symbol or data row could not be read.
constexpr int SYM_OK = 0;
constexpr int SYM_PAST_END = 1;      // the row's bytes run past the block
constexpr int SYM_BAD_CODE = 2;      // an entry byte of 252-254
constexpr int SYM_SELF_REF = 3;      // a symbol row refers to itself
constexpr int SYM_REF_RANGE = 4;     // a reference beyond the symbol table
constexpr int SYM_REF_EMPTY = 5;     // a reference to an empty or unreadable symbol row
constexpr int SYM_LOOP = 6;          // symbol rows refer to each other in a circle
constexpr int SYM_TOO_DEEP = 7;      // references nest deeper than SYMBOL_MAX_DEPTH
constexpr int SYM_COL_COUNT = 8;     // the entries do not give the row's column count
constexpr int SYM_TOO_MANY_COLS = 9; // more columns than a row can have
constexpr int SYM_REFER_COUNT = 10;  // a symbol row referred to too often
constexpr int SYM_FCLS = 11;         // an fcls run past the fcls array
constexpr int SYM_ERROR_COUNT = 12;

typedef struct _tag_symbol_col {
    const ub1* data; // null for a null column
    ub2 data_len;
} SYMBOL_COL, *PSYMBOL_COL;

// Symbol states.
constexpr ub1 SYMS_NEW = 0;
constexpr ub1 SYMS_BUSY = 1; // being expanded: met again, it is a loop
constexpr ub1 SYMS_DONE = 2;
constexpr ub1 SYMS_EMPTY = 3; // empty directory slot
constexpr ub1 SYMS_FAILED = 4;

typedef struct _tag_symbol_row {
    const ub1* raw_data; // from the reference count to the end of the last entry
    ub2 raw_data_len;
    ub2 row_pos;         // row directory entry (0xFFFF when empty)
    ub1 decompressed;    // a SYMS_ state
    ub1 error;           // a SYM_ code once failed
    ub2 refer_cnt;       // stored reference count
    ub4 fact_refer_cnt;  // references met while expanding
    ub4 col_first;       // first column in the table's column store
    ub2 col_cnt;
} SYMBOL_ROW, *PSYMBOL_ROW;

typedef struct _tag_symbol_table {
    ub2 row_cnt;
    std::vector<SYMBOL_ROW> rows;
    std::vector<SYMBOL_COL> cols; // every expanded symbol row's columns
} SYMBOL_TABLE, *PSYMBOL_TABLE;

// The block being decoded with what every row of it needs.
typedef struct _tag_compressed_block {
    const ub1* block;
    ub4 block_size;
    const DATABLOCK_HEADER* header;
    ub4 row_dir;       // absolute offset of the row directory
    ub4 dir_cnt;       // directory entries that fit before the tail
    ub2 sym_first, sym_cnt;
    ub2 data_first, data_cnt;
    ub2 fcls[256];     // low 15 bits of each fcls value
    ub4 fcls_cnt;
    ub1 perm[256];
    ub4 perm_cnt;
} COMPRESSED_BLOCK, *PCOMPRESSED_BLOCK;

// One data row, expanded: its header and up to MAX_COL_CNT stored columns.
typedef struct _tag_uncompressed_row {
    ub2 row_pos; // 0xFFFF when the slot is empty
    ub1 flag;
    ub1 lock;
    ub4 next_rdba; // when L is clear
    ub2 next_slot;
    ub2 col_cnt;
    ub2 raw_len; // stored bytes, from the flag to the end of the last entry
    SYMBOL_COL cols[MAX_COL_CNT];
} UNCOMPRESSED_ROW, *PUNCOMPRESSED_ROW;

// Fills `cb` for a block with the compression flag and exactly two tables:
// the directories, fcls and perm arrays. FALSE when it is not such a block or
// its symbol table's share of the directory lies outside it.
int get_compressed_block(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* header, PCOMPRESSED_BLOCK cb);
ub2 compress_table_first_row_index(const COMPRESSED_BLOCK* cb);

// Every symbol row, each expanded once; a row that fails keeps its error and
// only the data rows that use it fail. Returns how many symbol rows failed.
ub4 build_symbol_table(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols);
// Symbol row `row`, expanding the rows it refers to first. A SYM_ code.
int parse_symbol_table_row(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols, ub4 row);
void free_symbol_table(PSYMBOL_TABLE symbols);

// Data row `row` (counted within table 1) expanded against the symbols. A
// SYM_ code; an empty slot is SYM_OK with row_pos 0xFFFF and flag 0.
int parse_uncompress_table_row(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols, ub4 row,
                               PUNCOMPRESSED_ROW out);

const char* get_symbol_error_text(int error);
