// Plausibility of text: the share of bytes that belong to good characters
// must exceed SIMILAR_RATIO. A good character is printable ASCII, or a
// character GBK can hold; an empty value is never plausible.

#include "convert/column_convert.h"

namespace {

int is_similar(ub4 good, ub4 length)
{
    // The share in double against the single-precision ratio 0.8500000238:
    // 17 good bytes of 20 (0.85) are not enough.
    return length > 0 && (double)good / (double)length >= (double)SIMILAR_RATIO;
}

bool is_continuation(ub1 c) { return (c & 0xC0) == 0x80; }

// Smallest second byte of a 3- to 6-byte sequence whose lead byte carries no
// payload bits (E0, F0, F8, FC); below it the sequence is overlong. Two-byte
// overlong forms are the lead bytes C0 and C1.
constexpr ub1 UTF8_MIN_SECOND[7] = {0, 0, 0, 0xA0, 0x90, 0x88, 0x84};

// A character decoded by `decode` is good when it is printable ASCII or, from
// code 128 on, one GBK can hold; a bad one, or a byte that begins no
// character, advances one byte.
template <typename DECODE>
int check_wide_str(const ub1* data, ub4 length, DECODE decode)
{
    ub4 good = 0;
    ub4 pos = 0;
    while (pos < length) {
        ub4 code = 0;
        int n = decode(&code, data + pos, length - pos);
        bool ok = n > 0 && (code < 128 ? check_ascii_chr((ub1)code) != 0 : check_wc_gb_chr(code) != 0);
        if (ok) {
            good += (ub4)n;
            pos += (ub4)n;
        } else {
            pos++;
        }
    }
    return is_similar(good, length);
}

} // namespace

int check_ascii_chr(ub1 c)
{
    return c >= 32 && c <= 127;
}

int check_ascii_str(const ub1* data, ub4 length)
{
    ub4 good = 0;
    for (ub4 i = 0; i < length; i++)
        if (check_ascii_chr(data[i]))
            good++;
    return is_similar(good, length);
}

int check_gb_chr(const ub1* p, ub4 remaining)
{
    if (remaining == 0)
        return 0;
    if (p[0] < 128)
        return check_ascii_chr(p[0]) ? 1 : 0;
    if (remaining >= 2 && p[0] >= 161 && p[0] <= 254 && p[1] >= 161 && p[1] <= 254)
        return 2;
    return 0;
}

int check_gb_str(const ub1* data, ub4 length)
{
    ub4 good = 0;
    ub4 pos = 0;
    while (pos < length) {
        int n = check_gb_chr(data + pos, length - pos);
        if (n > 0) {
            good += (ub4)n;
            pos += (ub4)n;
        } else {
            pos++;
        }
    }
    return is_similar(good, length);
}

int check_wc_gb_chr(ub4 code)
{
    if (code < 1120 || (code >= 8192 && code <= 9807) || (code >= 12288 && code <= 12847) ||
        (code >= 19968 && code <= 40175) || (code >= 40448 && code <= 40879) || (code >= 65280 && code <= 65519))
        return 2;
    return 0;
}

// UTF-8 of 1 to 6 bytes; lead bytes 0xC2 to 0xFD, continuation bytes 0x80 to
// 0xBF, and no overlong form (a lead byte whose payload could have fitted a
// shorter sequence).
int utf8_mbtowc(ub4* code, const ub1* p, ub4 remaining)
{
    if (remaining == 0)
        return 0;
    ub1 c = p[0];
    if (c < 0x80) {
        *code = c;
        return 1;
    }
    int n;
    ub4 value;
    if (c < 0xC2)
        return 0;
    if (c < 0xE0) {
        n = 2;
        value = c & 0x1F;
    } else if (c < 0xF0) {
        n = 3;
        value = c & 0x0F;
    } else if (c < 0xF8) {
        n = 4;
        value = c & 0x07;
    } else if (c < 0xFC) {
        n = 5;
        value = c & 0x03;
    } else if (c < 0xFE) {
        n = 6;
        value = c & 0x01;
    } else {
        return 0;
    }
    if (remaining < (ub4)n)
        return 0;
    for (int i = 1; i < n; i++)
        if (!is_continuation(p[i]))
            return 0;
    if (n >= 3 && value == 0 && p[1] < UTF8_MIN_SECOND[n])
        return 0;
    for (int i = 1; i < n; i++)
        value = (value << 6) | (p[i] & 0x3F);
    *code = value;
    return n;
}

int ucs2be_mbtowc(ub4* code, const ub1* p, ub4 remaining)
{
    if (remaining < 2 || (p[0] >= 0xD8 && p[0] <= 0xDF))
        return 0;
    *code = ((ub4)p[0] << 8) | p[1];
    return 2;
}

int check_utf8_str(const ub1* data, ub4 length)
{
    return check_wide_str(data, length, utf8_mbtowc);
}

int check_utf16_str(const ub1* data, ub4 length)
{
    return check_wide_str(data, length, ucs2be_mbtowc);
}
