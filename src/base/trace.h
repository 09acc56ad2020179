#pragma once
// The trace file. Callers test config_data.trace_level before writing.

constexpr int TL_NO_TRACE = 1;
constexpr int TL_MIN_TRACE = 2;
constexpr int TL_INFO = 3;
constexpr int TL_DETAIL = 4;

int write_trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void flush_trace();
void open_trace_file();
void close_trace_file();
