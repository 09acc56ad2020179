// DATE, TIMESTAMP and TIMESTAMP WITH LOCAL TIME ZONE.
//   off size field
//     0    1 century + 100    (below 100 for years BC)
//     1    1 year of century + 100
//     2    1 month (1..12)
//     3    1 day (1..31)
//     4    1 hour + 1
//     5    1 minute + 1
//     6    1 second + 1
//     7    4 nanoseconds, big-endian (TIMESTAMP only; absent when 0)
// Year = (century byte - 100) * 100 + (year byte - 100): 4712 BC is 35 58
// and reads as -4712. A TIMESTAMP WITH LOCAL TIME ZONE is stored in the
// database time zone and printed as stored.

#include "convert/column_convert.h"
#include "convert/text_writer.h"

namespace {

constexpr ub4 NANOS_OFFSET = 7;
constexpr ub4 NANOS_MAX_BYTES = 4;
constexpr ub4 DATE_TEXT_SIZE = 20; // YYYY-MM-DD HH:MI:SS and the terminator

// n, known to be 0 to 99, as two digits.
inline void copy_digit_pair(char* out, int n)
{
    memcpy(out, DIGIT_PAIRS.text + 2 * n, 2);
}

sb8 get_stored_year(const ub1* data)
{
    return ((sb8)data[0] - 100) * 100 + ((sb8)data[1] - 100);
}

void put_stored_date_time(TEXT_WRITER* w, const ub1* data)
{
    put_date_time(w, get_stored_year(data), data[2], data[3], data[4] - 1, data[5] - 1, data[6] - 1);
}

} // namespace

void fill_2_num(char* out, int n)
{
    put_digit_pair(out, n);
}

void put_year(TEXT_WRITER* w, sb8 year)
{
    if (year < 0)
        put_char(w, '-');
    put_uint(w, year < 0 ? (ub8)(-year) : (ub8)year, 4);
}

void put_date_time(TEXT_WRITER* w, sb8 year, int month, int day, int hour, int minute, int second)
{
    if (year >= 0 && year <= 9999 && w->len + 19 < w->cap) {
        // The usual case in one go: YYYY-MM-DD HH:MI:SS.
        char* p = w->text + w->len;
        put_digit_pair(p, (int)(year / 100));
        put_digit_pair(p + 2, (int)(year % 100));
        p[4] = '-';
        put_digit_pair(p + 5, month);
        p[7] = '-';
        put_digit_pair(p + 8, day);
        p[10] = ' ';
        put_digit_pair(p + 11, hour);
        p[13] = ':';
        put_digit_pair(p + 14, minute);
        p[16] = ':';
        put_digit_pair(p + 17, second);
        w->len += 19;
        return;
    }
    put_year(w, year);
    put_char(w, '-');
    put_2_num(w, month);
    put_char(w, '-');
    put_2_num(w, day);
    put_char(w, ' ');
    put_2_num(w, hour);
    put_char(w, ':');
    put_2_num(w, minute);
    put_char(w, ':');
    put_2_num(w, second);
}

void put_fraction(TEXT_WRITER* w, ub8 nanos, ub4 scale)
{
    if (scale == 0)
        return;
    if (scale > 9)
        scale = 9;
    char digits[24];
    TEXT_WRITER d;
    init_text_writer(&d, digits, sizeof(digits));
    put_uint(&d, nanos, 9);
    put_char(w, '.');
    for (ub4 i = 0; i < scale && i < d.len; i++)
        put_char(w, digits[i]);
}

int check_date(const ub1* data, ub4 length)
{
    if (length < DATE_MAX_LEN)
        return 0;
    return data[0] >= 100 && data[0] <= 199 && data[1] >= 100 && data[1] <= 199 && data[2] >= 1 && data[2] <= 12 &&
           data[3] >= 1 && data[3] <= 31 && data[4] >= 1 && data[4] <= 24 && data[5] >= 1 && data[5] <= 60 &&
           data[6] >= 1 && data[6] <= 60;
}

int check_timestamp(const ub1* data, ub4 length)
{
    return check_date(data, length);
}

ub4 get_date_text(const ub1* data, ub4 length, char* out)
{
    TEXT_WRITER w;
    init_text_writer(&w, out, DATETIME_TEXT_LEN);
    if (length == DATE_MAX_LEN && check_date(data, length))
        put_stored_date_time(&w, data);
    return end_text_writer(&w);
}

// The date part of a value longer than 7 bytes is written unchecked; only
// the first four bytes after it count as nanoseconds.
ub4 get_timestamp_text(const ub1* data, ub4 length, ub4 scale, char* out)
{
    if (length == DATE_MAX_LEN)
        return get_date_text(data, length, out);
    TEXT_WRITER w;
    init_text_writer(&w, out, DATETIME_TEXT_LEN);
    if (length < DATE_MAX_LEN)
        return end_text_writer(&w);
    put_stored_date_time(&w, data);
    ub8 nanos = 0;
    for (ub4 i = NANOS_OFFSET; i < length && i < NANOS_OFFSET + NANOS_MAX_BYTES; i++)
        nanos = (nanos << 8) | data[i];
    put_fraction(&w, nanos, scale);
    return end_text_writer(&w);
}

void raw_to_date(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    raw_to_date_checked(data, length, col_data, 0);
}

ub4 get_plain_date_text(const ub1* data, ub4 length, char* out)
{
    if (length != DATE_MAX_LEN || !check_date(data, length))
        return 0;
    // A checked date is YYYY-MM-DD HH:MI:SS with every field in 0 to 99:
    // written a digit pair at a time.
    copy_digit_pair(out, data[0] - 100);
    copy_digit_pair(out + 2, data[1] - 100);
    out[4] = '-';
    copy_digit_pair(out + 5, data[2]);
    out[7] = '-';
    copy_digit_pair(out + 8, data[3]);
    out[10] = ' ';
    copy_digit_pair(out + 11, data[4] - 1);
    out[13] = ':';
    copy_digit_pair(out + 14, data[5] - 1);
    out[16] = ':';
    copy_digit_pair(out + 17, data[6] - 1);
    return DATE_PLAIN_TEXT_LEN;
}

int raw_to_date_checked(const ub1* data, ub4 length, PCOL_DATA col_data, int checking)
{
    // Written where it is kept; an implausible date leaves nothing there.
    char* p = (char*)get_col_value_buffer(col_data, DATE_TEXT_SIZE);
    if (get_plain_date_text(data, length, p) == 0) {
        if (checking) {
            clear_col_value(col_data);
            col_data->is_null = 1;
            return 0;
        }
        set_col_text(col_data, "", 0);
        return 1;
    }
    p[DATE_PLAIN_TEXT_LEN] = '\0';
    set_col_text_length(col_data, DATE_PLAIN_TEXT_LEN);
    return 1;
}

void raw_to_timestamp(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 scale)
{
    char text[DATETIME_TEXT_LEN];
    ub4 n = get_timestamp_text(data, length, scale, text);
    set_col_text(col_data, text, n);
}

void raw_to_timestamp_ltz(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 scale)
{
    raw_to_timestamp(data, length, col_data, scale);
}
