// unload object <id> ... column <types> and the command's parsing; the
// sampling forms are in sample_unload.cpp.

#include "unload/object_unload.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/run_status.h"
#include "base/str_util.h"
#include "base/time_text.h"
#include "dict/dict_lob_info.h"
#include "dict/dict_lookup.h"
#include "engine/lob_unload.h"
#include "output/table_output.h"
#include "unload/unload_cmd.h"
#include "unload/unload_report.h"

namespace {

bool is_char_type(ub4 type)
{
    return type == ORA_VARCHAR2 || type == 9 || type == ORA_CHAR || type == ORA_CLOB;
}

// The k-th type word (k from 1); `named` counts the words other than SKIP
// so far, this one included.
PCOLUMN make_typed_column(ub4 k, ub4 named, ub4 type, ub4 form, ub4 length, ub4 scale)
{
    PCOLUMN c = (PCOLUMN)calloc(1, sizeof(COLUMN));
    if (c == nullptr)
        return nullptr;
    char name[COLNAME_LEN + 1] = "";
    if (type != 0)
        snprintf(name, sizeof(name), "C%04u", named);
    init_column(c, name, (ub1)type, 0);
    c->charset_form = form;
    c->length = length;
    c->scale = (ub2)scale;
    c->precision_null = 1;
    c->scale_null = type == ORA_NUMBER || scale == 0 ? 1 : 0;
    c->nullable = 1;
    if (is_char_type(type))
        c->charset_id = form == 1 ? config_data.charset_id : config_data.ncharset_id;
    // A SKIP word is stepped over in the row and never written.
    c->col_no = type == 0 ? 0 : (ub2)k;
    c->segcol_no = (ub2)k;
    c->intcol_no = (ub2)k;
    return c;
}

bool parse_number_token(const char* text, ub4* value)
{
    *value = 0;
    return parse_decimal_ub4(text, value) != 0;
}

} // namespace

int parse_unload_object_params(LINE_ARRAY tokens, int count, ub4* data_object_id, ub4* ts_no, ub4* cluster,
                               int* is_sample, PZEM_LIST columns)
{
    *data_object_id = 0;
    *ts_no = INVALID_TS_NO;
    *cluster = 0;
    *is_sample = 0;
    if (count < 4)
        return 0;
    bool all = str_case_equal(tokens[2], "all");
    if (!all) {
        ub4 id = 0;
        parse_number_token(tokens[2], &id); // text that does not read as a number is 0
        if (id == 0) {
            sp_printf("invalid data object id\n");
            return 0;
        }
        *data_object_id = id;
    }
    int i = 3;
    if (str_case_equal(tokens[i], "tablespace") && count - i >= 3) {
        if (!parse_number_token(tokens[i + 1], ts_no) || *ts_no == INVALID_TS_NO) {
            sp_printf("invalid tablespace no\n");
            return 0;
        }
        i += 2;
    }
    if (i < count && str_case_equal(tokens[i], "cluster") && count - i >= 3) {
        if (all || !parse_number_token(tokens[i + 1], cluster) || *cluster > 255)
            return 0;
        i += 2;
    }
    if (count - i == 1 && str_case_equal(tokens[i], "sample")) {
        *is_sample = 1;
        return 1;
    }
    if (all || i >= count || !str_case_equal(tokens[i], "column") || count - i < 2)
        return 0;
    ub4 named = 0;
    for (int k = i + 1; k < count; k++) {
        ub4 type, form, length, scale;
        if (!get_col_type_from_name(tokens[k], &type, &form, &length, &scale)) {
            release_zem_list(columns);
            return 0;
        }
        if (type != 0)
            named++;
        PCOLUMN column = make_typed_column((ub4)(k - i), named, type, form, length, scale);
        if (column == nullptr || (ub4)(k - i) > MAX_COL_CNT) {
            free(column);
            release_zem_list(columns);
            return 0;
        }
        add_zem_list_item(columns, column);
    }
    return 1;
}

int do_unload_object(LINE_ARRAY tokens, int count)
{
    ZEM_LIST columns;
    init_zem_list(&columns, nullptr);
    columns.free_user_data = 1;
    ub4 object_id, ts_no, cluster;
    int is_sample;
    if (!parse_unload_object_params(tokens, count, &object_id, &ts_no, &cluster, &is_sample, &columns)) {
        release_zem_list(&columns);
        return 0;
    }
    if (is_sample) {
        release_zem_list(&columns);
        if (object_id == 0)
            return do_unload_allobject_sample(ts_no);
        return do_unload_object_sample(object_id, ts_no, cluster, 0);
    }

    char now[TIME_STR_LEN];
    sp_printf("\nUnloading Object,object ID: %u,  Cluster: %u at %s\n", object_id, cluster, current_time_str(now));
    TABLE table;
    init_table(&table, "", 0, 0, 0);
    table.obj_no = object_id;
    UNLOAD_PARAMS params;
    memset(&params, 0, sizeof(params));
    copy_str(params.delimiter, sizeof(params.delimiter), config_data.delimiter);
    params.max_col_cnt = MAX_COL_CNT;
    params.unload_mode = UM_NO_SYSTEM;
    params.lob_output_format = get_lob_output_format();
    params.strict_dataobj = 0;
    params.table = &table;
    char table_name[TABNAME_LEN + 1];
    snprintf(table_name, sizeof(table_name), "ZEM_%010u", object_id);
    if (begin_unload_table_output("", table_name, nullptr, &table, &columns, &params)) {
        table.ts_no = ts_no;
        table.dataobj_no = object_id;
        table.table_index = (ub1)cluster;
        // Without a dictionary entry the LOB columns keep their presets, with
        // the object number in their file names, so that the LOB files of
        // two objects never share a name.
        get_table_lobs_info(&table);
        get_columns_ind_buffer(&table);
        do_unload_table_output(&table, &params);
        // Output that could not be written is a failure, never a row count.
        if (end_unload_table_output(&params)) {
            display_unload_rows(table.row_cnt);
        } else {
            if (params.output_error != 0)
                sp_printf("failed: write file %s error! error message:%s.\n", params.output_error_file,
                          strerror(params.output_error));
            sp_printf("Object %u unload failed: its output could not be written.\n", object_id);
            note_output_failure();
        }
        show_unload_damage(table_name, nullptr, &table.damage);
        sp_printf("At %s\n\n", current_time_str(now));
    }
    release_table(&table, 0);
    release_zem_list(&columns);
    return 1;
}
