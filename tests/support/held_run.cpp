#include "support/held_run.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/e2e.h"

std::string held_trace_config()
{
    return "trace_level 3\ntrace.trace_filename trace.fifo\nblock_read_count 8\n";
}

HeldRun start_held_run(const std::string& dir, const std::string& commands, int out_fd)
{
    HeldRun run;
    std::string fifo = dir + "/trace.fifo";
    unlink(fifo.c_str());
    if (mkfifo(fifo.c_str(), 0600) != 0)
        return run;
    // Open for reading first, so that zem's open for writing goes through.
    run.trace = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    // The smallest pipe: a writer gets at most a page ahead of what the
    // test has read.
    fcntl(run.trace, F_SETPIPE_SZ, 4096);
    write_file(dir + "/commands.in", commands + "exit\n");
    std::map<std::string, std::string> env = e2e_env();
    run.zem = fork();
    if (run.zem == 0) {
        setpgid(0, 0);
        int in = open((dir + "/commands.in").c_str(), O_RDONLY);
        if (in < 0 || chdir(dir.c_str()) != 0)
            _exit(126);
        dup2(in, 0);
        dup2(out_fd, 1);
        dup2(out_fd, 2);
        for (const auto& [key, value] : env)
            setenv(key.c_str(), value.c_str(), 1);
        execl(ZEM_BIN, ZEM_BIN, (char*)nullptr);
        _exit(127);
    }
    setpgid(run.zem, run.zem);
    return run;
}

bool drain_trace(HeldRun& run, int ms, const std::function<bool()>& until, size_t chunk)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    char buffer[65536];
    while (std::chrono::steady_clock::now() < end) {
        if (until && until())
            return true;
        pollfd p = {run.trace, POLLIN, 0};
        if (poll(&p, 1, 5) <= 0)
            continue;
        ssize_t n = read(run.trace, buffer, chunk < sizeof(buffer) ? chunk : sizeof(buffer));
        if (n > 0)
            run.trace_text.append(buffer, (size_t)n);
        else if (n == 0)
            usleep(1000); // no writer (yet, or any more)
    }
    return false;
}

void finish_held_run(HeldRun& run)
{
    char buffer[65536];
    for (int i = 0; i < 60000; i++) {
        if (waitpid(run.zem, &run.status, WNOHANG) == run.zem)
            break;
        pollfd p = {run.trace, POLLIN, 0};
        if (poll(&p, 1, 1) > 0) {
            ssize_t n = read(run.trace, buffer, sizeof(buffer));
            if (n > 0)
                run.trace_text.append(buffer, (size_t)n);
        }
    }
    if (run.status == -1) {
        kill(-run.zem, SIGKILL);
        waitpid(run.zem, &run.status, 0);
    }
    close(run.trace);
}

std::vector<pid_t> children_of(pid_t parent)
{
    std::vector<pid_t> children;
    DIR* proc = opendir("/proc");
    for (dirent* entry; proc != nullptr && (entry = readdir(proc)) != nullptr;) {
        std::string stat = read_file(std::string("/proc/") + entry->d_name + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        int ppid = 0;
        if (sscanf(stat.c_str() + close + 1, " %*c %d", &ppid) == 1 && ppid == parent)
            children.push_back((pid_t)atoi(entry->d_name));
    }
    if (proc != nullptr)
        closedir(proc);
    return children;
}

bool group_gone(pid_t group)
{
    for (int i = 0; i < 500; i++) {
        if (kill(-group, 0) != 0 && errno == ESRCH)
            return true;
        usleep(10000);
    }
    return false;
}
