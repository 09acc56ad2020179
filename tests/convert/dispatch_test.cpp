#include "base/trace.h"
#include "convert_test_util.h"
#include "support/capture.h"

namespace {

using Dispatch = ConvertTest;

COLUMN make_column(ub1 type, ub4 length = 0, ub2 scale = 0)
{
    COLUMN c;
    init_column(&c, "C1", type, 1);
    c.length = length;
    c.scale = scale;
    c.charset_form = 1;
    return c;
}

// Every converted type goes through the dispatch in its own tests; these
// types have no conversion and stay NULL.
TEST_F(Dispatch, TypesWithoutAConverterStayNull)
{
    for (ub1 type : {ORA_VARCHAR, ORA_CLOB, ORA_BLOB, ORA_UROWID, ORA_TIME, ORA_NOT_INIT})
        EXPECT_EQ(convert_hex(type, "41", 3), NULL_TEXT) << (int)type;
}

TEST_F(Dispatch, GuessAndRawOutputKeepBytes)
{
    std::vector<ub1> b = hex_bytes("00 41 FF");
    COL_DATA cd;
    init_col_data(&cd);
    cd.ora_type = ORA_GUESS;
    raw_to_data_char(b.data(), 3, &cd, 0, 0, 1);
    EXPECT_EQ(cd.data_type, CDT_BYTES);
    EXPECT_EQ(col_value(cd), std::string("\x00\x41\xFF", 3));
    release_col_data(&cd);

    const ub1 copied[] = {ORA_VARCHAR2, ORA_NUMBER, ORA_LONG, ORA_DATE, ORA_RAW, ORA_LONG_RAW,
                          ORA_ROWID, ORA_CHAR, ORA_TIMESTAMP, ORA_TIMESTAMP_TZ, ORA_TIMESTAMP_LTZ};
    for (ub1 type : copied) {
        init_col_data(&cd);
        cd.ora_type = type;
        raw_to_data_raw(b.data(), 3, &cd, 0, 0, 1);
        EXPECT_EQ(col_value(cd), std::string("\x00\x41\xFF", 3)) << (int)type;
        release_col_data(&cd);
    }
    const ub1 skipped[] = {ORA_BINARY_FLOAT, ORA_BINARY_DOUBLE, ORA_CLOB, ORA_INTERVAL_DS, ORA_GUESS};
    for (ub1 type : skipped) {
        init_col_data(&cd);
        cd.ora_type = type;
        raw_to_data_raw(b.data(), 3, &cd, 0, 0, 1);
        EXPECT_EQ(cd.is_null, 1) << (int)type;
        release_col_data(&cd);
    }

    std::vector<ub1> number = hex_bytes("C1 02");
    config_data.output_format = OUTPUT_DMP;
    init_col_data(&cd);
    cd.ora_type = ORA_NUMBER;
    raw_to_data(number.data(), 2, &cd, 0, 0, 1);
    EXPECT_EQ(col_value(cd), "\xC1\x02");
    config_data.output_format = OUTPUT_TEXT;
    raw_to_data(number.data(), 2, &cd, 0, 0, 1);
    EXPECT_EQ(col_value(cd), "1");
    release_col_data(&cd);
}

TEST_F(Dispatch, CheckColDataByType)
{
    const struct {
        ub1 type;
        ub4 column_length;
        const char* hex;
        int accepted;
    } cases[] = {
        {ORA_ROWID, 0, "00 00 00 00 00 00", 1},
        {ORA_ROWID, 0, "00 00 00 00 00 00 00 00 00 00", 1},
        {ORA_ROWID, 0, "00 00 00 00 00 00 00", 0},
        {ORA_NUMBER, 0, "C1 02", 1},
        {ORA_NUMBER, 0, "C1 65", 0},
        {ORA_DATE, 0, "78 6C 07 04 0B 1F 01", 1},
        {ORA_DATE, 0, "78 6C 07 04 0B 1F 01 01", 0},
        {ORA_DATE, 0, "78 6C 0D 04 0B 1F 01", 0},
        {ORA_TIMESTAMP, 0, "78 6C 07 04 0B 1F 01", 1},
        {ORA_TIMESTAMP_LTZ, 0, "78 6C 07 04 0B 1F 01 00 00 00 01", 1},
        {ORA_TIMESTAMP, 0, "78 6C 07 04 0B 1F 01 00 00 01", 0},
        {ORA_TIMESTAMP_TZ, 0, "78 6C 07 04 03 1F 01 00 00 00 00 1C 3C", 1},
        {ORA_TIMESTAMP_TZ, 0, "78 6C 07 04 03 1F 01 00 00 00 00 1C", 0},
        {ORA_VARCHAR2, 3, "41 42 43", 1},
        {ORA_VARCHAR2, 3, "41 42 43 44", 0},
        {ORA_CHAR, 0, "41 42 43 44", 1},
        {ORA_VARCHAR, 2, "41 42 43", 0},
        {ORA_RAW, 2, "41 42", 1},
        {ORA_RAW, 2, "41 42 43", 0},
        {ORA_BINARY_FLOAT, 0, "BF C0 00 00", 1},
        {ORA_BINARY_FLOAT, 0, "BF C0 00", 0},
        {ORA_BINARY_DOUBLE, 0, "BF C0 00 00 00 00 00 00", 1},
        {ORA_BINARY_DOUBLE, 0, "BF C0 00 00", 0},
        {ORA_LONG, 1, "41 42 43", 1},
        {ORA_INTERVAL_YM, 0, "00", 1},
    };
    for (const auto& c : cases) {
        std::vector<ub1> b = hex_bytes(c.hex);
        COLUMN column = make_column(c.type, c.column_length);
        COL_DATA cd;
        init_col_data(&cd);
        cd.ora_type = c.type;
        EXPECT_EQ(check_col_data(b.data(), (ub4)b.size(), &cd, &column), c.accepted)
            << (int)c.type << " " << c.hex;
    }
    // Character limits of the type itself, with a column length of 0.
    std::vector<ub1> text(4001, 'a');
    COLUMN column = make_column(ORA_VARCHAR2);
    COL_DATA cd;
    init_col_data(&cd);
    cd.ora_type = ORA_VARCHAR2;
    EXPECT_EQ(check_col_data(text.data(), 4000, &cd, &column), 1);
    EXPECT_EQ(check_col_data(text.data(), 4001, &cd, &column), 0);
    cd.ora_type = ORA_RAW;
    EXPECT_EQ(check_col_data(text.data(), 2000, &cd, &column), 1);
    EXPECT_EQ(check_col_data(text.data(), 2001, &cd, &column), 0);
}

TEST_F(Dispatch, DataCheckingRejectsToNull)
{
    config_data.db_block_checking = 1;
    COLUMN column = make_column(ORA_VARCHAR2, 3);
    std::vector<ub1> too_long = hex_bytes("41 42 43 44");
    COL_DATA cd;
    init_col_data(&cd);
    cd.ora_type = ORA_VARCHAR2;
    config_data.trace_level = TL_MIN_TRACE;
    int result = 1;
    std::string out = capture_stdout([&] { result = raw_to_data_with_check(too_long.data(), 4, &cd, &column); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(cd.is_null, 1);
    EXPECT_EQ(out, "checking data of column 'C1' failed.\n");
    config_data.trace_level = TL_NO_TRACE;
    out = capture_stdout([&] { result = raw_to_data_with_check(too_long.data(), 4, &cd, &column); });
    EXPECT_EQ(out, "");

    // A 7-byte TIMESTAMP passes; with checking off an impossible DATE is
    // converted to the empty text.
    COLUMN ts = make_column(ORA_TIMESTAMP, 11, 6);
    std::vector<ub1> date = hex_bytes("78 6C 07 04 0B 1F 01");
    cd.ora_type = ORA_TIMESTAMP;
    EXPECT_EQ(raw_to_data_with_check(date.data(), 7, &cd, &ts), 1);
    EXPECT_EQ(col_value(cd), "2008-07-04 10:30:00");
    config_data.db_block_checking = 0;
    date[2] = 13;
    COLUMN d = make_column(ORA_DATE);
    cd.ora_type = ORA_DATE;
    EXPECT_EQ(raw_to_data_with_check(date.data(), 7, &cd, &d), 1);
    EXPECT_EQ(col_value(cd), "");
    EXPECT_EQ(cd.is_null, 0);
    release_col_data(&cd);
}

// Results up to 47 characters live in the record, longer ones in a buffer of
// their own; a value replaces the last whichever way it is kept.
TEST_F(Dispatch, ValuesAroundTheInlineLimitReplaceEachOther)
{
    COL_DATA cd;
    init_col_data(&cd);
    for (size_t length : {(size_t)COL_DATA_INLINE_LEN - 1, (size_t)COL_DATA_INLINE_LEN, (size_t)3, (size_t)200, (size_t)0}) {
        std::string text(length, (char)('a' + length % 26));
        cd.ora_type = ORA_VARCHAR2;
        raw_to_data_char((const ub1*)text.data(), (ub4)text.size(), &cd, 0, 0, 1);
        EXPECT_EQ(col_value(cd), text);
        EXPECT_EQ(cd.common_data.str_data[cd.data_len], '\0');
        // Only a text whose terminator fits is kept in the record's own area.
        EXPECT_EQ(cd.common_data.str_data == cd.inline_data, length + 1 <= COL_DATA_INLINE_LEN) << length;
    }
    release_col_data(&cd);
    EXPECT_EQ(cd.common_data.data, nullptr);
}

} // namespace
