// Putting the runs of a split table into the data file in run order without
// copying: a run's offset is the previous run's offset plus its size, so it
// is known as soon as every run before it has been unloaded, however far
// their text is from being written. Whoever publishes a size moves the
// chain of known offsets on as far as the sizes allow; a worker waits (on
// a futex in the shared memory) only until its own run's offset is known.

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "base/config.h"
#include "base/fd_io.h"
#include "base/trace.h"
#include "output/output_file.h"
#include "unload/parallel_workers.h"
#include "unload/part_files.h"

namespace {

// How long a waiting worker sleeps before it looks at the board again
// anyway (a stop, a lost wake-up).
constexpr long WAIT_SLICE_NS = 50 * 1000 * 1000;

uint32_t* futex_word(std::atomic<ub4>* word)
{
    static_assert(sizeof(std::atomic<ub4>) == sizeof(uint32_t), "a futex is a plain 32-bit word");
    return reinterpret_cast<uint32_t*>(word);
}

void wake_all(std::atomic<ub4>* word)
{
    // Not FUTEX_PRIVATE_FLAG: the word is shared between processes.
    syscall(SYS_futex, futex_word(word), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

void wait_change(std::atomic<ub4>* word, ub4 seen)
{
    struct timespec slice = {0, WAIT_SLICE_NS};
    syscall(SYS_futex, futex_word(word), FUTEX_WAIT, seen, &slice, nullptr, 0);
}

// Fixes the offsets that the known sizes allow. Two processes may compute
// the same offset at once; it is the same number, and only one of them
// moves `known` past it.
void advance_offsets(PWORKER_GROUP group)
{
    RUN_BOARD* board = group->board;
    bool moved = false;
    for (;;) {
        ub4 known = board->known.load();
        if (known >= group->run_count)
            break;
        ub8 size = group->runs[known - 1].size.load();
        if (size == RUN_UNKNOWN)
            break;
        group->runs[known].offset.store(group->runs[known - 1].offset.load() + size);
        if (board->known.compare_exchange_strong(known, known + 1))
            moved = true;
    }
    if (moved)
        wake_all(&board->known);
}

// The offset of `run` once known; RUN_UNKNOWN when the board was stopped.
ub8 wait_run_offset(PWORKER_GROUP group, ub4 run)
{
    RUN_BOARD* board = group->board;
    bool told = false;
    for (;;) {
        ub4 known = board->known.load();
        if (known > run)
            return group->runs[run].offset.load();
        if (board->stop.load() != 0)
            return RUN_UNKNOWN;
        if (!told && config_data.trace_level >= TL_INFO) {
            write_trace("worker %d waits for the place of run %u in the data file\n", (int)getpid(), run);
            flush_trace();
            told = true;
        }
        wait_change(&board->known, known);
    }
}

} // namespace

void stop_runs(PWORKER_GROUP group)
{
    group->board->stop.store(1);
    wake_all(&group->board->known);
}

bool place_run(PWORKER_GROUP group, ub4 run, POUTPUT_FILE out, int part_fd, int data_fd, ub8* part_mark)
{
    RUN_SLOT* slot = &group->runs[run];
    const char* text = nullptr;
    size_t length = 0;
    bool gathered = take_gathered_text(out, &text, &length);
    // Text that did not fit in memory went on to the part file.
    off_t part_end = lseek(part_fd, 0, SEEK_CUR);
    if (!gathered || part_end < 0 || (ub8)part_end < *part_mark) {
        group->slots[slot->worker.load()].write_error.store(out->error != 0 ? out->error : errno != 0 ? errno : EIO);
        stop_runs(group);
        return false;
    }
    ub8 spilled = (ub8)part_end - *part_mark;
    slot->size.store(spilled + length);
    advance_offsets(group);
    ub8 at = wait_run_offset(group, run);
    if (at == RUN_UNKNOWN)
        return false;
    int err = spilled > 0 ? copy_part_file(data_fd, (off_t)at, part_fd, (off_t)*part_mark, (off_t)spilled) : 0;
    if (err == 0)
        err = pwrite_all(data_fd, text, length, (off_t)(at + spilled));
    if (err != 0) {
        group->slots[slot->worker.load()].write_error.store(err);
        stop_runs(group);
        return false;
    }
    *part_mark = (ub8)part_end;
    slot->placed.store(1);
    return true;
}

ub4 count_placed_runs(const WORKER_GROUP* group, ub8* end)
{
    ub4 placed = 0;
    *end = (ub8)group->start;
    while (placed < group->run_count && group->runs[placed].placed.load() != 0) {
        *end = group->runs[placed].offset.load() + group->runs[placed].size.load();
        placed++;
    }
    return placed;
}
