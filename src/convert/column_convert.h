#pragma once
// Column values from their stored Oracle form to the value an output writer
// stores (text, or the bytes unchanged), and the validators that reject
// implausible values.
//
// A converter fills a COL_DATA: is_null 0 and common_data with the result
// (str_data, zero-terminated, or data), data_len its length. An implausible
// value of a fixed-format type gives the empty text, never a NULL, except a
// ROWID of unknown length, which is NULL. Nothing here allocates for results
// that fit the COL_DATA's inline area, and nothing reads outside
// [data, data + length) or writes past a result buffer, whatever the bytes.

#include "base/types.h"
#include "convert/number_text.h"
#include "engine/unload_model.h"

// Text sizes, terminator included, of the fixed-format results.
constexpr ub4 NUMBER_TEXT_LEN = 176;    // "-0." + 128 zeros + 42 digits
constexpr ub4 DATETIME_TEXT_LEN = 64;   // date, time, fraction and zone
constexpr ub4 FLOAT_TEXT_LEN = 336;     // "%.10f" of the largest double
constexpr ub4 INTERVAL_TEXT_LEN = 48;

// Share of good bytes a text must exceed to be plausible, compared as a
// single-precision number (0.8500000238): exactly 85 % is not enough.
constexpr float SIMILAR_RATIO = 0.85f;

// n (0 to 99) as exactly two decimal digits; any other n is taken modulo 100.
void fill_2_num(char* out, int n);
// A byte as two upper-case hexadecimal digits.
void fill_2_hex(char* out, ub1 byte);

// Texts into caller buffers of the sizes above; each returns the text length
// (0 for the empty text).
ub4 get_number_text(const ub1* data, ub4 length, char* out);
ub4 get_date_text(const ub1* data, ub4 length, char* out);
// The text the converters write into a COL_DATA's inline area, written into
// `out` instead (no terminator), for a writer that takes stored values
// straight to its own buffer (get_short_number_text in number_text.h does
// the same for NUMBER): a DATE of 7 bytes that check_date accepts gives
// DATE_PLAIN_TEXT_LEN characters (YYYY-MM-DD HH:MI:SS), any other 0.
constexpr ub4 DATE_PLAIN_TEXT_LEN = 19;
ub4 get_plain_date_text(const ub1* data, ub4 length, char* out);
ub4 get_timestamp_text(const ub1* data, ub4 length, ub4 scale, char* out);
ub4 get_timestamp_tz_text(const ub1* data, ub4 length, ub4 scale, char* out);
ub4 get_interval_ym_text(const ub1* data, ub4 length, ub4 precision, char* out);
ub4 get_interval_ds_text(const ub1* data, ub4 length, ub4 precision, ub4 scale, char* out);
ub4 get_binary_double_text(double value, char* out);
// The stored forms: the sign bit of a non-negative number is flipped, every
// bit of a negative number is inverted, both big-endian. FALSE on a wrong
// length.
int get_binary_float(const ub1* data, ub4 length, float* value);
int get_binary_double(const ub1* data, ub4 length, double* value);

void raw_to_number(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_date(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_timestamp(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 scale);
void raw_to_timestamp_ltz(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 scale);
void raw_to_timestamp_tz(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 scale);
void raw_to_interval_ym(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision);
void raw_to_interval_ds(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision, ub4 scale);
void raw_to_rowid(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_binary_float(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_binary_double(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_char(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_nchar(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_hex(const ub1* data, ub4 length, PCOL_DATA col_data);
void raw_to_raw(const ub1* data, ub4 length, PCOL_DATA col_data);
// CLOB text through clob_iconv; returns the input bytes consumed (an
// incomplete character at the end is left). `flag` is non-zero for the first
// block of a value.
ub4 clob_to_char(const ub1* data, ub4 length, PCOL_DATA col_data, int flag);

// Dispatch by col_data->ora_type.
void raw_to_data_char(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision, ub4 scale,
                      ub4 charset_form);
void raw_to_data_raw(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision, ub4 scale,
                     ub4 charset_form);
void raw_to_data(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 precision, ub4 scale, ub4 charset_form);
// The check and the conversion of the commonest types in one pass: with
// `checking` non-zero, 0 and a NULL value for what check_col_data rejects;
// otherwise 1 with the value as raw_to_number or raw_to_date makes it.
int raw_to_number_checked(const ub1* data, ub4 length, PCOL_DATA col_data, int checking);
int raw_to_date_checked(const ub1* data, ub4 length, PCOL_DATA col_data, int checking);
// raw_to_data_with_check for every case: the other types, and a value data
// checking rejects (reported, then NULL).
int raw_to_data_with_check_all(const ub1* data, ub4 length, PCOL_DATA col_data, const COLUMN* column);
// 1 converted, 0 rejected by data checking (the value is then NULL). Inline
// for the NUMBER, DATE and database-character-set text that convert, once
// per column of every row.
inline int raw_to_data_with_check(const ub1* data, ub4 length, PCOL_DATA col_data, const COLUMN* column)
{
    int checking = config_data.db_block_checking;
    switch (col_data->ora_type) {
    case ORA_NUMBER:
        if (raw_to_number_checked(data, length, col_data, checking))
            return 1;
        break;
    case ORA_DATE:
        if (raw_to_date_checked(data, length, col_data, checking))
            return 1;
        break;
    case ORA_VARCHAR2:
    case ORA_CHAR:
        // Charset form 2 is national text, converted through iconv.
        if (column->charset_form < 2 &&
            (!checking || (length <= VARCHAR_MAX_LEN && (column->length == 0 || length <= column->length)))) {
            raw_to_char(data, length, col_data);
            return 1;
        }
        break;
    default:
        break;
    }
    return raw_to_data_with_check_all(data, length, col_data, column);
}

// Validators: 1 plausible, 0 not.
int check_col_data(const ub1* data, ub4 length, const COL_DATA* col_data, const COLUMN* column);
int check_number(const ub1* data, ub4 length);
int check_date(const ub1* data, ub4 length);
int check_timestamp(const ub1* data, ub4 length);
int check_timestamp_tz(const ub1* data, ub4 length);
int check_rowid(const ub1* data, ub4 length);
int check_binary_float(const ub1* data, ub4 length);
int check_binary_double(const ub1* data, ub4 length);
int check_ascii_chr(ub1 c);
int check_ascii_str(const ub1* data, ub4 length);
// Length of the good character at p (1 or 2), or 0.
int check_gb_chr(const ub1* p, ub4 remaining);
int check_gb_str(const ub1* data, ub4 length);
int check_wc_gb_chr(ub4 code);
int check_utf8_str(const ub1* data, ub4 length);
int check_utf16_str(const ub1* data, ub4 length);
// Bytes used by the character at p, 0 for an invalid sequence.
int utf8_mbtowc(ub4* code, const ub1* p, ub4 remaining);
int ucs2be_mbtowc(ub4* code, const ub1* p, ub4 remaining);
