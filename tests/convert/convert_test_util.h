#pragma once
// Helpers of the column conversion tests: hex-text byte vectors, one-call
// conversions to std::string, and a fixture that runs each test under
// several process time zones, none of which may change a result.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
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

// Process time zones the conversions run under: none may change a result.
// The last is a POSIX rule, so it needs no zone file: UTC+13:45.
inline const char* const TEST_ZONES[] = {"UTC", "America/New_York", "<+1345>-13:45"};

// Sets TZ for one test and restores it afterwards; every test starts from
// the default configuration.
class ZoneTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        init_config_data();
        const char* old = getenv("TZ");
        had_zone_ = old != nullptr;
        if (had_zone_)
            saved_zone_ = old;
        setenv("TZ", GetParam(), 1);
        tzset();
    }
    void TearDown() override
    {
        if (had_zone_)
            setenv("TZ", saved_zone_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool had_zone_ = false;
    std::string saved_zone_;
};

inline std::string zone_test_name(const ::testing::TestParamInfo<const char*>& info)
{
    std::string name;
    for (const char* p = info.param; *p; p++)
        name += (isalnum((unsigned char)*p) ? *p : '_');
    return name;
}

#define INSTANTIATE_ZONE_TESTS(suite) \
    INSTANTIATE_TEST_SUITE_P(Zones, suite, ::testing::ValuesIn(TEST_ZONES), zone_test_name)
