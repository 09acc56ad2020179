#include "base/str_util.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "base/printer.h"

bool is_hex_char(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hex_char_to_num(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

bool has_hex_prefix_str(const char* text)
{
    return text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

bool is_hex_str(const char* text)
{
    for (; *text; text++)
        if (!is_hex_char(*text))
            return false;
    return true;
}

// Decimal unless the text has a 0x prefix or holds a hexadecimal letter;
// converted as an unsigned 32-bit number (overflow wraps).
int base10_16_to_num(const char* text, ub4* value)
{
    bool hex = false;
    if (strlen(text) > 2 && has_hex_prefix_str(text)) {
        text += 2;
        hex = true;
    }
    for (const char* p = text; *p; p++) {
        if (!is_hex_char(*p))
            return 0;
        if (!(*p >= '0' && *p <= '9'))
            hex = true;
    }
    ub4 v = 0;
    for (const char* p = text; *p; p++)
        v = hex ? v * 16 + (ub4)hex_char_to_num(*p) : v * 10 + (ub4)(*p - '0');
    *value = v;
    return 1;
}

char* trim_str(const char* source, char* destination)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const char* start = source;
    while (*start && blank(*start))
        start++;
    const char* end = start + strlen(start);
    while (end > start && blank(end[-1]))
        end--;
    memmove(destination, start, (size_t)(end - start));
    destination[end - start] = '\0';
    return destination;
}

int mem_cmp(const void* a, const void* b, size_t length_a, size_t length_b)
{
    const ub1* pa = (const ub1*)a;
    const ub1* pb = (const ub1*)b;
    size_t n = length_a < length_b ? length_a : length_b;
    for (size_t i = 0; i < n; i++)
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    if (length_a == length_b)
        return 0;
    return length_a < length_b ? -1 : 1;
}

int file_exists(const char* name)
{
    FILE* fp = fopen(name, "r");
    if (fp != nullptr) {
        fclose(fp);
        return 1;
    }
    return errno == ENOENT ? 0 : 1;
}

char* ltoa(long value, char* text, int /*base*/)
{
    sprintf(text, "%ld", value);
    return text;
}

void* get_buffer(size_t count, size_t size)
{
    size_t bytes = count * size;
    if (size != 0 && bytes / size != count) {
        sp_printf("can't allocate %u bytes memory.\n", (unsigned)bytes);
        return nullptr;
    }
    void* p = malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr)
        sp_printf("can't allocate %u bytes memory.\n", (unsigned)bytes);
    return p;
}

bool copy_str(char* destination, size_t size, const char* source)
{
    size_t n = strlen(source);
    bool fits = n < size;
    if (!fits)
        n = size - 1;
    memcpy(destination, source, n);
    destination[n] = '\0';
    return fits;
}

bool parse_decimal_ub4(const char* text, ub4* value)
{
    if (*text == '\0')
        return false;
    ub8 v = 0;
    for (const char* p = text; *p; p++) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + (ub8)(*p - '0');
        if (v > UB4_MAX)
            return false;
    }
    *value = (ub4)v;
    return true;
}

ub4 leading_decimal_ub4(const char* text)
{
    ub8 v = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; p++) {
        v = v * 10 + (ub8)(*p - '0');
        if (v > UB4_MAX)
            return UB4_MAX;
    }
    return (ub4)v;
}

int str_case_equal(const char* a, const char* b)
{
    return strcasecmp(a, b) == 0;
}
