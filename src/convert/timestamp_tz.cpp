// TIMESTAMP WITH TIME ZONE, 13 bytes:
//   off size field
//     0    7 date and time in UTC, as a TIMESTAMP (datetime.cpp)
//     7    4 nanoseconds, big-endian
//    11    1 zone hour + 20; bit 0x80 set: the zone is a region id
//    12    1 zone minute + 60
// A zone with hour byte below 20, or 20 with a minute byte below 60, is west
// of UTC: -(20 - hour byte):(60 - minute byte). Any other is east of it:
// +(hour byte - 20):(minute byte - 60). "-05:30" is 0F 1E, "+05:30" 19 5A.
//
// The local time is the UTC time plus the offset, worked out here in 64-bit
// day and second counts, so neither the process time zone nor the range of
// time_t matters. Oracle counts dates before 1582-10-15 in the Julian
// calendar and later ones in the Gregorian, with no year 0 (1 BC is -1); the
// arithmetic follows it, so an offset can carry 1582-10-04 into 1582-10-15
// or reach 1500-02-29. A region id cannot be named without Oracle's zone
// file: such a value is printed as its UTC time with "+00:00".

#include "convert/column_convert.h"
#include "convert/text_writer.h"

namespace {

constexpr ub4 ZONE_HOUR_OFFSET = 11;
constexpr ub4 ZONE_MINUTE_OFFSET = 12;
constexpr ub1 ZONE_REGION_BIT = 0x80;
constexpr sb8 SECONDS_PER_DAY = 86400;

constexpr sb8 floor_div(sb8 a, sb8 b)
{
    sb8 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Day of a March-based year (March 1 = 0) for months 1..12.
constexpr sb8 get_march_day(int month, int day)
{
    return (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
}

// Days since 1970-01-01 of a proleptic Gregorian date (astronomical year).
constexpr sb8 gregorian_to_days(sb8 year, int month, int day)
{
    year -= month <= 2;
    sb8 era = floor_div(year, 400);
    sb8 yoe = year - era * 400;
    sb8 doe = yoe * 365 + yoe / 4 - yoe / 100 + get_march_day(month, day);
    return era * 146097 + doe - 719468;
}

// The same day count for a proleptic Julian date: Julian 1970-01-01 is
// Gregorian 1970-01-14.
constexpr sb8 julian_to_days(sb8 year, int month, int day)
{
    year -= month <= 2;
    sb8 era = floor_div(year, 4);
    sb8 yoe = year - era * 4;
    sb8 doe = yoe * 365 + get_march_day(month, day);
    return era * 1461 + doe - 719470;
}

void march_day_to_date(sb8 year, sb8 doy, sb8* out_year, int* month, int* day)
{
    sb8 mp = (5 * doy + 2) / 153;
    *day = (int)(doy - (153 * mp + 2) / 5 + 1);
    *month = (int)(mp < 10 ? mp + 3 : mp - 9);
    *out_year = year + (*month <= 2);
}

void days_to_gregorian(sb8 days, sb8* year, int* month, int* day)
{
    days += 719468;
    sb8 era = floor_div(days, 146097);
    sb8 doe = days - era * 146097;
    sb8 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    sb8 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    march_day_to_date(yoe + era * 400, doy, year, month, day);
}

void days_to_julian(sb8 days, sb8* year, int* month, int* day)
{
    days += 719470;
    sb8 era = floor_div(days, 1461);
    sb8 doe = days - era * 1461;
    sb8 yoe = (doe - doe / 1460) / 365;
    sb8 doy = doe - 365 * yoe;
    march_day_to_date(yoe + era * 4, doy, year, month, day);
}

constexpr sb8 GREGORIAN_START = gregorian_to_days(1582, 10, 15);
static_assert(julian_to_days(1582, 10, 4) + 1 == GREGORIAN_START, "the day after Julian 1582-10-04");
static_assert(julian_to_days(1970, 1, 1) == 13, "Julian 1970-01-01 is Gregorian 1970-01-14");

// Oracle years have no 0: -1 is 1 BC, astronomical year 0.
sb8 to_astronomical(sb8 year) { return year < 0 ? year + 1 : year; }
sb8 from_astronomical(sb8 year) { return year <= 0 ? year - 1 : year; }

sb8 date_to_days(sb8 year, int month, int day)
{
    sb8 y = to_astronomical(year);
    bool gregorian = year > 1582 || (year == 1582 && (month > 10 || (month == 10 && day >= 15)));
    return gregorian ? gregorian_to_days(y, month, day) : julian_to_days(y, month, day);
}

void days_to_date(sb8 days, sb8* year, int* month, int* day)
{
    sb8 y;
    if (days >= GREGORIAN_START)
        days_to_gregorian(days, &y, month, day);
    else
        days_to_julian(days, &y, month, day);
    *year = from_astronomical(y);
}

// Zone of bytes 11 and 12 as seconds east of UTC; false for bytes no zone
// can have (the same ranges check_timestamp_tz accepts).
bool get_zone_offset(ub1 hour_byte, ub1 minute_byte, sb8* seconds, bool* west, int* hours, int* minutes)
{
    if (hour_byte & ZONE_REGION_BIT) {
        *seconds = 0;
        *west = false;
        *hours = 0;
        *minutes = 0;
        return true;
    }
    *west = hour_byte < 20 || (hour_byte == 20 && minute_byte < 60);
    if (*west) {
        if (20 - hour_byte > MIN_TIMEZONE || minute_byte < 1 || minute_byte > 60)
            return false;
        *hours = 20 - hour_byte;
        *minutes = 60 - minute_byte;
        *seconds = -((sb8)*hours * 3600 + (sb8)*minutes * 60);
    } else {
        if (hour_byte > 20 + MAX_TIMEZONE || minute_byte < 60 || minute_byte > 119)
            return false;
        *hours = hour_byte - 20;
        *minutes = minute_byte - 60;
        *seconds = (sb8)*hours * 3600 + (sb8)*minutes * 60;
    }
    return true;
}

} // namespace

ub4 get_timestamp_tz_text(const ub1* data, ub4 length, ub4 scale, char* out)
{
    TEXT_WRITER w;
    init_text_writer(&w, out, DATETIME_TEXT_LEN);
    if (length != TIMESTAMP_TZ_MAX_LEN)
        return end_text_writer(&w);
    sb8 year = ((sb8)data[0] - 100) * 100 + ((sb8)data[1] - 100);
    int month = data[2];
    int day = data[3];
    if (year == 0 || month < 1 || month > 12 || day < 1 || day > 31 || data[4] < 1 || data[4] > 24 || data[5] < 1 ||
        data[5] > 60 || data[6] < 1 || data[6] > 60)
        return end_text_writer(&w);
    sb8 offset;
    bool west;
    int zone_hours, zone_minutes;
    if (!get_zone_offset(data[ZONE_HOUR_OFFSET], data[ZONE_MINUTE_OFFSET], &offset, &west, &zone_hours,
                         &zone_minutes))
        return end_text_writer(&w);

    sb8 second_of_day = (sb8)(data[4] - 1) * 3600 + (sb8)(data[5] - 1) * 60 + (sb8)(data[6] - 1) + offset;
    // Most offsets leave the date alone; a day past 28 and the month of the
    // calendar change always take the day count, which also normalises a
    // day the month does not have into the next month.
    if (second_of_day < 0 || second_of_day >= SECONDS_PER_DAY || day > 28 || (year == 1582 && month == 10)) {
        sb8 seconds = date_to_days(year, month, day) * SECONDS_PER_DAY + second_of_day;
        sb8 days = floor_div(seconds, SECONDS_PER_DAY);
        second_of_day = seconds - days * SECONDS_PER_DAY;
        days_to_date(days, &year, &month, &day);
    }
    put_date_time(&w, year, month, day, (int)(second_of_day / 3600), (int)(second_of_day / 60 % 60),
                  (int)(second_of_day % 60));

    ub8 nanos = ((ub8)data[7] << 24) | ((ub8)data[8] << 16) | ((ub8)data[9] << 8) | data[10];
    put_fraction(&w, nanos, scale);
    put_char(&w, ' ');
    put_char(&w, west ? '-' : '+');
    put_2_num(&w, zone_hours);
    put_char(&w, ':');
    put_2_num(&w, zone_minutes);
    return end_text_writer(&w);
}

void raw_to_timestamp_tz(const ub1* data, ub4 length, PCOL_DATA col_data, ub4 scale)
{
    char text[DATETIME_TEXT_LEN];
    ub4 n = get_timestamp_tz_text(data, length, scale, text);
    set_col_text(col_data, text, n);
}

int check_timestamp_tz(const ub1* data, ub4 length)
{
    // Year 0 does not exist; the text converter gives such a value no text,
    // so the check must not take it for a timestamp either.
    if (length < TIMESTAMP_TZ_MAX_LEN || !check_date(data, length) || (data[0] == 100 && data[1] == 100))
        return 0;
    sb8 offset;
    bool west;
    int hours, minutes;
    return get_zone_offset(data[ZONE_HOUR_OFFSET], data[ZONE_MINUTE_OFFSET], &offset, &west, &hours, &minutes) ? 1
                                                                                                                : 0;
}
