#pragma once
// Line splitters for the command line, the configuration file, the datafile
// list and the comma-separated dictionary and scan files.
//
// Fields longer than their slot are cut to the slot (terminated), and fields
// beyond the array's last row are dropped; the optional overflow flag tells the
// caller that either happened so it can reject the line.

#include "base/types.h"

constexpr int CMD_MAX_LINES = 1100;
constexpr int CMD_TOKEN_MAX_SIZE = 50;
constexpr int SMALL_MAX_LINES = 30;
constexpr int SMALL_LINE_MAX_SIZE = 400;

typedef char LINE_ARRAY[CMD_MAX_LINES][CMD_TOKEN_MAX_SIZE];
typedef char SMALL_LINE_ARRAY[SMALL_MAX_LINES][SMALL_LINE_MAX_SIZE];

int split_line(LINE_ARRAY array, const char* line, bool* overflow = nullptr);
int split_line_small(SMALL_LINE_ARRAY array, const char* line, bool* overflow = nullptr);
int split_line_delimiter(LINE_ARRAY array, const char* line, const char* delimiter, bool* overflow = nullptr);
int split_line_delimiter_small(SMALL_LINE_ARRAY array, const char* line, const char* delimiter,
                               bool* overflow = nullptr);
int split_line_user_object(SMALL_LINE_ARRAY array, const char* line, const char* delimiter);
