#include "base/rowid.h"

#include <cstring>

namespace {

const char BASE64_DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64_digit_value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

int decode_base64(const char* text, int digit_count, ub4* value)
{
    ub4 v = 0;
    for (int i = 0; i < digit_count; i++) {
        int d = base64_digit_value(text[i]);
        if (d < 0)
            return -1;
        v = v * 64 + (ub4)d;
    }
    *value = v;
    return 0;
}

void encode_base64(char* text, int digit_count, ub4 value)
{
    for (int i = digit_count - 1; i >= 0; i--) {
        text[i] = BASE64_DIGITS[value & 63];
        value >>= 6;
    }
}

int decode_rowid(const char* text, ub4* object, ub2* file, ub4* block, ub2* slot)
{
    if (text == nullptr || strlen(text) != EXT_ROWID_STR_LEN)
        return -1;
    ub4 obj, fno, blk, sl;
    if (decode_base64(text, 6, &obj) != 0 || decode_base64(text + 6, 3, &fno) != 0 ||
        decode_base64(text + 9, 6, &blk) != 0 || decode_base64(text + 15, 3, &sl) != 0)
        return -1;
    *object = obj;
    *file = (ub2)fno;
    *block = blk;
    *slot = (ub2)sl;
    return 0;
}

void encode_rowid(char* text, ub4 object, ub4 file, ub4 block, ub4 slot)
{
    encode_base64(text, 6, object);
    encode_base64(text + 6, 3, file);
    encode_base64(text + 9, 6, block);
    encode_base64(text + 15, 3, slot);
    text[EXT_ROWID_STR_LEN] = '\0';
}

// Restricted rowid: FFFFFFFF.BBBB.?SSS -- file in 8 digits, the low 24 bits of
// the block in 4 digits, and the slot in the 3 digits ending at position 17.
// Position 14 carries a "." so the text reads as three dotted groups.
void encode_short_rowid(char* text, ub4 file, ub4 block, ub4 slot)
{
    encode_base64(text, 8, file);
    text[8] = '.';
    encode_base64(text + 9, 4, block & 0xffffff);
    text[13] = '.';
    text[14] = '.';
    encode_base64(text + 15, 3, slot);
    text[EXT_ROWID_STR_LEN] = '\0';
}
