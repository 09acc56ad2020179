// The dictionary builder's value encodings and their expected texts, pinned
// as bytes apart from the readers (the end-to-end tests read what it builds
// with zem).

#include <gtest/gtest.h>

#include "builder/dictionary.h"

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back((uint8_t)v);
    return out;
}

} // namespace

TEST(DictValues, StoredFormsAndTexts)
{
    EXPECT_EQ(zb::v_number("-12.50").text, "-12.5");
    EXPECT_EQ(zb::canonical_decimal("000.100"), "0.1");
    EXPECT_EQ(zb::canonical_decimal("-0.000"), "0");
    EXPECT_EQ(zb::v_number("100").cell.bytes, bytes({0xc2, 0x02}));
    zb::Value rowid = zb::v_rowid(1, 4, 1, 0);
    EXPECT_EQ(rowid.text, "AAAAABAAEAAAAABAAA");
    EXPECT_EQ(rowid.cell.bytes, bytes({0, 0, 0, 1, 1, 0, 0, 1, 0, 0}));
    EXPECT_EQ(zb::v_date(2008, 7, 4, 10, 30).text, "2008-07-04 10:30:00");
    EXPECT_EQ(zb::v_date(2008, 7, 4, 10, 30).cell.bytes, bytes({0x78, 0x6c, 7, 4, 11, 31, 1}));
    EXPECT_EQ(zb::v_timestamp(2024, 2, 29, 13, 45, 10, 123456000, 3).text, "2024-02-29 13:45:10.123");
    EXPECT_EQ(zb::v_timestamp(2024, 2, 29, 13, 45, 10, 123456000, 0).text, "2024-02-29 13:45:10");
    zb::Value tz = zb::v_timestamp_tz(2008, 7, 4, 10, 30, 0, 0, 3, -330);
    EXPECT_EQ(tz.text, "2008-07-04 10:30:00.000 -05:30");
    EXPECT_EQ(tz.cell.bytes.size(), 13u);
    EXPECT_EQ(tz.cell.bytes[11], 15); // zone hour + 20
    EXPECT_EQ(tz.cell.bytes[12], 30); // zone minute + 60
    EXPECT_EQ(zb::v_binary_float(1.5f).text, "1.5000000000");
    EXPECT_EQ(zb::v_binary_double(-0.0).text, "-0.0000000000");
    EXPECT_EQ(zb::v_raw({0x00, 0x0a, 0xff}).text, "000AFF");
    EXPECT_EQ(zb::v_char("ab", 4).text, "ab  ");
    zb::Value nchar = zb::v_nchar("\xce\xa9", 2);
    EXPECT_EQ(nchar.cell.bytes, bytes({0x03, 0xa9, 0x00, 0x20}));
    EXPECT_EQ(nchar.text, "\xce\xa9 ");
    EXPECT_TRUE(zb::v_null().cell.is_null);
}
