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

// Text for the data file is gathered here and handed to stdio a megabyte at
// a time, which stdio passes straight to the file: a call per field and
// delimiter would cost more than their bytes. Everything this file writes to
// the data file goes through it, and it is handed over before the data file
// is closed or written another way, so the bytes keep their order.
constexpr size_t TEXT_BUFFER_SIZE = 1024 * 1024;
struct TEXT_BUFFER {
    FILE* fp;
    size_t len;
    char text[TEXT_BUFFER_SIZE];
};
TEXT_BUFFER pending;

void flush_pending()
{
    if (pending.len > 0 && pending.fp != nullptr)
        fwrite_unlocked(pending.text, 1, pending.len, pending.fp);
    pending.len = 0;
}

// Bytes for the data file `fp`, through the buffer.
[[gnu::noinline]] void put_bytes_slow(FILE* fp, const void* bytes, size_t length)
{
    if (length == 0)
        return;
    if (fp != pending.fp) {
        flush_pending();
        pending.fp = fp;
    }
    if (length > TEXT_BUFFER_SIZE - pending.len) {
        flush_pending();
        if (length > TEXT_BUFFER_SIZE) {
            fwrite_unlocked(bytes, 1, length, fp);
            return;
        }
    }
    memcpy(pending.text + pending.len, bytes, length);
    pending.len += length;
}

// The common case inline: once per field of every row.
inline void put_bytes(FILE* fp, const void* bytes, size_t length)
{
    if (fp == pending.fp && length <= TEXT_BUFFER_SIZE - pending.len) {
        memcpy(pending.text + pending.len, bytes, length);
        pending.len += length;
    } else {
        put_bytes_slow(fp, bytes, length);
    }
}

inline void put_char(FILE* fp, char c)
{
    if (fp == pending.fp && pending.len < TEXT_BUFFER_SIZE)
        pending.text[pending.len++] = c;
    else
        put_bytes_slow(fp, &c, 1);
}

void put_text(FILE* fp, const char* text)
{
    put_bytes(fp, text, strlen(text));
}

// The delimiter, usually one character, before every field but the first.
inline void put_delimiter(FILE* fp, const char* delimiter)
{
    if (delimiter[0] != '\0' && delimiter[1] == '\0')
        put_char(fp, delimiter[0]);
    else
        put_text(fp, delimiter);
}

// Hands over what is gathered for `fp` before it is closed or written
// another way.
void flush_pending_of(FILE* fp)
{
    if (pending.fp == fp) {
        flush_pending();
        pending.fp = nullptr;
    }
}

// Bytes for a LOB value's own file, straight to stdio; false when they did
// not all go.
bool write_bytes(FILE* fp, const void* bytes, size_t length)
{
    return length == 0 || fwrite_unlocked(bytes, 1, length, fp) == length;
}

void put_row_address(FILE* fp, const char* delimiter, const ROW_DATA* row)
{
    // Two delimiters of at most DELIMITER_MAX_LEN characters, "0x", 8 and 10 digits.
    char text[2 * DELIMITER_MAX_LEN + 32];
    int n = snprintf(text, sizeof(text), "%s0x%08x%s%u", delimiter, row->rdba, delimiter, row->row_no);
    if (n > 0)
        put_bytes(fp, text, (size_t)n < sizeof(text) ? (size_t)n : sizeof(text) - 1);
}

// A LOB value arrives as pieces. Inline CLOB text goes straight into the data
// file; otherwise the first piece with data opens the value's own file and
// its name becomes the field. Kept out of line, so that the common field
// path does without its register saves.
[[gnu::noinline]] void unload_lob_piece_to_txt(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                                               PUNLOAD_PARAMS params, ub1 flags)
{
    FILE* fp = params->fp;
    if ((flags & IS_LOB_FIRST_PIECE) && !(flags & IS_FIRST_COLUMN))
        put_delimiter(fp, params->delimiter);
    if (col_data == nullptr || col_data->is_null)
        return;
    bool clob = column->ora_type == ORA_CLOB;
    if (clob && params->lob_output_format == LOF_PART_TEXT) {
        put_bytes(fp, col_data->common_data.data, col_data->data_len);
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
            put_text(fp, col_data->lob_file_name);
    }
    bool written = clob ? write_bytes(col_data->lob_file, col_data->common_data.data, col_data->data_len)
                        : write_bytes(col_data->lob_file, data, length);
    if (!written) {
        int err = errno;
        sp_printf("write lob file '%s' error,errno=%u,error message:%s.\n", col_data->lob_full_name, (unsigned)err,
                  strerror(err));
        col_data->lob_file_error = 1; // its later pieces are dropped
    }
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
        flush_pending_of(params->fp);
        fclose(params->fp);
        params->fp = nullptr;
    }
}

int sync_unload_table_txt(PUNLOAD_PARAMS params)
{
    if (params->fp == nullptr)
        return -1;
    flush_pending_of(params->fp);
    if (fflush(params->fp) != 0 || ferror(params->fp))
        return -1;
    return fileno(params->fp);
}

void unload_col_to_txt(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags)
{
    FILE* fp = params->fp;
    if ((flags & (IS_LAST_NULL | IS_LOB_PIECE | IS_LAST_PIECE)) != IS_LAST_PIECE) {
        // Trailing NULLs, LOB pieces, and the first pieces of a value split
        // over row pieces, which the last piece writes whole.
        if (!(flags & IS_LAST_NULL) && is_lob_callback(flags) && fp != nullptr && column != nullptr &&
            column->can_unload)
            unload_lob_piece_to_txt(data, length, column, col_data, params, flags);
        return;
    }
    if (fp == nullptr || column == nullptr || !column->can_unload)
        return;
    if (!(flags & IS_FIRST_COLUMN))
        put_delimiter(fp, params->delimiter);
    if (col_data != nullptr && !col_data->is_null)
        put_bytes(fp, col_data->common_data.data, col_data->data_len);
}

void unload_row_to_txt(ub2, PUNLOAD_PARAMS params, PROW_DATA row)
{
    if (params->fp == nullptr)
        return;
    if (config_data.record_row_addr == 1 && row != nullptr)
        put_row_address(params->fp, params->delimiter, row);
    put_char(params->fp, '\n');
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
    if (params->fp != nullptr) {
        flush_pending_of(params->fp);
        output_row_data_list(rows, params->delimiter, params->max_col_cnt, 0, params->fp);
    }
}

void show_row_data_list(const ZEM_LIST* rows, const char* delimiter, int max_cols)
{
    output_row_data_list(rows, delimiter, max_cols, 0, nullptr);
}
