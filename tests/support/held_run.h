#pragma once
// zem run as a process whose trace file is a FIFO that the test reads: with
// trace_level 3 every block read writes a trace line, so zem (and each of
// its workers) stops in the middle of a table as soon as the test stops
// reading, and goes on when it reads again. That holds a run at a known
// point for as long as a test needs, whatever the machine's speed.

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// The configuration lines that send the trace into the FIFO.
std::string held_trace_config();

struct HeldRun {
    pid_t zem = -1;  // also the process group of zem and its workers
    int trace = -1;  // read end of the trace FIFO (non-blocking)
    int status = -1; // wait status, once ended
    std::string trace_text; // what the test read from the trace
};

// Starts zem in `dir` (the end-to-end environment) with `commands` on its
// standard input and standard output and error on `out_fd`.
HeldRun start_held_run(const std::string& dir, const std::string& commands, int out_fd);
// Reads the trace for `ms` milliseconds, or until `until` says stop (checked
// between reads of at most `chunk` bytes); true when `until` stopped it.
bool drain_trace(HeldRun& run, int ms, const std::function<bool()>& until = {}, size_t chunk = 65536);
// Drains the trace until zem ends, then reaps it.
void finish_held_run(HeldRun& run);

std::vector<pid_t> children_of(pid_t parent);
// True when no process of the group is left.
bool group_gone(pid_t group);
