// BINARY_FLOAT (4 bytes) and BINARY_DOUBLE (8 bytes): the IEEE-754 value,
// big-endian, made to sort bytewise: a non-negative number has its sign bit
// flipped, a negative number has every bit inverted. -134.45 as a
// BINARY_FLOAT is C3 06 73 33 and stored as 3C F9 8C CC.
//
// The text is what "%.10f" prints (exact value, rounded half to even at the
// tenth decimal), computed here from the bits so that no locale decides the
// decimal point. Infinities and NaN are written as Oracle writes them.

#include <bit>
#include <cmath>

#include "base/byte_order.h"
#include "convert/column_convert.h"
#include "convert/text_writer.h"

namespace {

constexpr int FRACTION_DIGITS = 10;
constexpr ub8 TEN_POW_FRACTION = 10000000000ull;
constexpr int MANTISSA_BITS = 52;
constexpr int EXPONENT_BIAS = 1075; // bias 1023 plus the 52 fraction bits
constexpr int BIG_LIMBS = 36;       // 2^1152 > 2^87 * 2^971, the largest value * 10^10

typedef unsigned __int128 ub16;

// Decimal digits of a 128-bit number, most significant first; returns the count.
int get_uint128_digits(ub16 value, char* digits)
{
    char reversed[48];
    int n = 0;
    if ((value >> 64) == 0) {
        // Most values: 64-bit divisions are many times cheaper.
        ub8 small = (ub8)value;
        do {
            reversed[n++] = (char)('0' + (int)(small % 10));
            small /= 10;
        } while (small != 0);
        for (int i = 0; i < n; i++)
            digits[i] = reversed[n - 1 - i];
        return n;
    }
    do {
        reversed[n++] = (char)('0' + (int)(value % 10));
        value /= 10;
    } while (value != 0 && n < 40);
    for (int i = 0; i < n; i++)
        digits[i] = reversed[n - 1 - i];
    return n;
}

// Decimal digits of value * 2^shift for a value below 2^88 and shift below
// 1000; `digits` holds at least 340 characters.
int get_shifted_digits(ub16 value, int shift, char* digits)
{
    ub4 limbs[BIG_LIMBS] = {};
    int word = shift / 32;
    int bit = shift % 32;
    for (int i = 0; i < 3 && word + i < BIG_LIMBS; i++)
        limbs[word + i] = (ub4)(value >> (32 * i));
    if (bit != 0) {
        for (int i = BIG_LIMBS - 1; i > word; i--)
            limbs[i] = (limbs[i] << bit) | (limbs[i - 1] >> (32 - bit));
        limbs[word] <<= bit;
    }
    // Nine-digit groups, least significant first.
    ub4 groups[48];
    int group_cnt = 0;
    int top = BIG_LIMBS - 1;
    while (top >= 0 && limbs[top] == 0)
        top--;
    while (top >= 0 && group_cnt < 48) {
        ub8 remainder = 0;
        for (int i = top; i >= 0; i--) {
            ub8 current = (remainder << 32) | limbs[i];
            limbs[i] = (ub4)(current / 1000000000u);
            remainder = current % 1000000000u;
        }
        groups[group_cnt++] = (ub4)remainder;
        while (top >= 0 && limbs[top] == 0)
            top--;
    }
    TEXT_WRITER w;
    init_text_writer(&w, digits, 340);
    for (int i = group_cnt - 1; i >= 0; i--)
        put_uint(&w, groups[i], i == group_cnt - 1 ? 1 : 9);
    if (group_cnt == 0)
        put_char(&w, '0');
    return (int)end_text_writer(&w);
}

// Digits of round_half_even(|value| * 10^10).
int get_scaled_digits(double value, char* digits)
{
    ub8 bits = std::bit_cast<ub8>(value);
    int exponent_field = (int)((bits >> MANTISSA_BITS) & 0x7FF);
    ub8 mantissa = bits & ((1ull << MANTISSA_BITS) - 1);
    int q;
    if (exponent_field == 0) {
        q = 1 - EXPONENT_BIAS; // denormal
    } else {
        mantissa |= 1ull << MANTISSA_BITS;
        q = exponent_field - EXPONENT_BIAS;
    }
    ub16 scaled = (ub16)mantissa * TEN_POW_FRACTION; // below 2^87
    if (q >= 0)
        return get_shifted_digits(scaled, q, digits);
    int s = -q;
    if (s > 100) // scaled / 2^s < 2^87 / 2^101: rounds to 0
        return get_uint128_digits(0, digits);
    ub16 result = scaled >> s;
    ub16 remainder = scaled & (((ub16)1 << s) - 1);
    ub16 half = (ub16)1 << (s - 1);
    if (remainder > half || (remainder == half && (result & 1) != 0))
        result++;
    return get_uint128_digits(result, digits);
}

} // namespace

ub4 get_binary_double_text(double value, char* out)
{
    TEXT_WRITER w;
    init_text_writer(&w, out, FLOAT_TEXT_LEN);
    if (std::isnan(value)) {
        put_char(&w, 'N');
        put_char(&w, 'a');
        put_char(&w, 'n');
        return end_text_writer(&w);
    }
    if (std::signbit(value))
        put_char(&w, '-');
    if (std::isinf(value)) {
        put_char(&w, 'I');
        put_char(&w, 'n');
        put_char(&w, 'f');
        return end_text_writer(&w);
    }
    char digits[344];
    int n = get_scaled_digits(value, digits);
    // Zero-padded to at least one digit before the point.
    int pad = n <= FRACTION_DIGITS ? FRACTION_DIGITS + 1 - n : 0;
    int total = n + pad;
    for (int p = 0; p < total; p++) {
        if (p == total - FRACTION_DIGITS)
            put_char(&w, '.');
        put_char(&w, p < pad ? '0' : digits[p - pad]);
    }
    return end_text_writer(&w);
}

int get_binary_float(const ub1* data, ub4 length, float* value)
{
    if (length != BINARY_FLOAT_MAX_LEN)
        return FALSE;
    ub4 bits = get_ub4_big(data, 0);
    bits = (bits & 0x80000000u) ? bits & 0x7FFFFFFFu : ~bits;
    *value = std::bit_cast<float>(bits);
    return TRUE;
}

int get_binary_double(const ub1* data, ub4 length, double* value)
{
    if (length != BINARY_DOUBLE_MAX_LEN)
        return FALSE;
    ub8 bits;
    get_ub8_big(data, 0, &bits);
    bits = (bits & 0x8000000000000000ull) ? bits & 0x7FFFFFFFFFFFFFFFull : ~bits;
    *value = std::bit_cast<double>(bits);
    return TRUE;
}

void raw_to_binary_float(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    char text[FLOAT_TEXT_LEN];
    float value;
    ub4 n = get_binary_float(data, length, &value) ? get_binary_double_text(value, text) : 0;
    set_col_text(col_data, text, n);
}

void raw_to_binary_double(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    char text[FLOAT_TEXT_LEN];
    double value;
    ub4 n = get_binary_double(data, length, &value) ? get_binary_double_text(value, text) : 0;
    set_col_text(col_data, text, n);
}

// "%f" of a finite number holds only digits, a sign and a point; of an
// infinity or NaN letters. So a value is plausible exactly when it is finite.
int check_binary_float(const ub1* data, ub4 length)
{
    float value;
    return get_binary_float(data, length, &value) && std::isfinite(value) ? 1 : 0;
}

int check_binary_double(const ub1* data, ub4 length)
{
    double value;
    return get_binary_double(data, length, &value) && std::isfinite(value) ? 1 : 0;
}
