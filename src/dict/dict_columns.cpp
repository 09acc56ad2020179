#include "dict/dict_columns.h"

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/str_util.h"
#include "dict/dict_store.h"

namespace {

void fill_column_from_dict(PCOLUMN column, const DICT_COL* col)
{
    memset(column, 0, sizeof(*column));
    copy_str(column->name, sizeof(column->name), col->name);
    column->ora_type = (ub1)col->col_type;
    column->col_no = (ub2)col->col_id;
    column->segcol_no = (ub2)col->seg_col_no;
    column->length = col->length;
    column->precision = (ub2)col->precision;
    column->scale = (ub2)col->scale;
    column->precision_null = col->precision_null;
    column->scale_null = col->scale_null;
    column->nullable = col->is_null == 0;
    column->intcol_no = (ub2)col->internal_col_no;
    column->charset_id = col->charset_id;
    column->charset_form = col->charset_form;
}

int compare(ub4 a, ub4 b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

// Columns not stored in the segment (SEGCOL# 0) never enter the list.
void get_column_info(PZEM_LIST list, ub4 object_id)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_col_hash_table, object_id);
    if (bucket == nullptr)
        return;
    for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next) {
        const DICT_COL* col = (const DICT_COL*)item->data;
        if (col->object_id != object_id || col->seg_col_no == 0)
            continue;
        PCOLUMN column = (PCOLUMN)malloc(sizeof(COLUMN));
        if (column == nullptr)
            return;
        fill_column_from_dict(column, col);
        add_zem_list_item(list, column);
    }
}

int comp_column_info_segcol(const void* a, const void* b)
{
    return compare(((const COLUMN*)a)->segcol_no, ((const COLUMN*)b)->segcol_no);
}

int comp_column_info_colno(const void* a, const void* b)
{
    return compare(((const COLUMN*)a)->col_no, ((const COLUMN*)b)->col_no);
}

void column_list_to_table(PTABLE table, const ZEM_LIST* list)
{
    free(table->cols);
    table->cols = nullptr;
    table->col_cnt = 0;
    ub4 count = zem_list_item_cnt(list);
    if (count == 0)
        return;
    if (count > MAX_COL_CNT)
        count = MAX_COL_CNT;
    table->cols = (PCOLUMN)calloc(count, sizeof(COLUMN));
    if (table->cols == nullptr)
        return;
    ub4 i = 0;
    for (PZEM_LIST_ITEM item = list->header; item != nullptr && i < count; item = item->next)
        memcpy(&table->cols[i++], item->data, sizeof(COLUMN));
    table->col_cnt = (ub2)count;
}

void set_columns_unloadable(PTABLE table)
{
    ub2 skipped = 0;
    for (ub2 i = 0; i < table->col_cnt; i++) {
        PCOLUMN c = &table->cols[i];
        switch (c->ora_type) {
        case ORA_NUMBER: case ORA_VARCHAR2: case ORA_CHAR: case ORA_DATE: case ORA_RAW: case ORA_TIMESTAMP:
        case ORA_TIMESTAMP_TZ: case ORA_TIMESTAMP_LTZ: case ORA_LONG: case ORA_LONG_RAW: case ORA_ROWID:
        case ORA_BINARY_FLOAT: case ORA_BINARY_DOUBLE: case ORA_GUESS:
            c->can_unload = 1;
            break;
        case ORA_CLOB: case ORA_BLOB:
            c->can_unload = config_data.lob_storage != LS_NONE;
            break;
        default:
            c->can_unload = 0;
        }
        if (c->col_no == 0)
            c->can_unload = 0;
        if (!c->can_unload)
            skipped++;
    }
    table->skip_cnt = skipped;
}
