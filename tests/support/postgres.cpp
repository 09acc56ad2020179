#include "support/postgres.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/process.h"

namespace {

bool is_executable(const std::string& path)
{
    return access(path.c_str(), X_OK) == 0;
}

std::string find_in_path(const std::string& name)
{
    const char* path = getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    for (size_t from = 0; from <= dirs.size();) {
        size_t to = dirs.find(':', from);
        std::string dir = dirs.substr(from, to == std::string::npos ? std::string::npos : to - from);
        if (!dir.empty() && is_executable(dir + "/" + name))
            return dir;
        if (to == std::string::npos)
            break;
        from = to + 1;
    }
    return "";
}

} // namespace

CommandRun run_command(const std::vector<std::string>& argv, const std::string& dir, int uid, int gid)
{
    CommandRun run;
    int out[2];
    if (argv.empty() || pipe(out) != 0)
        return run;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(out[0]);
        close(out[1]);
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        if (gid >= 0 && setgid((gid_t)gid) != 0)
            _exit(126);
        if (uid >= 0 && setuid((uid_t)uid) != 0)
            _exit(126);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof(buffer))) > 0)
        run.out.append(buffer, (size_t)n);
    close(out[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

std::string find_pg_bindir()
{
    std::string dir = find_in_path("initdb");
    if (!dir.empty() && is_executable(dir + "/pg_ctl"))
        return dir;
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
        std::string bin = entry.path().string() + "/bin";
        if (is_executable(bin + "/initdb") && is_executable(bin + "/pg_ctl"))
            found.push_back(bin);
    }
    std::sort(found.begin(), found.end());
    return found.empty() ? "" : found.back();
}

PgServer::PgServer()
{
    bindir_ = find_pg_bindir();
    psql_ = is_executable(bindir_ + "/psql") ? bindir_ + "/psql" : find_in_path("psql") + "/psql";
    if (bindir_.empty() || !is_executable(psql_)) {
        problem_ = "the PostgreSQL server programs (initdb, pg_ctl, psql) are not installed";
        return;
    }
    root_ = make_temp_dir("pg");
    if (geteuid() == 0) {
        const passwd* pw = getpwnam("postgres");
        if (pw == nullptr) {
            problem_ = "running as root, and there is no \"postgres\" user to run the server";
            return;
        }
        uid_ = (int)pw->pw_uid;
        gid_ = (int)pw->pw_gid;
        if (chown(root_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            problem_ = "cannot give " + root_ + " to the postgres user";
            return;
        }
    }
    CommandRun init = run_command({bindir_ + "/initdb", "-D", root_ + "/data", "-A", "trust", "-U", "zem", "-E", "UTF8",
                                   "--locale=C", "--no-sync"},
                                  root_, uid_, gid_);
    if (init.status != 0) {
        problem_ = "initdb failed: " + init.out;
        return;
    }
    // No TCP at all: the socket in the scratch directory is the only way in.
    CommandRun start = run_command({bindir_ + "/pg_ctl", "-D", root_ + "/data", "-l", root_ + "/server.log", "-w", "-o",
                                    "-c listen_addresses='' -k " + root_ + " -c fsync=off", "start"},
                                   root_, uid_, gid_);
    started_ = start.status == 0;
    if (!started_)
        problem_ = "the server did not start: " + start.out + read_file(root_ + "/server.log");
}

PgServer::~PgServer()
{
    if (started_)
        run_command({bindir_ + "/pg_ctl", "-D", root_ + "/data", "-m", "immediate", "-w", "stop"}, root_, uid_, gid_);
    if (!root_.empty() && getenv("ZEM_KEEP_E2E") == nullptr)
        remove_tree(root_);
}

CommandRun PgServer::psql(const std::string& dir, const std::vector<std::string>& args) const
{
    std::vector<std::string> argv = {
        psql_, "-X", "-q", "-h", root_, "-U", "zem", "-d", "postgres", "-v", "ON_ERROR_STOP=1"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_command(argv, dir);
}
