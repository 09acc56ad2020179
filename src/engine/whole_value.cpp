#include "engine/whole_value.h"

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/trace.h"
#include "convert/column_convert.h"
#include "engine/block_decoders.h"
#include "engine/row_pool.h"

int deliver_whole_value(PROW_CURSOR cursor, const ub1* data, ub4 length, bool is_null, PUNLOAD_PARAMS params,
                        const UNLOAD_CALLBACKS* callbacks)
{
    PROW_DATA row = cursor->row;
    if (cursor->stopped || row->col_fact_cnt >= row->col_cnt || cursor->column >= cursor->end)
        return TRUE;
    PCOLUMN column = cursor->column;
    if (!column->can_unload) {
        if (config_data.trace_level >= TL_DETAIL)
            write_trace("skip column: %s\n", column->name);
        cursor->column++;
        return TRUE;
    }
    PCOL_DATA col_data = add_engine_col(row, column->ora_type);
    if (col_data == nullptr) {
        cursor->stopped = 1;
        return FALSE;
    }
    ub1 flags = get_piece_col_flags(row, true, true);
    bool delivered = false;
    if (!is_null && length > 0 && (column->ora_type == ORA_CLOB || column->ora_type == ORA_BLOB)) {
        // The locator goes to the LOB reader, which makes the calls.
        col_data->raw_data = (ub1*)malloc(length);
        if (col_data->raw_data == nullptr) {
            cursor->stopped = 1;
            return FALSE;
        }
        memcpy(col_data->raw_data, data, length);
        col_data->raw_data_len = length;
        unload_lob_data(col_data, column, params, callbacks, row->col_fact_cnt == 0, row);
        delivered = true;
    } else if (!is_null) {
        raw_to_data_with_check(data, length, col_data, column);
    }
    if (!delivered && callbacks != nullptr && callbacks->unload_col_callback != nullptr)
        callbacks->unload_col_callback(is_null ? nullptr : data, is_null ? 0 : length, column, col_data, params,
                                       flags);
    cursor->calls++;
    row->col_fact_cnt++;
    cursor->column++;
    return TRUE;
}
