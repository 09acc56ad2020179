#include "support/process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

std::string make_temp_dir(const std::string& tag)
{
    std::string pattern = (std::filesystem::temp_directory_path() / ("zem_" + tag + "_XXXXXX")).string();
    std::string buf = pattern;
    if (mkdtemp(buf.data()) == nullptr)
        abort();
    return buf;
}

void remove_tree(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

void write_file(const std::string& path, const std::string& content)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << content;
}

std::string read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool path_exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

ZemRun run_zem_process(const std::string& dir, const std::string& input,
                       const std::map<std::string, std::string>& env, int timeout_seconds)
{
    ZemRun run;
    std::string in_path = dir + "/.zem_stdin";
    std::string out_path = dir + "/.zem_stdout";
    write_file(in_path, input);
    pid_t pid = fork();
    if (pid == 0) {
        // A group of its own, so that a timeout also ends the workers it forks.
        setpgid(0, 0);
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        int in = open(in_path.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0)
            _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        setenv("TZ", "UTC", 1);
        for (const auto& [key, value] : env) {
            if (value.empty())
                unsetenv(key.c_str());
            else
                setenv(key.c_str(), value.c_str(), 1);
        }
        execl(ZEM_BIN, ZEM_BIN, (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    if (timeout_seconds > 0) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                run.timed_out = true;
                kill(-pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            usleep(5000);
        }
    } else
        waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = read_file(out_path);
    unlink(in_path.c_str());
    unlink(out_path.c_str());
    return run;
}

std::string golden_diff(const std::string& name, const std::string& actual)
{
    std::string path = std::string(ZEM_GOLDEN_DIR) + "/" + name;
    const char* update = getenv("ZEM_UPDATE_GOLDEN");
    if (update != nullptr && strcmp(update, "1") == 0) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        write_file(path, actual);
        return "";
    }
    if (!path_exists(path))
        return "golden file " + path + " is missing (run with ZEM_UPDATE_GOLDEN=1)";
    std::string expected = read_file(path);
    if (expected == actual)
        return "";
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        i++;
    size_t line = 1 + (size_t)std::count(expected.begin(), expected.begin() + (long)i, '\n');
    auto around = [i](const std::string& s) {
        size_t from = i > 60 ? i - 60 : 0;
        return s.substr(from, 120);
    };
    return "golden " + name + " differs at byte " + std::to_string(i) + " (line " + std::to_string(line) +
           ")\n--- expected ---\n" + around(expected) + "\n--- actual ---\n" + around(actual);
}
