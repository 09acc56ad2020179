// Batches of decoded rows and the callback protocol around them. The engine
// decodes a batch of blocks into one row list, hands the list to the block
// callback, and frees whatever the callback did not move out.

#include <cstdlib>
#include <cstring>

#include "base/str_util.h"
#include "engine/unload_model.h"

int get_lob_output_format()
{
    if (config_data.lob_storage == LS_NONE)
        return LOF_NONE;
    if (config_data.output_format == OUTPUT_DMP)
        return LOF_BIN;
    if (config_data.lob_storage == LS_INFILE)
        return LOF_PART_TEXT;
    return LOF_TEXT;
}

// The request of an ordinary table unload; other forms change the mode,
// strictness and sampling fields afterwards. It owns nothing.
void init_unload_params(PUNLOAD_PARAMS params, PTABLE table)
{
    memset(params, 0, sizeof(*params));
    copy_str(params->delimiter, sizeof(params->delimiter), config_data.delimiter);
    params->max_col_cnt = MAX_COL_CNT;
    params->lob_output_format = get_lob_output_format();
    params->unload_mode = UM_NORMAL;
    params->strict_dataobj = 1;
    params->table = table;
}

void init_row_batch(PZEM_LIST rows)
{
    init_zem_list(rows, release_row_data);
}

PROW_DATA add_row_data(PZEM_LIST rows, PTABLE table, ub4 rdba, ub4 row_no)
{
    PROW_DATA row = (PROW_DATA)malloc(sizeof(ROW_DATA));
    if (row == nullptr)
        return nullptr;
    init_row_data(row, table, rdba, row_no);
    add_zem_list_item(rows, row);
    if (table != nullptr)
        table->row_cnt++;
    return row;
}

PCOL_DATA add_col_data(PROW_DATA row, ub1 ora_type)
{
    PCOL_DATA col_data = (PCOL_DATA)malloc(sizeof(COL_DATA));
    if (col_data == nullptr)
        return nullptr;
    init_col_data(col_data);
    col_data->ora_type = ora_type;
    add_zem_list_item(&row->col_data, col_data);
    return col_data;
}

ub1 get_col_flags(const ROW_DATA* row, int first_piece, int last_piece)
{
    ub1 flags = 0;
    if (row->col_fact_cnt == 0)
        flags |= IS_FIRST_COLUMN;
    if (first_piece)
        flags |= IS_FIRST_PIECE;
    if (last_piece)
        flags |= IS_LAST_PIECE;
    return flags;
}

void unload_trailing_nulls(PROW_DATA row, PCOLUMN column, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    if (table == nullptr || table->cols == nullptr || column == nullptr)
        return;
    PCOLUMN end = table->cols + table->col_cnt;
    if (column < table->cols || column >= end)
        return;
    ub4 missing = row->col_fact_cnt < row->col_cnt ? (ub4)(row->col_cnt - row->col_fact_cnt) : 0;
    for (; column < end && missing > 0; column++) {
        if (!column->can_unload)
            continue;
        missing--;
        if (callbacks != nullptr && callbacks->unload_col_callback != nullptr)
            callbacks->unload_col_callback(nullptr, 0, column, nullptr, params, IS_LAST_NULL);
    }
}

void end_row_batch(PZEM_LIST rows, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    if (callbacks != nullptr && callbacks->unload_block_callback != nullptr)
        callbacks->unload_block_callback(rows, params);
    release_zem_list(rows);
}

// The receiving list must own its records through release_row_data
// (init_row_batch); the rows then live until that list is released.
void unload_data_to_list(PZEM_LIST rows, PUNLOAD_PARAMS params)
{
    if (params == nullptr || params->data_list == nullptr)
        return;
    combine_zem_list(params->data_list, rows);
}
