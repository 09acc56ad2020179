/* Loaded before the C library into zem runs of the end-to-end tests, so that
 * the times zem prints ("Unloading table: ... at <time>") are always the
 * same: time() answers ZEM_FIXED_TIME (seconds since 1970), or a fixed
 * moment when that is not set. */

#include <stdlib.h>
#include <time.h>

time_t time(time_t* out)
{
    const char* text = getenv("ZEM_FIXED_TIME");
    time_t now = text != NULL ? (time_t)strtoll(text, NULL, 10) : (time_t)1735732800; /* 2025-01-01 12:00:00 UTC */
    if (out != NULL)
        *out = now;
    return now;
}
