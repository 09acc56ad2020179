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

// The header of a number that check_number may accept: zero, or the sign,
// exponent and digit count of a value whose exponent, length and terminator
// are right. Its digit bytes are checked where they are read.
typedef struct _tag_number_parts {
    bool zero;
    bool positive;
    int e;
    ub4 digit_cnt;
} NUMBER_PARTS;

inline bool get_number_parts(const ub1* data, ub4 length, NUMBER_PARTS* parts)
{
    if (length == 0 || length > NUMBER_MAX_LEN)
        return false;
    ub1 first = data[0];
    parts->zero = first == NUMBER_ZERO && length == 1;
    parts->positive = first >= 128;
    parts->e = get_exponent(first);
    parts->digit_cnt = 0;
    if (parts->zero)
        return true;
    if (parts->e < MIN_EXPONENT || parts->e > MAX_EXPONENT)
        return false;
    ub4 digit_cnt = get_digit_cnt(data, length);
    if (digit_cnt == 0)
        return false;
    // Without its terminator a negative number must have all 20 digit bytes.
    if (!parts->positive && data[length - 1] != NEGATIVE_TERMINATOR && digit_cnt != NUMBER_MAX_DIGITS)
        return false;
    parts->digit_cnt = digit_cnt;
    return true;
}

// A digit byte as its pair: byte - 1 for a positive number, 101 - byte for
// a negative one. A byte out of range (positive 1..100, negative 2..101)
// gives a value above 99 once taken as unsigned.
inline ub4 get_pair(ub1 byte, bool positive)
{
    return positive ? (ub4)byte - 1u : 101u - (ub4)byte;
}

bool digits_in_range(const ub1* data, const NUMBER_PARTS* parts)
{
    for (ub4 i = 1; i <= parts->digit_cnt; i++)
        if (get_pair(data[i], parts->positive) > 99)
            return false;
    return true;
}

// Room the text needs at most, terminator excluded: sign, "0." or the
// point, and two characters per digit pair and per pair of padding zeros
// (at most 174, within NUMBER_TEXT_LEN).
ub4 get_number_text_bound(const NUMBER_PARTS* parts)
{
    ub4 span = parts->e >= 0 ? (ub4)parts->e + 1 : (ub4)-parts->e;
    return 2 + 2 * (parts->digit_cnt + span);
}

constexpr ub4 NUMBER_BAD_DIGIT = 0xFFFFFFFFu;

// `count` digit bytes as pairs of the pair table; false at a byte out of
// range.
inline bool put_pairs(const ub1* digits, ub4 count, bool positive, char*& p)
{
    for (ub4 i = 0; i < count; i++, p += 2) {
        ub4 pair = get_pair(digits[i], positive);
        if (pair > 99)
            return false;
        memcpy(p, DIGIT_PAIRS.text + 2 * pair, 2);
    }
    return true;
}

// The text of a number whose header get_number_parts accepted into `out`,
// which holds at least get_number_text_bound bytes; no terminator. Returns
// its length, or NUMBER_BAD_DIGIT when a digit byte is out of range (what
// was written is then garbage).
inline ub4 put_checked_number(const ub1* data, NUMBER_PARTS parts, char* out)
{
    if (parts.zero) {
        out[0] = '0';
        return 1;
    }
    char* p = out;
    const ub1* digits = data + 1;
    const ub4 cnt = parts.digit_cnt;
    const int e = parts.e;
    const bool positive = parts.positive;
    if (!positive)
        *p++ = '-';
    bool fraction;
    if (e < 0) {
        *p++ = '0';
        *p++ = '.';
        ub4 zeros = (ub4)(2 * -e - 2);
        memset(p, '0', zeros);
        p += zeros;
        if (!put_pairs(digits, cnt, positive, p))
            return NUMBER_BAD_DIGIT;
        fraction = true;
    } else {
        // A number of 1 or more: the first pair without its leading zero,
        // the rest of the e + 1 integer pairs, then the point and the
        // fraction pairs, or the zeros of the pairs not stored.
        ub4 pair = get_pair(digits[0], positive);
        if (pair > 99)
            return NUMBER_BAD_DIGIT;
        if (pair < 10) {
            *p++ = (char)('0' + pair);
        } else {
            memcpy(p, DIGIT_PAIRS.text + 2 * pair, 2);
            p += 2;
        }
        ub4 whole = (ub4)e + 1;
        ub4 stored_whole = cnt < whole ? cnt : whole;
        if (!put_pairs(digits + 1, stored_whole - 1, positive, p))
            return NUMBER_BAD_DIGIT;
        if (cnt < whole) {
            ub4 zeros = 2 * (whole - cnt);
            memset(p, '0', zeros);
            p += zeros;
        }
        fraction = cnt > whole;
        if (fraction) {
            *p++ = '.';
            if (!put_pairs(digits + whole, cnt - whole, positive, p))
                return NUMBER_BAD_DIGIT;
        }
    }
    if (fraction) {
        // Its trailing zeros (and a point left bare by stored zero pairs)
        // carry nothing. The point stops the walk.
        while (p[-1] == '0')
            p--;
        if (p[-1] == '.')
            p--;
    }
    return (ub4)(p - out);
}

// Any stored form, digit bytes out of range included (each pair is then
// taken modulo 100); a text that would not fit gives the empty text.
ub4 get_any_number_text(const ub1* data, ub4 length, char* out)
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

// The text of a number into the value. The text of a plausible number is
// written straight into the inline area when it surely fits. FALSE, with the
// value left unfinished, when the number is implausible and `checking`.
inline bool set_number_col(const ub1* data, ub4 length, PCOL_DATA col_data, int checking)
{
    char* out = (char*)get_col_value_buffer(col_data, COL_DATA_INLINE_LEN);
    ub4 n = get_short_number_text(data, length, out);
    if (n != 0) {
        out[n] = '\0';
        set_col_text_length(col_data, n);
        return true;
    }
    NUMBER_PARTS parts;
    if (get_number_parts(data, length, &parts)) {
        if (get_number_text_bound(&parts) >= COL_DATA_INLINE_LEN) {
            char text[NUMBER_TEXT_LEN];
            ub4 long_n = put_checked_number(data, parts, text);
            if (long_n != NUMBER_BAD_DIGIT) {
                set_col_text(col_data, text, long_n);
                return true;
            }
        }
    }
    if (checking)
        return false;
    char text[NUMBER_TEXT_LEN];
    n = get_any_number_text(data, length, text);
    set_col_text(col_data, text, n);
    return true;
}

} // namespace

ub4 get_other_short_number_text(const ub1* data, ub4 length, char* out)
{
    NUMBER_PARTS parts;
    // Zero is "0", whatever the bound its exponent byte gives.
    if (get_number_parts(data, length, &parts) &&
        (parts.zero || get_number_text_bound(&parts) < COL_DATA_INLINE_LEN)) {
        ub4 n = put_checked_number(data, parts, out);
        if (n != NUMBER_BAD_DIGIT)
            return n;
    }
    return 0;
}

ub4 get_number_text(const ub1* data, ub4 length, char* out)
{
    NUMBER_PARTS parts;
    if (get_number_parts(data, length, &parts)) {
        ub4 n = put_checked_number(data, parts, out);
        if (n != NUMBER_BAD_DIGIT) {
            out[n] = '\0';
            return n;
        }
    }
    return get_any_number_text(data, length, out);
}

void raw_to_number(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    set_number_col(data, length, col_data, 0);
}

int raw_to_number_checked(const ub1* data, ub4 length, PCOL_DATA col_data, int checking)
{
    if (set_number_col(data, length, col_data, checking))
        return 1;
    clear_col_value(col_data);
    col_data->is_null = 1;
    return 0;
}

int check_number(const ub1* data, ub4 length)
{
    NUMBER_PARTS parts;
    return get_number_parts(data, length, &parts) && digits_in_range(data, &parts) ? 1 : 0;
}
