#pragma once
// A bounded writer into a fixed text buffer, shared by the converters that
// build fixed-format texts. It never writes past its capacity; a text that
// would not fit sets `overflow`, and the converter then yields the empty
// text instead of a cut value.

#include <cstring>

#include "base/types.h"

// "00" to "99", two characters per number.
struct DIGIT_PAIR_TABLE {
    char text[200];
    constexpr DIGIT_PAIR_TABLE() : text()
    {
        for (int i = 0; i < 100; i++) {
            text[2 * i] = (char)('0' + i / 10);
            text[2 * i + 1] = (char)('0' + i % 10);
        }
    }
};
inline constexpr DIGIT_PAIR_TABLE DIGIT_PAIRS;

// n as two digits; outside 0 to 99, n modulo 100.
inline void put_digit_pair(char* out, int n)
{
    if ((unsigned)n > 99) {
        n %= 100;
        if (n < 0)
            n += 100;
    }
    memcpy(out, DIGIT_PAIRS.text + 2 * n, 2);
}

typedef struct _tag_text_writer {
    char* text;
    ub4 len;
    ub4 cap; // bytes available, the terminator included
    bool overflow;
} TEXT_WRITER;

inline void init_text_writer(TEXT_WRITER* w, char* text, ub4 cap)
{
    w->text = text;
    w->len = 0;
    w->cap = cap;
    w->overflow = false;
}

inline void put_char(TEXT_WRITER* w, char c)
{
    if (w->len + 1 < w->cap)
        w->text[w->len++] = c;
    else
        w->overflow = true;
}

inline void put_chars(TEXT_WRITER* w, char c, ub4 count)
{
    for (ub4 i = 0; i < count && !w->overflow; i++)
        put_char(w, c);
}

inline void put_2_num(TEXT_WRITER* w, int n)
{
    if (w->len + 2 < w->cap) {
        put_digit_pair(w->text + w->len, n);
        w->len += 2;
    } else {
        w->overflow = true;
    }
}

// Decimal digits of `value`, at least `width` of them (zero-padded).
inline void put_uint(TEXT_WRITER* w, ub8 value, int width)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 20);
    while (n < width && n < 20)
        digits[n++] = '0';
    while (n > 0)
        put_char(w, digits[--n]);
}

// Terminates the text; returns its length, or 0 (the empty text) when it
// did not fit.
inline ub4 end_text_writer(TEXT_WRITER* w)
{
    if (w->overflow)
        w->len = 0;
    if (w->cap > 0)
        w->text[w->len] = '\0';
    return w->len;
}

// Date and time texts (datetime.cpp). A year of 0 to 9999 is four digits;
// other years are signed and at least four digits wide ("-4712").
void put_year(TEXT_WRITER* w, sb8 year);
// YYYY-MM-DD HH:MI:SS, every field after the year two digits.
void put_date_time(TEXT_WRITER* w, sb8 year, int month, int day, int hour, int minute, int second);
// "." and the first `scale` (at most 9) digits of the nanoseconds as
// "%09llu" prints them; nothing for scale 0.
void put_fraction(TEXT_WRITER* w, ub8 nanos, ub4 scale);
