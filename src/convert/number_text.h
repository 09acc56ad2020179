#pragma once
// The text of the commonest NUMBER, inline for the writers that convert a
// value in every column of every row. The stored form is described in
// number.cpp.

#include <cstring>

#include "base/types.h"
#include "convert/text_writer.h"

// The commonest NUMBER in one pass: positive, 1 or more (exponent byte 193
// to 213), with its text well inside the inline area. Its text, as
// put_checked_number writes it, into `out` (COL_DATA_INLINE_LEN bytes); 0
// when the value has another shape or a digit byte out of range, which the
// general path then handles.
inline ub4 put_plain_positive_number(const ub1* data, ub4 length, char* out)
{
    ub4 whole = (ub4)data[0] - 192u; // pairs before the point: e + 1
    ub4 cnt = length - 1;
    if (whole - 1u > 20u || cnt - 1u > 19u || cnt + whole > 21u)
        return 0;
    const ub1* digits = data + 1;
    ub4 pair = (ub4)digits[0] - 1u;
    if (pair > 99)
        return 0;
    // The first pair without its leading zero: from the second character
    // of its entry when below 10 (the character after it is overwritten or
    // left past the end).
    ub4 lead = pair < 10 ? 1u : 0u;
    char* p = out;
    memcpy(p, DIGIT_PAIRS.text + 2 * pair + lead, 2);
    p += 2 - lead;
    ub4 stored_whole = cnt < whole ? cnt : whole;
    ub4 i = 1;
    for (; i < stored_whole; i++, p += 2) {
        pair = (ub4)digits[i] - 1u;
        if (pair > 99)
            return 0;
        memcpy(p, DIGIT_PAIRS.text + 2 * pair, 2);
    }
    if (cnt <= whole) {
        for (; i < whole; i++, p += 2)
            memcpy(p, "00", 2);
        return (ub4)(p - out);
    }
    *p++ = '.';
    for (; i < cnt; i++, p += 2) {
        pair = (ub4)digits[i] - 1u;
        if (pair > 99)
            return 0;
        memcpy(p, DIGIT_PAIRS.text + 2 * pair, 2);
    }
    // Trailing zeros of the fraction, and a point left bare; the point
    // stops the walk.
    while (p[-1] == '0')
        p--;
    if (p[-1] == '.')
        p--;
    return (ub4)(p - out);
}

// The other shapes get_short_number_text takes (number.cpp).
ub4 get_other_short_number_text(const ub1* data, ub4 length, char* out);

// A NUMBER whose header and digits are sound and whose text surely fits
// COL_DATA_INLINE_LEN bytes, as the converters write it, into `out` (that
// many bytes, no terminator): its length, else 0 (the converters then take
// the long way).
inline ub4 get_short_number_text(const ub1* data, ub4 length, char* out)
{
    if (length >= 2 && length <= 21) {
        ub4 n = put_plain_positive_number(data, length, out);
        if (n != 0)
            return n;
    }
    return get_other_short_number_text(data, length, out);
}
