// Rows written whole from their single row piece, the way nearly every row
// of an ordinary table goes: each stored column becomes its text straight in
// the data file's buffer, with no value records and no call per column. The
// bytes are the ones the calls per column write. A row with anything else in
// it (a value data checking rejects, one of an unusual stored form, text that
// needs enclosing, a column running past the piece) is handed back untouched
// to the calls per column, which know every case and report the damage.

#include <cstring>

#include "base/config.h"
#include "convert/column_convert.h"
#include "engine/row_decode.h"
#include "output/table_files.h"
#include "output/text_output.h"

namespace {

// Charset form 2 is national text, converted through iconv.
constexpr ub4 CHARSET_FORM_NATIONAL = 2;
static_assert(DATETIME_TEXT_LEN >= COL_DATA_INLINE_LEN, "room per column holds every typed text");

bool is_plain_column(const COLUMN* column)
{
    if (column->is_placeholder || !column->can_unload)
        return false;
    switch (column->ora_type) {
    case ORA_NUMBER:
    case ORA_DATE:
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_LTZ:
    case ORA_RAW: return true;
    case ORA_VARCHAR2:
    case ORA_CHAR: return column->charset_form < CHARSET_FORM_NATIONAL;
    default: return false;
    }
}

// The value's text at p; its length, or -1 to hand the row back.
inline long put_plain_value(const COLUMN* column, const ub1* data, ub4 length, const TEXT_FIELDS* fields,
                            int checking, char* p)
{
    switch (column->ora_type) {
    case ORA_NUMBER: {
        ub4 n = get_short_number_text(data, length, p);
        return n != 0 ? (long)n : -1;
    }
    case ORA_DATE: {
        ub4 n = get_plain_date_text(data, length, p);
        return n != 0 ? (long)n : -1;
    }
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_LTZ:
        // Unchecked, a value of another length is written as it comes
        // (perhaps as the empty text).
        if (checking && !((length == DATE_MAX_LEN || length == TIMESTAMP_MAX_LEN) && check_timestamp(data, length)))
            return -1;
        return (long)get_timestamp_text(data, length, column->scale, p);
    case ORA_RAW:
        if (checking && (length > RAW_MAX_LEN || (column->length != 0 && length > column->length)))
            return -1;
        for (ub4 i = 0; i < length; i++)
            fill_2_hex(p + 2 * (size_t)i, data[i]);
        return (long)length * 2;
    default:
        break;
    }
    if (checking && (length > VARCHAR_MAX_LEN || (column->length != 0 && length > column->length)))
        return -1;
    // The text ends at the first zero byte. The quick look for characters
    // to enclose stops at every byte below 0x0e: text it passes has none.
    const char* text = (const char*)data;
    size_t n = length;
    if (may_need_enclosure(fields, text, n)) {
        const void* zero = memchr(data, 0, length);
        if (zero != nullptr)
            n = (size_t)((const ub1*)zero - data);
        if (may_need_enclosure(fields, text, n) && text_value_needs_enclosure(fields, text, n))
            return -1;
    }
    memcpy(p, text, n);
    return (long)n;
}

} // namespace

int can_write_whole_rows(const TABLE* table, const UNLOAD_PARAMS* params)
{
    const TABLE_OUTPUT* out = params->output;
    // Typed text must never need enclosing, and every column must be one
    // this writer converts.
    if (out == nullptr || !out->fields.typed_plain || table->cols == nullptr || table->col_cnt == 0 ||
        table->skip_cnt != 0)
        return FALSE;
    for (ub4 i = 0; i < table->col_cnt; i++)
        if (!is_plain_column(&table->cols[i]))
            return FALSE;
    return TRUE;
}

int unload_whole_row_to_txt(const ub1* block, ub4 pos, ub4 end, ub4 col_cnt, ub4 rdba, ub4 row_no,
                            PUNLOAD_PARAMS params)
{
    PTABLE_OUTPUT out = params->output;
    const TABLE* table = params->table;
    // Columns past the table's are never read; those the piece lacks are
    // trailing NULLs, which add nothing to the line.
    if (out == nullptr || table == nullptr || table->cols == nullptr)
        return FALSE;
    if (col_cnt > table->col_cnt)
        col_cnt = table->col_cnt;
    const char* delimiter = params->delimiter;
    size_t delimiter_len = delimiter[0] == '\0' ? 0 : delimiter[1] == '\0' ? 1 : strlen(delimiter);
    // Room for the longest line the row can make, so that a row handed back
    // leaves nothing behind: per column a delimiter and a NUMBER, DATE or
    // TIMESTAMP text (below DATETIME_TEXT_LEN), or text or hexadecimal
    // digits of at most twice the stored bytes, which all lie between pos
    // and end.
    size_t bound = (size_t)col_cnt * (delimiter_len + DATETIME_TEXT_LEN) + 2 * (size_t)(end > pos ? end - pos : 0);
    if (!reserve_output_room(&out->data, bound))
        return FALSE;
    const int checking = config_data.db_block_checking;
    char* const start = out->data.text + out->data.len;
    char* p = start;
    const COLUMN* column = table->cols;
    for (ub4 j = 0; j < col_cnt; j++, column++) {
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_row_column(block, &pos, end, &data, &length, &is_null))
            return FALSE;
        if (j > 0) {
            if (delimiter_len == 1)
                *p++ = delimiter[0];
            else {
                memcpy(p, delimiter, delimiter_len);
                p += delimiter_len;
            }
        }
        if (is_null)
            continue;
        long n = put_plain_value(column, data, length, &out->fields, checking, p);
        if (n < 0)
            return FALSE;
        p += n;
    }
    out->data.len += (size_t)(p - start);
    // The end of the line as the calls per row write it; the row address
    // only when asked for.
    if (config_data.record_row_addr == 1) {
        ROW_DATA row = {};
        row.rdba = rdba;
        row.row_no = row_no;
        unload_row_to_txt(0, params, &row);
    } else {
        put_record_end(&out->data, &out->fields);
        check_data_file(params, out);
    }
    return TRUE;
}
