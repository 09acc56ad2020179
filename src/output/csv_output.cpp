#include "output/csv_output.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "dict/dict_columns.h"
#include "engine/unload_engine.h"
#include "output/file_names.h"
#include "output/pg_script.h"
#include "output/table_files.h"

namespace {

constexpr size_t OUT_NAME_LEN = FILENAME_MAXLEN + 3 * 32 + 16;

// Fields are separated by counting them, so that a row whose last columns
// are not stored still has every field PostgreSQL expects.
inline void begin_field(PTABLE_OUTPUT out)
{
    if (out->row_fields++ > 0)
        put_output_char(&out->data, ',');
}

// LOB values go into the field itself: a CLOB as quoted text, a BLOB as
// bytea hexadecimal digits, streamed piece by piece.
[[gnu::noinline]] void unload_lob_piece_to_csv(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                                               PUNLOAD_PARAMS params, ub1 flags)
{
    PTABLE_OUTPUT out = params->output;
    if (flags & IS_LOB_FIRST_PIECE) {
        begin_field(out);
        out->lob_value_open = false;
    }
    bool clob = column->ora_type == ORA_CLOB;
    bool has_content =
        col_data != nullptr && !col_data->is_null &&
        (clob ? col_data->data_len > 0 && col_data->common_data.str_data != nullptr : length > 0 && data != nullptr);
    if (has_content) {
        if (!out->lob_value_open) {
            put_output_text(&out->data, clob ? "\"" : "\\x");
            out->lob_value_open = true;
        }
        if (clob) {
            std::string* s = &out->csv.scratch;
            s->clear();
            if (is_utf8_column(&out->csv, column))
                append_valid_utf8(col_data->common_data.str_data, col_data->data_len, s);
            else
                append_db_text_utf8(&out->csv, col_data->common_data.str_data, col_data->data_len, s);
            put_csv_quoted_part(&out->data, s->data(), s->size());
        } else {
            put_hex_digits(&out->data, data, length);
        }
    }
    if ((flags & IS_LOB_LAST_PIECE) && out->lob_value_open) {
        if (clob)
            put_output_char(&out->data, '"');
        out->lob_value_open = false;
    }
    check_data_file(params, out);
}

} // namespace

int begin_unload_table_csv(const char* schema, const char* table_name, const char* partition, PTABLE table,
                           PZEM_LIST columns, PUNLOAD_PARAMS params)
{
    char name[OUT_NAME_LEN];
    char path[OUTPUT_PATH_LEN];
    PTABLE_OUTPUT out = open_table_output(schema, table_name, partition, "csv", "w", params, name, sizeof(name), path,
                                          sizeof(path));
    if (out == nullptr)
        return 0;
    // LOB values go into the CSV file whole.
    if (params->lob_output_format != LOF_NONE)
        params->lob_output_format = LOF_BIN;
    init_csv_values(&out->csv);

    sort_zem_list(columns, comp_column_info_segcol);
    column_list_to_table(table, columns);
    set_columns_unloadable(table);
    for (int i = 0; i < table->col_cnt; i++)
        out->table_fields += table->cols[i].can_unload ? 1 : 0;
    if (config_data.record_row_addr == 1)
        out->table_fields += 2;

    char sql_name[OUT_NAME_LEN];
    get_table_file_name(sql_name, sizeof(sql_name), schema, table_name, partition, "pg.sql");
    snprintf(path, sizeof(path), "%s%s", config_data.data_path, sql_name);
    int error = generate_table_pg_sql(path, schema, table_name, name, table, &out->csv);
    if (error != 0)
        note_output_error(params, error, path);
    return 1;
}

void do_unload_table_csv(PTABLE table, PUNLOAD_PARAMS params)
{
    UNLOAD_CALLBACKS callbacks = {nullptr, unload_row_to_csv, unload_col_to_csv, nullptr};
    params->table = table;
    unload_segment(file_block_rdba(table->file_no, table->block_no), params, &callbacks);
}

void end_unload_table_csv(PUNLOAD_PARAMS params)
{
    PTABLE_OUTPUT out = params->output;
    if (out == nullptr)
        return;
    int error = close_output_file(&out->data);
    if (error != 0)
        note_output_error(params, error, out->data.path);
    release_csv_values(&out->csv);
    delete out;
    params->output = nullptr;
    params->fp = nullptr;
}

void unload_col_to_csv(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags)
{
    PTABLE_OUTPUT out = params->output;
    if (out == nullptr || column == nullptr || !column->can_unload)
        return;
    if (flags & IS_LAST_NULL) {
        begin_field(out);
        return;
    }
    if (is_lob_callback(flags)) {
        unload_lob_piece_to_csv(data, length, column, col_data, params, flags);
        return;
    }
    // The first pieces of a value split over row pieces: the last writes it whole.
    if (!(flags & IS_LAST_PIECE))
        return;
    begin_field(out);
    put_csv_value(&out->data, &out->csv, column, col_data);
}

void unload_row_to_csv(ub2, PUNLOAD_PARAMS params, PROW_DATA row)
{
    PTABLE_OUTPUT out = params->output;
    if (out == nullptr)
        return;
    bool row_address = config_data.record_row_addr == 1;
    ub4 columns = row_address && out->table_fields >= 2 ? out->table_fields - 2 : out->table_fields;
    while (out->row_fields < columns)
        begin_field(out);
    if (row_address) {
        char text[32];
        int n =
            snprintf(text, sizeof(text), "0x%08x,%u", row != nullptr ? row->rdba : 0, row != nullptr ? row->row_no : 0);
        begin_field(out);
        put_output_bytes(&out->data, text, (size_t)n);
    }
    put_output_bytes(&out->data, "\r\n", 2);
    out->row_fields = 0;
    check_data_file(params, out);
}
