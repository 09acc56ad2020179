// Choosing the conversion of a column value by its Oracle type, and data
// checking before it.

#include "base/printer.h"
#include "base/trace.h"
#include "convert/column_convert.h"

namespace {

constexpr ub4 CHARSET_FORM_NATIONAL = 2;

bool fits_column(ub4 length, ub4 max_length, const COLUMN* column)
{
    return length <= max_length && (column->length == 0 || length <= column->length);
}

void set_col_null(PCOL_DATA col_data)
{
    clear_col_value(col_data);
    col_data->is_null = 1;
}

} // namespace

void raw_to_data_char(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision, ub4 scale, ub4 charset_form)
{
    switch (col_data->ora_type) {
    case ORA_NUMBER:
        raw_to_number(data, length, col_data);
        break;
    case ORA_VARCHAR2:
    case ORA_CHAR:
        if (charset_form >= CHARSET_FORM_NATIONAL)
            raw_to_nchar(data, length, col_data);
        else
            raw_to_char(data, length, col_data);
        break;
    case ORA_LONG:
        raw_to_char(data, length, col_data);
        break;
    case ORA_DATE:
        raw_to_date(data, length, col_data);
        break;
    case ORA_RAW:
    case ORA_LONG_RAW:
        raw_to_hex(data, length, col_data);
        break;
    case ORA_ROWID:
        raw_to_rowid(data, length, col_data);
        break;
    case ORA_BINARY_FLOAT:
        raw_to_binary_float(data, length, col_data);
        break;
    case ORA_BINARY_DOUBLE:
        raw_to_binary_double(data, length, col_data);
        break;
    case ORA_TIMESTAMP:
        raw_to_timestamp(data, length, col_data, scale);
        break;
    case ORA_TIMESTAMP_LTZ:
        raw_to_timestamp_ltz(data, length, col_data, scale);
        break;
    case ORA_TIMESTAMP_TZ:
        raw_to_timestamp_tz(data, length, col_data, scale);
        break;
    case ORA_INTERVAL_YM:
        raw_to_interval_ym(data, length, col_data, precision);
        break;
    case ORA_INTERVAL_DS:
        raw_to_interval_ds(data, length, col_data, precision, scale);
        break;
    case ORA_GUESS:
        raw_to_raw(data, length, col_data);
        break;
    default:
        // VARCHAR, LOB types and the rest: the value stays as it was.
        break;
    }
}

// The export dump keeps the stored bytes of the types it can carry.
void raw_to_data_raw(const ub1* data, ub4 length, PCOL_DATA col_data, ub4, ub4, ub4)
{
    switch (col_data->ora_type) {
    case ORA_VARCHAR2:
    case ORA_NUMBER:
    case ORA_LONG:
    case ORA_DATE:
    case ORA_RAW:
    case ORA_LONG_RAW:
    case ORA_ROWID:
    case ORA_CHAR:
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_TZ:
    case ORA_TIMESTAMP_LTZ:
        raw_to_raw(data, length, col_data);
        break;
    default:
        break;
    }
}

void raw_to_data(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision, ub4 scale, ub4 charset_form)
{
    if (config_data.output_format == OUTPUT_TEXT)
        raw_to_data_char(data, length, col_data, precision, scale, charset_form);
    else
        raw_to_data_raw(data, length, col_data, precision, scale, charset_form);
}

int check_col_data(const ub1* data, ub4 length, const COL_DATA* col_data, const COLUMN* column)
{
    switch (col_data->ora_type) {
    case ORA_ROWID:
        return length == ROWID_MAX_LEN || length == ROWID_EXT_MAX_LEN;
    case ORA_NUMBER:
        return length <= NUMBER_MAX_LEN && check_number(data, length);
    case ORA_DATE:
        return length == DATE_MAX_LEN && check_date(data, length);
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_LTZ:
        return (length == DATE_MAX_LEN || length == TIMESTAMP_MAX_LEN) && check_timestamp(data, length);
    case ORA_TIMESTAMP_TZ:
        return length == TIMESTAMP_TZ_MAX_LEN && check_timestamp_tz(data, length);
    case ORA_VARCHAR2:
    case ORA_VARCHAR:
    case ORA_CHAR:
        return fits_column(length, VARCHAR_MAX_LEN, column);
    case ORA_RAW:
        return fits_column(length, RAW_MAX_LEN, column);
    case ORA_BINARY_FLOAT:
        return length == BINARY_FLOAT_MAX_LEN;
    case ORA_BINARY_DOUBLE:
        return length == BINARY_DOUBLE_MAX_LEN;
    default:
        return 1;
    }
}

int raw_to_data_with_check_all(const ub1* data, ub4 length, PCOL_DATA col_data, const COLUMN* column)
{
    int checking = config_data.db_block_checking;
    int converted;
    switch (col_data->ora_type) {
    // The commonest types are checked and converted in one go, without the
    // two dispatches of the general path.
    case ORA_NUMBER:
        converted = raw_to_number_checked(data, length, col_data, checking);
        break;
    case ORA_DATE:
        converted = raw_to_date_checked(data, length, col_data, checking);
        break;
    case ORA_VARCHAR2:
    case ORA_CHAR:
        if (column->charset_form < CHARSET_FORM_NATIONAL) {
            converted = !checking || fits_column(length, VARCHAR_MAX_LEN, column);
            if (converted)
                raw_to_char(data, length, col_data);
            break;
        }
        [[fallthrough]];
    default:
        converted = !checking || check_col_data(data, length, col_data, column);
        if (converted)
            raw_to_data_char(data, length, col_data, column->precision, column->scale, column->charset_form);
        break;
    }
    if (!converted) {
        if (config_data.trace_level > TL_NO_TRACE)
            sp_printf("checking data of column '%s' failed.\n", column->name);
        set_col_null(col_data);
        return 0;
    }
    return 1;
}
