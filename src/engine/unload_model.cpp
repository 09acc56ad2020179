#include "engine/unload_model.h"

#include <cstdlib>
#include <cstring>

#include "base/str_util.h"

int init_table(PTABLE table, const char* name, ub2 col_cnt, ub2 skip_cnt, ub1 table_index)
{
    memset(table, 0, sizeof(*table));
    copy_str(table->name, sizeof(table->name), name != nullptr ? name : "");
    table->skip_cnt = skip_cnt;
    table->table_index = table_index;
    if (col_cnt == 0)
        return TRUE;
    table->cols = (PCOLUMN)calloc(col_cnt, sizeof(COLUMN));
    if (table->cols == nullptr) {
        table->skip_cnt = 0;
        return FALSE;
    }
    table->col_cnt = col_cnt;
    return TRUE;
}

void release_table(PTABLE table, int free_table)
{
    if (table == nullptr)
        return;
    if (table->cols != nullptr) {
        for (ub4 i = 0; i < table->col_cnt; i++)
            free(table->cols[i].lob_ind_buffer);
        free(table->cols);
    }
    table->cols = nullptr;
    table->col_cnt = 0;
    if (free_table)
        free(table);
}

void init_column(PCOLUMN column, const char* name, ub1 ora_type, ub1 can_unload)
{
    memset(column, 0, sizeof(*column));
    copy_str(column->name, sizeof(column->name), name != nullptr ? name : "");
    column->ora_type = ora_type;
    column->can_unload = can_unload;
}

void init_col_data(PCOL_DATA col_data)
{
    memset(col_data, 0, sizeof(*col_data));
    col_data->is_null = 1;
}

void release_col_data(void* data)
{
    PCOL_DATA col_data = (PCOL_DATA)data;
    clear_col_value(col_data);
    // raw_data is always owned; freeing it whatever raw_data_len says keeps a
    // buffer whose length was reset to 0 from leaking.
    free(col_data->raw_data);
    col_data->raw_data = nullptr;
    col_data->raw_data_len = 0;
}

ub1* get_col_value_alloc(PCOL_DATA col_data, size_t size)
{
    ub1* buffer = (ub1*)malloc(size);
    if (buffer == nullptr)
        return nullptr;
    col_data->common_data.data = buffer;
    col_data->mem_alloc = 1;
    return buffer;
}

int set_col_bytes(PCOL_DATA col_data, const ub1* bytes, ub4 length)
{
    // One spare byte so that the inline and allocated forms look alike.
    ub1* out = get_col_value_buffer(col_data, (size_t)length + 1);
    if (out == nullptr) {
        col_data->is_null = 1;
        return FALSE;
    }
    if (length > 0)
        memmove(out, bytes, length);
    out[length] = 0;
    col_data->data_len = length;
    col_data->data_type = CDT_BYTES;
    col_data->is_null = 0;
    return TRUE;
}

void release_row_data(void* data)
{
    PROW_DATA row = (PROW_DATA)data;
    release_zem_list(&row->col_data);
}

void init_row_data(PROW_DATA row, const TABLE* table, ub4 rdba, ub4 row_no)
{
    memset(row, 0, sizeof(*row));
    if (table != nullptr)
        row->col_cnt = table->col_cnt > table->skip_cnt ? (ub2)(table->col_cnt - table->skip_cnt) : 0;
    row->rdba = rdba;
    row->row_no = row_no;
    init_zem_list(&row->col_data, release_col_data);
}

void init_sample_data(PSAMPLE_DATA sample)
{
    init_zem_list(&sample->row_data_list, release_row_data);
    sample->max_col_cnt = 0;
}

void release_sample_data(PSAMPLE_DATA sample)
{
    release_zem_list(&sample->row_data_list);
    sample->max_col_cnt = 0;
}

int init_grid_item(PGRID_ITEM item, ub4 cols)
{
    item->cols = 0;
    item->data = nullptr;
    if (cols == 0)
        return TRUE;
    item->data = (char**)calloc(cols, sizeof(char*));
    if (item->data == nullptr)
        return FALSE;
    item->cols = cols;
    return TRUE;
}

void release_grid_item(PGRID_ITEM item)
{
    if (item->data != nullptr) {
        for (ub4 i = 0; i < item->cols; i++)
            free(item->data[i]);
        free(item->data);
    }
    item->data = nullptr;
    item->cols = 0;
}
