#pragma once
// Running zem as a process in a scratch directory, and golden-file checks.

#include <map>
#include <string>

struct ZemRun {
    std::string out;   // everything written to standard output
    int status = -1;   // exit status, or -1 when it did not exit normally
    bool timed_out = false;
};

// A fresh empty directory under the system's temporary directory.
std::string make_temp_dir(const std::string& tag);
void remove_tree(const std::string& dir);

// Runs zem in `dir` with `input` on its standard input (a pipe, so not a
// terminal). `env` entries are set (an empty value unsets the variable);
// TZ defaults to UTC unless given. With a timeout, a run still going after
// that many seconds is killed (with every process it started) and marked.
ZemRun run_zem_process(const std::string& dir, const std::string& input,
                       const std::map<std::string, std::string>& env = {}, int timeout_seconds = 0);

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool path_exists(const std::string& path);

// Compares `actual` with tests/golden/<name>; with ZEM_UPDATE_GOLDEN=1 in the
// environment the golden file is rewritten instead. Returns a gtest-friendly
// description of the first difference, or an empty string when equal.
std::string golden_diff(const std::string& name, const std::string& actual);

#define EXPECT_GOLDEN(name, actual)                                  \
    do {                                                              \
        std::string golden_diff_result = golden_diff((name), (actual)); \
        EXPECT_TRUE(golden_diff_result.empty()) << golden_diff_result; \
    } while (0)
