// Stand-in until LOB retrieval is decoded: a LOB value is delivered as "not
// delivered" (only its closing call), so that the writers still see every
// column of the row.

#include "engine/block_decoders.h"

void unload_lob_data(PCOL_DATA col_data, PCOLUMN column, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                     int is_first_column)
{
    column->lob_storage.row_cnt++;
    ub1 flags = (ub1)(IS_LOB_PIECE | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE | IS_LAST_PIECE);
    if (is_first_column)
        flags |= IS_FIRST_COLUMN;
    clear_col_value(col_data);
    col_data->is_null = 1;
    if (callbacks != nullptr && callbacks->unload_col_callback != nullptr)
        callbacks->unload_col_callback(nullptr, 0, column, col_data, params, flags);
}
