#include <cstdio>
#include <random>

#include "convert_test_util.h"

namespace {

class DateText : public ZoneTest {};
INSTANTIATE_ZONE_TESTS(DateText);
class TimestampTzText : public ZoneTest {};
INSTANTIATE_ZONE_TESTS(TimestampTzText);
class IntervalText : public ZoneTest {};
INSTANTIATE_ZONE_TESTS(IntervalText);

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

TEST_P(DateText, ReferenceValues)
{
    EXPECT_EQ(convert_hex(ORA_DATE, "78 6C 07 04 0B 1F 01"), "2008-07-04 10:30:00");
    EXPECT_EQ(convert_hex(ORA_DATE, "78 6C 0D 04 0B 1F 01"), ""); // month 13: empty, not NULL
}

TEST_P(DateText, TwoDigitFields)
{
    const struct {
        int n;
        const char* text;
    } cases[] = {{0, "00"}, {7, "07"}, {10, "10"}, {99, "99"}, {100, "00"}, {254, "54"}, {-1, "99"}};
    for (const auto& c : cases) {
        char out[3] = {'x', 'x', 'x'};
        fill_2_num(out, c.n);
        EXPECT_EQ(std::string(out, 2), c.text) << c.n;
        EXPECT_EQ(out[2], 'x'); // exactly two characters
    }
}

TEST_P(DateText, RangeEndsLeapDaysAndBc)
{
    EXPECT_EQ(convert_value(ORA_DATE, date_bytes(1, 1, 1)), "0001-01-01 00:00:00");
    EXPECT_EQ(convert_value(ORA_DATE, date_bytes(9999, 12, 31, 23, 59, 59)), "9999-12-31 23:59:59");
    EXPECT_EQ(convert_value(ORA_DATE, date_bytes(2000, 2, 29, 12)), "2000-02-29 12:00:00");
    EXPECT_EQ(convert_value(ORA_DATE, date_bytes(1900, 2, 28)), "1900-02-28 00:00:00");
    // A DATE before 1 AD is not accepted: the empty text.
    EXPECT_EQ(convert_value(ORA_DATE, date_bytes(-4712, 1, 1)), "");
    EXPECT_EQ(convert_hex(ORA_DATE, "78 6C 07 04 0B 1F"), "");
    EXPECT_EQ(convert_hex(ORA_DATE, "78 6C 07 04 0B 1F 01 01"), "");
}

TEST_P(DateText, CheckDateFieldLimits)
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
        b[f.offset] = f.inside_low;
        EXPECT_EQ(check_date(b.data(), 7), 1) << f.offset;
        b[f.offset] = f.inside_high;
        EXPECT_EQ(check_date(b.data(), 7), 1) << f.offset;
        b[f.offset] = f.outside_low;
        EXPECT_EQ(check_date(b.data(), 7), 0) << f.offset;
        b[f.offset] = f.outside_high;
        EXPECT_EQ(check_date(b.data(), 7), 0) << f.offset;
    }
    std::vector<ub1> ts = with_nanos(good, 5);
    EXPECT_EQ(check_timestamp(ts.data(), 11), 1);
    ts[2] = 13;
    EXPECT_EQ(check_timestamp(ts.data(), 11), 0);
}

TEST_P(DateText, TimestampFractionFollowsScale)
{
    std::vector<ub1> ts = with_nanos(hex_bytes("78 6C 07 04 0B 1F 01"), 123456789); // 07 5B CD 15
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, ts, 3), "2008-07-04 10:30:00.123");
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, ts, 0), "2008-07-04 10:30:00");
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, ts, 9), "2008-07-04 10:30:00.123456789");
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, ts, 12), "2008-07-04 10:30:00.123456789");
    EXPECT_EQ(convert_value(ORA_TIMESTAMP_LTZ, ts, 6), "2008-07-04 10:30:00.123456");
    std::vector<ub1> small = with_nanos(date_bytes(2000, 1, 1), 1);
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, small, 9), "2000-01-01 00:00:00.000000001");
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, small, 6), "2000-01-01 00:00:00.000000");
    // A 7-byte TIMESTAMP is a DATE, checked as one.
    EXPECT_EQ(convert_hex(ORA_TIMESTAMP, "78 6C 07 04 0B 1F 01", 6), "2008-07-04 10:30:00");
    EXPECT_EQ(convert_hex(ORA_TIMESTAMP_LTZ, "78 6C 0D 04 0B 1F 01", 6), "");
    EXPECT_EQ(convert_hex(ORA_TIMESTAMP, "78 6C 07", 6), "");
}

TEST_P(DateText, TimestampYearsOutsideDateRange)
{
    std::vector<ub1> bc = with_nanos(date_bytes(-4712, 1, 1), 0);
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, bc, 2), "-4712-01-01 00:00:00.00");
    std::vector<ub1> last = with_nanos(date_bytes(9999, 12, 31, 23, 59, 59), 999999999);
    EXPECT_EQ(convert_value(ORA_TIMESTAMP, last, 9), "9999-12-31 23:59:59.999999999");
    // Unchecked garbage stays a bounded text of the same shape.
    std::string text = convert_hex(ORA_TIMESTAMP, "FF FF FF FF FF FF FF FF FF FF FF", 9);
    EXPECT_EQ(text, "15655-55-55 54:54:54.429496729");
}

TEST_P(TimestampTzText, ReferenceValues)
{
    // 02:30 UTC at +08:00 is 10:30 local.
    std::vector<ub1> utc = date_bytes(2008, 7, 4, 2, 30);
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 123456789, false, 8, 0), 3), "2008-07-04 10:30:00.123 +08:00");
    std::vector<ub1> b = with_nanos(date_bytes(2008, 7, 4, 15, 30), 0);
    b.push_back(0x1C);
    b.push_back(0x3C);
    EXPECT_EQ(tstz_text(b), "2008-07-04 23:30:00 +08:00");
    b[11] = 0x0F;
    EXPECT_EQ(tstz_text(b), "2008-07-04 10:30:00 -05:00");
    b[11] = 0x14;
    b[12] = 0x1E;
    EXPECT_EQ(tstz_text(b), "2008-07-04 15:00:00 -00:30");
}

TEST_P(TimestampTzText, ZoneExtremesAndHalfHours)
{
    std::vector<ub1> utc = date_bytes(2000, 12, 31, 20, 0);
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 0, false, 14, 0)), "2001-01-01 10:00:00 +14:00");
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 0, true, 12, 0)), "2000-12-31 08:00:00 -12:00");
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 0, false, 5, 30)), "2001-01-01 01:30:00 +05:30");
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 0, false, 5, 45)), "2001-01-01 01:45:00 +05:45");
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 0, true, 3, 30)), "2000-12-31 16:30:00 -03:30");
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 0, true, 9, 30)), "2000-12-31 10:30:00 -09:30");
    EXPECT_EQ(tstz_text(tstz_bytes(utc, 0, false, 0, 0)), "2000-12-31 20:00:00 +00:00");
}

TEST_P(TimestampTzText, LeapDaysAndCalendarChange)
{
    // Gregorian leap rules after 1582-10-15 ...
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(2000, 3, 1, 5), 0, true, 12, 0)), "2000-02-29 17:00:00 -12:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(1900, 3, 1, 5), 0, true, 12, 0)), "1900-02-28 17:00:00 -12:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(2024, 2, 28, 20), 0, false, 8, 0)), "2024-02-29 04:00:00 +08:00");
    // ... Julian ones before it, and the ten days that never were.
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(1500, 3, 1, 2), 0, true, 5, 0)), "1500-02-29 21:00:00 -05:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(1582, 10, 4, 20), 0, false, 8, 0)), "1582-10-15 04:00:00 +08:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(1582, 10, 15, 2), 0, true, 5, 0)), "1582-10-04 21:00:00 -05:00");
}

TEST_P(TimestampTzText, WholeYearRange)
{
    // Years a 32-bit time_t cannot hold.
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(2100, 6, 1, 12), 0, false, 2, 0)), "2100-06-01 14:00:00 +02:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(1800, 1, 1), 0, true, 1, 0)), "1799-12-31 23:00:00 -01:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(1, 1, 1, 2), 0, true, 5, 0)), "-0001-12-31 21:00:00 -05:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(9999, 12, 31, 23), 0, false, 14, 0)), "10000-01-01 13:00:00 +14:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(-4712, 1, 1, 12), 0, false, 1, 0)), "-4712-01-01 13:00:00 +01:00");
    EXPECT_EQ(tstz_text(tstz_bytes(date_bytes(1, 1, 1, 0), 0, false, 0, 0)), "0001-01-01 00:00:00 +00:00");
}

TEST_P(TimestampTzText, AgreesWithGregorianUtcArithmetic)
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

TEST_P(TimestampTzText, RegionZonePrintsUtc)
{
    // Zone hour byte with bit 0x80: a region id spread over bytes 11 and 12.
    std::vector<ub1> b = with_nanos(date_bytes(2019, 3, 10, 7, 15), 500000000);
    b.push_back(0x86);
    b.push_back(0x4C);
    EXPECT_EQ(tstz_text(b, 1), "2019-03-10 07:15:00.5 +00:00");
    EXPECT_EQ(check_timestamp_tz(b.data(), 13), 1);
}

TEST_P(TimestampTzText, ImpossibleValuesGiveEmptyText)
{
    std::vector<ub1> utc = date_bytes(2008, 7, 4, 2, 30);
    std::vector<ub1> good = tstz_bytes(utc, 0, false, 8, 0);
    EXPECT_EQ(check_timestamp_tz(good.data(), 13), 1);
    EXPECT_EQ(check_timestamp_tz(good.data(), 12), 0);
    const struct {
        ub1 hour_byte, minute_byte;
    } zones[] = {{7, 60}, {35, 60}, {28, 0}, {28, 120}, {15, 0}, {15, 61}};
    for (const auto& z : zones) {
        std::vector<ub1> b = good;
        b[11] = z.hour_byte;
        b[12] = z.minute_byte;
        EXPECT_EQ(tstz_text(b), "") << (int)z.hour_byte << " " << (int)z.minute_byte;
        EXPECT_EQ(check_timestamp_tz(b.data(), 13), 0);
    }
    std::vector<ub1> bad_month = good;
    bad_month[2] = 13;
    EXPECT_EQ(tstz_text(bad_month), "");
    EXPECT_EQ(check_timestamp_tz(bad_month.data(), 13), 0);
    std::vector<ub1> year_zero = good;
    year_zero[0] = 100;
    year_zero[1] = 100;
    EXPECT_EQ(tstz_text(year_zero), "");
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

TEST_P(IntervalText, YearToMonth)
{
    EXPECT_EQ(convert_hex(ORA_INTERVAL_YM, "80 00 00 02 3F"), "+02-03");
    EXPECT_EQ(convert_hex(ORA_INTERVAL_YM, "7F FF FF FF 3A"), "-01-02");
    EXPECT_EQ(convert_hex(ORA_INTERVAL_YM, "80 00 00 02 3F", 0, 4), "+0002-03");
    EXPECT_EQ(convert_hex(ORA_INTERVAL_YM, "80 00 00 00 3C"), "+00-00");
    // Months out of range stay two digits.
    EXPECT_EQ(convert_hex(ORA_INTERVAL_YM, "BB 9A C9 FF FF", 0, 9), "+999999999-95");
    EXPECT_EQ(convert_hex(ORA_INTERVAL_YM, "80 00 00 02"), "");
}

TEST_P(IntervalText, DayToSecond)
{
    // +1 02:03:04.5
    EXPECT_EQ(convert_hex(ORA_INTERVAL_DS, "80 00 00 01 3E 3F 40 9D CD 65 00", 6, 2), "+01 02:03:04.500000");
    EXPECT_EQ(convert_hex(ORA_INTERVAL_DS, "80 00 00 01 3E 3F 40 9D CD 65 00", 0, 2), "+01 02:03:04");
    // -1 02:03:04.5: every field negative.
    EXPECT_EQ(convert_hex(ORA_INTERVAL_DS, "7F FF FF FF 3A 39 38 62 32 9B 00", 3, 3), "-001 02:03:04.500");
    EXPECT_EQ(convert_hex(ORA_INTERVAL_DS, "80 00 00 01 3E 3F 40 9D CD 65", 6, 2), "");
}

} // namespace
