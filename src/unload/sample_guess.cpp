#include "unload/sample_guess.h"

#include "base/config.h"
#include "convert/column_convert.h"
#include "convert/ora_types.h"
#include "storage/datafile_registry.h"

namespace {

constexpr ub4 CS_UTF8 = 871;
constexpr ub4 CS_AL16UTF16 = 2000;

bool is_10g_format(ub1 format)
{
    return format == 0x62 || format == 0x82 || format == 0xa2 || format == 0xc2 || format == 0xe2;
}

// The share of values that pass, compared in single precision: exactly
// 85 % is not enough.
bool mostly(ub4 passed, ub4 count)
{
    return count > 0 && (float)passed / (float)count > SIMILAR_RATIO_ALL;
}

} // namespace

SAMPLE_CONTEXT get_sample_context()
{
    SAMPLE_CONTEXT context;
    context.charset_id = config_data.charset_id;
    context.ncharset_id = config_data.ncharset_id;
    PDATAFILE_ITEM first = datafile_list; // in the order registered
    context.binary_float_known = first != nullptr && first->status == DFIS_VALID && is_10g_format(first->block_fmt);
    return context;
}

void do_sample_column(PSAMPLE_COLUMN column, const SAMPLE_VALUE* values, size_t count,
                      const SAMPLE_CONTEXT* context)
{
    column->charset_form = 1;
    column->scale = 0;
    column->max_len = 0;
    column->min_len = 0;
    ub4 n = 0;
    bool same_length = true;
    for (size_t i = 0; i < count; i++) {
        const SAMPLE_VALUE& v = values[i];
        if (v.is_null || v.length == 0)
            continue;
        if (n == 0) {
            column->max_len = column->min_len = v.length;
        } else {
            same_length = same_length && v.length == column->min_len;
            if (v.length > column->max_len)
                column->max_len = v.length;
            if (v.length < column->min_len)
                column->min_len = v.length;
        }
        n++;
    }
    if (n == 0) {
        column->col_type = ORA_RAW;
        return;
    }
    // Each test over every present value; `test` returns 1 for a pass.
    auto count_passing = [&](auto test) {
        ub4 passed = 0;
        for (size_t i = 0; i < count; i++)
            if (!values[i].is_null && values[i].length > 0 && test(values[i].data, values[i].length))
                passed++;
        return passed;
    };
    ub4 length = column->min_len;
    if (same_length && (length == 7 || length == 11 || length == 13) &&
        count_passing([](const ub1* d, ub4) { return check_date(d, 7); }) == n) {
        column->col_type = length == 7 ? ORA_DATE : length == 11 ? ORA_TIMESTAMP : ORA_TIMESTAMP_TZ;
        column->scale = length == 7 ? 0 : 9;
        return;
    }
    if (same_length && (length == 6 || length == 10) &&
        count_passing([](const ub1* d, ub4 l) { return check_rowid(d, l); }) == n) {
        column->col_type = ORA_ROWID;
        return;
    }
    if (column->max_len < 23 && count_passing([](const ub1* d, ub4 l) { return check_number(d, l); }) == n) {
        column->col_type = ORA_NUMBER;
        return;
    }
    ub4 text = context->charset_id == CS_UTF8
                   ? count_passing([](const ub1* d, ub4 l) { return check_utf8_str(d, l); })
                   : count_passing([](const ub1* d, ub4 l) { return check_gb_str(d, l); });
    if (mostly(text, n)) {
        column->col_type = column->max_len > 4000 ? ORA_LONG : ORA_VARCHAR2;
        return;
    }
    if ((context->ncharset_id == CS_AL16UTF16 || context->ncharset_id == CS_UTF8) && column->max_len <= 4000) {
        ub4 national = context->ncharset_id == CS_AL16UTF16
                           ? count_passing([](const ub1* d, ub4 l) { return check_utf16_str(d, l); })
                           : 0;
        if (mostly(national, n)) {
            column->col_type = ORA_VARCHAR2;
            column->charset_form = 2;
            return;
        }
    }
    if (context->binary_float_known && same_length && (length == 4 || length == 8)) {
        ub4 passed = length == 4 ? count_passing([](const ub1* d, ub4 l) { return check_binary_float(d, l); })
                                 : count_passing([](const ub1* d, ub4 l) { return check_binary_double(d, l); });
        if (passed == n) {
            column->col_type = length == 4 ? ORA_BINARY_FLOAT : ORA_BINARY_DOUBLE;
            return;
        }
    }
    column->col_type = column->max_len > 2000 ? ORA_LONG_RAW : ORA_RAW;
}
