#pragma once
// A throwaway PostgreSQL server for the tests of the CSV output: initdb into
// a temporary directory, listening only on a Unix socket in it (no TCP),
// stopped and removed at the end. initdb refuses to run as root: as root the
// server runs as the "postgres" system user that the Debian package creates.
// psql runs as the test itself, so that \copy reads the files it is given.

#include <string>
#include <vector>

struct CommandRun {
    int status = -1;
    std::string out; // standard output and error
};

// Runs argv in `dir` (as user `uid` when it is not -1), waiting for it.
CommandRun run_command(const std::vector<std::string>& argv, const std::string& dir, int uid = -1, int gid = -1);

class PgServer {
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Empty when the server runs; else why not.
    const std::string& problem() const { return problem_; }
    // psql on the server's "postgres" database in `dir`, stopping at the
    // first error: the arguments follow the connection options.
    CommandRun psql(const std::string& dir, const std::vector<std::string>& args) const;

private:
    std::string bindir_, psql_, root_, problem_;
    int uid_ = -1, gid_ = -1;
    bool started_ = false;
};

// Where initdb and pg_ctl are: the PATH, else /usr/lib/postgresql/<n>/bin;
// empty when missing.
std::string find_pg_bindir();
