#include "unload/parallel_workers.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/config.h"
#include "base/printer.h"
#include "base/progress_line.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "engine/extent_list.h"
#include "engine/unload_engine.h"
#include "output/output_file.h"
#include "storage/asm_disk_list.h"
#include "storage/datafile_registry.h"
#include "unload/part_files.h"

namespace {

size_t align_up(size_t size, size_t alignment)
{
    return (size + alignment - 1) / alignment * alignment;
}

constexpr int PROGRESS_POLL_MS = 100;
constexpr int INTERRUPT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int INTERRUPT_SIGNAL_CNT = 3;

// The signal that interrupted the wait for the workers. A signal handler can
// only reach a global.
volatile sig_atomic_t interrupt_signal = 0;

void on_interrupt(int signal_no)
{
    interrupt_signal = signal_no;
}

void catch_interrupts(struct sigaction* old)
{
    interrupt_signal = 0;
    struct sigaction action = {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < INTERRUPT_SIGNAL_CNT; i++)
        sigaction(INTERRUPT_SIGNALS[i], &action, &old[i]);
}

void restore_interrupts(const struct sigaction* old)
{
    for (int i = 0; i < INTERRUPT_SIGNAL_CNT; i++)
        sigaction(INTERRUPT_SIGNALS[i], &old[i], nullptr);
}

// A worker's own state while it runs.
typedef struct _tag_worker_run {
    WORKER_SLOT* slot;
    int notify; // write end of the done pipe: a byte wakes the parent
} WORKER_RUN;

void notify_parent(const WORKER_RUN* run)
{
    char c = 1;
    while (write(run->notify, &c, 1) < 0 && errno == EINTR) {
    }
}

void worker_batch(void* context, ub8 blocks, ub8 bytes, ub8 rows)
{
    WORKER_SLOT* slot = ((const WORKER_RUN*)context)->slot;
    slot->blocks.fetch_add(blocks, std::memory_order_relaxed);
    slot->bytes.fetch_add(bytes, std::memory_order_relaxed);
    slot->rows.store(rows, std::memory_order_relaxed);
}

// Where the worker's log stands, its messages so far handed over.
ub8 log_position()
{
    fflush(stdout);
    off_t at = lseek(STDOUT_FILENO, 0, SEEK_CUR);
    return at >= 0 ? (ub8)at : 0;
}

// One run of the list through the engine, its messages, rows and damage
// noted in its slot.
void unload_run(PWORKER_GROUP group, ub4 index, ub4 run, const ZEM_LIST* list, PUNLOAD_PARAMS params,
                const UNLOAD_CALLBACKS* callbacks)
{
    RUN_SLOT* slot = &group->runs[run];
    slot->worker.store((int)index);
    slot->log_begin.store(log_position());
    PTABLE table = params->table;
    init_unload_damage(&table->damage);
    ub8 rows_before = table->row_cnt;
    ub8 first = 0, end = 0;
    get_run_blocks(group, run, &first, &end);
    if (config_data.trace_level >= TL_INFO) {
        write_trace("worker %d takes run %u: blocks %llu to %llu of the segment\n", (int)getpid(), run,
                    (unsigned long long)first, (unsigned long long)end - 1);
        flush_trace();
    }
    ZEM_LIST part;
    init_extent_list(&part);
    slice_extent_list(list, first, end, &part);
    unload_extents(&part, params, callbacks);
    release_zem_list(&part);
    slot->rows = table->row_cnt - rows_before;
    slot->damage = table->damage;
    flush_trace();
    slot->log_end.store(log_position());
}

// The worker: runs of the list, taken in turn, into the data file; its
// messages into its log.
[[noreturn]] void run_worker(PWORKER_GROUP group, ub4 index, PZEM_LIST list, PUNLOAD_PARAMS params,
                             const UNLOAD_CALLBACKS* callbacks, const SPLIT_WRITER* writer, pid_t parent)
{
    // Gone with the parent, whatever ends it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(2);
    // The parent prints the log into the spool, in order. The write end of
    // the done pipe stays open until the worker exits.
    fp_spool = nullptr;
    const WORKER& worker = group->workers[index];
    WORKER_SLOT* slot = &group->slots[index];
    POUTPUT_FILE out = writer->data_file(params);
    // The writer's own descriptor now leads to the part file; the data file
    // is written through a copy of it, at the runs' offsets.
    int data_fd = dup(group->data_fd);
    if (out == nullptr || data_fd < 0 || dup2(worker.log, STDOUT_FILENO) < 0 ||
        dup2(worker.part, group->data_fd) < 0)
        _exit(2);
    // Short of memory, the text goes on to the part file sooner.
    resize_output_buffer(out, group->text_size);
    reopen_diskgroup_disks();
    reopen_data_files();
    WORKER_RUN state = {slot, group->done_write};
    UNLOAD_PROGRESS progress = {&state, nullptr, worker_batch};
    params->progress = &progress;
    params->splitter = nullptr;
    ub8 part_mark = 0;
    while (group->board->stop.load() == 0) {
        ub4 run = group->board->next_run.fetch_add(1);
        if (run >= group->run_count)
            break;
        unload_run(group, index, run, list, params, callbacks);
        // The writer stopped (its file failed, or its part cannot be
        // joined): nothing after this run can be placed.
        if (params->stop_unload) {
            stop_runs(group);
            break;
        }
        if (!place_run(group, run, out, group->data_fd, data_fd, &part_mark))
            break;
    }
    // Stopped because another worker failed is no failure of this one.
    bool ok = !params->stop_unload && slot->write_error.load() == 0;
    fflush(stdout);
    flush_trace();
    slot->output_flags.store(params->output_flags);
    slot->rows.store(params->table->row_cnt);
    slot->finished.store(ok);
    notify_parent(&state);
    _exit(ok ? 0 : 3);
}

// The block a worker's run starts with, for the messages.
void get_run_start(const ZEM_LIST* list, ub8 index, ub4 ts_no, ub4* file_no, ub4* block_no)
{
    ub8 at = 0;
    *file_no = *block_no = 0;
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next) {
        const EXTENT_LIST_ITEM* extent = (const EXTENT_LIST_ITEM*)item->data;
        if (is_extent_above_hwm(extent))
            break;
        ub8 readable = extent->length - extent->hwm_blocks;
        if (index < at + readable) {
            *file_no = rdba_file_no(extent->start_rdba, ts_no);
            *block_no = rdba_block_no(extent->start_rdba, ts_no) + (ub4)(index - at);
            return;
        }
        at += readable;
    }
}

void close_worker_files(std::vector<WORKER>& workers)
{
    for (WORKER& w : workers) {
        if (w.log >= 0)
            close(w.log);
        if (w.part >= 0)
            close(w.part);
        w.log = w.part = -1;
    }
}

void kill_workers(std::vector<WORKER>& workers)
{
    for (WORKER& w : workers)
        if (w.pid > 0 && !w.reaped)
            kill(w.pid, SIGKILL);
    for (WORKER& w : workers)
        if (w.pid > 0 && !w.reaped) {
            while (waitpid(w.pid, &w.status, 0) < 0 && errno == EINTR) {
            }
            w.reaped = true;
        }
}

// Feeds the parent's progress line from the workers' slots.
void report_progress(PUNLOAD_PARAMS params, const WORKER_SLOT* slots, size_t count, ub8 base_rows, ub8* blocks_told,
                     ub8* bytes_told)
{
    const UNLOAD_PROGRESS* progress = params->progress;
    if (progress == nullptr || progress->batch == nullptr)
        return;
    ub8 blocks = 0, bytes = 0, rows = base_rows;
    for (size_t i = 0; i < count; i++) {
        blocks += slots[i].blocks.load(std::memory_order_relaxed);
        bytes += slots[i].bytes.load(std::memory_order_relaxed);
        ub8 r = slots[i].rows.load(std::memory_order_relaxed);
        rows += r > base_rows ? r - base_rows : 0;
    }
    if (blocks > *blocks_told || bytes > *bytes_told)
        progress->batch(progress->context, blocks - *blocks_told, bytes - *bytes_told, rows);
    *blocks_told = blocks;
    *bytes_told = bytes;
}

bool worker_succeeded(const WORKER& w, const WORKER_SLOT& slot)
{
    return w.status != -1 && WIFEXITED(w.status) && WEXITSTATUS(w.status) == 0 && slot.finished.load() != 0;
}

// Reaps the workers that have exited; when one failed, the others are told
// to take no more runs (and not to wait for a place that never comes).
// TRUE once every worker is reaped.
bool reap_workers(PWORKER_GROUP group)
{
    bool all = true;
    for (size_t i = 0; i < group->workers.size(); i++) {
        WORKER& w = group->workers[i];
        if (w.reaped)
            continue;
        pid_t got = waitpid(w.pid, &w.status, WNOHANG);
        if (got < 0 && errno != EINTR) {
            sp_printf("wait slave process %d error,error no:%d, error message:%s\n", (int)w.pid, errno,
                      strerror(errno));
            w.status = -1;
        }
        if (got == w.pid || w.status == -1) {
            w.reaped = true;
            if (!worker_succeeded(w, group->slots[i]))
                stop_runs(group);
        } else {
            all = false;
        }
    }
    return all;
}

// Prints the runs' messages in run order; a run a worker did not finish has
// whatever its worker wrote after the run began.
void print_run_messages(const PWORKER_GROUP group)
{
    for (ub4 i = 0; i < group->run_count; i++) {
        const RUN_SLOT& run = group->runs[i];
        int worker = run.worker.load();
        if (worker < 0 || (size_t)worker >= group->workers.size())
            continue;
        ub8 end = run.log_end.load();
        print_part_file(group->workers[(size_t)worker].log, (off_t)run.log_begin.load(),
                        end == RUN_UNKNOWN ? -1 : (off_t)end);
    }
}

void report_failures(const PWORKER_GROUP group, ub4 placed, const ZEM_LIST* list, PUNLOAD_PARAMS params)
{
    size_t failed = 0;
    for (size_t i = 0; i < group->workers.size(); i++) {
        const WORKER& w = group->workers[i];
        if (worker_succeeded(w, group->slots[i]))
            continue;
        failed++;
        int err = group->slots[i].write_error.load();
        if (w.status != -1 && WIFSIGNALED(w.status))
            sp_printf("slave process %d terminated abnormal.\n", (int)w.pid);
        else if (err != 0)
            sp_printf("slave process %d could not write its part of the data file, error message:%s.\n",
                      (int)w.pid, strerror(err));
        else if (w.status != -1)
            sp_printf("slave process %d could not write its part of the data file.\n", (int)w.pid);
    }
    if (placed == group->run_count)
        return;
    PTABLE table = params->table;
    ub8 first = 0, end = 0;
    get_run_blocks(group, placed, &first, &end);
    ub4 file_no = 0, block_no = 0;
    get_run_start(list, first, table->ts_no, &file_no, &block_no);
    if (failed > 0)
        sp_printf("%u of %u worker processes failed: ", (unsigned)failed, (unsigned)group->workers.size());
    sp_printf("the rows of table %s from rfile#=%u,block#=%u of this segment on are missing from its data file.\n",
              table->name, file_no, block_no);
    params->worker_failed = 1;
}

// Creates the workers' scratch files; false (files closed) when one cannot
// be made.
bool open_worker_files(std::vector<WORKER>& workers)
{
    for (WORKER& w : workers) {
        w.log = open_part_file(config_data.data_path);
        if (w.log >= 0)
            w.part = open_part_file(config_data.data_path);
        if (w.log < 0 || w.part < 0) {
            sp_printf("can not create a part file in '%s', error message:%s; the segment is unloaded by one "
                      "process.\n",
                      config_data.data_path, strerror(errno));
            close_worker_files(workers);
            return false;
        }
    }
    return true;
}

} // namespace

void get_run_blocks(const WORKER_GROUP* group, ub4 run, ub8* first, ub8* end)
{
    *first = group->total * run / group->run_count;
    *end = group->total * (run + 1) / group->run_count;
}

bool init_worker_group(PWORKER_GROUP group, ub8 total, ub4 run_count, ub4 worker_count, int data_fd,
                       const PTABLE table)
{
    group->data_fd = data_fd;
    group->start = lseek(data_fd, 0, SEEK_CUR);
    group->base_rows = table->row_cnt;
    group->total = total;
    group->run_count = run_count;
    group->workers.assign(worker_count, WORKER());
    if (group->start < 0 || !open_worker_files(group->workers))
        return false;
    // The board, the worker slots and the run slots follow each other in
    // one shared mapping, each array at its own type's alignment.
    size_t slots_at = align_up(sizeof(RUN_BOARD), alignof(WORKER_SLOT));
    size_t runs_at = align_up(slots_at + sizeof(WORKER_SLOT) * worker_count, alignof(RUN_SLOT));
    group->shared_size = runs_at + sizeof(RUN_SLOT) * run_count;
    void* shared = mmap(nullptr, group->shared_size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    int done[2] = {-1, -1};
    if (shared == MAP_FAILED || pipe(done) != 0) {
        sp_printf("can not unload table %s with worker processes, error message:%s.\n", table->name,
                  strerror(errno));
        if (shared != MAP_FAILED)
            munmap(shared, group->shared_size);
        close_worker_files(group->workers);
        return false;
    }
    group->board = new (shared) RUN_BOARD();
    group->slots = new ((char*)shared + slots_at) WORKER_SLOT[worker_count]();
    group->runs = new ((char*)shared + runs_at) RUN_SLOT[run_count]();
    for (ub4 i = 0; i < run_count; i++) {
        group->runs[i].size.store(RUN_UNKNOWN);
        group->runs[i].offset.store(RUN_UNKNOWN);
        group->runs[i].worker.store(-1);
        group->runs[i].log_end.store(RUN_UNKNOWN);
    }
    // The first run begins where the segment's rows do.
    group->runs[0].offset.store((ub8)group->start);
    group->board->known.store(1);
    group->done_read = done[0];
    group->done_write = done[1];
    return true;
}

bool start_workers(PWORKER_GROUP group, PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                   const SPLIT_WRITER* writer)
{
    // Nothing buffered may be inherited, or a worker would write it again.
    fflush(stdout);
    if (fp_spool != nullptr)
        fflush(fp_spool);
    flush_trace();
    pid_t parent = getpid();
    bool forked = true;
    for (size_t i = 0; i < group->workers.size(); i++) {
        WORKER& w = group->workers[i];
        w.pid = fork();
        if (w.pid == 0) {
            close(group->done_read);
            run_worker(group, (ub4)i, list, params, callbacks, writer, parent);
        }
        if (w.pid < 0) {
            sp_printf("can not fork process,error no:%d, error message:%s\n", errno, strerror(errno));
            forked = false;
            break;
        }
    }
    close(group->done_write);
    group->done_write = -1;
    if (!forked) {
        // Back to one process: what the workers wrote is cut off.
        kill_workers(group->workers);
        if (ftruncate(group->data_fd, group->start) != 0 || lseek(group->data_fd, group->start, SEEK_SET) < 0)
            params->worker_failed = 1;
    }
    return forked;
}

int wait_workers(PWORKER_GROUP group, PUNLOAD_PARAMS params)
{
    struct sigaction old[INTERRUPT_SIGNAL_CNT];
    catch_interrupts(old);
    ub8 blocks_told = 0, bytes_told = 0;
    // A byte on the pipe: a worker ended. The pipe ends when the last
    // worker has exited.
    bool pipe_open = true;
    while (interrupt_signal == 0) {
        pollfd p = {group->done_read, POLLIN, 0};
        int n = pipe_open ? poll(&p, 1, PROGRESS_POLL_MS) : 0;
        report_progress(params, group->slots, group->workers.size(), group->base_rows, &blocks_told, &bytes_told);
        char bytes[64];
        if (n > 0 && read(group->done_read, bytes, sizeof(bytes)) <= 0)
            pipe_open = false;
        if (reap_workers(group))
            break;
        if (!pipe_open)
            usleep(PROGRESS_POLL_MS * 1000);
    }
    int signal_no = interrupt_signal;
    if (signal_no != 0)
        kill_workers(group->workers);
    restore_interrupts(old);
    return signal_no;
}

void join_workers(PWORKER_GROUP group, const ZEM_LIST* list, PUNLOAD_PARAMS params)
{
    print_run_messages(group);
    ub8 end = 0;
    ub4 placed = count_placed_runs(group, &end);
    // The runs after the first missing one (written by workers still going)
    // are cut off; the data file goes on from the end of those in place.
    int err = 0;
    if (placed < group->run_count && ftruncate(group->data_fd, (off_t)end) != 0)
        err = errno;
    if (lseek(group->data_fd, (off_t)end, SEEK_SET) < 0 && err == 0)
        err = errno;
    if (err != 0)
        sp_printf("can not cut the data file of table %s back to its rows in place, error message:%s.\n",
                  params->table->name, strerror(err));
    PTABLE table = params->table;
    for (ub4 i = 0; i < placed; i++) {
        table->row_cnt += group->runs[i].rows;
        add_unload_damage(&table->damage, &group->runs[i].damage);
    }
    report_failures(group, placed, list, params);
    if (err != 0)
        params->worker_failed = 1;
}

int get_worker_output_flags(const WORKER_GROUP* group)
{
    int flags = 0;
    for (size_t i = 0; group->slots != nullptr && i < group->workers.size(); i++)
        flags |= group->slots[i].output_flags.load();
    return flags;
}

void release_worker_group(PWORKER_GROUP group)
{
    if (group->done_read >= 0)
        close(group->done_read);
    if (group->done_write >= 0)
        close(group->done_write);
    group->done_read = group->done_write = -1;
    close_worker_files(group->workers);
    if (group->board != nullptr) {
        for (size_t i = 0; i < group->workers.size(); i++)
            group->slots[i].~WORKER_SLOT();
        for (ub4 i = 0; i < group->run_count; i++)
            group->runs[i].~RUN_SLOT();
        group->board->~RUN_BOARD();
        munmap(group->board, group->shared_size);
        group->board = nullptr;
        group->slots = nullptr;
        group->runs = nullptr;
    }
}
