#include "output/csv_values.h"

#include <cerrno>
#include <cstdio>

#include "base/config.h"
#include "convert/charset.h"

namespace {

constexpr ub4 AL32UTF8_ID = 873;
constexpr ub4 UTF8_ID = 871;
const char REPLACEMENT[] = "\xef\xbf\xbd"; // U+FFFD

bool is_text(const char* text, size_t length, const char* word)
{
    return length == strlen(word) && memcmp(text, word, length) == 0;
}

// Length of the well-formed UTF-8 character at p (no overlong forms, no
// surrogates, nothing past U+10FFFF, no NUL), or 0.
size_t get_utf8_char_len(const ub1* p, size_t remaining)
{
    ub1 c = p[0];
    if (c >= 0x01 && c < 0x80)
        return 1;
    size_t n;
    ub4 low = 0x80, high = 0xbf; // bounds of the second byte
    if (c >= 0xc2 && c <= 0xdf)
        n = 2;
    else if (c >= 0xe0 && c <= 0xef) {
        n = 3;
        if (c == 0xe0)
            low = 0xa0;
        else if (c == 0xed)
            high = 0x9f;
    } else if (c >= 0xf0 && c <= 0xf4) {
        n = 4;
        if (c == 0xf0)
            low = 0x90;
        else if (c == 0xf4)
            high = 0x8f;
    } else
        return 0;
    if (remaining < n || p[1] < low || p[1] > high)
        return 0;
    for (size_t i = 2; i < n; i++)
        if (p[i] < 0x80 || p[i] > 0xbf)
            return 0;
    return n;
}

bool is_ascii_text(const char* text, size_t length)
{
    for (size_t i = 0; i < length; i++)
        if ((ub1)text[i] - 1u >= 0x7fu) // 0x01 to 0x7f
            return false;
    return true;
}

bool is_gregorian_leap(sb8 astronomical_year)
{
    sb8 y = astronomical_year;
    return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

// "[-]yyyy-mm-dd hh24:mi:ss[.f][ +hh:mm]" as PostgreSQL reads it, into out.
void put_pg_datetime(const char* text, size_t length, const char* zone, std::string* out)
{
    out->clear();
    bool bc = length > 0 && text[0] == '-';
    const char* p = bc ? text + 1 : text;
    size_t n = bc ? length - 1 : length;
    out->append(p, n);
    // Year, month and day: "yyyy-mm-dd" at the start.
    size_t dash = out->find('-');
    if (dash != std::string::npos && dash + 6 <= out->size() && out->compare(dash, 4, "-02-") == 0 &&
        out->compare(dash + 4, 2, "29") == 0) {
        sb8 year = 0;
        for (size_t i = 0; i < dash; i++)
            year = year * 10 + ((*out)[i] - '0');
        sb8 astronomical = bc ? 1 - year : year;
        // Oracle counts days before 1582-10-15 in the Julian calendar.
        bool julian_leap = astronomical % 4 == 0;
        if (astronomical < 1582 && julian_leap && !is_gregorian_leap(astronomical))
            out->replace(dash, 6, "-03-01");
    }
    if (zone != nullptr)
        out->append(zone);
    if (bc)
        out->append(" BC");
}

} // namespace

void init_csv_values(PCSV_VALUES values)
{
    *values = CSV_VALUES();
    ub4 db = config_data.charset_id;
    if (db != AL32UTF8_ID && db != UTF8_ID) {
        values->to_utf8 = get_iconv(db, AL32UTF8_ID);
        if (values->to_utf8 != nullptr) {
            // ASCII passes unconverted only where the character set agrees.
            char ascii[128], back[8 * 128];
            for (int i = 1; i < 128; i++)
                ascii[i - 1] = (char)i;
            char* in = ascii;
            size_t in_left = 127;
            char* out = back;
            size_t out_left = sizeof(back);
            iconv(values->to_utf8, nullptr, nullptr, nullptr, nullptr);
            size_t r = iconv(values->to_utf8, &in, &in_left, &out, &out_left);
            values->ascii_same =
                r != (size_t)-1 && in_left == 0 && sizeof(back) - out_left == 127 && memcmp(ascii, back, 127) == 0;
        }
    }
    iconv_t national = get_iconv(config_data.ncharset_id, AL32UTF8_ID);
    iconv_t clob = get_iconv(config_data.clob_charset_id, AL32UTF8_ID);
    values->saved_cs_iconv = cs_iconv;
    values->saved_clob_iconv = clob_iconv;
    values->swapped = true;
    if (national != nullptr) {
        cs_iconv = national;
        values->national_utf8 = true;
    }
    if (clob != nullptr) {
        clob_iconv = clob;
        values->clob_utf8 = true;
    }
    // Hours and minutes were checked when read (at most 14 and 59).
    unsigned hours = (unsigned)config_data.db_timezone_hour % 100;
    unsigned minutes = (unsigned)config_data.db_timezone_min % 100;
    snprintf(values->db_zone, sizeof(values->db_zone), " %c%02u:%02u", config_data.db_timezone_east ? '+' : '-', hours,
             minutes);
}

void release_csv_values(PCSV_VALUES values)
{
    if (values->swapped) {
        if (values->national_utf8 && cs_iconv != nullptr)
            iconv_close(cs_iconv);
        if (values->clob_utf8 && clob_iconv != nullptr)
            iconv_close(clob_iconv);
        cs_iconv = values->saved_cs_iconv;
        clob_iconv = values->saved_clob_iconv;
        values->swapped = false;
    }
    if (values->to_utf8 != nullptr)
        iconv_close(values->to_utf8);
    values->to_utf8 = nullptr;
}

bool is_utf8_column(const CSV_VALUES* values, const COLUMN* column)
{
    if (column->ora_type == ORA_CLOB)
        return values->clob_utf8 && (config_data.convert_clob_charset == 1 || column->charset_form == 2);
    return column->charset_form == 2 && values->national_utf8;
}

void append_valid_utf8(const char* text, size_t length, std::string* out)
{
    const ub1* p = (const ub1*)text;
    size_t i = 0;
    while (i < length) {
        size_t run = i;
        while (run < length) {
            size_t n = get_utf8_char_len(p + run, length - run);
            if (n == 0)
                break;
            run += n;
        }
        out->append(text + i, run - i);
        if (run < length) {
            out->append(REPLACEMENT);
            run++;
        }
        i = run;
    }
}

void append_db_text_utf8(PCSV_VALUES values, const char* text, size_t length, std::string* out)
{
    if (values->to_utf8 == nullptr) {
        append_valid_utf8(text, length, out);
        return;
    }
    if (values->ascii_same && is_ascii_text(text, length)) {
        out->append(text, length);
        return;
    }
    iconv(values->to_utf8, nullptr, nullptr, nullptr, nullptr);
    char* in = (char*)text;
    size_t in_left = length;
    char chunk[4096];
    while (in_left > 0) {
        char* produced = chunk;
        size_t room = sizeof(chunk);
        size_t r = iconv(values->to_utf8, &in, &in_left, &produced, &room);
        int error = r == (size_t)-1 ? errno : 0;
        append_valid_utf8(chunk, sizeof(chunk) - room, out);
        if (error == E2BIG)
            continue;
        if (error != 0 && in_left > 0) {
            // Not a character of the set (or cut short): one byte is lost.
            out->append(REPLACEMENT);
            in++;
            in_left--;
            iconv(values->to_utf8, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

void put_csv_quoted_part(POUTPUT_FILE out, const char* text, size_t length)
{
    size_t from = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '"') {
            put_output_bytes(out, text + from, i + 1 - from);
            put_output_char(out, '"');
            from = i + 1;
        }
    }
    put_output_bytes(out, text + from, length - from);
}

void put_csv_field(POUTPUT_FILE out, const char* text, size_t length)
{
    bool quote = is_text(text, length, "\\.");
    for (size_t i = 0; i < length && !quote; i++) {
        char c = text[i];
        quote = c == ',' || c == '"' || c == '\r' || c == '\n';
    }
    if (!quote) {
        put_output_bytes(out, text, length);
        return;
    }
    put_output_char(out, '"');
    put_csv_quoted_part(out, text, length);
    put_output_char(out, '"');
}

void put_hex_digits(POUTPUT_FILE out, const ub1* bytes, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    char pair[2];
    for (size_t i = 0; i < length; i++) {
        pair[0] = digits[bytes[i] >> 4];
        pair[1] = digits[bytes[i] & 0x0f];
        put_output_bytes(out, pair, 2);
    }
}

void put_csv_value(POUTPUT_FILE out, PCSV_VALUES values, const COLUMN* column, const COL_DATA* col_data)
{
    if (col_data == nullptr || col_data->is_null || col_data->data_len == 0)
        return;
    const char* text = col_data->common_data.str_data;
    size_t length = col_data->data_len;
    std::string* s = &values->scratch;
    switch (column->ora_type) {
    case ORA_NUMBER:
        if (is_text(text, length, "~"))
            put_output_text(out, "Infinity");
        else if (is_text(text, length, "-~"))
            put_output_text(out, "-Infinity");
        else
            put_csv_field(out, text, length);
        return;
    case ORA_BINARY_FLOAT:
    case ORA_BINARY_DOUBLE:
        if (is_text(text, length, "Inf"))
            put_output_text(out, "Infinity");
        else if (is_text(text, length, "-Inf"))
            put_output_text(out, "-Infinity");
        else if (is_text(text, length, "Nan"))
            put_output_text(out, "NaN");
        else
            put_csv_field(out, text, length);
        return;
    case ORA_DATE:
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_TZ:
        put_pg_datetime(text, length, nullptr, s);
        put_csv_field(out, s->data(), s->size());
        return;
    case ORA_TIMESTAMP_LTZ:
        put_pg_datetime(text, length, values->db_zone, s);
        put_csv_field(out, s->data(), s->size());
        return;
    case ORA_RAW:
    case ORA_LONG_RAW:
        put_output_text(out, "\\x");
        put_csv_field(out, text, length);
        return;
    default:
        s->clear();
        if (is_utf8_column(values, column))
            append_valid_utf8(text, length, s);
        else
            append_db_text_utf8(values, text, length, s);
        put_csv_field(out, s->data(), s->size());
        return;
    }
}
