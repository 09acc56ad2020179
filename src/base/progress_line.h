#pragma once
// A one-line progress report for long commands (table unloads, scans): blocks
// done of the total, rows, throughput and time left, drawn on standard error
// at most four times a second while standard output and standard error are
// both terminals, and erased when the command ends. It never reaches the
// spool, and nothing is drawn when the output goes to a file or a pipe.

#include "base/types.h"

constexpr int PROGRESS_LABEL_LEN = 96;

typedef struct _tag_progress_line {
    int active; // drawing allowed: both streams are terminals
    const char* count_word; // what `rows` counts ("rows"); null: not shown
    char label[PROGRESS_LABEL_LEN];
    ub8 total_blocks;
    ub8 done_blocks;
    ub8 done_bytes;
    ub8 rows;
    double start;     // seconds on the monotonic clock
    double last_draw; // 0: never drawn
} PROGRESS_LINE, *PPROGRESS_LINE;

// count_word: what the running count passed to add_progress_done counts
// ("rows", "blocks found"), a literal; null when the line shows no count.
void begin_progress_line(PPROGRESS_LINE line, const char* label, const char* count_word);
void add_progress_total(PPROGRESS_LINE line, ub8 blocks);
// Adds what was done since the last call; rows is the running total.
void add_progress_done(PPROGRESS_LINE line, ub8 blocks, ub8 bytes, ub8 rows);
// Erases the line (when drawn) and stops drawing.
void end_progress_line(PPROGRESS_LINE line);
// The text of the line at `now` seconds, at most `width` - 1 characters.
void format_progress_line(const PROGRESS_LINE* line, double now, char* text, size_t width);

// The status line itself: drawn over the current terminal line on standard
// error; sp_printf and screen_printf erase it before they print, and the next
// update draws it again.
void show_status_line(const char* text);
void clear_status_line();
