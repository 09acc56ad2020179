// Column conversion: arbitrary bytes through every converter and validator.
// Input: byte 0 chooses the type, byte 1 the options (bits 0-3 scale, bits
// 4-5 precision, bit 6 national character set form, bit 7 data checking),
// the rest is the stored value.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/config.h"
#include "convert/column_convert.h"
#include "fuzz_support.h"
#include "support_seeds.h"

namespace {

const ub1 FUZZ_TYPES[] = {ORA_NUMBER,        ORA_VARCHAR2,     ORA_CHAR,         ORA_LONG,
                          ORA_DATE,          ORA_RAW,          ORA_LONG_RAW,     ORA_ROWID,
                          ORA_BINARY_FLOAT,  ORA_BINARY_DOUBLE, ORA_TIMESTAMP,   ORA_TIMESTAMP_LTZ,
                          ORA_TIMESTAMP_TZ,  ORA_INTERVAL_YM,  ORA_INTERVAL_DS,  ORA_GUESS,
                          ORA_VARCHAR,       ORA_CLOB,         ORA_UROWID,       ORA_NOT_INIT};
constexpr ub1 FUZZ_TYPE_CNT = sizeof(FUZZ_TYPES);

void require(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "convert_fuzz: %s\n", what);
        abort();
    }
}

// A converted value must be a terminated text of its own length, or bytes.
void check_result(const COL_DATA* cd, ub4 max_text)
{
    if (cd->is_null)
        return;
    require(cd->common_data.data != nullptr, "value without result");
    if (cd->data_type == CDT_TEXT) {
        require(cd->common_data.str_data[cd->data_len] == '\0', "text not terminated");
        require(cd->data_len < max_text, "text longer than its type allows");
    }
}

ub4 get_max_text(ub1 type, ub4 length)
{
    switch (type) {
    case ORA_NUMBER:
        return NUMBER_TEXT_LEN;
    case ORA_DATE:
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_LTZ:
    case ORA_TIMESTAMP_TZ:
        return DATETIME_TEXT_LEN;
    case ORA_INTERVAL_YM:
    case ORA_INTERVAL_DS:
        return INTERVAL_TEXT_LEN;
    case ORA_BINARY_FLOAT:
    case ORA_BINARY_DOUBLE:
        return FLOAT_TEXT_LEN;
    case ORA_ROWID:
        return 19;
    default:
        return length * 4 + 2;
    }
}

// The fixed-format texts into buffers of exactly the documented size, so
// one byte too many is an overflow the sanitizer reports.
void run_text_writers(const ub1* value, ub4 length, ub4 scale, ub4 precision)
{
    char* number = (char*)malloc(NUMBER_TEXT_LEN);
    char* datetime = (char*)malloc(DATETIME_TEXT_LEN);
    char* interval = (char*)malloc(INTERVAL_TEXT_LEN);
    char* floating = (char*)malloc(FLOAT_TEXT_LEN);
    require(get_number_text(value, length, number) < NUMBER_TEXT_LEN, "number");
    require(get_date_text(value, length, datetime) < DATETIME_TEXT_LEN, "date");
    require(get_timestamp_text(value, length, scale, datetime) < DATETIME_TEXT_LEN, "timestamp");
    require(get_timestamp_tz_text(value, length, scale, datetime) < DATETIME_TEXT_LEN, "timestamp tz");
    require(get_interval_ym_text(value, length, precision, interval) < INTERVAL_TEXT_LEN, "interval ym");
    require(get_interval_ds_text(value, length, precision, scale, interval) < INTERVAL_TEXT_LEN, "interval ds");
    if (length >= 8) {
        double d;
        memcpy(&d, value, 8);
        require(get_binary_double_text(d, floating) < FLOAT_TEXT_LEN, "double");
    }
    free(number);
    free(datetime);
    free(interval);
    free(floating);
}

void run_validators(const ub1* value, ub4 length)
{
    check_number(value, length);
    check_date(value, length);
    check_timestamp(value, length);
    check_timestamp_tz(value, length);
    check_rowid(value, length);
    check_binary_float(value, length);
    check_binary_double(value, length);
    check_ascii_str(value, length);
    check_gb_str(value, length);
    check_utf8_str(value, length);
    check_utf16_str(value, length);
    for (ub4 pos = 0; pos < length; pos++) {
        ub4 code;
        int n = utf8_mbtowc(&code, value + pos, length - pos);
        require(n >= 0 && (ub4)n <= length - pos, "utf8 length");
        n = ucs2be_mbtowc(&code, value + pos, length - pos);
        require(n >= 0 && (ub4)n <= length - pos, "ucs2 length");
        n = check_gb_chr(value + pos, length - pos);
        require(n >= 0 && (ub4)n <= length - pos, "gb length");
        check_wc_gb_chr(code);
    }
}

void make_seed(const char* name, ub1 type, ub1 options, const char* bytes, size_t length)
{
    ub1 selector = 0;
    for (ub1 i = 0; i < FUZZ_TYPE_CNT; i++)
        if (FUZZ_TYPES[i] == type)
            selector = i;
    std::string input;
    input += (char)selector;
    input += (char)options;
    input.append(bytes, length);
    write_seed("convert_fuzz", name, input);
}

void make_seeds()
{
    make_seed("number", ORA_NUMBER, 0x80, "\xC1\x06\x33", 3);
    make_seed("number_negative", ORA_NUMBER, 0x80, "\x3E\x5F\x66", 3);
    make_seed("date", ORA_DATE, 0x80, "\x78\x6C\x07\x04\x0B\x1F\x01", 7);
    make_seed("timestamp", ORA_TIMESTAMP, 0x86, "\x78\x6C\x07\x04\x0B\x1F\x01\x07\x5B\xCD\x15", 11);
    make_seed("timestamp_tz", ORA_TIMESTAMP_TZ, 0x83,
               "\x78\x6C\x07\x04\x03\x1F\x01\x07\x5B\xCD\x15\x1C\x3C", 13);
    make_seed("interval_ds", ORA_INTERVAL_DS, 0x26, "\x80\x00\x00\x01\x3E\x3F\x40\x9D\xCD\x65\x00", 11);
    make_seed("binary_float", ORA_BINARY_FLOAT, 0x80, "\x3C\xF9\x8C\xCC", 4);
    make_seed("binary_double", ORA_BINARY_DOUBLE, 0x80, "\xBF\xF8\x00\x00\x00\x00\x00\x00", 8);
    make_seed("rowid", ORA_ROWID, 0x80, "\x00\x00\x00\x01\x01\x00\x00\x01\x00\x00", 10);
    make_seed("nvarchar", ORA_VARCHAR2, 0xC0, "\x00\x41\x4E\x2D", 4);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    init_config_data();
    if (getenv("ZEM_FUZZ_MAKE_SEEDS") != nullptr)
        make_seeds();
    fuzz_quiet_scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    ub1 type = FUZZ_TYPES[data[0] % FUZZ_TYPE_CNT];
    ub1 options = data[1];
    const ub1* value = data + 2;
    ub4 length = (ub4)(size - 2 > COL_DATA_MAXLEN ? COL_DATA_MAXLEN : size - 2);
    ub4 scale = options & 0x0F;
    ub4 precision = (options >> 4) & 0x03;

    COLUMN column;
    init_column(&column, "C", type, 1);
    column.scale = (ub2)scale;
    column.precision = (ub2)precision;
    column.charset_form = (options & 0x40) ? 2 : 1;
    column.length = data[0] >= 128 ? length / 2 : 0;
    config_data.db_block_checking = options >> 7;

    COL_DATA cd;
    init_col_data(&cd);
    cd.ora_type = type;
    raw_to_data_with_check(value, length, &cd, &column);
    check_result(&cd, get_max_text(type, length));
    // Converting again into the same record drops the first result.
    raw_to_data_raw(value, length, &cd, precision, scale, column.charset_form);
    check_result(&cd, get_max_text(type, length));
    require(clob_to_char(value, length, &cd, 1) <= length, "clob consumed more than given");
    release_col_data(&cd);

    check_col_data(value, length, &cd, &column);
    run_validators(value, length);
    run_text_writers(value, length, scale, precision);
    return 0;
}
