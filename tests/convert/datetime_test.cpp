#include <cstdio>
#include <random>

#include "convert_test_util.h"

namespace {

using DateText = ConvertTest;

// Stored DATE bytes; years BC are negative.
std::vector<ub1> date_bytes(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    int magnitude = year < 0 ? -year : year;
    int century = year < 0 ? 100 - magnitude / 100 : 100 + magnitude / 100;
    int yy = year < 0 ? 100 - magnitude % 100 : 100 + magnitude % 100;
    return {(ub1)century, (ub1)yy, (ub1)month, (ub1)day, (ub1)(hour + 1), (ub1)(minute + 1), (ub1)(second + 1)};
}

std::vector<ub1> with_nanos(std::vector<ub1> bytes, ub4 nanos)
{
    bytes.push_back((ub1)(nanos >> 24));
    bytes.push_back((ub1)(nanos >> 16));
    bytes.push_back((ub1)(nanos >> 8));
    bytes.push_back((ub1)nanos);
    return bytes;
}

// A TIMESTAMP WITH TIME ZONE of a UTC time and a zone of +-hours:minutes.
std::vector<ub1> tstz_bytes(std::vector<ub1> utc, ub4 nanos, bool west, int hours, int minutes)
{
    std::vector<ub1> bytes = with_nanos(utc, nanos);
    bytes.push_back((ub1)(west ? 20 - hours : 20 + hours));
    bytes.push_back((ub1)(west ? 60 - minutes : 60 + minutes));
    return bytes;
}

std::string tstz_text(const std::vector<ub1>& bytes, ub4 scale = 0)
{
    return convert_value(ORA_TIMESTAMP_TZ, bytes, scale);
}

TEST_F(DateText, DatesAndTimestamps)
{
    const std::vector<ub1> july = hex_bytes("78 6C 07 04 0B 1F 01");
    const std::vector<ub1> ts = with_nanos(july, 123456789); // 07 5B CD 15
    const struct {
        ub1 type;
        std::vector<ub1> bytes;
        ub4 scale;
        std::string text;
    } cases[] = {
        {ORA_DATE, july, 0, "2008-07-04 10:30:00"},
        {ORA_DATE, hex_bytes("78 6C 0D 04 0B 1F 01"), 0, ""}, // month 13: empty, not NULL
        {ORA_DATE, date_bytes(1, 1, 1), 0, "0001-01-01 00:00:00"},
        {ORA_DATE, date_bytes(9999, 12, 31, 23, 59, 59), 0, "9999-12-31 23:59:59"},
        {ORA_DATE, date_bytes(2000, 2, 29, 12), 0, "2000-02-29 12:00:00"},
        {ORA_DATE, date_bytes(-4712, 1, 1), 0, ""}, // a DATE before 1 AD is not accepted
        {ORA_DATE, hex_bytes("78 6C 07 04 0B 1F"), 0, ""},
        {ORA_DATE, hex_bytes("78 6C 07 04 0B 1F 01 01"), 0, ""},
        // The fraction follows the scale, up to nine digits.
        {ORA_TIMESTAMP, ts, 3, "2008-07-04 10:30:00.123"},
        {ORA_TIMESTAMP, ts, 0, "2008-07-04 10:30:00"},
        {ORA_TIMESTAMP, ts, 9, "2008-07-04 10:30:00.123456789"},
        {ORA_TIMESTAMP, ts, 12, "2008-07-04 10:30:00.123456789"},
        {ORA_TIMESTAMP_LTZ, ts, 6, "2008-07-04 10:30:00.123456"},
        {ORA_TIMESTAMP, with_nanos(date_bytes(2000, 1, 1), 1), 9, "2000-01-01 00:00:00.000000001"},
        {ORA_TIMESTAMP, with_nanos(date_bytes(2000, 1, 1), 1), 6, "2000-01-01 00:00:00.000000"},
        // A 7-byte TIMESTAMP is a DATE, checked as one.
        {ORA_TIMESTAMP, july, 6, "2008-07-04 10:30:00"},
        {ORA_TIMESTAMP_LTZ, hex_bytes("78 6C 0D 04 0B 1F 01"), 6, ""},
        {ORA_TIMESTAMP, hex_bytes("78 6C 07"), 6, ""},
        // Timestamps take years a DATE does not; unchecked garbage stays a
        // bounded text of the same shape.
        {ORA_TIMESTAMP, with_nanos(date_bytes(-4712, 1, 1), 0), 2, "-4712-01-01 00:00:00.00"},
        {ORA_TIMESTAMP, with_nanos(date_bytes(9999, 12, 31, 23, 59, 59), 999999999), 9,
         "9999-12-31 23:59:59.999999999"},
        {ORA_TIMESTAMP, hex_bytes("FF FF FF FF FF FF FF FF FF FF FF"), 9, "15655-55-55 54:54:54.429496729"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert_value(c.type, c.bytes, c.scale), c.text) << testing::PrintToString(c.bytes);
}

TEST_F(DateText, CheckDateFieldLimits)
{
    std::vector<ub1> good = date_bytes(2008, 7, 4, 10, 30);
    EXPECT_EQ(check_date(good.data(), 7), 1);
    EXPECT_EQ(check_date(good.data(), 6), 0);
    // Each field just inside and just outside its range.
    const struct {
        int offset;
        ub1 inside_low, inside_high, outside_low, outside_high;
    } fields[] = {{0, 100, 199, 99, 200}, {1, 100, 199, 99, 200}, {2, 1, 12, 0, 13}, {3, 1, 31, 0, 32},
                  {4, 1, 24, 0, 25},      {5, 1, 60, 0, 61},      {6, 1, 60, 0, 61}};
    for (const auto& f : fields) {
        std::vector<ub1> b = good;
        for (ub1 v : {f.inside_low, f.inside_high, f.outside_low, f.outside_high}) {
            b[f.offset] = v;
            EXPECT_EQ(check_date(b.data(), 7), v == f.inside_low || v == f.inside_high ? 1 : 0) << f.offset;
        }
    }
    std::vector<ub1> ts = with_nanos(good, 5);
    EXPECT_EQ(check_timestamp(ts.data(), 11), 1);
    ts[2] = 13;
    EXPECT_EQ(check_timestamp(ts.data(), 11), 0);
}

TEST_F(DateText, TimestampsWithZones)
{
    std::vector<ub1> utc = date_bytes(2000, 12, 31, 20, 0);
    const struct {
        std::vector<ub1> bytes;
        ub4 scale;
        std::string text;
    } cases[] = {
        // 02:30 UTC at +08:00 is 10:30 local.
        {tstz_bytes(date_bytes(2008, 7, 4, 2, 30), 123456789, false, 8, 0), 3, "2008-07-04 10:30:00.123 +08:00"},
        {hex_bytes("78 6C 07 04 10 1F 01 00 00 00 00 1C 3C"), 0, "2008-07-04 23:30:00 +08:00"},
        {hex_bytes("78 6C 07 04 10 1F 01 00 00 00 00 0F 3C"), 0, "2008-07-04 10:30:00 -05:00"},
        {hex_bytes("78 6C 07 04 10 1F 01 00 00 00 00 14 1E"), 0, "2008-07-04 15:00:00 -00:30"},
        // Zone hour byte with bit 0x80: a region id over bytes 11 and 12.
        {hex_bytes("78 77 03 0A 08 10 01 1D CD 65 00 86 4C"), 1, "2019-03-10 07:15:00.5 +00:00"},
        {tstz_bytes(utc, 0, false, 14, 0), 0, "2001-01-01 10:00:00 +14:00"},
        {tstz_bytes(utc, 0, true, 12, 0), 0, "2000-12-31 08:00:00 -12:00"},
        {tstz_bytes(utc, 0, false, 5, 45), 0, "2001-01-01 01:45:00 +05:45"},
        {tstz_bytes(utc, 0, true, 9, 30), 0, "2000-12-31 10:30:00 -09:30"},
        {tstz_bytes(utc, 0, false, 0, 0), 0, "2000-12-31 20:00:00 +00:00"},
        // Gregorian leap rules after 1582-10-15 ...
        {tstz_bytes(date_bytes(2000, 3, 1, 5), 0, true, 12, 0), 0, "2000-02-29 17:00:00 -12:00"},
        {tstz_bytes(date_bytes(1900, 3, 1, 5), 0, true, 12, 0), 0, "1900-02-28 17:00:00 -12:00"},
        // ... Julian ones before it, and the ten days that never were.
        {tstz_bytes(date_bytes(1500, 3, 1, 2), 0, true, 5, 0), 0, "1500-02-29 21:00:00 -05:00"},
        {tstz_bytes(date_bytes(1582, 10, 4, 20), 0, false, 8, 0), 0, "1582-10-15 04:00:00 +08:00"},
        {tstz_bytes(date_bytes(1582, 10, 15, 2), 0, true, 5, 0), 0, "1582-10-04 21:00:00 -05:00"},
        // Years a 32-bit time_t cannot hold, and across year 0 and 9999.
        {tstz_bytes(date_bytes(2100, 6, 1, 12), 0, false, 2, 0), 0, "2100-06-01 14:00:00 +02:00"},
        {tstz_bytes(date_bytes(1, 1, 1, 2), 0, true, 5, 0), 0, "-0001-12-31 21:00:00 -05:00"},
        {tstz_bytes(date_bytes(9999, 12, 31, 23), 0, false, 14, 0), 0, "10000-01-01 13:00:00 +14:00"},
        {tstz_bytes(date_bytes(-4712, 1, 1, 12), 0, false, 1, 0), 0, "-4712-01-01 13:00:00 +01:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tstz_text(c.bytes, c.scale), c.text) << testing::PrintToString(c.bytes);
}

TEST_F(DateText, TimestampWithZoneAgreesWithGregorianUtcArithmetic)
{
    // From 1583 on the calendar is the C library's proleptic Gregorian one, and
    // timegm/gmtime_r (which ignore TZ) give the same local times.
    std::mt19937 random(99);
    for (int i = 0; i < 20000; i++) {
        int year = 1583 + (int)(random() % (9998 - 1583));
        int month = 1 + (int)(random() % 12);
        int day = 1 + (int)(random() % 28);
        int hour = (int)(random() % 24), minute = (int)(random() % 60), second = (int)(random() % 60);
        bool west = random() % 2;
        int zone_hours = (int)(random() % (west ? 13 : 15));
        int zone_minutes = (int)(random() % 4) * 15;
        if (!west && zone_hours == 14)
            zone_minutes = 0;
        if (zone_hours == 0 && zone_minutes == 0)
            west = false; // 14 3C is "+00:00"
        struct tm t = {};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        time_t seconds = timegm(&t) + (west ? -1 : 1) * (zone_hours * 3600 + zone_minutes * 60);
        struct tm local;
        ASSERT_NE(gmtime_r(&seconds, &local), nullptr);
        char expected[64];
        snprintf(expected, sizeof(expected), "%04d-%02d-%02d %02d:%02d:%02d %c%02d:%02d", local.tm_year + 1900,
                 local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, west ? '-' : '+',
                 zone_hours, zone_minutes);
        std::vector<ub1> bytes = tstz_bytes(date_bytes(year, month, day, hour, minute, second), 0, west, zone_hours,
                                            zone_minutes);
        ASSERT_EQ(tstz_text(bytes), expected);
        ASSERT_EQ(check_timestamp_tz(bytes.data(), 13), 1);
    }
}

TEST_F(DateText, ImpossibleTimestampsWithZoneGiveEmptyText)
{
    std::vector<ub1> good = tstz_bytes(date_bytes(2008, 7, 4, 2, 30), 0, false, 8, 0);
    EXPECT_EQ(check_timestamp_tz(good.data(), 12), 0);
    // Zones out of range, and month 13.
    const std::vector<std::pair<int, ub1>> damage[] = {{{11, 7}},           {{11, 35}},           {{12, 0}}, {{12, 120}},
                                                       {{11, 15}, {12, 0}}, {{11, 15}, {12, 61}}, {{2, 13}}};
    for (const auto& changes : damage) {
        std::vector<ub1> b = good;
        for (auto [at, value] : changes)
            b[at] = value;
        EXPECT_EQ(tstz_text(b), "") << testing::PrintToString(b);
        EXPECT_EQ(check_timestamp_tz(b.data(), 13), 0);
    }
    std::vector<ub1> year_zero = good;
    year_zero[0] = year_zero[1] = 100;
    EXPECT_EQ(tstz_text(year_zero), "");
    EXPECT_EQ(check_timestamp_tz(year_zero.data(), 13), 0);
    EXPECT_EQ(tstz_text(std::vector<ub1>(good.begin(), good.begin() + 11)), "");
    // Never NULL, never without text: every byte pattern of the zone gives a text.
    for (int hb = 0; hb < 256; hb++)
        for (int mb = 0; mb < 256; mb += 5) {
            std::vector<ub1> b = good;
            b[11] = (ub1)hb;
            b[12] = (ub1)mb;
            ASSERT_NE(tstz_text(b), NULL_TEXT);
        }
}

TEST_F(DateText, Intervals)
{
    const struct {
        ub1 type;
        const char* hex;
        ub4 scale, precision;
        const char* text;
    } cases[] = {
        {ORA_INTERVAL_YM, "80 00 00 02 3F", 0, 0, "+02-03"},
        {ORA_INTERVAL_YM, "7F FF FF FF 3A", 0, 0, "-01-02"},
        {ORA_INTERVAL_YM, "80 00 00 02 3F", 0, 4, "+0002-03"},
        {ORA_INTERVAL_YM, "80 00 00 00 3C", 0, 0, "+00-00"},
        // Months out of range stay two digits.
        {ORA_INTERVAL_YM, "BB 9A C9 FF FF", 0, 9, "+999999999-95"},
        {ORA_INTERVAL_YM, "80 00 00 02", 0, 0, ""},
        // +1 02:03:04.5, then -1 02:03:04.5 with every field negative.
        {ORA_INTERVAL_DS, "80 00 00 01 3E 3F 40 9D CD 65 00", 6, 2, "+01 02:03:04.500000"},
        {ORA_INTERVAL_DS, "80 00 00 01 3E 3F 40 9D CD 65 00", 0, 2, "+01 02:03:04"},
        {ORA_INTERVAL_DS, "7F FF FF FF 3A 39 38 62 32 9B 00", 3, 3, "-001 02:03:04.500"},
        {ORA_INTERVAL_DS, "80 00 00 01 3E 3F 40 9D CD 65", 6, 2, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert_hex(c.type, c.hex, c.scale, c.precision), c.text) << c.hex;
}

} // namespace
