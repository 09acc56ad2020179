#pragma once
// The worker processes of a table split over several processes
// (parallel_table.h): their scratch files, the memory they share with the
// parent, starting, waiting for and interrupting them, and joining their
// parts onto the data file in order.

#include <atomic>
#include <csignal>
#include <sys/types.h>
#include <vector>

#include "engine/unload_model.h"

// Where a worker writes. The first worker writes onto the data file from
// the start; every other one into its part file until the parent, once the
// output of the workers before it is in place, asks it to go on in the data
// file (WS_SWITCH). It then writes onto the data file after the bytes of its
// part file, which the parent copies into place meanwhile.
constexpr int WS_PART = 0;   // into its part file
constexpr int WS_SWITCH = 1; // asked to go on in the data file at `base`
constexpr int WS_DIRECT = 2; // onto the data file, `buffered` bytes of its part file before
constexpr int WS_DONE = 3;   // exited its run (finished tells whether its output is whole)

// What a worker and its parent tell each other, in memory both share.
struct WORKER_SLOT {
    std::atomic<ub8> blocks;
    std::atomic<ub8> bytes;
    std::atomic<ub8> rows; // the table's row count in the worker
    std::atomic<int> finished;
    std::atomic<int> state;
    std::atomic<int> direct;     // it wrote its last bytes onto the data file
    std::atomic<ub8> base;       // offset of its output in the data file
    std::atomic<ub8> buffered;   // bytes in its part file before it switched
    std::atomic<ub8> end_offset; // end of its output in the data file, when direct
    std::atomic<int> output_flags; // the writer's findings (OF_ bits)
    UNLOAD_DAMAGE damage;
};

struct WORKER {
    pid_t pid = -1;
    int status = 0;
    int log = -1;  // its messages
    int part = -1; // its part of the data file; -1 for the first, which writes onto the data file
    ub8 first = 0, end = 0; // its run: blocks [first, end) of the segment's list
};

typedef struct _tag_worker_group {
    std::vector<WORKER> workers;
    WORKER_SLOT* slots = nullptr; // shared with the workers
    size_t slots_size = 0;
    int done_read = -1;  // ends when the last worker has exited
    int done_write = -1;
    int data_fd = -1;    // the table's data file
    off_t start = 0;     // where this segment's rows begin in it
    ub8 base_rows = 0;   // the table's row count before the segment
    // Placing the outputs in order: the workers before `placed` are in
    // place up to placed_end; `copied`: the part file of worker `placed`
    // written before it switched is in place.
    size_t placed = 0;
    ub8 placed_end = 0;
    bool copied = false;
    int place_error = 0; // errno of a copy that failed
} WORKER_GROUP, *PWORKER_GROUP;

// The writer's: hands what it gathered to the system; the data file's
// descriptor, or -1.
typedef int (*SYNC_OUTPUT)(PUNLOAD_PARAMS params);

// Cuts `total` blocks into `count` runs and makes the scratch files, the
// shared slots and the pipe; FALSE (with a message, nothing left open) when
// one cannot be made.
bool init_worker_group(PWORKER_GROUP group, ub8 total, ub8 count, int data_fd, const PTABLE table);
// Forks the workers, each unloading its run of `list` through the callbacks;
// FALSE when a fork failed (the workers started are killed and the data
// file cut back to where the segment began).
bool start_workers(PWORKER_GROUP group, PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                   SYNC_OUTPUT sync);
// Waits for every worker, feeding params->progress. Returns 0, or the
// signal (SIGINT, SIGTERM, SIGHUP) that interrupted the wait, the workers
// then killed and reaped.
int wait_workers(PWORKER_GROUP group, PUNLOAD_PARAMS params);
// Prints the workers' messages in order, joins the parts of the workers up
// to the first that failed, counts their rows and damage, and reports the
// failures (params->worker_failed).
void join_workers(PWORKER_GROUP group, const ZEM_LIST* list, PUNLOAD_PARAMS params);
void release_worker_group(PWORKER_GROUP group);
// What the writers of all workers found (OF_ bits).
int get_worker_output_flags(const WORKER_GROUP* group);

// Places what the workers have written so far (part_placement.cpp): copies
// part files into the data file and asks the next worker to switch. Called
// by the parent whenever a worker tells something, and once all have ended.
void place_worker_output(PWORKER_GROUP group);
// Once all have ended: keeps the data file up to what is in place (cut back
// when a worker failed), its position at the end. Returns how many workers'
// output is in place, in order.
size_t end_worker_placement(PWORKER_GROUP group);
