#include "output/text_output.h"

#include <cerrno>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "dict/dict_columns.h"
#include "output/file_names.h"
#include "output/table_ddl.h"

namespace {

constexpr size_t OUT_PATH_LEN = FILENAME_MAXLEN + 3 * 32 + 16;

void write_bytes(FILE* fp, const void* bytes, size_t length)
{
    if (length > 0)
        fwrite_unlocked(bytes, 1, length, fp);
}

void write_text(FILE* fp, const char* text)
{
    write_bytes(fp, text, strlen(text));
}

void write_row_address(FILE* fp, const char* delimiter, const ROW_DATA* row)
{
    fprintf(fp, "%s0x%08x%s%u", delimiter, row->rdba, delimiter, row->row_no);
}

// A LOB value arrives as pieces. Inline CLOB text goes straight into the data
// file; otherwise the first piece with data opens the value's own file and
// its name becomes the field.
void unload_lob_piece_to_txt(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                             PUNLOAD_PARAMS params, ub1 flags)
{
    FILE* fp = params->fp;
    if ((flags & IS_LOB_FIRST_PIECE) && !(flags & IS_FIRST_COLUMN))
        write_text(fp, params->delimiter);
    if (col_data == nullptr || col_data->is_null)
        return;
    bool clob = column->ora_type == ORA_CLOB;
    if (clob && params->lob_output_format == LOF_PART_TEXT) {
        write_bytes(fp, col_data->common_data.data, col_data->data_len);
        return;
    }
    if (col_data->lob_file_error || col_data->lob_full_name == nullptr)
        return;
    if (col_data->lob_file == nullptr) {
        col_data->lob_file = fopen(col_data->lob_full_name, clob ? "w" : "wb");
        if (col_data->lob_file == nullptr) {
            int err = errno;
            if (clob)
                sp_printf("create lob file '%s' error,errno=%u,error message:%s.\n", col_data->lob_full_name,
                          (unsigned)err, strerror(err));
            else
                sp_printf("create lob file '%s' error,errno=%u\n,error message:%s.", col_data->lob_full_name,
                          (unsigned)err, strerror(err));
            col_data->lob_file_error = 1;
            return;
        }
        if (col_data->lob_file_name != nullptr)
            write_text(fp, col_data->lob_file_name);
    }
    if (clob)
        write_bytes(col_data->lob_file, col_data->common_data.data, col_data->data_len);
    else
        write_bytes(col_data->lob_file, data, length);
}

} // namespace

int begin_unload_table_txt(const char* schema, const char* table_name, const char* partition, PTABLE table,
                           PZEM_LIST columns, PUNLOAD_PARAMS params)
{
    char name[OUT_PATH_LEN];
    char path[2 * OUT_PATH_LEN];
    get_table_file_name(name, sizeof(name), schema, table_name, partition, "txt");
    snprintf(path, sizeof(path), "%s%s", config_data.data_path, name);
    params->fp = fopen(path, "w");
    if (params->fp == nullptr) {
        sp_printf("open file %s for writing data error! error message:%s.\n", path, strerror(errno));
        return 0;
    }

    char sql_name[OUT_PATH_LEN];
    get_table_file_name(sql_name, sizeof(sql_name), schema, table_name, nullptr, "sql");
    snprintf(path, sizeof(path), "%s%s", config_data.data_path, sql_name);
    sort_zem_list(columns, comp_column_info_colno);
    generate_table_sql(path, schema, table_name, columns);

    sort_zem_list(columns, comp_column_info_segcol);
    column_list_to_table(table, columns);
    set_columns_unloadable(table);

    char ctl_name[OUT_PATH_LEN];
    get_table_file_name(ctl_name, sizeof(ctl_name), schema, table_name, partition, "ctl");
    snprintf(path, sizeof(path), "%s%s", config_data.data_path, ctl_name);
    generate_table_ctlfile(path, schema, table_name, name, table);
    return 1;
}

void end_unload_table_txt(PUNLOAD_PARAMS params)
{
    if (params->fp != nullptr) {
        fclose(params->fp);
        params->fp = nullptr;
    }
}

void unload_col_to_txt(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags)
{
    if ((flags & IS_LAST_NULL) || params->fp == nullptr || column == nullptr || !column->can_unload)
        return;
    if (is_lob_callback(flags)) {
        unload_lob_piece_to_txt(data, length, column, col_data, params, flags);
        return;
    }
    if (!(flags & IS_LAST_PIECE))
        return;
    if (!(flags & IS_FIRST_COLUMN))
        write_text(params->fp, params->delimiter);
    if (col_data != nullptr && !col_data->is_null)
        write_bytes(params->fp, col_data->common_data.data, col_data->data_len);
}

void unload_row_to_txt(ub2, PUNLOAD_PARAMS params, PROW_DATA row)
{
    if (params->fp == nullptr)
        return;
    if (config_data.record_row_addr == 1 && row != nullptr)
        write_row_address(params->fp, params->delimiter, row);
    putc_unlocked('\n', params->fp);
}

void output_row_data_list(const ZEM_LIST* rows, const char* delimiter, int max_cols, ub8 max_rows, FILE* stream)
{
    ub8 written = 0;
    for (PZEM_LIST_ITEM item = rows->header; item != nullptr; item = item->next) {
        if (max_rows != 0 && written >= max_rows)
            break;
        const ROW_DATA* row = (const ROW_DATA*)item->data;
        int col = 0;
        for (PZEM_LIST_ITEM c = row->col_data.header; c != nullptr && col < max_cols; c = c->next, col++) {
            const COL_DATA* value = (const COL_DATA*)c->data;
            if (col > 0)
                fsp_printf(stream, "%s", delimiter);
            if (!value->is_null && value->data_len > 0)
                fsp_printf(stream, "%.*s", (int)value->data_len, value->common_data.str_data);
        }
        if (config_data.record_row_addr == 1)
            fsp_printf(stream, "%s0x%08x%s%u", delimiter, row->rdba, delimiter, row->row_no);
        fsp_printf(stream, "\n");
        written++;
    }
}

void unload_data_to_txt(PZEM_LIST rows, PUNLOAD_PARAMS params)
{
    if (params->fp != nullptr)
        output_row_data_list(rows, params->delimiter, params->max_col_cnt, 0, params->fp);
}

void show_row_data_list(const ZEM_LIST* rows, const char* delimiter, int max_cols)
{
    output_row_data_list(rows, delimiter, max_cols, 0, nullptr);
}
