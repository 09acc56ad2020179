// Stand-ins until basic-compressed blocks, index-organized tables and LOB
// retrieval are decoded: such blocks yield no rows, and a LOB value is
// delivered as "not delivered" (only its closing call), so that the writers
// still see every column of the row.

#include "engine/block_decoders.h"

void unload_compressed_data_block(const ub1* /*block*/, ub4 /*rdba*/, const BLOCK_HEADER* /*block_header*/,
                                  PUNLOAD_PARAMS /*params*/, PZEM_LIST /*rows*/, ub4 /*block_size*/,
                                  const DATABLOCK_HEADER* /*datablock_header*/,
                                  const UNLOAD_CALLBACKS* /*callbacks*/)
{
}

void unload_iot_block(const ub1* /*block*/, ub4 /*rdba*/, const BLOCK_HEADER* /*block_header*/,
                      PUNLOAD_PARAMS /*params*/, PZEM_LIST /*rows*/, ub4 /*block_size*/,
                      const DATABLOCK_HEADER* /*datablock_header*/, const UNLOAD_CALLBACKS* /*callbacks*/)
{
}

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
