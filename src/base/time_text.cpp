#include "base/time_text.h"

#include <cstdio>
#include <cstring>

time_t mktime_1988(ub4 value)
{
    ub4 v = value;
    int second = (int)(v % 60);
    v /= 60;
    int minute = (int)(v % 60);
    v /= 60;
    int hour = (int)(v % 24);
    v /= 24;
    int day = (int)(v % 31) + 1;
    v /= 31;
    int month = (int)(v % 12) + 1;
    int year = 1988 + (int)(v / 12);

    // Daylight saving is left for mktime to decide from the date itself: taking
    // today's indication would shift every stamp of the other season by an hour.
    struct tm tm_value;
    memset(&tm_value, 0, sizeof(tm_value));
    tm_value.tm_isdst = -1;
    tm_value.tm_sec = second;
    tm_value.tm_min = minute;
    tm_value.tm_hour = hour;
    tm_value.tm_mday = day;
    tm_value.tm_mon = month - 1;
    tm_value.tm_year = year - 1900;
    return mktime(&tm_value);
}

char* get_time_str(time_t value, char* text)
{
    struct tm tm_value;
    text[0] = '\0';
    if (localtime_r(&value, &tm_value) == nullptr)
        return text;
    char local[64];
    int n = snprintf(local, sizeof(local), "%d-%02d-%02d %02d:%02d:%02d", tm_value.tm_year + 1900,
                     tm_value.tm_mon + 1, tm_value.tm_mday, tm_value.tm_hour, tm_value.tm_min, tm_value.tm_sec);
    if (n > 0 && n < TIME_STR_LEN)
        memcpy(text, local, (size_t)n + 1);
    return text;
}

char* current_time_str(char* text)
{
    return get_time_str(time(nullptr), text);
}
