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
#include "storage/asm_disk_list.h"
#include "storage/datafile_registry.h"
#include "unload/part_files.h"

namespace {

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
    PUNLOAD_PARAMS params;
    SYNC_OUTPUT sync;
    int data_fd; // what the writer writes to: the part file, then the data file
    int orig_fd; // the data file
    int notify;  // write end of the done pipe: a byte wakes the parent
} WORKER_RUN;

void notify_parent(const WORKER_RUN* run)
{
    char c = 1;
    while (write(run->notify, &c, 1) < 0 && errno == EINTR) {
    }
}

// Between two batches: the writer's bytes so far are all in the part file;
// from here on they go onto the data file after the place the parent keeps
// for them. On any failure the worker stays with its part file.
void switch_to_data_file(const WORKER_RUN* run)
{
    if (run->sync(run->params) < 0)
        return;
    off_t buffered = lseek(run->data_fd, 0, SEEK_CUR);
    ub8 base = run->slot->base.load();
    if (buffered < 0 || lseek(run->orig_fd, (off_t)(base + (ub8)buffered), SEEK_SET) < 0 ||
        dup2(run->orig_fd, run->data_fd) < 0)
        return;
    run->slot->buffered.store((ub8)buffered);
    run->slot->state.store(WS_DIRECT);
    notify_parent(run);
    if (config_data.trace_level >= TL_INFO)
        write_trace("worker %d goes on in the data file at %llu, after %llu bytes of its part\n", (int)getpid(),
                    (unsigned long long)(base + (ub8)buffered), (unsigned long long)buffered);
}

void worker_batch(void* context, ub8 blocks, ub8 bytes, ub8 rows)
{
    const WORKER_RUN* run = (const WORKER_RUN*)context;
    WORKER_SLOT* slot = run->slot;
    slot->blocks.fetch_add(blocks, std::memory_order_relaxed);
    slot->bytes.fetch_add(bytes, std::memory_order_relaxed);
    slot->rows.store(rows, std::memory_order_relaxed);
    if (slot->state.load() == WS_SWITCH)
        switch_to_data_file(run);
}

// The worker: its run of the list into its part, its messages into its log.
[[noreturn]] void run_worker(const WORKER* worker, WORKER_SLOT* slot, PZEM_LIST list, PUNLOAD_PARAMS params,
                             const UNLOAD_CALLBACKS* callbacks, SYNC_OUTPUT sync, int data_fd, int notify,
                             pid_t parent)
{
    // Gone with the parent, whatever ends it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(2);
    // The parent prints the log into the spool, in order. The write end of
    // the done pipe stays open until the worker exits.
    fp_spool = nullptr;
    int orig_fd = dup(data_fd);
    if (orig_fd < 0 || dup2(worker->log, STDOUT_FILENO) < 0 || (worker->part >= 0 && dup2(worker->part, data_fd) < 0))
        _exit(2);
    reopen_diskgroup_disks();
    reopen_data_files();
    PTABLE table = params->table;
    init_unload_damage(&table->damage);
    cut_extent_list(list, worker->first, worker->end);
    WORKER_RUN run = {slot, params, sync, data_fd, orig_fd, notify};
    UNLOAD_PROGRESS progress = {&run, nullptr, worker_batch};
    params->progress = &progress;
    params->splitter = nullptr;
    unload_extents(list, params, callbacks);
    int ok = sync(params) >= 0;
    fflush(stdout);
    flush_trace();
    if (slot->state.load() == WS_DIRECT) {
        off_t end = lseek(data_fd, 0, SEEK_CUR);
        ok = ok && end >= 0;
        slot->end_offset.store(end >= 0 ? (ub8)end : 0);
        slot->direct.store(1);
    }
    slot->damage = table->damage;
    slot->output_flags.store(params->output_flags);
    slot->rows.store(table->row_cnt);
    slot->finished.store(ok);
    slot->state.store(WS_DONE);
    notify_parent(&run);
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
        if (w.pid > 0)
            kill(w.pid, SIGKILL);
    for (WORKER& w : workers)
        if (w.pid > 0) {
            while (waitpid(w.pid, &w.status, 0) < 0 && errno == EINTR) {
            }
            w.pid = -1;
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

// Counts the rows and damage of the workers whose output is in place.
void count_placed(const PWORKER_GROUP group, PTABLE table, size_t placed)
{
    for (size_t i = 0; i < placed; i++) {
        ub8 rows = group->slots[i].rows.load();
        table->row_cnt += rows > group->base_rows ? rows - group->base_rows : 0;
        add_unload_damage(&table->damage, &group->slots[i].damage);
    }
}

void report_failures(const std::vector<WORKER>& workers, const WORKER_SLOT* slots, size_t kept, const ZEM_LIST* list,
                     PUNLOAD_PARAMS params)
{
    size_t failed = 0;
    for (size_t i = 0; i < workers.size(); i++) {
        const WORKER& w = workers[i];
        if (worker_succeeded(w, slots[i]))
            continue;
        failed++;
        if (w.status != -1 && WIFSIGNALED(w.status))
            sp_printf("slave process %d terminated abnormal.\n", (int)w.pid);
        else if (w.status != -1)
            sp_printf("slave process %d could not write its part of the data file.\n", (int)w.pid);
    }
    if (kept == workers.size())
        return;
    PTABLE table = params->table;
    ub4 file_no = 0, block_no = 0;
    get_run_start(list, workers[kept].first, table->ts_no, &file_no, &block_no);
    if (failed > 0)
        sp_printf("%u of %u worker processes failed: ", (unsigned)failed, (unsigned)workers.size());
    sp_printf("the rows of table %s from rfile#=%u,block#=%u of this segment on are missing from its data file.\n",
              table->name, file_no, block_no);
    params->worker_failed = 1;
}

// Creates the workers' scratch files; false (files closed) when one cannot
// be made.
bool open_worker_files(std::vector<WORKER>& workers)
{
    for (size_t i = 0; i < workers.size(); i++) {
        workers[i].log = open_part_file(config_data.data_path);
        if (workers[i].log >= 0 && i > 0)
            workers[i].part = open_part_file(config_data.data_path);
        if (workers[i].log < 0 || (i > 0 && workers[i].part < 0)) {
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

bool init_worker_group(PWORKER_GROUP group, ub8 total, ub8 count, int data_fd, const PTABLE table)
{
    group->data_fd = data_fd;
    group->start = lseek(data_fd, 0, SEEK_CUR);
    group->base_rows = table->row_cnt;
    group->workers.assign(count, WORKER());
    // The first run is a third shorter than the others: its worker is done
    // well before the next one, which then goes on in the data file while
    // the parent, on the processor the first worker left, copies its
    // earlier output into place. (Copying a part costs about half of what
    // writing it cost the worker: with two workers the copy then ends about
    // when the second worker does.)
    for (ub8 i = 0; i < count; i++) {
        group->workers[i].first = total * (i == 0 ? 0 : 3 * i - 1) / (3 * count - 1);
        group->workers[i].end = total * (3 * (i + 1) - 1) / (3 * count - 1);
    }
    if (group->start < 0 || !open_worker_files(group->workers))
        return false;
    group->slots_size = sizeof(WORKER_SLOT) * count;
    void* shared = mmap(nullptr, group->slots_size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    int done[2] = {-1, -1};
    if (shared == MAP_FAILED || pipe(done) != 0) {
        sp_printf("can not unload table %s with worker processes, error message:%s.\n", table->name,
                  strerror(errno));
        if (shared != MAP_FAILED)
            munmap(shared, group->slots_size);
        close_worker_files(group->workers);
        return false;
    }
    group->slots = new (shared) WORKER_SLOT[count]();
    group->done_read = done[0];
    group->done_write = done[1];
    // The first worker writes onto the data file from the start.
    group->placed = 0;
    group->placed_end = (ub8)group->start;
    group->copied = true;
    group->slots[0].state.store(WS_DIRECT);
    group->slots[0].base.store((ub8)group->start);
    return true;
}

bool start_workers(PWORKER_GROUP group, PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                   SYNC_OUTPUT sync)
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
            run_worker(&w, &group->slots[i], list, params, callbacks, sync, group->data_fd, group->done_write,
                       parent);
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
        // Back to one process: what the first worker wrote is cut off.
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
    std::vector<WORKER>& workers = group->workers;
    ub8 blocks_told = 0, bytes_told = 0;
    // A byte on the pipe: a worker switched or ended. The pipe ends when
    // the last worker has exited.
    while (interrupt_signal == 0) {
        pollfd p = {group->done_read, POLLIN, 0};
        int n = poll(&p, 1, PROGRESS_POLL_MS);
        report_progress(params, group->slots, workers.size(), group->base_rows, &blocks_told, &bytes_told);
        char bytes[64];
        if (n > 0 && read(group->done_read, bytes, sizeof(bytes)) <= 0)
            break;
        place_worker_output(group);
    }
    for (WORKER& w : workers) {
        while (interrupt_signal == 0 && waitpid(w.pid, &w.status, 0) < 0) {
            if (errno == EINTR)
                continue;
            sp_printf("wait slave process %d error,error no:%d, error message:%s\n", (int)w.pid, errno,
                      strerror(errno));
            w.status = -1;
            break;
        }
    }
    int signal_no = interrupt_signal;
    if (signal_no != 0)
        kill_workers(workers);
    restore_interrupts(old);
    return signal_no;
}

void join_workers(PWORKER_GROUP group, const ZEM_LIST* list, PUNLOAD_PARAMS params)
{
    // The workers' messages, in the order one process would print them.
    for (const WORKER& w : group->workers)
        print_part_file(w.log);
    size_t placed = end_worker_placement(group);
    if (group->place_error != 0)
        sp_printf("can not join part %u of table %s to its data file, error message:%s.\n", (unsigned)placed + 1,
                  params->table->name, strerror(group->place_error));
    count_placed(group, params->table, placed);
    report_failures(group->workers, group->slots, placed, list, params);
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
    if (group->slots != nullptr) {
        for (size_t i = 0; i < group->workers.size(); i++)
            group->slots[i].~WORKER_SLOT();
        munmap(group->slots, group->slots_size);
        group->slots = nullptr;
    }
}
