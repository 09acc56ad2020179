#include "unload/parallel_table.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "engine/extent_list.h"
#include "engine/unload_engine.h"
#include "storage/asm_disk_list.h"
#include "storage/datafile_registry.h"
#include "unload/part_files.h"

namespace {

constexpr int PROGRESS_POLL_MS = 100;

// What a worker tells its parent, in memory both share: progress while it
// runs, its rows and damage once its part is complete.
struct WORKER_SLOT {
    std::atomic<ub8> blocks;
    std::atomic<ub8> bytes;
    std::atomic<ub8> rows; // the table's row count in the worker
    std::atomic<int> finished;
    UNLOAD_DAMAGE damage;
};

struct WORKER {
    pid_t pid = -1;
    int status = 0;
    int log = -1;  // its messages
    int part = -1; // its part of the data file; -1 for the first, which writes onto the data file
    ub8 first = 0, end = 0;
};

// The signal that interrupted the wait for the workers. A signal handler can
// only reach a global.
volatile sig_atomic_t interrupt_signal = 0;

void on_interrupt(int signal_no)
{
    interrupt_signal = signal_no;
}

constexpr int INTERRUPT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int INTERRUPT_SIGNAL_CNT = 3;

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
                             const UNLOAD_CALLBACKS* callbacks, const TABLE_SPLIT* split, int data_fd, int done_pipe,
                             pid_t parent)
{
    // Gone with the parent, whatever ends it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(2);
    // The parent prints the log into the spool, in order.
    fp_spool = nullptr;
    if (dup2(worker->log, STDOUT_FILENO) < 0 || (worker->part >= 0 && dup2(worker->part, data_fd) < 0))
        _exit(2);
    (void)done_pipe; // held open until exit: the parent waits for its end
    reopen_diskgroup_disks();
    reopen_data_files();
    PTABLE table = params->table;
    init_unload_damage(&table->damage);
    cut_extent_list(list, worker->first, worker->end);
    UNLOAD_PROGRESS progress = {slot, nullptr, worker_batch};
    params->progress = &progress;
    params->splitter = nullptr;
    unload_extents(list, params, callbacks);
    int ok = split->sync(params) >= 0;
    fflush(stdout);
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

// Waits for every worker; false when interrupted (the workers are then
// killed and reaped).
bool wait_workers(std::vector<WORKER>& workers, int done_read, PUNLOAD_PARAMS params, const WORKER_SLOT* slots,
                  ub8 base_rows)
{
    ub8 blocks_told = 0, bytes_told = 0;
    // The pipe ends when the last worker has exited.
    for (;;) {
        pollfd p = {done_read, POLLIN, 0};
        int n = poll(&p, 1, PROGRESS_POLL_MS);
        if (interrupt_signal != 0) {
            kill_workers(workers);
            return false;
        }
        report_progress(params, slots, workers.size(), base_rows, &blocks_told, &bytes_told);
        if (n > 0) {
            char c;
            if (read(done_read, &c, 1) <= 0)
                break;
        }
    }
    for (WORKER& w : workers) {
        while (waitpid(w.pid, &w.status, 0) < 0) {
            if (errno == EINTR && interrupt_signal == 0)
                continue;
            if (interrupt_signal != 0) {
                kill_workers(workers);
                return false;
            }
            sp_printf("wait slave process %d error,error no:%d, error message:%s\n", (int)w.pid, errno,
                      strerror(errno));
            w.status = -1;
            break;
        }
    }
    return true;
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

int unload_in_parts(void* context, PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    const TABLE_SPLIT* split = (const TABLE_SPLIT*)context;
    PTABLE table = params->table;
    ub8 total = count_extent_list_blocks(list);
    ub8 count = total / PARALLEL_MIN_WORKER_BLOCKS;
    if (count > (ub8)split->degree)
        count = (ub8)split->degree;
    if (count < 2)
        return 0;
    int data_fd = split->sync(params);
    if (data_fd < 0)
        return 0; // the writer's failure stands; one process goes on as before
    off_t start = lseek(data_fd, 0, SEEK_CUR);
    std::vector<WORKER> workers(count);
    for (ub8 i = 0; i < count; i++) {
        workers[i].first = total * i / count;
        workers[i].end = total * (i + 1) / count;
    }
    if (start < 0 || !open_worker_files(workers))
        return 0;
    size_t slots_size = sizeof(WORKER_SLOT) * count;
    void* shared = mmap(nullptr, slots_size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    int done_pipe[2] = {-1, -1};
    if (shared == MAP_FAILED || pipe(done_pipe) != 0) {
        sp_printf("can not unload table %s with parallel degree %d, error message:%s.\n", table->name,
                  split->degree, strerror(errno));
        if (shared != MAP_FAILED)
            munmap(shared, slots_size);
        close_worker_files(workers);
        return 0;
    }
    WORKER_SLOT* slots = new (shared) WORKER_SLOT[count]();
    if (params->progress != nullptr && params->progress->segment != nullptr)
        params->progress->segment(params->progress->context, total);

    // Nothing buffered may be inherited, or a worker would write it again.
    fflush(stdout);
    if (fp_spool != nullptr)
        fflush(fp_spool);
    flush_trace();
    pid_t parent = getpid();
    ub8 base_rows = table->row_cnt;
    bool forked = true;
    for (WORKER& w : workers) {
        w.pid = fork();
        if (w.pid == 0) {
            close(done_pipe[0]);
            run_worker(&w, &slots[&w - workers.data()], list, params, callbacks, split, data_fd, done_pipe[1],
                       parent);
        }
        if (w.pid < 0) {
            sp_printf("can not fork process,error no:%d, error message:%s\n", errno, strerror(errno));
            forked = false;
            break;
        }
    }
    close(done_pipe[1]);
    bool interrupted = false;
    if (!forked) {
        // Back to one process: what the first worker wrote is cut off.
        kill_workers(workers);
        if (ftruncate(data_fd, start) != 0 || lseek(data_fd, start, SEEK_SET) < 0)
            params->worker_failed = 1;
    } else {
        struct sigaction old[INTERRUPT_SIGNAL_CNT];
        catch_interrupts(old);
        interrupted = !wait_workers(workers, done_pipe[0], params, slots, base_rows);
        int signal_no = interrupt_signal;
        restore_interrupts(old);
        if (interrupted) {
            close(done_pipe[0]);
            close_worker_files(workers);
            munmap(shared, slots_size);
            // Ended the way the signal ends the program, without workers.
            clear_status_line();
            raise(signal_no);
            sp_printf("unload of table %s interrupted.\n", table->name);
            params->worker_failed = 1;
            return 1;
        }
        // The workers' messages, in the order one process would print them.
        for (const WORKER& w : workers)
            print_part_file(w.log);
        size_t kept = join_parts(workers, slots, data_fd, start, table, base_rows);
        report_failures(workers, slots, kept, list, params);
    }
    close(done_pipe[0]);
    close_worker_files(workers);
    for (ub8 i = 0; i < count; i++)
        slots[i].~WORKER_SLOT();
    munmap(shared, slots_size);
    return forked ? 1 : 0;
}

bool has_numbered_lob_files(const TABLE* table, int lob_output_format)
{
    for (ub4 i = 0; table->cols != nullptr && i < table->col_cnt; i++) {
        const COLUMN* column = &table->cols[i];
        if (!column->can_unload)
            continue;
        if (column->ora_type == ORA_BLOB && (lob_output_format == LOF_TEXT || lob_output_format == LOF_PART_TEXT))
            return true;
        if (column->ora_type == ORA_CLOB && lob_output_format == LOF_TEXT)
            return true;
    }
    return false;
}

void table_progress_segment(void* context, ub8 blocks)
{
    add_progress_total((PPROGRESS_LINE)context, blocks);
}

void table_progress_batch(void* context, ub8 blocks, ub8 bytes, ub8 rows)
{
    add_progress_done((PPROGRESS_LINE)context, blocks, bytes, rows);
}

} // namespace

int get_table_parallel_degree(const TABLE* table, const UNLOAD_PARAMS* params, const char* table_name,
                              int requested)
{
    if (requested < 2)
        return 1;
    const char* reason = nullptr;
    if (config_data.output_format != OUTPUT_TEXT)
        reason = "its output format is written by one process";
    else if (config_data.max_rows != 0)
        reason = "max_rows limits its rows";
    else if (has_numbered_lob_files(table, params->lob_output_format))
        reason = "its LOB files are numbered in row order";
    if (reason == nullptr)
        return requested;
    sp_printf("Table %s is unloaded by one process: %s.\n", table_name, reason);
    return 1;
}

void init_table_split(PTABLE_SPLIT split, int degree, int (*sync)(PUNLOAD_PARAMS), PUNLOAD_PARAMS params)
{
    split->degree = degree;
    split->sync = sync;
    split->splitter.context = split;
    split->splitter.unload_in_parts = unload_in_parts;
    params->splitter = degree > 1 ? &split->splitter : nullptr;
}

void init_table_progress(PUNLOAD_PROGRESS progress, PPROGRESS_LINE line)
{
    progress->context = line;
    progress->segment = table_progress_segment;
    progress->batch = table_progress_batch;
}
