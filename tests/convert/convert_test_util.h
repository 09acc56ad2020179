#pragma once
// Helpers of the column conversion tests: hex-text byte vectors, one-call
// conversions to std::string, and a fixture that starts every test from the
// default configuration. That no process time zone changes a result is
// checked once, over every converter, in zone_test.cpp.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/config.h"
#include "convert/column_convert.h"

// "C1 06 33" -> {0xC1, 0x06, 0x33}; blanks between bytes are optional.
inline std::vector<ub1> hex_bytes(const std::string& text)
{
    std::vector<ub1> bytes;
    int high = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back((ub1)(high * 16 + v));
            high = -1;
        }
    }
    return bytes;
}

constexpr const char* NULL_TEXT = "<NULL>";

// The value of a converted COL_DATA as the text writer would see it.
inline std::string col_value(const COL_DATA& cd)
{
    if (cd.is_null)
        return NULL_TEXT;
    if (cd.common_data.data == nullptr)
        return "<NONE>";
    return std::string((const char*)cd.common_data.data, cd.data_len);
}

// Converts through the text dispatch. The bytes go into a buffer of exactly
// their length, so a converter reading past them trips AddressSanitizer.
inline std::string convert_value(ub1 ora_type, const std::vector<ub1>& bytes, ub4 scale = 0, ub4 precision = 0,
                                 ub4 charset_form = 1)
{
    std::vector<ub1> exact(bytes);
    COL_DATA cd;
    init_col_data(&cd);
    cd.ora_type = ora_type;
    raw_to_data_char(exact.data(), (ub4)exact.size(), &cd, precision, scale, charset_form);
    std::string value = col_value(cd);
    if (!cd.is_null && cd.data_type == CDT_TEXT) {
        EXPECT_EQ(cd.common_data.str_data[cd.data_len], '\0') << "text not terminated";
    }
    release_col_data(&cd);
    return value;
}

inline std::string convert_hex(ub1 ora_type, const std::string& hex, ub4 scale = 0, ub4 precision = 0)
{
    return convert_value(ora_type, hex_bytes(hex), scale, precision);
}

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override { init_config_data(); }
    void TearDown() override { init_config_data(); }
};
