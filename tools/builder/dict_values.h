#pragma once
// Column values for the tables of a built database: each value holds its
// stored form (a Cell, encoded by the builder's own encoders) and the text
// an unload of it should give back, worked out here from the logical value
// and not from the program's converters:
//   NUMBER       plain decimal, no exponent, no trailing fraction zeros
//   DATE         "yyyy-mm-dd hh24:mi:ss"
//   TIMESTAMP    the date text, "." and exactly `scale` fraction digits
//   TIMESTAMP WITH TIME ZONE  the wall-clock time of its own zone, " +hh:mm"
//   RAW, LONG RAW  upper-case hexadecimal
//   ROWID        the 18-character extended form
//   BINARY_FLOAT/DOUBLE  "%.10f", "Inf", "-Inf", "Nan"
//   NVARCHAR2, NCHAR  stored in UTF-16 (big-endian), given back in UTF-8

#include <cstdint>
#include <string>
#include <vector>

#include "builder/rows.h"
#include "builder/table_rows.h"

namespace zb {

struct Value {
    Cell cell;
    std::string text; // "" for NULL
    // A CLOB or BLOB value: its text (UTF-8, or single-byte text as stored)
    // or bytes. The cell is not NULL but stays empty: the row's LOB column
    // bytes depend on where the LOB segment puts the value.
    bool is_lob = false;
    std::string lob_data;
};

Value v_null();
Value v_number(const std::string& decimal); // "-12.50" is given back as "-12.5"
Value v_int(int64_t value);
Value v_text(const std::string& text);                 // VARCHAR2, LONG
Value v_char(const std::string& text, uint32_t width); // CHAR: blank-padded to width
Value v_ntext(const std::string& utf8);                // NVARCHAR2
Value v_nchar(const std::string& utf8, uint32_t width_chars);
Value v_date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
Value v_timestamp(int year, int month, int day, int hour, int minute, int second, uint32_t nanos, int scale);
// A wall-clock time in a zone tz_minutes east of UTC.
Value v_timestamp_tz(int year, int month, int day, int hour, int minute, int second, uint32_t nanos, int scale,
                     int tz_minutes);
Value v_raw(const std::vector<uint8_t>& bytes);
Value v_rowid(uint32_t data_object, uint32_t rfile, uint32_t block, uint16_t row);
Value v_binary_float(float value);
Value v_binary_double(double value);
// A CLOB's text and a BLOB's bytes, both given back as they are (inline or
// in their LOB files). The column decides how the LOB segment stores them.
Value v_clob(const std::string& text);
Value v_blob(const std::string& bytes);

// A table row: every value in the table's column (COL#) order; the builder
// stores them in segment order.
struct DictRow {
    std::vector<Value> values;
    bool deleted = false;  // stored with the D flag: never unloaded
    bool migrated = false; // head piece in one block, the row in the next
};

DictRow row_of(std::vector<Value> values);

std::string utf16be_from_utf8(const std::string& utf8);
std::string hex_upper(const std::vector<uint8_t>& bytes);
std::string canonical_decimal(const std::string& decimal);

} // namespace zb
