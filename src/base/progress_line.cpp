#include "base/progress_line.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/ioctl.h>
#include <unistd.h>

#include "base/str_util.h"

namespace {

constexpr double DRAW_INTERVAL = 0.25; // seconds between two drawings
constexpr size_t LINE_MAX = 256;

// The status line is the terminal's state, like the cursor: one per process.
bool status_shown = false;

double monotonic_seconds()
{
    timespec ts = {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

size_t terminal_width()
{
    winsize ws = {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col < LINE_MAX ? ws.ws_col : LINE_MAX;
    return 80;
}

// "1.2M", "34.5K", "987": short counts for a narrow line.
void put_count(char* text, size_t size, ub8 n)
{
    if (n >= 10000000)
        snprintf(text, size, "%.1fM", (double)n / 1e6);
    else if (n >= 100000)
        snprintf(text, size, "%.1fK", (double)n / 1e3);
    else
        snprintf(text, size, "%llu", (unsigned long long)n);
}

} // namespace

void show_status_line(const char* text)
{
    // Whatever the screen still owes goes first, so the line starts clean.
    fflush(stdout);
    fprintf(stderr, "\r%s\033[K", text);
    fflush(stderr);
    status_shown = true;
}

void clear_status_line()
{
    if (!status_shown)
        return;
    fputs("\r\033[K", stderr);
    fflush(stderr);
    status_shown = false;
}

void begin_progress_line(PPROGRESS_LINE line, const char* label, const char* count_word)
{
    memset(line, 0, sizeof(*line));
    line->active = isatty(STDOUT_FILENO) && isatty(STDERR_FILENO);
    line->count_word = count_word;
    copy_str(line->label, sizeof(line->label), label);
    line->start = monotonic_seconds();
}

void add_progress_total(PPROGRESS_LINE line, ub8 blocks)
{
    line->total_blocks += blocks;
}

void add_progress_done(PPROGRESS_LINE line, ub8 blocks, ub8 bytes, ub8 rows)
{
    line->done_blocks += blocks;
    line->done_bytes += bytes;
    line->rows = rows;
    if (!line->active)
        return;
    double now = monotonic_seconds();
    // Nothing for the first moments: a short command draws no line at all.
    if (now - (line->last_draw > 0 ? line->last_draw : line->start) < DRAW_INTERVAL)
        return;
    line->last_draw = now;
    char text[LINE_MAX];
    format_progress_line(line, now, text, terminal_width());
    show_status_line(text);
}

void end_progress_line(PPROGRESS_LINE line)
{
    if (line->last_draw > 0)
        clear_status_line();
    line->active = 0;
}

void format_progress_line(const PROGRESS_LINE* line, double now, char* text, size_t width)
{
    if (width == 0)
        return;
    double elapsed = now - line->start;
    ub8 done = line->done_blocks;
    ub8 total = line->total_blocks > done ? line->total_blocks : done;
    int percent = total > 0 ? (int)(done * 100 / total) : 0;
    char rows[64] = "";
    if (line->count_word != nullptr) {
        char n[24];
        put_count(n, sizeof(n), line->rows);
        snprintf(rows, sizeof(rows), ", %s %s", n, line->count_word);
    }
    double mbs = elapsed > 0 ? (double)line->done_bytes / elapsed / 1e6 : 0;
    char left[32] = "";
    if (done > 0 && total > done && elapsed > 0) {
        ub8 seconds = (ub8)((double)(total - done) * elapsed / (double)done + 0.5);
        snprintf(left, sizeof(left), ", %llu:%02llu:%02llu left", (unsigned long long)(seconds / 3600),
                 (unsigned long long)(seconds / 60 % 60), (unsigned long long)(seconds % 60));
    }
    char full[LINE_MAX + 64];
    snprintf(full, sizeof(full), "%s: %llu of %llu blocks (%d%%)%s, %.0f MB/s%s", line->label,
             (unsigned long long)done, (unsigned long long)total, percent, rows, mbs, left);
    // One character short of the width (copy_str keeps width - 1): a full
    // line would wrap the cursor onto the next line.
    copy_str(text, width, full);
}
