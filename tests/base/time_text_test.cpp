#include <gtest/gtest.h>

#include "base/time_text.h"
#include "support/capture.h"

namespace {

std::string decode(ub4 value)
{
    char text[TIME_STR_LEN];
    time_t t = mktime_1988(value);
    return t == (time_t)-1 ? "invalid" : get_time_str(t, text);
}

ub4 encode(int year, int month, int day, int hour, int minute, int second)
{
    return (ub4)((((((year - 1988) * 12 + (month - 1)) * 31 + (day - 1)) * 24 + hour) * 60 + minute) * 60 + second);
}

} // namespace

// The stamps read back as the same wall-clock text in any zone, summer or
// winter, whatever the season of the day the test runs.
class Mktime1988Test : public ::testing::TestWithParam<const char*> {};

TEST_P(Mktime1988Test, DecodesWallClockText)
{
    ScopedTimeZone tz(GetParam());
    EXPECT_EQ(decode(0), "1988-01-01 00:00:00");
    EXPECT_EQ(decode(60), "1988-01-01 00:01:00");
    EXPECT_EQ(decode(encode(2024, 7, 15, 12, 34, 56)), "2024-07-15 12:34:56");
    EXPECT_EQ(decode(encode(2023, 1, 31, 23, 59, 59)), "2023-01-31 23:59:59");
    EXPECT_EQ(decode(encode(2023, 4, 31, 8, 0, 0)), "2023-05-01 08:00:00"); // day 31 of April rolls over
    EXPECT_EQ(decode(encode(2024, 2, 30, 0, 0, 0)), "2024-03-01 00:00:00");
    EXPECT_EQ(decode(0xffffffffu).substr(0, 4), "2121");
}

INSTANTIATE_TEST_SUITE_P(Zones, Mktime1988Test, ::testing::Values("UTC", "Europe/Berlin", "America/New_York"));

TEST(TimeText, FormatsAndRefusesWhatDoesNotFit)
{
    ScopedTimeZone tz("UTC");
    char text[TIME_STR_LEN];
    EXPECT_STREQ(get_time_str(0, text), "1970-01-01 00:00:00");
    EXPECT_STREQ(get_time_str((time_t)253402300799LL, text), "9999-12-31 23:59:59");
    EXPECT_STREQ(get_time_str((time_t)253402300800LL, text), ""); // five-digit year does not fit
    EXPECT_EQ(strlen(current_time_str(text)), 19u);
}
