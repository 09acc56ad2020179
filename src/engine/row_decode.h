#pragma once
// Row pieces of table data blocks and the callback protocol around their
// columns.
//
// Row piece, offsets from the row start (data header offset + row directory
// entry):
//   0  1 flag byte (RF_ bits)
//   1  1 lock byte, not interpreted
//   2  1 column count of this piece
//   3  1 cluster key index             only when C is set
//   +  6 row dependency SCN            head piece of a block whose kdbh_flag
//                                      has KDBH_FLAG_ROWDEPENDENCIES
//   +  6 head rowid                    first piece that is not the head (the
//                                      body of a migrated row)
//   +  6 next piece: rdba ub4 + slot   only when L is clear; big-endian in
//        ub2                           every file
//   then the columns: a length byte and the bytes. 0xFF is NULL (no bytes),
//   0xFE introduces a ub2 length in the file's byte order, any other value is
//   the length itself. Columns missing at the end of the last piece are
//   trailing NULLs.
// Cluster key row (table 0 of a cluster block, flags K and H): the 3-byte
// header, two ub2 counters and two 6-byte rowids, the next piece when L is
// clear, then the key columns: at 19, or 25 when L is clear.

#include "base/byte_order.h"
#include "base/zem_list.h"
#include "blocks/data_block.h"
#include "engine/unload_model.h"

constexpr ub1 RF_CLUSTER_KEY = 0x80;            // K
constexpr ub1 RF_CLUSTERED_TABLE_NUMBER = 0x40; // C
constexpr ub1 RF_HEAD_PIECE = 0x20;             // H
constexpr ub1 RF_DELETED_ROW = 0x10;            // D
constexpr ub1 RF_FIRST_PIECE = 0x08;            // F
constexpr ub1 RF_LAST_PIECE = 0x04;             // L
constexpr ub1 RF_FROM_PREVIOUS = 0x02;          // P
constexpr ub1 RF_CONTINUE_NEXT = 0x01;          // N

constexpr ub4 ROW_PIECE_HEADER_SIZE = 3;
constexpr ub4 ROW_RID_SIZE = 6;
constexpr ub4 ROW_DSCN_SIZE = 6;
constexpr ub4 CLUSTER_KEY_COLUMNS_OFFSET = 19;
constexpr ub1 COL_LEN_NULL = 0xFF;
constexpr ub1 COL_LEN_LONG = 0xFE;
// A chain longer than this is taken as a loop (a 512 MiB LONG in 8 KiB
// blocks needs 65536 pieces; values are cut at COL_DATA_MAXLEN anyway).
constexpr ub4 MAX_CHAIN_PIECES = 65536;

typedef struct _tag_row_piece {
    ub1 flag;
    ub1 lock;
    ub1 col_cnt;
    ub1 cluster_key_index;
    ub4 next_rdba; // when L is clear
    ub2 next_slot;
    ub4 columns;   // offset of the first column in the block
    ub4 end;       // end of the space a piece may use (the tail excluded)
} ROW_PIECE, *PROW_PIECE;

// Where a row's decoding stands while it moves from piece to piece.
typedef struct _tag_row_cursor {
    PROW_DATA row;
    PCOLUMN column;        // next column to deliver
    PCOLUMN end;           // one past the table's last column
    PCOL_DATA open_value;  // value begun in a piece and continued in the next
    ub1 open;              // `column` continues in the next piece
    ub1 stopped;           // a value did not convert or the piece is damaged
    ub1 ended;             // the row's last piece (L) was decoded
    ub4 calls;             // column calls made so far
} ROW_CURSOR, *PROW_CURSOR;

// The header of the piece at `offset` (absolute). FALSE when the piece does
// not fit in the block.
int get_row_piece(const ub1* block, ub4 offset, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                  PROW_PIECE piece);
// The same for any row layout: `cluster_byte` when a cluster table number
// may follow the header, `dscn` when the row carries a dependency SCN
// (`dscn_in_head_only`: only its head piece does).
int read_row_piece(const ub1* block, ub4 offset, ub4 block_size, bool cluster_byte, bool dscn, bool dscn_in_head_only,
                   PROW_PIECE piece);

// The column at *pos, which moves past it: its bytes, or is_null for a NULL.
// FALSE when its length or bytes run past `end`. Inline: it runs once per
// column of every row.
inline int get_row_column(const ub1* block, ub4* pos, ub4 end, const ub1** data, ub4* length, bool* is_null)
{
    *data = nullptr;
    *length = 0;
    *is_null = false;
    if (*pos >= end)
        return FALSE;
    ub1 length_byte = block[(*pos)++];
    if (length_byte == COL_LEN_NULL) {
        *is_null = true;
        return TRUE;
    }
    ub4 n = length_byte;
    if (length_byte == COL_LEN_LONG) {
        if (end - *pos < 2)
            return FALSE;
        n = get_ub2(block, *pos);
        *pos += 2;
    }
    if (n > end - *pos)
        return FALSE;
    *data = block + *pos;
    *length = n;
    *pos += n;
    return TRUE;
}

// The flags of a column call, as get_col_flags makes them; inline for the
// same reason.
inline ub1 get_piece_col_flags(const ROW_DATA* row, bool first_piece, bool last_piece)
{
    return (ub1)((row->col_fact_cnt == 0 ? IS_FIRST_COLUMN : 0) | (first_piece ? IS_FIRST_PIECE : 0) |
                 (last_piece ? IS_LAST_PIECE : 0));
}

void init_row_cursor(PROW_CURSOR cursor, PROW_DATA row, PTABLE table);
// Delivers the piece's columns from cursor->column on.
void unload_piece_columns(const ub1* block, const ROW_PIECE* piece, PROW_CURSOR cursor,
                          PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
// Ends a value left open by a piece whose successor delivered nothing: a
// closing call with a NULL value, and the next column becomes current.
void give_up_open_column(PROW_CURSOR cursor, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
// Trailing NULLs for the columns not delivered, then the row callback.
void end_row(PROW_CURSOR cursor, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);

// Delivers the key columns of the cluster key row `cluster_key_index` of
// the block and leaves the cursor after them (TRUE). When the key row cannot
// be read the row stays corrupted: its key columns are delivered as NULLs
// when the block tells how many there are (TRUE), else nothing can be placed
// (FALSE).
// block_key_cnt (get_block_key_column_count) pads a key row that stores
// fewer columns, so that the row's own columns land in their places.
int unload_cluster_row(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                       ub1 cluster_key_index, ub4 block_key_cnt, PROW_CURSOR cursor, PUNLOAD_PARAMS params,
                       const UNLOAD_CALLBACKS* callbacks);

// The most key columns any readable cluster key row of the block stores.
ub4 get_block_key_column_count(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header);

// Loop detection over (block address, slot) pairs: 0 when the pair is
// already in the list, else it is appended and 1 returned.
int check_continue_row(PZEM_LIST visited, ub4 rdba, ub4 slot);
// Decodes the continuation piece at (*rdba, *slot) into the cursor; sets
// *rdba and *slot to the next piece, or *rdba to 0 when the chain ends.
// `buffer` holds BLOCK_MAX_SIZE bytes.
void unload_continue_row(ub4 ts_no, ub4* rdba, ub4* slot, ub1 table_index, PROW_CURSOR cursor,
                         PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks, ub1* buffer);
// Follows a chained or migrated row from its head piece (head_rdba,
// head_slot) through the piece at (next_rdba, next_slot) until the row is
// complete, the chain breaks or loops. `iot_overflow` only changes the
// trace line. Returns FALSE when the chain looped.
int follow_row_chain(ub4 ts_no, ub4 head_rdba, ub4 head_slot, ub4 next_rdba, ub4 next_slot, ub1 table_index,
                      PROW_CURSOR cursor, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                      int iot_overflow);
