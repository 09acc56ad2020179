#pragma once
// The worker processes of a table split over several processes
// (parallel_table.h): their scratch files, the memory they share with the
// parent, starting, waiting for and interrupting them, and accounting for
// the runs they placed in the data file.
//
// The segment is cut into many short runs of blocks, which the workers take
// in turn, each the next one not yet taken. A worker holds a run's text in
// its own memory until it is whole; its size then fixes where the next run
// begins in the data file, and the worker writes the text once, straight to
// its place, as soon as the sizes of all runs before it are known. Nothing
// is copied afterwards. (A run whose text outgrows the worker's memory has
// the rest in the worker's part file, copied into place with the memory.)

#include <atomic>
#include <csignal>
#include <sys/types.h>
#include <vector>

#include "engine/unload_model.h"

struct _tag_output_file;

// A size or offset not known yet.
constexpr ub8 RUN_UNKNOWN = ~(ub8)0;

// What a worker tells the parent about itself.
struct WORKER_SLOT {
    std::atomic<ub8> blocks;
    std::atomic<ub8> bytes;
    std::atomic<ub8> rows; // the table's row count in the worker
    std::atomic<int> finished;     // every run it took is in place
    std::atomic<int> write_error;  // errno of a write to the data file that failed
    std::atomic<int> output_flags; // the writer's findings (OF_ bits)
};

// One run: blocks [first, end) of the segment's list.
struct RUN_SLOT {
    std::atomic<ub8> size;   // bytes of its text; RUN_UNKNOWN until it is whole
    std::atomic<ub8> offset; // its place in the data file; RUN_UNKNOWN until every run before has a size
    std::atomic<int> placed; // its text is in the data file
    std::atomic<int> worker; // the worker that took it, -1 before
    std::atomic<ub8> log_begin; // its messages in that worker's log
    std::atomic<ub8> log_end;   // RUN_UNKNOWN while it runs
    ub8 rows;
    UNLOAD_DAMAGE damage;
};

// The head of the shared memory.
struct RUN_BOARD {
    std::atomic<ub4> next_run; // the next run to take
    std::atomic<ub4> known;    // runs whose offsets are known: a futex word
    std::atomic<ub4> stop;     // a worker failed: the others take no more runs
};

struct WORKER {
    pid_t pid = -1;
    int status = 0;
    bool reaped = false;
    int log = -1;  // its messages
    int part = -1; // the text of runs too long for its memory
};

// The writer's side: hands everything gathered to the system and returns
// the data file's descriptor (-1 when it cannot be written), and the data
// file whose gathered text a worker takes run by run.
typedef struct _tag_split_writer {
    int (*sync)(PUNLOAD_PARAMS params);
    struct _tag_output_file* (*data_file)(PUNLOAD_PARAMS params);
} SPLIT_WRITER;

typedef struct _tag_worker_group {
    std::vector<WORKER> workers;
    ub8 total = 0;     // blocks of the segment's list
    ub4 run_count = 0; // runs of equal length (the last ones a block shorter)
    size_t text_size = 0; // a worker holds this much of a run's text in memory, the rest in its part file
    RUN_BOARD* board = nullptr; // shared with the workers: the board, the worker slots, the run slots
    WORKER_SLOT* slots = nullptr;
    RUN_SLOT* runs = nullptr;
    size_t shared_size = 0;
    int done_read = -1; // a byte when a worker ends; closed when the last has exited
    int done_write = -1;
    int data_fd = -1;  // the table's data file
    off_t start = 0;   // where this segment's rows begin in it
    ub8 base_rows = 0; // the table's row count before the segment
} WORKER_GROUP, *PWORKER_GROUP;

// The blocks [*first, *end) of run `run`.
void get_run_blocks(const WORKER_GROUP* group, ub4 run, ub8* first, ub8* end);

// Cuts `total` blocks into `run_count` runs for `worker_count` workers and
// makes the scratch files, the shared memory and the pipe; FALSE (with a
// message, nothing left open) when one cannot be made.
bool init_worker_group(PWORKER_GROUP group, ub8 total, ub4 run_count, ub4 worker_count, int data_fd,
                       const PTABLE table);
// Forks the workers, each unloading runs of `list` through the callbacks;
// FALSE when a fork failed (the workers started are killed and the data
// file cut back to where the segment began).
bool start_workers(PWORKER_GROUP group, PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                   const SPLIT_WRITER* writer);
// Waits for every worker, feeding params->progress; when one fails the
// others are told to stop. Returns 0, or the signal (SIGINT, SIGTERM,
// SIGHUP) that interrupted the wait, the workers then killed and reaped.
int wait_workers(PWORKER_GROUP group, PUNLOAD_PARAMS params);
// Prints the workers' messages in run order, keeps the data file up to the
// first run not in place (its position at the end), counts the rows and
// damage of the runs before it, and reports the failures
// (params->worker_failed).
void join_workers(PWORKER_GROUP group, const ZEM_LIST* list, PUNLOAD_PARAMS params);
void release_worker_group(PWORKER_GROUP group);
// What the writers of all workers found (OF_ bits).
int get_worker_output_flags(const WORKER_GROUP* group);

// Placing runs (run_placement.cpp). In a worker, once run `run`'s text is
// whole: tells its size, waits until its offset is known and writes it
// there: the part file's bytes [*part_mark, its position) first, then the
// gathered text. FALSE when the board was stopped, or when a write failed
// (its errno in the worker's slot, and the board stopped).
bool place_run(PWORKER_GROUP group, ub4 run, struct _tag_output_file* out, int part_fd, int data_fd,
               ub8* part_mark);
// Tells every worker to take no more runs and to stop waiting for a place.
void stop_runs(PWORKER_GROUP group);
// In the parent, once all have ended: the runs in place from the first on,
// and the end of the last of them in the data file.
ub4 count_placed_runs(const WORKER_GROUP* group, ub8* end);
