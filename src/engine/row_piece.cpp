// Columns of one row piece under the callback protocol. The same rules hold
// in a row's first piece and in the pieces it continues into: a value may
// begin in one piece (the last column of a piece with N) and end in the next
// (the first column of a piece with P); its bytes are gathered in raw_data
// and converted once the value is complete.

#include "engine/row_decode.h"

#include <bit>
#include <cstdlib>

#include "base/bounded_copy.h"
#include "base/byte_order.h"
#include "base/config.h"
#include "base/trace.h"
#include "blocks/block_types.h"
#include "convert/column_convert.h"
#include "engine/block_decoders.h"
#include "engine/row_pool.h"

namespace {

void deliver(const UNLOAD_CALLBACKS* callbacks, const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
             PUNLOAD_PARAMS params, ub1 flags)
{
    if (callbacks != nullptr && callbacks->unload_col_callback != nullptr)
        callbacks->unload_col_callback(data, length, column, col_data, params, flags);
}

bool is_lob_column(const COLUMN* column)
{
    return column->ora_type == ORA_CLOB || column->ora_type == ORA_BLOB;
}

// Adds bytes to the value gathered in raw_data; what passes COL_DATA_MAXLEN
// is dropped. FALSE when memory ran out.
bool append_raw_data(PCOL_DATA col_data, const ub1* data, ub4 length)
{
    ub4 used = col_data->raw_data_len;
    if (length == 0 || used >= COL_DATA_MAXLEN)
        return true;
    ub4 wanted = length < COL_DATA_MAXLEN - used ? used + length : COL_DATA_MAXLEN;
    // Room grows in powers of two so that a value of many pieces is not
    // copied once per piece.
    ub4 room = std::bit_ceil(wanted);
    if (room > COL_DATA_MAXLEN)
        room = COL_DATA_MAXLEN;
    if (col_data->raw_data == nullptr || std::bit_ceil(used) < wanted) {
        ub1* grown = (ub1*)realloc(col_data->raw_data, room);
        if (grown == nullptr)
            return false;
        col_data->raw_data = grown;
    }
    col_data->raw_data_len = memcpy_max(col_data->raw_data, data, length, used, wanted);
    return true;
}

void drop_raw_data(PCOL_DATA col_data)
{
    free(col_data->raw_data);
    col_data->raw_data = nullptr;
    col_data->raw_data_len = 0;
}

void complete_column(PROW_CURSOR cursor)
{
    cursor->row->col_fact_cnt++;
    cursor->column++;
    cursor->open = 0;
    cursor->open_value = nullptr;
}

// The common case, in a loop of its own: the first `limit` columns of a
// piece that continues no value from the previous piece, as long as each is
// an ordinary column (stored, unloadable, not a LOB) that the piece holds
// whole. Same calls and results as the general loop; returns how many
// columns it took, *pos after them. It leaves every column it does not take
// to the general loop: a column of another kind, the end of the row, or
// one that runs past the piece (whose message the general loop gives).
ub4 unload_whole_columns(const ub1* block, const ROW_PIECE* piece, ub4 limit, ub4* pos, PROW_CURSOR cursor,
                         PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PROW_DATA row = cursor->row;
    const ub4 end = piece->end;
    const ub2 expected = row->col_cnt;
    const PCOLUMN last_column = cursor->end;
    const UNLOAD_COL_CALLBACK col_callback = callbacks != nullptr ? callbacks->unload_col_callback : nullptr;
    PCOLUMN column = cursor->column;
    ub4 at = *pos;
    ub4 j = 0;
    for (; j < limit; j++, column++) {
        if (row->col_fact_cnt >= expected || column >= last_column)
            break;
        if (column->is_placeholder || !column->can_unload || is_lob_column(column))
            break;
        ub4 next = at;
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_row_column(block, &next, end, &data, &length, &is_null))
            break;
        PCOL_DATA col_data = add_engine_col(row, column->ora_type);
        if (col_data == nullptr)
            break;
        ub1 flags = get_piece_col_flags(row, true, true);
        if (!is_null && !raw_to_data_with_check(data, length, col_data, column)) {
            cursor->stopped = 1;
            break;
        }
        // A NULL comes with no bytes and length 0.
        if (col_callback != nullptr)
            col_callback(data, length, column, col_data, params, flags);
        cursor->calls++;
        row->col_fact_cnt++;
        at = next;
    }
    if (j > 0) {
        cursor->open = 0;
        cursor->open_value = nullptr;
    }
    cursor->column = column;
    *pos = at;
    return j;
}

} // namespace

int read_row_piece(const ub1* block, ub4 offset, ub4 block_size, bool cluster_byte, bool dscn, bool dscn_in_head_only,
                   PROW_PIECE piece)
{
    piece->flag = 0;
    piece->lock = 0;
    piece->col_cnt = 0;
    piece->cluster_key_index = 0;
    piece->next_rdba = 0;
    piece->next_slot = 0;
    piece->columns = 0;
    piece->end = block_size > BLOCK_TAIL_SIZE ? block_size - BLOCK_TAIL_SIZE : 0;
    ub4 end = piece->end;
    if (offset >= end || end - offset < ROW_PIECE_HEADER_SIZE)
        return FALSE;
    piece->flag = block[offset];
    piece->lock = block[offset + 1];
    piece->col_cnt = block[offset + 2];
    ub4 pos = offset + ROW_PIECE_HEADER_SIZE;
    ub1 flag = piece->flag;
    if (cluster_byte && (flag & RF_CLUSTERED_TABLE_NUMBER)) {
        if (pos >= end)
            return FALSE;
        piece->cluster_key_index = block[pos++];
    }
    if (dscn && (!dscn_in_head_only || (flag & RF_HEAD_PIECE)))
        pos += ROW_DSCN_SIZE;
    if ((flag & RF_FIRST_PIECE) && !(flag & RF_HEAD_PIECE))
        pos += ROW_RID_SIZE;
    if (!(flag & RF_LAST_PIECE)) {
        if (pos > end || end - pos < ROW_RID_SIZE)
            return FALSE;
        // The next-piece address is big-endian whatever the file's order.
        piece->next_rdba = get_ub4_big(block, pos);
        piece->next_slot = get_ub2_big(block, pos + 4);
        pos += ROW_RID_SIZE;
    }
    if (pos > end)
        return FALSE;
    piece->columns = pos;
    return TRUE;
}

int get_row_piece(const ub1* block, ub4 offset, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                  PROW_PIECE piece)
{
    return read_row_piece(block, offset, block_size, true,
                          (datablock_header->kdbh_flag & KDBH_FLAG_ROWDEPENDENCIES) != 0, true, piece);
}

void init_row_cursor(PROW_CURSOR cursor, PROW_DATA row, PTABLE table)
{
    cursor->row = row;
    cursor->column = table->cols;
    cursor->end = table->cols + table->col_cnt;
    cursor->open_value = nullptr;
    cursor->open = 0;
    cursor->stopped = 0;
    cursor->ended = 0;
    cursor->calls = 0;
}

void give_up_open_column(PROW_CURSOR cursor, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    if (!cursor->open)
        return;
    PCOL_DATA col_data = cursor->open_value;
    if (col_data != nullptr) {
        drop_raw_data(col_data);
        clear_col_value(col_data);
        col_data->is_null = 1;
        deliver(callbacks, nullptr, 0, cursor->column, col_data, params, get_piece_col_flags(cursor->row, 0, 1));
        cursor->calls++;
        complete_column(cursor);
    } else {
        cursor->column++;
        cursor->open = 0;
    }
}

void unload_piece_columns(const ub1* block, const ROW_PIECE* piece, PROW_CURSOR cursor,
                          PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PROW_DATA row = cursor->row;
    ub1 flag = piece->flag;
    if (flag & RF_LAST_PIECE)
        cursor->ended = 1;
    if (cursor->open && !(flag & RF_FROM_PREVIOUS))
        give_up_open_column(cursor, params, callbacks);
    if (cursor->stopped)
        return;
    // Loop invariants held locally: the callbacks may write anywhere, so the
    // compiler would otherwise reload them for every column.
    const ub4 col_cnt = piece->col_cnt;
    const ub4 end = piece->end;
    const ub2 expected = row->col_cnt;
    const PCOLUMN last_column = cursor->end;
    ub4 pos = piece->columns;
    ub4 j = 0;
    if (!(flag & RF_FROM_PREVIOUS)) {
        // The last column of an N piece goes on in the next piece.
        ub4 whole_cnt = (flag & RF_CONTINUE_NEXT) && col_cnt > 0 ? col_cnt - 1 : col_cnt;
        j = unload_whole_columns(block, piece, whole_cnt, &pos, cursor, params, callbacks);
        if (cursor->stopped)
            return;
    }
    for (; j < col_cnt; j++) {
        if (row->col_fact_cnt >= expected || cursor->column >= last_column)
            break;
        PCOLUMN column = cursor->column;
        bool continues_previous = j == 0 && (flag & RF_FROM_PREVIOUS) && cursor->open;
        bool last_of_piece = j + 1 == col_cnt;

        if (column->is_placeholder && !continues_previous) {
            // Counted in the piece's column count, but stored nowhere.
            if (column->can_unload) {
                PCOL_DATA col_data = add_engine_col(row, column->ora_type);
                if (col_data == nullptr) {
                    cursor->stopped = 1;
                    break;
                }
                deliver(callbacks, nullptr, 0, column, col_data, params, get_piece_col_flags(row, 1, 1));
                cursor->calls++;
                row->col_fact_cnt++;
            }
            cursor->column++;
            continue;
        }

        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_row_column(block, &pos, end, &data, &length, &is_null)) {
            if (config_data.trace_level >= TL_MIN_TRACE)
                write_trace("row piece column %u runs past the block end, row %u of block 0x%08x\n", j,
                            row->row_no, row->rdba);
            cursor->stopped = 1;
            break;
        }
        bool continues_next = last_of_piece && (flag & RF_CONTINUE_NEXT) && !is_null && length > 0;

        if (!column->can_unload) {
            if (config_data.trace_level >= TL_DETAIL)
                write_trace("skip column: %s\n", column->name);
            if (continues_next) {
                cursor->open = 1;
                cursor->open_value = nullptr;
            } else {
                cursor->column++;
                cursor->open = 0;
            }
            continue;
        }

        PCOL_DATA col_data = continues_previous ? cursor->open_value : nullptr;
        if (col_data == nullptr) {
            continues_previous = false;
            col_data = add_engine_col(row, column->ora_type);
            if (col_data == nullptr) {
                cursor->stopped = 1;
                break;
            }
        }
        ub1 flags = get_piece_col_flags(row, !continues_previous, !continues_next);

        if (continues_next) {
            // Begins (or, in a P and N piece, carries on) a value that the
            // next piece continues.
            if (!append_raw_data(col_data, data, length)) {
                cursor->stopped = 1;
                break;
            }
            deliver(callbacks, data, length, column, col_data, params, flags);
            cursor->calls++;
            cursor->open = 1;
            cursor->open_value = col_data;
            break;
        }

        if (continues_previous) {
            if (!append_raw_data(col_data, data, length)) {
                cursor->stopped = 1;
                break;
            }
            if (is_lob_column(column)) {
                if (config_data.trace_level >= TL_DETAIL)
                    write_trace("unload_continue_row:calling unload_lob_data\n");
                unload_lob_data(col_data, column, params, callbacks, row->col_fact_cnt == 0, row);
            } else {
                if (!raw_to_data_with_check(col_data->raw_data, col_data->raw_data_len, col_data, column)) {
                    cursor->stopped = 1;
                    break;
                }
                deliver(callbacks, data, length, column, col_data, params, flags);
            }
            drop_raw_data(col_data);
            cursor->calls++;
            complete_column(cursor);
            continue;
        }

        if (is_null) {
            deliver(callbacks, nullptr, 0, column, col_data, params, flags);
        } else if (is_lob_column(column)) {
            // The locator goes to the LOB reader, which makes the calls.
            if (!append_raw_data(col_data, data, length)) {
                cursor->stopped = 1;
                break;
            }
            if (config_data.trace_level >= TL_DETAIL)
                write_trace("unload_data_block:calling unload_lob_data\n");
            unload_lob_data(col_data, column, params, callbacks, row->col_fact_cnt == 0, row);
        } else {
            if (!raw_to_data_with_check(data, length, col_data, column)) {
                cursor->stopped = 1;
                break;
            }
            deliver(callbacks, data, length, column, col_data, params, flags);
        }
        cursor->calls++;
        complete_column(cursor);
    }
}

void end_row(PROW_CURSOR cursor, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    // Most rows store every column: nothing to deliver then.
    if (cursor->row->col_fact_cnt < cursor->row->col_cnt)
        unload_trailing_nulls(cursor->row, cursor->column, params, callbacks);
    if (callbacks != nullptr && callbacks->unload_row_callback != nullptr)
        callbacks->unload_row_callback(0, params, cursor->row);
}
