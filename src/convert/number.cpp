// Oracle NUMBER: an exponent byte, then up to 20 base-100 digit bytes, most
// significant first.
//   positive: exponent byte = 193 + e, digit byte = pair + 1 (1..100)
//   negative: exponent byte = 62 - e,  digit byte = 101 - pair (2..101),
//             followed by the terminator 102 when fewer than 20 digit bytes
// e is the base-100 position of the first pair (0 = units), -65..62. Zero is
// the single byte 0x80; 0x80 followed by digits is a positive number with
// e = -65 (80 02 is 1E-130). The single byte 0x00 is minus infinity and
// FF 65 plus infinity.

#include "convert/column_convert.h"
#include "convert/text_writer.h"

namespace {

constexpr ub1 NUMBER_ZERO = 0x80;
constexpr ub1 NEGATIVE_TERMINATOR = 102;
constexpr ub4 NUMBER_MAX_DIGITS = 20;
constexpr int MIN_EXPONENT = -65;
constexpr int MAX_EXPONENT = 62;

int get_exponent(ub1 first)
{
    return first >= 128 ? (int)first - 193 : 62 - (int)first;
}

// Digit bytes of a negative number: the terminator is dropped when present.
// A value of 20 digit bytes has none, and keeps all its digits.
ub4 get_digit_cnt(const ub1* data, ub4 length)
{
    ub4 cnt = length - 1;
    if (data[0] < 128 && cnt > 0 && data[length - 1] == NEGATIVE_TERMINATOR)
        cnt--;
    return cnt;
}

} // namespace

ub4 get_number_text(const ub1* data, ub4 length, char* out)
{
    TEXT_WRITER w;
    init_text_writer(&w, out, NUMBER_TEXT_LEN);
    if (length == 0 || length > NUMBER_MAX_LEN)
        return end_text_writer(&w);
    ub1 first = data[0];
    if (length == 1 && first == NUMBER_ZERO) {
        put_char(&w, '0');
        return end_text_writer(&w);
    }
    if (length == 1 && first == 0x00) {
        put_char(&w, '-');
        put_char(&w, '~');
        return end_text_writer(&w);
    }
    if (length == 2 && first == 0xFF && data[1] == 0x65) {
        put_char(&w, '~');
        return end_text_writer(&w);
    }
    bool positive = first >= 128;
    int e = get_exponent(first);
    ub4 digit_cnt = get_digit_cnt(data, length);
    if (e < MIN_EXPONENT || e > MAX_EXPONENT || digit_cnt == 0)
        return end_text_writer(&w);

    if (!positive)
        put_char(&w, '-');
    int k = e;
    for (ub4 i = 0; i < digit_cnt; i++) {
        int pair = positive ? (int)data[1 + i] - 1 : 101 - (int)data[1 + i];
        if (k == -1 && e >= 0)
            put_char(&w, '.');
        if (i == 0 && e < 0) {
            put_char(&w, '0');
            put_char(&w, '.');
            put_chars(&w, '0', (ub4)(2 * -e - 2));
        }
        if (i == 0 && e >= 0 && pair >= 0 && pair < 10)
            put_char(&w, (char)('0' + pair));
        else
            put_2_num(&w, pair);
        k--;
    }
    if (k >= 0) {
        put_chars(&w, '0', (ub4)(2 * k + 2));
    } else if (k < -1) {
        // A fraction was written: its trailing zeros (and a point left bare by
        // stored zero pairs) carry nothing.
        while (w.len > 0 && w.text[w.len - 1] == '0')
            w.len--;
        if (w.len > 0 && w.text[w.len - 1] == '.')
            w.len--;
    }
    return end_text_writer(&w);
}

void raw_to_number(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    char text[NUMBER_TEXT_LEN];
    ub4 n = get_number_text(data, length, text);
    set_col_text(col_data, text, n);
}

int check_number(const ub1* data, ub4 length)
{
    if (length == 0 || length > NUMBER_MAX_LEN)
        return 0;
    ub1 first = data[0];
    if (first == NUMBER_ZERO && length == 1)
        return 1;
    int e = get_exponent(first);
    if (e < MIN_EXPONENT || e > MAX_EXPONENT)
        return 0;
    bool positive = first >= 128;
    ub4 digit_cnt = get_digit_cnt(data, length);
    if (digit_cnt == 0)
        return 0;
    // Without its terminator a negative number must have all 20 digit bytes.
    if (!positive && data[length - 1] != NEGATIVE_TERMINATOR && digit_cnt != NUMBER_MAX_DIGITS)
        return 0;
    ub1 low = positive ? 1 : 2;
    ub1 high = positive ? 100 : 101;
    for (ub4 i = 1; i <= digit_cnt; i++)
        if (data[i] < low || data[i] > high)
            return 0;
    return 1;
}
