#pragma once
// A scan result file written in whole lines: lines gather in a buffer and
// reach the file in writes of complete lines only. A write that fails (or
// comes back short) is undone by cutting the file back to its last complete
// line, so the file never ends in part of a line.

#include <cstddef>

#include "base/types.h"

constexpr size_t SCAN_RESULT_BUFFER_SIZE = 64 * 1024;
// The longest line any result file holds: eleven ub4 fields and commas.
constexpr size_t SCAN_RESULT_LINE_MAX = 128;

typedef struct _tag_scan_result_file {
    char name[FILENAME_MAXLEN];
    int fd;
    int error;           // errno of the first failure, 0 while none
    ub8 size;            // bytes of complete lines in the file
    size_t used;
    char buffer[SCAN_RESULT_BUFFER_SIZE];
} SCAN_RESULT_FILE, *PSCAN_RESULT_FILE;

// Opens for writing, created when missing; `truncate` empties it, otherwise
// lines are appended. FALSE with `error` set when it cannot be opened.
int open_scan_result_file(PSCAN_RESULT_FILE file, const char* name, int truncate);
// Adds a line (with its line feed). FALSE once a write has failed.
int add_scan_result_line(PSCAN_RESULT_FILE file, const char* line, size_t length);
// Writes the buffered lines; FALSE once a write has failed.
int flush_scan_result_file(PSCAN_RESULT_FILE file);
// Flushes and closes; FALSE when anything failed since the open. Safe on a
// file that is not open.
int close_scan_result_file(PSCAN_RESULT_FILE file);
