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

void worker_batch(void* context, ub8 blocks, ub8 bytes, ub8 rows)
{
    WORKER_SLOT* slot = (WORKER_SLOT*)context;
    slot->blocks.fetch_add(blocks, std::memory_order_relaxed);
    slot->bytes.fetch_add(bytes, std::memory_order_relaxed);
    slot->rows.store(rows, std::memory_order_relaxed);
}

// The worker: its run of the list into its part, its messages into its log.
[[noreturn]] void run_worker(const WORKER* worker, WORKER_SLOT* slot, PZEM_LIST list, PUNLOAD_PARAMS params,
                             const UNLOAD_CALLBACKS* callbacks, SYNC_OUTPUT sync, int data_fd, pid_t parent)
{
    // Gone with the parent, whatever ends it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(2);
    // The parent prints the log into the spool, in order. The write end of
    // the done pipe stays open until the worker exits.
    fp_spool = nullptr;
    if (dup2(worker->log, STDOUT_FILENO) < 0 || (worker->part >= 0 && dup2(worker->part, data_fd) < 0))
        _exit(2);
    reopen_diskgroup_disks();
    reopen_data_files();
    PTABLE table = params->table;
    init_unload_damage(&table->damage);
    cut_extent_list(list, worker->first, worker->end);
    UNLOAD_PROGRESS progress = {slot, nullptr, worker_batch};
    params->progress = &progress;
    params->splitter = nullptr;
    unload_extents(list, params, callbacks);
    int ok = sync(params) >= 0;
    fflush(stdout);
    flush_trace();
    slot->damage = table->damage;
    slot->rows.store(table->row_cnt);
    slot->finished.store(ok);
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

// Joins the parts in order onto the data file; the first part is there
// already. Counts the rows and damage of the parts kept. Returns the index of
// the first part that could not be kept, or the worker count.
size_t join_parts(std::vector<WORKER>& workers, WORKER_SLOT* slots, int data_fd, off_t start, PTABLE table,
                  ub8 base_rows)
{
    size_t kept = 0;
    for (; kept < workers.size(); kept++) {
        const WORKER& w = workers[kept];
        if (!worker_succeeded(w, slots[kept]))
            break;
        if (w.part >= 0) {
            int err = append_part_file(data_fd, w.part);
            if (err != 0) {
                sp_printf("can not join part %u of table %s to its data file, error message:%s.\n",
                          (unsigned)kept + 1, table->name, strerror(err));
                break;
            }
        }
        ub8 rows = slots[kept].rows.load();
        table->row_cnt += rows > base_rows ? rows - base_rows : 0;
        add_unload_damage(&table->damage, &slots[kept].damage);
    }
    // The first part went straight onto the data file: without it nothing
    // of this segment stays there.
    if (kept == 0 && (ftruncate(data_fd, start) != 0 || lseek(data_fd, start, SEEK_SET) < 0))
        sp_printf("can not cut table %s's data file back, error message:%s.\n", table->name, strerror(errno));
    return kept;
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
    sp_printf("%u of %u worker processes failed: the rows of table %s from rfile#=%u,block#=%u of this segment on "
              "are missing from its data file.\n",
              (unsigned)(failed > 0 ? failed : 1), (unsigned)workers.size(), table->name, file_no, block_no);
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
    for (ub8 i = 0; i < count; i++) {
        group->workers[i].first = total * i / count;
        group->workers[i].end = total * (i + 1) / count;
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
            run_worker(&w, &group->slots[i], list, params, callbacks, sync, group->data_fd, parent);
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
    // The pipe ends when the last worker has exited.
    while (interrupt_signal == 0) {
        pollfd p = {group->done_read, POLLIN, 0};
        int n = poll(&p, 1, PROGRESS_POLL_MS);
        report_progress(params, group->slots, workers.size(), group->base_rows, &blocks_told, &bytes_told);
        char c;
        if (n > 0 && read(group->done_read, &c, 1) <= 0)
            break;
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
    size_t kept = join_parts(group->workers, group->slots, group->data_fd, group->start, params->table,
                             group->base_rows);
    report_failures(group->workers, group->slots, kept, list, params);
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
