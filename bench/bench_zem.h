#pragma once
// zem run as a process by the benchmarks: in a scratch directory with its
// commands on standard input and its output in a log file, timed from fork
// to its end, with its CPU times and peak resident size (its workers'
// included) from wait4.

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_table.h"

namespace bench {

inline void write_text_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

struct ZemResult {
    double seconds = 0;
    double user_seconds = 0;
    double system_seconds = 0;
    long peak_rss_kib = 0;
    bool ok = false;
    std::string log;
};

// The output directory out/ is emptied first. ZEM_BIN in the environment
// measures another build of zem.
inline ZemResult run_zem(const std::string& scratch, const std::string& commands, const std::string& tag)
{
    namespace fs = std::filesystem;
    ZemResult result;
    std::string input = scratch + "/" + tag + ".in";
    result.log = scratch + "/" + tag + ".log";
    write_text_file(input, commands + "\nexit\n");
    // The last run's output goes just before the run: its pages, dropped
    // unwritten, are what the new output is written into. (In a virtual
    // machine memory left free for a while goes back to the host, and the
    // first writes into it cost several times as much system time.)
    fs::remove_all(scratch + "/out");
    fs::create_directory(scratch + "/out");
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        int in = open(input.c_str(), O_RDONLY);
        int out = open(result.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || chdir(scratch.c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        const char* zem = getenv("ZEM_BIN") != nullptr ? getenv("ZEM_BIN") : ZEM_BIN;
        execl(zem, "zem", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        result.seconds = seconds_since(start);
        result.user_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
        result.system_seconds = usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
        result.peak_rss_kib = usage.ru_maxrss;
        result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return result;
}

} // namespace bench
