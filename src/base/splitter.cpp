#include "base/splitter.h"

#include <cstring>

namespace {

bool is_separator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Stores [start, start+len) into row `index` of a rows x width array.
void store_field(char* array, int rows, int width, int index, const char* start, size_t len, bool* overflow)
{
    if (index >= rows) {
        if (overflow)
            *overflow = true;
        return;
    }
    if (len > (size_t)width - 1) {
        len = (size_t)width - 1;
        if (overflow)
            *overflow = true;
    }
    char* slot = array + (size_t)index * (size_t)width;
    memcpy(slot, start, len);
    slot[len] = '\0';
}

// The trailing line feed and then carriage return are dropped by treating both
// as separators, which leaves the same fields.
int split_blank(char* array, int rows, int width, const char* line, bool* overflow)
{
    if (overflow)
        *overflow = false;
    int count = 0;
    const char* p = line;
    while (*p) {
        while (*p && is_separator(*p))
            p++;
        if (!*p)
            break;
        const char* start = p;
        while (*p && !is_separator(*p))
            p++;
        store_field(array, rows, width, count, start, (size_t)(p - start), overflow);
        if (count < rows)
            count++;
    }
    return count;
}

int split_delimited(char* array, int rows, int width, const char* line, const char* delimiter, bool* overflow)
{
    if (overflow)
        *overflow = false;
    size_t len = strlen(line);
    for (int i = 0; i < 2 && len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'); i++)
        len--;
    if (len == 0)
        return 0;
    size_t dlen = strlen(delimiter);
    int count = 0;
    const char* end = line + len;
    const char* start = line;
    for (;;) {
        const char* hit = nullptr;
        if (dlen > 0)
            for (const char* p = start; p + dlen <= end; p++)
                if (memcmp(p, delimiter, dlen) == 0) {
                    hit = p;
                    break;
                }
        const char* field_end = hit ? hit : end;
        store_field(array, rows, width, count, start, (size_t)(field_end - start), overflow);
        if (count < rows)
            count++;
        if (!hit)
            break;
        start = hit + dlen;
    }
    return count;
}

} // namespace

int split_line(LINE_ARRAY array, const char* line, bool* overflow)
{
    return split_blank(&array[0][0], CMD_MAX_LINES, CMD_TOKEN_MAX_SIZE, line, overflow);
}

int split_line_small(SMALL_LINE_ARRAY array, const char* line, bool* overflow)
{
    return split_blank(&array[0][0], SMALL_MAX_LINES, SMALL_LINE_MAX_SIZE, line, overflow);
}

int split_line_delimiter(LINE_ARRAY array, const char* line, const char* delimiter, bool* overflow)
{
    return split_delimited(&array[0][0], CMD_MAX_LINES, CMD_TOKEN_MAX_SIZE, line, delimiter, overflow);
}

int split_line_delimiter_small(SMALL_LINE_ARRAY array, const char* line, const char* delimiter, bool* overflow)
{
    return split_delimited(&array[0][0], SMALL_MAX_LINES, SMALL_LINE_MAX_SIZE, line, delimiter, overflow);
}

// Owner and name: only the first delimiter splits (SCOTT.EMP.X is SCOTT and
// EMP.X); a line ending in that delimiter gives the owner alone.
int split_line_user_object(SMALL_LINE_ARRAY array, const char* line, const char* delimiter)
{
    size_t dlen = strlen(delimiter);
    const char* hit = dlen ? strstr(line, delimiter) : nullptr;
    if (hit == nullptr) {
        if (*line == '\0')
            return 0;
        store_field(&array[0][0], SMALL_MAX_LINES, SMALL_LINE_MAX_SIZE, 0, line, strlen(line), nullptr);
        return 1;
    }
    store_field(&array[0][0], SMALL_MAX_LINES, SMALL_LINE_MAX_SIZE, 0, line, (size_t)(hit - line), nullptr);
    const char* rest = hit + dlen;
    if (*rest == '\0')
        return 1;
    store_field(&array[0][0], SMALL_MAX_LINES, SMALL_LINE_MAX_SIZE, 1, rest, strlen(rest), nullptr);
    return 2;
}
