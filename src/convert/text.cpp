// Character columns. Database-character-set text is kept as stored; national
// text (NCHAR, NVARCHAR2) and CLOB text go through the converters of the
// character-set table into the database character set.

#include <cstring>

#include "convert/charset.h"
#include "convert/column_convert.h"

namespace {

// iconv never writes more than four output bytes per input byte between
// the character sets of the table.
constexpr size_t ICONV_GROWTH = 4;

// Conversions of values up to the longest VARCHAR2 go through this buffer,
// so a result that fits the COL_DATA needs no allocation at all.
char iconv_scratch[ICONV_GROWTH * VARCHAR_MAX_LEN + 1];

// Converts as much as converts; returns the bytes produced, *consumed the
// input bytes used. The state is reset first: every value stands alone.
size_t convert_text(iconv_t cd, const ub1* data, ub4 length, char* out, size_t out_size, ub4* consumed)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = (char*)data;
    size_t in_left = length;
    char* out_pos = out;
    size_t out_left = out_size;
    // A sequence it cannot convert, an incomplete one at the end or a full
    // buffer stops it; what came before is the result.
    iconv(cd, &in, &in_left, &out_pos, &out_left);
    *consumed = length - (ub4)in_left;
    return out_size - out_left;
}

// The value's converted text, through the scratch buffer when it fits;
// -1 when memory ran out.
long convert_to_col(iconv_t cd, const ub1* data, ub4 length, PCOL_DATA col_data, ub4* consumed)
{
    size_t out_size = ICONV_GROWTH * (size_t)length;
    if (length == 0) {
        *consumed = 0;
        return set_col_text(col_data, "", 0) ? 0 : -1;
    }
    if (out_size < sizeof(iconv_scratch)) {
        size_t n = convert_text(cd, data, length, iconv_scratch, out_size, consumed);
        return set_col_text(col_data, iconv_scratch, (ub4)n) ? (long)n : -1;
    }
    char* out = (char*)get_col_value_buffer(col_data, out_size + 1);
    if (out == nullptr) {
        col_data->is_null = 1;
        return -1;
    }
    size_t n = convert_text(cd, data, length, out, out_size, consumed);
    out[n] = '\0';
    col_data->data_len = (ub4)n;
    col_data->data_type = CDT_TEXT;
    col_data->is_null = 0;
    return (long)n;
}

} // namespace

void raw_to_char(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    // The text ends at the first zero byte.
    const void* zero = length > 0 ? memchr(data, 0, length) : nullptr;
    ub4 n = zero != nullptr ? (ub4)((const ub1*)zero - data) : length;
    set_col_text(col_data, (const char*)data, n);
}

void raw_to_nchar(const ub1* data, ub4 length, PCOL_DATA col_data)
{
    if (cs_iconv == nullptr) {
        raw_to_char(data, length, col_data);
        return;
    }
    ub4 consumed;
    if (convert_to_col(cs_iconv, data, length, col_data, &consumed) > 0)
        col_data->data_len = (ub4)strlen(col_data->common_data.str_data);
}

ub4 clob_to_char(const ub1* data, ub4 length, PCOL_DATA col_data, [[maybe_unused]] int flag)
{
    if (clob_iconv == nullptr) {
        clear_col_value(col_data);
        col_data->is_null = 1;
        return 0;
    }
    ub4 consumed = 0;
    if (convert_to_col(clob_iconv, data, length, col_data, &consumed) < 0)
        return 0;
    return consumed;
}
