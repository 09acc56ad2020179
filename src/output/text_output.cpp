#include "output/text_output.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "dict/dict_columns.h"
#include "output/file_names.h"
#include "output/table_ddl.h"
#include "output/table_files.h"

namespace {

constexpr size_t OUT_NAME_LEN = FILENAME_MAXLEN + 3 * 32 + 16;

// The delimiter, usually one character, before every field but the first.
inline void put_delimiter(PTABLE_OUTPUT out, const char* delimiter)
{
    if (delimiter[0] != '\0' && delimiter[1] == '\0')
        put_output_char(&out->data, delimiter[0]);
    else
        put_output_text(&out->data, delimiter);
}

void put_row_address(PTABLE_OUTPUT out, const char* delimiter, const ROW_DATA* row)
{
    // Two delimiters of at most DELIMITER_MAX_LEN characters, "0x", 8 and 10 digits.
    char text[2 * DELIMITER_MAX_LEN + 32];
    int n = snprintf(text, sizeof(text), "%s0x%08x%s%u", delimiter, row->rdba, delimiter, row->row_no);
    if (n > 0)
        put_output_bytes(&out->data, text, (size_t)n < sizeof(text) ? (size_t)n : sizeof(text) - 1);
}

// Types whose converted text is made of digits, letters and a few marks.
inline bool is_fixed_format(ub1 ora_type)
{
    switch (ora_type) {
    case ORA_NUMBER:
    case ORA_DATE:
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_TZ:
    case ORA_TIMESTAMP_LTZ:
    case ORA_RAW:
    case ORA_LONG_RAW:
    case ORA_ROWID:
    case ORA_BINARY_FLOAT:
    case ORA_BINARY_DOUBLE: return true;
    default: return false;
    }
}

void close_lob_file(PCOL_DATA col_data, PUNLOAD_PARAMS params)
{
    if (col_data->lob_file == nullptr)
        return;
    errno = 0;
    bool failed = fflush(col_data->lob_file) != 0 || ferror(col_data->lob_file);
    int error = errno;
    if (fclose(col_data->lob_file) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    col_data->lob_file = nullptr;
    if (failed && !col_data->lob_file_error) {
        error = error != 0 ? error : EIO;
        sp_printf("write lob file '%s' error,errno=%u,error message:%s.\n", col_data->lob_full_name, (unsigned)error,
                  strerror(error));
        col_data->lob_file_error = 1;
    }
    if (failed)
        note_output_error(params, error != 0 ? error : EIO, col_data->lob_full_name);
}

// A LOB value written to a file of its own: the first piece with data opens
// the file and its name becomes the field; the last piece closes it.
void put_lob_file_piece(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                        ub1 flags)
{
    PTABLE_OUTPUT out = params->output;
    bool clob = column->ora_type == ORA_CLOB;
    if (!col_data->is_null && !col_data->lob_file_error && col_data->lob_full_name != nullptr) {
        if (col_data->lob_file == nullptr) {
            col_data->lob_file = fopen(col_data->lob_full_name, clob ? "w" : "wb");
            if (col_data->lob_file == nullptr && errno == ENOENT &&
                make_parent_directories(col_data->lob_full_name) == 0)
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
                note_output_error(params, err, col_data->lob_full_name);
                return;
            }
            if (col_data->lob_file_name != nullptr)
                put_text_value(&out->data, &out->fields, col_data->lob_file_name, strlen(col_data->lob_file_name));
        }
        const void* bytes = clob ? (const void*)col_data->common_data.data : (const void*)data;
        size_t n = clob ? col_data->data_len : length;
        errno = 0;
        if (n > 0 && bytes != nullptr && fwrite_unlocked(bytes, 1, n, col_data->lob_file) != n) {
            int err = errno != 0 ? errno : EIO;
            sp_printf("write lob file '%s' error,errno=%u,error message:%s.\n", col_data->lob_full_name,
                      (unsigned)err, strerror(err));
            note_output_error(params, err, col_data->lob_full_name);
            col_data->lob_file_error = 1; // its later pieces are dropped
        }
    }
    if (flags & IS_LOB_LAST_PIECE)
        close_lob_file(col_data, params);
}

// A LOB value arrives as pieces. Inline CLOB text is gathered and written
// whole with the last piece, since it may need enclosing. Kept out of line,
// so that the common field path does without its register saves.
[[gnu::noinline]] void unload_lob_piece_to_txt(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                                               PUNLOAD_PARAMS params, ub1 flags)
{
    PTABLE_OUTPUT out = params->output;
    if ((flags & IS_LOB_FIRST_PIECE) && !(flags & IS_FIRST_COLUMN))
        put_delimiter(out, params->delimiter);
    if (column->ora_type == ORA_CLOB && params->lob_output_format == LOF_PART_TEXT) {
        if (flags & IS_LOB_FIRST_PIECE)
            out->lob_text.clear();
        if (col_data != nullptr && !col_data->is_null && col_data->data_len > 0)
            out->lob_text.append(col_data->common_data.str_data, col_data->data_len);
        if (flags & IS_LOB_LAST_PIECE) {
            put_text_value(&out->data, &out->fields, out->lob_text.data(), out->lob_text.size());
            out->lob_text.clear();
        }
    } else if (col_data != nullptr) {
        put_lob_file_piece(data, length, column, col_data, params, flags);
    }
    check_data_file(params, out);
}

void table_file_path(char* path, size_t size, const char* name)
{
    snprintf(path, size, "%s%s", config_data.data_path, name);
}

} // namespace

void note_output_error(PUNLOAD_PARAMS params, int error, const char* file)
{
    if (params->output_error != 0)
        return;
    params->output_error = error != 0 ? error : EIO;
    copy_str(params->output_error_file, sizeof(params->output_error_file), file != nullptr ? file : "");
}

PTABLE_OUTPUT open_table_output(const char* schema, const char* table_name, const char* partition,
                                const char* extension, const char* mode, PUNLOAD_PARAMS params, char* name,
                                size_t name_size, char* path, size_t path_size)
{
    get_table_file_name(name, name_size, schema, table_name, partition, extension);
    table_file_path(path, path_size, name);
    PTABLE_OUTPUT out = new (std::nothrow) TABLE_OUTPUT(); // value-initialized: its plain records start zeroed
    if (out == nullptr || !open_output_file(&out->data, path, mode, DATA_BUFFER_SIZE)) {
        int error = out != nullptr ? out->data.error : ENOMEM;
        sp_printf("open file %s for writing data error! error message:%s.\n", path, strerror(error));
        note_output_error(params, error, path);
        delete out;
        return nullptr;
    }
    params->output = out;
    params->fp = out->data.fp;
    return out;
}

int begin_unload_table_txt(const char* schema, const char* table_name, const char* partition, PTABLE table,
                           PZEM_LIST columns, PUNLOAD_PARAMS params)
{
    char name[OUT_NAME_LEN];
    char path[OUTPUT_PATH_LEN];
    // Opened for reading too: the records written so far are rewritten in
    // place when a value first holds a line feed.
    PTABLE_OUTPUT out = open_table_output(schema, table_name, partition, "txt", "w+", params, name, sizeof(name),
                                          path, sizeof(path));
    if (out == nullptr)
        return 0;
    init_text_fields(&out->fields, params->delimiter);
    out->data_name = name;
    out->schema = schema != nullptr ? schema : "";
    out->table_name = table_name;
    out->table = table;

    char sql_name[OUT_NAME_LEN];
    get_table_file_name(sql_name, sizeof(sql_name), schema, table_name, nullptr, "sql");
    table_file_path(path, sizeof(path), sql_name);
    sort_zem_list(columns, comp_column_info_colno);
    int error = generate_table_sql(path, schema, table_name, columns);
    if (error != 0)
        note_output_error(params, error, path);

    sort_zem_list(columns, comp_column_info_segcol);
    column_list_to_table(table, columns);
    set_columns_unloadable(table);

    char ctl_name[OUT_NAME_LEN];
    get_table_file_name(ctl_name, sizeof(ctl_name), schema, table_name, partition, "ctl");
    table_file_path(path, sizeof(path), ctl_name);
    out->ctl_path = path;
    error = generate_table_ctlfile(path, schema, table_name, name, table);
    if (error != 0)
        note_output_error(params, error, path);
    return 1;
}

void end_unload_table_txt(PUNLOAD_PARAMS params)
{
    PTABLE_OUTPUT out = params->output;
    if (out == nullptr)
        return;
    int error = close_output_file(&out->data);
    if (error != 0)
        note_output_error(params, error, out->data.path);
    // Workers of a split table enclose values too.
    if (params->output_flags & OF_ENCLOSED)
        out->fields.enclosed = 1;
    // Values were enclosed or held line feeds: the control file must say so.
    if (error == 0 && (out->fields.enclosed || out->fields.line_breaks)) {
        error = generate_table_ctlfile(out->ctl_path.c_str(), out->schema.c_str(), out->table_name.c_str(),
                                       out->data_name.c_str(), out->table, &out->fields);
        if (error != 0)
            note_output_error(params, error, out->ctl_path.c_str());
    }
    delete out;
    params->output = nullptr;
    params->fp = nullptr;
}

int sync_unload_table_txt(PUNLOAD_PARAMS params)
{
    PTABLE_OUTPUT out = params->output;
    if (out == nullptr || out->data.fp == nullptr || !flush_output_file(&out->data)) {
        if (out != nullptr)
            check_data_file(params, out);
        return -1;
    }
    return fileno(out->data.fp);
}

POUTPUT_FILE get_unload_table_txt_file(PUNLOAD_PARAMS params)
{
    PTABLE_OUTPUT out = params->output;
    return out != nullptr && out->data.fp != nullptr ? &out->data : nullptr;
}

void unload_col_to_txt(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags)
{
    PTABLE_OUTPUT out = params->output;
    if ((flags & (IS_LAST_NULL | IS_LOB_PIECE | IS_LAST_PIECE)) != IS_LAST_PIECE) {
        // Trailing NULLs, LOB pieces, and the first pieces of a value split
        // over row pieces, which the last piece writes whole.
        if (!(flags & IS_LAST_NULL) && is_lob_callback(flags) && out != nullptr && column != nullptr &&
            column->can_unload)
            unload_lob_piece_to_txt(data, length, column, col_data, params, flags);
        return;
    }
    if (out == nullptr || column == nullptr || !column->can_unload)
        return;
    if (!(flags & IS_FIRST_COLUMN))
        put_delimiter(out, params->delimiter);
    if (col_data == nullptr || col_data->is_null)
        return;
    if (out->fields.typed_plain && is_fixed_format(column->ora_type))
        put_output_bytes(&out->data, col_data->common_data.data, col_data->data_len);
    else
        put_text_value(&out->data, &out->fields, col_data->common_data.str_data, col_data->data_len);
}

void unload_row_to_txt(ub2, PUNLOAD_PARAMS params, PROW_DATA row)
{
    PTABLE_OUTPUT out = params->output;
    if (out == nullptr)
        return;
    if (config_data.record_row_addr == 1 && row != nullptr)
        put_row_address(out, params->delimiter, row);
    put_record_end(&out->data, &out->fields);
    check_data_file(params, out);
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
