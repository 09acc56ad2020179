#pragma once
// Time texts and the seconds-since-1988 stamps of block and undo headers.

#include <ctime>

#include "base/types.h"

constexpr int TIME_STR_LEN = 20; // "yyyy-mm-dd hh:mi:ss" and its terminator

// Every month counts 31 days; the fields go through the C library's local
// mktime, which also normalises impossible dates (and decides daylight saving
// from the date). -1 when not representable.
time_t mktime_1988(ub4 value);
// Local time as "%d-%02d-%02d %02d:%02d:%02d"; empty when it cannot be
// converted or would not fit TIME_STR_LEN.
char* get_time_str(time_t value, char* text);
char* current_time_str(char* text);
