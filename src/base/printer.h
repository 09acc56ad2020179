#pragma once
// The printers every user-visible message goes through, so that a spool file
// receives a copy of the screen.

#include <cstdio>

extern FILE* fp_spool;

// Opens the spool file, closing one that is open; TRUE when open. The caller
// reports a failure (errno tells why).
int open_spool_file(const char* name);
// Closes the spool file, if one is open. When a copy did not reach it, says
// so on the screen and notes the failure for the exit status; FALSE then.
int close_spool_file();

int sp_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int fsp_printf(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
int fsp_printf2(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Start-up progress lines: the terminal only, never the spool.
int screen_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The spool only (the prompt when the line editor draws it on the terminal).
int spool_only_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
