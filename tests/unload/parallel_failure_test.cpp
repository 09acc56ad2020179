// A parallel table unload whose worker dies, one interrupted by Ctrl-C, and
// the status line a terminal shows while a table unloads: each run held in
// the middle of the table through its trace FIFO (support/held_run.h).
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <regex>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/e2e.h"
#include "support/held_run.h"

namespace {

// About 4000 blocks of 2 KiB: long enough runs that the workers stop on the
// full trace FIFO well before their ends.
zb::DictionaryDef wide_def()
{
    zb::DictionaryDef def;
    def.block_size = 2048;
    def.users = {{61, "WIDE"}};
    zb::DictTable t;
    t.owner = "WIDE";
    t.name = "ROWS";
    t.extent_blocks = 128;
    t.columns = {zb::c_number("ID"), zb::c_varchar2("TEXT", 400)};
    for (int i = 1; i <= 24000; i++)
        t.rows.push_back(zb::row_of({zb::v_int(i), zb::v_text(std::string(280, (char)('a' + i % 26)))}));
    def.tables.push_back(t);
    return def;
}

class HeldUnload : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        db_ = new E2eDatabase("held_unload", wide_def(), held_trace_config());
        ASSERT_EQ(db_->run("unload dict\nunload table wide.rows\n").status, 0);
        serial_ = new std::string(db_->output("WIDE_ROWS.txt"));
        transcript_ = new std::string(db_->run("spool on\nunload table wide.rows\nspool off\n").out);
    }
    static void TearDownTestSuite()
    {
        delete db_;
        delete serial_;
        delete transcript_;
    }
    void SetUp() override
    {
        db_->clear_output();
        unlink(db_->path("trace.fifo").c_str());
    }

    static E2eDatabase* db_;
    static std::string* serial_;
    static std::string* transcript_;
};

E2eDatabase* HeldUnload::db_ = nullptr;
std::string* HeldUnload::serial_ = nullptr;
std::string* HeldUnload::transcript_ = nullptr;

// Starts the parallel unload and holds it once both workers exist.
HeldRun start_two_workers(const E2eDatabase& db, int out_fd, std::vector<pid_t>* workers)
{
    HeldRun run = start_held_run(db.dir(), "unload table wide.rows parallel 2\n", out_fd);
    // Read slowly, so that the workers soon stop on the full FIFO, far from
    // the ends of their runs.
    drain_trace(
        run, 30000,
        [&] {
            *workers = children_of(run.zem);
            return workers->size() == 2;
        },
        1024);
    return run;
}

} // namespace

TEST_F(HeldUnload, KilledWorkerFailsTheTableAndKeepsOnlyTheRowsBefore)
{
    std::string log = db_->path("killed.out");
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<pid_t> workers;
    HeldRun run = start_two_workers(*db_, out, &workers);
    ASSERT_EQ(workers.size(), 2u);
    // The worker that did not take the first run dies; the other one
    // places the first run and goes on until it reaches the dead one's.
    const std::regex takes_first("worker ([0-9]+) takes run 0:");
    pid_t first = -1;
    ASSERT_TRUE(drain_trace(
        run, 30000,
        [&] {
            std::smatch m;
            if (std::regex_search(run.trace_text, m, takes_first))
                first = std::stoi(m[1].str());
            return first > 0;
        },
        1024));
    pid_t second = first == workers[0] ? workers[1] : workers[0];
    usleep(100000);
    kill(second, SIGKILL);
    finish_held_run(run);
    close(out);
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_TRUE(group_gone(run.zem));
    std::string text = read_file(log);
    EXPECT_NE(text.find("slave process " + std::to_string(second) + " terminated abnormal.\n"), std::string::npos)
        << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("1 of 2 worker processes failed: the rows of table ROWS from "
                                                   "rfile#=4,block#=[0-9]+ of this segment on are missing")))
        << text;
    EXPECT_NE(text.find("\nTable ROWS failed: a worker process failed, the data file is incomplete"),
              std::string::npos);
    EXPECT_EQ(text.find("rows unloaded"), std::string::npos);
    // The first worker's rows, whole and in order; nothing after them.
    std::string part = db_->output("WIDE_ROWS.txt");
    ASSERT_FALSE(part.empty());
    EXPECT_LT(part.size(), serial_->size());
    EXPECT_EQ(serial_->compare(0, part.size(), part), 0);
    EXPECT_EQ(part.back(), '\n');
    EXPECT_EQ(db_->output_names(), (std::vector<std::string>{"WIDE_ROWS.ctl", "WIDE_ROWS.sql", "WIDE_ROWS.txt"}));
}

// A worker held in the middle of a run holds the other once it reaches a
// run after that one (it waits for the held run's size to know its place);
// released, both write every run in place.
TEST_F(HeldUnload, HeldWorkerHoldsThePlacesAfterItsRun)
{
    std::string log = db_->path("held.out");
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<pid_t> workers;
    HeldRun run = start_two_workers(*db_, out, &workers);
    ASSERT_EQ(workers.size(), 2u);
    // Held as soon as it is seen taking a run: a page of trace later, far
    // from the run's end.
    pid_t held = -1;
    drain_trace(
        run, 30000,
        [&] {
            for (pid_t w : workers)
                if (run.trace_text.find("worker " + std::to_string(w) + " takes run ") != std::string::npos)
                    held = w;
            return held > 0;
        },
        256);
    ASSERT_GT(held, 0);
    kill(held, SIGSTOP);
    pid_t other = held == workers[0] ? workers[1] : workers[0];
    std::string waits = "worker " + std::to_string(other) + " waits for the place of run ";
    EXPECT_TRUE(drain_trace(run, 60000, [&] { return run.trace_text.find(waits) != std::string::npos; }));
    kill(held, SIGCONT);
    finish_held_run(run);
    close(out);
    EXPECT_NE(read_file(log).find("\nTable ROWS 24000 rows unloaded\n"), std::string::npos);
    EXPECT_EQ(db_->output("WIDE_ROWS.txt"), *serial_);
}

TEST_F(HeldUnload, CtrlCStopsEveryWorker)
{
    std::string log = db_->path("interrupted.out");
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<pid_t> workers;
    HeldRun run = start_two_workers(*db_, out, &workers);
    ASSERT_EQ(workers.size(), 2u);
    usleep(100000);
    // What a terminal sends: SIGINT to the whole foreground group.
    kill(-run.zem, SIGINT);
    finish_held_run(run);
    close(out);
    EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGINT);
    EXPECT_TRUE(group_gone(run.zem));
    EXPECT_EQ(db_->output_names(), (std::vector<std::string>{"WIDE_ROWS.ctl", "WIDE_ROWS.sql", "WIDE_ROWS.txt"}));
}

// At a terminal the unload draws its status line on standard error and
// erases it at the end; what remains is the transcript of a piped run, and
// the spool never sees the line.
TEST_F(HeldUnload, StatusLineAtATerminalOnly)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    HeldRun run = start_held_run(db_->dir(), "spool on\nunload table wide.rows\nspool off\n", slave);
    close(slave);
    std::string screen;
    char buffer[65536];
    auto read_screen = [&] {
        pollfd p = {master, POLLIN, 0};
        while (poll(&p, 1, 0) > 0) {
            ssize_t n = read(master, buffer, sizeof(buffer));
            if (n <= 0)
                return true;
            screen.append(buffer, (size_t)n);
        }
        return false;
    };
    // Held for over half a second once the FIFO is full, in the middle of
    // the table, then to the end.
    for (int i = 0; i < 80; i++) {
        read_screen();
        usleep(10000);
    }
    drain_trace(run, 60000, [&] { return read_screen() || waitpid(run.zem, &run.status, WNOHANG) == run.zem; });
    read_screen();
    finish_held_run(run);
    close(master);

    std::smatch line;
    ASSERT_TRUE(std::regex_search(screen, line,
                                  std::regex("\rROWS: [0-9]+ of [0-9]+ blocks \\([0-9]+%\\), [0-9.KM]+ rows, [0-9]+ "
                                             "MB/s(, [0-9]+:[0-9]{2}:[0-9]{2} left)?\x1b\\[K")))
        << screen;
    // Erased: every drawing is followed by an erasure before the next text.
    std::string plain = std::regex_replace(screen, std::regex("\r[^\r\n]*\x1b\\[K"), "");
    plain = std::regex_replace(plain, std::regex("\r\n"), "\n");
    EXPECT_EQ(transcript_of(plain), *transcript_);
    std::string spool = read_file(db_->path("zem_spool.txt"));
    EXPECT_NE(spool.find("rows unloaded"), std::string::npos);
    EXPECT_EQ(spool.find("blocks ("), std::string::npos);
}
