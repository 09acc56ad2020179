// The cluster key columns of a clustered table's row. Rows of a cluster
// block do not store their key: a row with C set carries a cluster key index
// (byte 3), which selects a row of table 0, the cluster key row, holding the
// key columns. A clustered table's key columns come first in its column
// list, so they are delivered before the row's own columns.
//
// Cluster key row: flag (K and H set), lock, column count, two ub2 counters
// and two 6-byte rowids (offsets 3 to 18), a 6-byte next-piece address when
// L is clear, then the key columns at 19 (25 when L is clear).

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/trace.h"
#include "blocks/block_types.h"
#include "convert/column_convert.h"
#include "engine/row_decode.h"
#include "engine/row_pool.h"

namespace {

void deliver(const UNLOAD_CALLBACKS* callbacks, const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
             PUNLOAD_PARAMS params, ub1 flags)
{
    if (callbacks != nullptr && callbacks->unload_col_callback != nullptr)
        callbacks->unload_col_callback(data, length, column, col_data, params, flags);
}

ub4 block_end(ub4 block_size)
{
    return block_size > BLOCK_TAIL_SIZE ? block_size - BLOCK_TAIL_SIZE : 0;
}

// Offset of the key columns of the readable key row `index` of table 0 and
// its column count; FALSE when the row cannot serve as a key row.
bool locate_key_row(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* header, ub4 index, ub4* columns,
                    ub1* col_cnt, ub1* flag)
{
    ub2 first;
    ub2 count;
    ub2 entry;
    if (!get_tab_dir_entry(block, header, 0, &first, &count, block_size) ||
        !get_row_dir_entry(block, header, (ub4)first + index, &entry, block_size) ||
        !check_row_pos(entry, header, block_size))
        return false;
    ub4 offset = header->data_header_offset + entry;
    ub4 end = block_end(block_size);
    if (offset >= end || end - offset < ROW_PIECE_HEADER_SIZE)
        return false;
    *flag = block[offset];
    *col_cnt = block[offset + 2];
    if (*col_cnt == 0 || !(*flag & RF_CLUSTER_KEY) || !(*flag & RF_HEAD_PIECE))
        return false;
    if ((*flag & RF_DELETED_ROW) && config_data.unload_deleted != 1)
        return false;
    *columns = offset + CLUSTER_KEY_COLUMNS_OFFSET + ((*flag & RF_LAST_PIECE) ? 0 : ROW_RID_SIZE);
    if (*columns > end)
        return false;
    // The whole key must be readable: a key cut short would put the row's
    // own columns in the places of the missing key columns.
    ub4 pos = *columns;
    for (ub4 j = 0; j < *col_cnt; j++) {
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_row_column(block, &pos, end, &data, &length, &is_null))
            return false;
    }
    return true;
}

// A NULL key column, for a key row that could not be read or stores fewer
// columns than the block's other key rows.
void deliver_null_key(PROW_CURSOR cursor, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PCOLUMN column = cursor->column;
    if (column->can_unload) {
        PCOL_DATA col_data = add_engine_col(cursor->row, column->ora_type);
        if (col_data == nullptr) {
            cursor->stopped = 1;
            return;
        }
        deliver(callbacks, nullptr, 0, column, col_data, params, get_piece_col_flags(cursor->row, 1, 1));
        cursor->calls++;
        cursor->row->col_fact_cnt++;
    }
    cursor->column++;
}

bool has_room_for_column(const PROW_CURSOR cursor)
{
    return !cursor->stopped && cursor->row->col_fact_cnt < cursor->row->col_cnt && cursor->column < cursor->end;
}

} // namespace

ub4 get_block_key_column_count(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header)
{
    ub2 first;
    ub2 count;
    if (!get_tab_dir_entry(block, datablock_header, 0, &first, &count, block_size))
        return 0;
    ub4 most = 0;
    for (ub4 i = 0; i < count && (ub4)first + i < datablock_header->row_cnt; i++) {
        ub4 columns;
        ub1 col_cnt;
        ub1 flag;
        if (locate_key_row(block, block_size, datablock_header, i, &columns, &col_cnt, &flag) && col_cnt > most)
            most = col_cnt;
    }
    return most;
}

int unload_cluster_row(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                       ub1 cluster_key_index, ub4 block_key_cnt, PROW_CURSOR cursor, PUNLOAD_PARAMS params,
                       const UNLOAD_CALLBACKS* callbacks)
{
    PROW_DATA row = cursor->row;
    row->corrupted = 1;
    ub4 pos;
    ub1 col_cnt;
    ub1 flag;
    if (!locate_key_row(block, block_size, datablock_header, cluster_key_index, &pos, &col_cnt, &flag)) {
        if (config_data.trace_level >= TL_MIN_TRACE)
            write_trace("cluster key row %u of block 0x%08x cannot be read\n", cluster_key_index, row->rdba);
        if (block_key_cnt == 0)
            return FALSE;
        for (ub4 k = 0; k < block_key_cnt && has_room_for_column(cursor); k++)
            deliver_null_key(cursor, params, callbacks);
        return TRUE;
    }
    ub4 end = block_end(block_size);
    ub4 j = 0;
    for (; j < col_cnt && has_room_for_column(cursor); j++) {
        PCOLUMN column = cursor->column;
        const ub1* data;
        ub4 length;
        bool is_null;
        get_row_column(block, &pos, end, &data, &length, &is_null);
        if (!column->can_unload) {
            if (config_data.trace_level >= TL_DETAIL)
                write_trace("skip column: %s\n", column->name);
            cursor->column++;
            continue;
        }
        PCOL_DATA col_data = add_engine_col(row, column->ora_type);
        if (col_data == nullptr) {
            cursor->stopped = 1;
            break;
        }
        if (!is_null && j + 1 == col_cnt && (flag & RF_CONTINUE_NEXT) && length > 0) {
            // A key column continued in a next piece: its bytes so far.
            col_data->raw_data = (ub1*)malloc(length);
            if (col_data->raw_data != nullptr) {
                memcpy(col_data->raw_data, data, length);
                col_data->raw_data_len = length;
            }
        }
        if (!is_null && !raw_to_data_with_check(data, length, col_data, column)) {
            cursor->stopped = 1;
            break;
        }
        deliver(callbacks, data, length, column, col_data, params, get_piece_col_flags(row, 1, 1));
        cursor->calls++;
        row->col_fact_cnt++;
        cursor->column++;
    }
    for (; j < block_key_cnt && has_room_for_column(cursor); j++)
        deliver_null_key(cursor, params, callbacks);
    row->corrupted = 0;
    return TRUE;
}
