// INTERVAL YEAR TO MONTH, 5 bytes:
//   off size field
//     0    4 years + 0x80000000, big-endian
//     4    1 months + 60
// INTERVAL DAY TO SECOND, 11 bytes:
//     0    4 days + 0x80000000, big-endian
//     4    1 hours + 60
//     5    1 minutes + 60
//     6    1 seconds + 60
//     7    4 nanoseconds + 0x80000000, big-endian
// Every field of a negative interval is negative. The texts are Oracle's
// literal forms: "+02-03" and "-01 02:03:04.500000", the leading field
// padded to the column's precision (2 when unset), the fraction cut to its
// scale.

#include "base/byte_order.h"
#include "convert/column_convert.h"
#include "convert/text_writer.h"

namespace {

constexpr ub4 INTERVAL_BIAS = 0x80000000u;
constexpr int INTERVAL_FIELD_BIAS = 60;
constexpr ub4 DEFAULT_LEADING_PRECISION = 2;
constexpr ub4 MAX_LEADING_PRECISION = 9;

sb8 get_biased_ub4(const ub1* data, size_t offset)
{
    return (sb8)get_ub4_big(data, offset) - (sb8)INTERVAL_BIAS;
}

ub8 magnitude(sb8 value) { return value < 0 ? (ub8)(-value) : (ub8)value; }

int leading_width(ub4 precision)
{
    if (precision == 0)
        return (int)DEFAULT_LEADING_PRECISION;
    return (int)(precision > MAX_LEADING_PRECISION ? MAX_LEADING_PRECISION : precision);
}

} // namespace

ub4 get_interval_ym_text(const ub1* data, ub4 length, ub4 precision, char* out)
{
    TEXT_WRITER w;
    init_text_writer(&w, out, INTERVAL_TEXT_LEN);
    if (length != INTERVAL_YM_LEN)
        return end_text_writer(&w);
    sb8 years = get_biased_ub4(data, 0);
    int months = (int)data[4] - INTERVAL_FIELD_BIAS;
    put_char(&w, years < 0 || months < 0 ? '-' : '+');
    put_uint(&w, magnitude(years), leading_width(precision));
    put_char(&w, '-');
    put_2_num(&w, months < 0 ? -months : months);
    return end_text_writer(&w);
}

ub4 get_interval_ds_text(const ub1* data, ub4 length, ub4 precision, ub4 scale, char* out)
{
    TEXT_WRITER w;
    init_text_writer(&w, out, INTERVAL_TEXT_LEN);
    if (length != INTERVAL_DS_LEN)
        return end_text_writer(&w);
    sb8 days = get_biased_ub4(data, 0);
    int hours = (int)data[4] - INTERVAL_FIELD_BIAS;
    int minutes = (int)data[5] - INTERVAL_FIELD_BIAS;
    int seconds = (int)data[6] - INTERVAL_FIELD_BIAS;
    sb8 nanos = get_biased_ub4(data, 7);
    bool negative = days < 0 || hours < 0 || minutes < 0 || seconds < 0 || nanos < 0;
    put_char(&w, negative ? '-' : '+');
    put_uint(&w, magnitude(days), leading_width(precision));
    put_char(&w, ' ');
    put_2_num(&w, hours < 0 ? -hours : hours);
    put_char(&w, ':');
    put_2_num(&w, minutes < 0 ? -minutes : minutes);
    put_char(&w, ':');
    put_2_num(&w, seconds < 0 ? -seconds : seconds);
    put_fraction(&w, magnitude(nanos), scale);
    return end_text_writer(&w);
}

void raw_to_interval_ym(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision)
{
    char text[INTERVAL_TEXT_LEN];
    ub4 n = get_interval_ym_text(data, length, precision, text);
    set_col_text(col_data, text, n);
}

void raw_to_interval_ds(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision, ub4 scale)
{
    char text[INTERVAL_TEXT_LEN];
    ub4 n = get_interval_ds_text(data, length, precision, scale, text);
    set_col_text(col_data, text, n);
}
