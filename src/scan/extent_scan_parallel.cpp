// scan extent with worker processes. The master counts the work in read
// units of block_read_count blocks, deals the units out in ranges of
// consecutive blocks, one pipe per worker, and waits; each worker reopens
// the datafiles and ASM disks, scans its ranges into result files of its
// own and sends back its statistics. The master then joins the workers'
// files into the shared ones (scan_join.h).
//
// Range record on a worker's pipe, three ub4 in host order: absolute file
// number, first block, number of blocks. File 0 and block 0 end the list.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/fd_io.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/progress_line.h"
#include "base/trace.h"
#include "scan/extent_scan.h"
#include "scan/scan_join.h"
#include "scan/scanned_extent.h"
#include "storage/asm_disk_list.h"

namespace {

struct SCAN_RANGE_RECORD {
    ub4 file_no;
    ub4 first_block;
    ub4 blocks;
};

struct SCAN_SLAVE {
    pid_t pid;
    int work_fd;  // write end of its range pipe
    int stats_fd; // read end of its statistics pipe
    bool ok;
};

// Nothing buffered may reach a worker, or it would print it again.
void flush_output()
{
    fflush(stdout);
    if (fp_spool != nullptr)
        fflush(fp_spool);
    flush_trace();
}

// `done`: one counter per worker, in memory the workers share (null: none).
void start_slaves(ub4 data_object_id, int degree, std::vector<SCAN_SLAVE>* slaves, std::atomic<ub8>* done)
{
    for (int i = 0; i < degree; i++) {
        int work[2], stats[2];
        if (pipe(work) != 0) {
            sp_printf("can not create pipeline,error no:%d, error message:%s\n", errno, strerror(errno));
            return;
        }
        if (pipe(stats) != 0) {
            sp_printf("can not create pipeline,error no:%d, error message:%s\n", errno, strerror(errno));
            close(work[0]);
            close(work[1]);
            return;
        }
        flush_output();
        pid_t pid = fork();
        if (pid < 0) {
            sp_printf("can not fork process,error no:%d, error message:%s\n", errno, strerror(errno));
            for (int fd : {work[0], work[1], stats[0], stats[1]})
                close(fd);
            return;
        }
        if (pid == 0) {
            close(work[1]);
            close(stats[0]);
            // The pipes of the workers started before belong to the master.
            for (const SCAN_SLAVE& s : *slaves) {
                close(s.work_fd);
                close(s.stats_fd);
            }
            char suffix[32];
            snprintf(suffix, sizeof(suffix), ".%d", (int)getpid());
            int status =
                scan_extent_slave(data_object_id, work[0], stats[1], suffix, done != nullptr ? &done[i] : nullptr);
            flush_output();
            _exit(status);
        }
        close(work[0]);
        close(stats[1]);
        slaves->push_back({pid, work[1], stats[0], true});
    }
}

bool send_range(SCAN_SLAVE* slave, const SCAN_FILE& file, ub8 start, ub8 units, ub4 read_count,
                SCAN_BOUNDARIES* boundaries)
{
    ub8 last = start + units * read_count - 1;
    if (last > file.last_block)
        last = file.last_block;
    SCAN_RANGE_RECORD record = {(ub4)file.item->file_no, (ub4)start, (ub4)(last - start + 1)};
    if (start > 1)
        boundaries->insert({(ub4)file.item->ts_no, (ub4)file.item->rfile_no, (ub4)start});
    if (config_data.trace_level > 2)
        sp_printf("block range for process pid %d file_id %u block_no %u length %u \n", (int)slave->pid,
                  record.file_no, record.first_block, record.blocks);
    if (!slave->ok)
        return false;
    if (write_all(slave->work_fd, &record, sizeof(record)) == 0)
        return true;
    sp_printf("write pipe to pid %d error : %s\n", (int)slave->pid, strerror(errno));
    slave->ok = false;
    return false;
}

// Deals the read units out: each worker gets about the same number, in
// ranges of consecutive blocks, so one may get the tail of one file and the
// head of the next.
void distribute_ranges(const std::vector<SCAN_FILE>& files, std::vector<SCAN_SLAVE>& slaves, ub4 read_count,
                       ub8 units, SCAN_BOUNDARIES* boundaries)
{
    ub8 quota = (units + slaves.size() - 1) / slaves.size();
    size_t k = 0;
    ub8 remaining = quota;
    for (const SCAN_FILE& file : files) {
        ub8 file_units = ((ub8)file.last_block + read_count - 1) / read_count;
        ub8 given = 0;
        while (given < file_units) {
            ub8 start = (ub8)read_count * given + 1;
            SCAN_SLAVE* slave = &slaves[k < slaves.size() ? k : slaves.size() - 1];
            if (file_units - given >= remaining) {
                send_range(slave, file, start, remaining, read_count, boundaries);
                given += remaining;
                k++;
                remaining = quota;
            } else {
                send_range(slave, file, start, file_units - given, read_count, boundaries);
                remaining -= file_units - given;
                given = file_units;
            }
        }
    }
}

// Until every worker has sent its statistics or ended, the progress line
// follows the workers' counters.
void follow_slaves(const std::vector<SCAN_SLAVE>& slaves, const std::atomic<ub8>* done, PPROGRESS_LINE progress)
{
    ub8 told = 0;
    std::vector<pollfd> waiting;
    for (const SCAN_SLAVE& slave : slaves)
        waiting.push_back({slave.stats_fd, POLLIN, 0});
    while (!waiting.empty()) {
        if (poll(waiting.data(), waiting.size(), 100) < 0 && errno != EINTR)
            return;
        for (size_t i = 0; i < waiting.size();) {
            if (waiting[i].revents != 0)
                waiting.erase(waiting.begin() + (long)i);
            else
                i++;
        }
        ub8 blocks = 0;
        for (size_t i = 0; i < slaves.size(); i++)
            blocks += done[i].load(std::memory_order_relaxed);
        if (blocks > told)
            add_progress_done(progress, blocks - told, (blocks - told) * (ub8)config_data.block_size, 0);
        told = blocks;
    }
}

// Sends the end records, collects statistics and exit statuses; returns the
// number of workers that failed.
int wait_slaves(std::vector<SCAN_SLAVE>& slaves, SCAN_STATS* stats, const std::atomic<ub8>* done,
                PPROGRESS_LINE progress)
{
    SCAN_RANGE_RECORD end = {0, 0, 0};
    for (SCAN_SLAVE& slave : slaves) {
        if (slave.ok && write_all(slave.work_fd, &end, sizeof(end)) != 0) {
            sp_printf("write pipe to pid %d error : %s\n", (int)slave.pid, strerror(errno));
            slave.ok = false;
        }
        close(slave.work_fd);
    }
    if (done != nullptr)
        follow_slaves(slaves, done, progress);
    int failed = 0;
    for (SCAN_SLAVE& slave : slaves) {
        SCAN_STATS part;
        if (read_most(slave.stats_fd, &part, sizeof(part)) == (ssize_t)sizeof(part))
            add_scan_stats(stats, &part);
        close(slave.stats_fd);
        int status = 0;
        pid_t got;
        while ((got = waitpid(slave.pid, &status, 0)) < 0 && errno == EINTR) {
        }
        if (got < 0) {
            sp_printf("wait slave process %d error,error no:%d, error message:%s\n", (int)slave.pid, errno,
                      strerror(errno));
            slave.ok = false;
        } else if (WIFSIGNALED(status)) {
            sp_printf("slave process %d terminated abnormal.\n", (int)slave.pid);
            slave.ok = false;
        } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
            sp_printf("slave process %d exited with status %d.\n", (int)slave.pid, WEXITSTATUS(status));
            slave.ok = false;
        }
        if (!slave.ok)
            failed++;
    }
    return failed;
}

// Appends every worker's lines to the shared files; FALSE when they could
// not be written.
bool join_results(const std::vector<SCAN_SLAVE>& slaves, const SCAN_BOUNDARIES& boundaries)
{
    SCAN_RESULT_FILE* files = (SCAN_RESULT_FILE*)malloc(sizeof(SCAN_RESULT_FILE) * SCAN_FILE_COUNT);
    if (files == nullptr)
        return false;
    bool ok = true;
    for (int i = 0; i < SCAN_FILE_COUNT; i++)
        if (!open_scan_result_file(&files[i], scan_result_filenames[i], FALSE) && ok) {
            sp_printf("can not open file '%s' for writing, error message:%s.\n", files[i].name,
                      strerror(files[i].error));
            ok = false;
        }
    SCAN_JOIN join = {&boundaries, {}, 0};
    for (const SCAN_SLAVE& slave : slaves) {
        char suffix[32];
        snprintf(suffix, sizeof(suffix), ".%d", (int)slave.pid);
        if (!join_slave_results(files, suffix, &join))
            ok = false;
    }
    if (ok && !write_joined_extents(&files[SCAN_EXT], &join))
        ok = false;
    if (!close_scan_result_files(files))
        ok = false;
    free(files);
    if (join.cut_lines > 0)
        sp_printf("%llu incomplete lines of failed slave processes dropped.\n", (unsigned long long)join.cut_lines);
    return ok;
}

// Truncates the four files, with the header lines of segment.txt.
bool create_result_files()
{
    SCAN_RESULT_FILE* files = (SCAN_RESULT_FILE*)malloc(sizeof(SCAN_RESULT_FILE) * SCAN_FILE_COUNT);
    if (files == nullptr)
        return false;
    bool ok = open_scan_result_files(files, "", "can not open file '%s' for write, error message:%s.\n");
    if (ok) {
        write_scanned_segment_header(&files[SCAN_SEGMENT]);
        ok = close_scan_result_files(files);
    }
    free(files);
    return ok;
}

} // namespace

int scan_extent_parallel(ub4 ts, ub4 rfile, ub4 data_object_id, int degree, SCAN_STATS* stats)
{
    sp_printf("scanning extent...\n");
    release_scanned_data_list();
    init_scanned_data_list();
    if (!create_result_files())
        return FALSE;
    SCAN_FILTER filter = {ts, rfile, data_object_id};
    std::vector<SCAN_FILE> files = get_scan_files(&filter);
    show_cut_scan_files(files);
    ub4 read_count = get_scan_read_count();
    ub8 units = 0;
    for (const SCAN_FILE& file : files)
        units += ((ub8)file.last_block + read_count - 1) / read_count;
    if (units == 0)
        return TRUE;

    // Blocks read by each worker, for the progress line.
    size_t done_size = sizeof(std::atomic<ub8>) * (size_t)degree;
    void* shared = mmap(nullptr, done_size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    std::atomic<ub8>* done = shared != MAP_FAILED ? new (shared) std::atomic<ub8>[degree]() : nullptr;
    PROGRESS_LINE progress;
    begin_progress_line(&progress, "scan extent", nullptr);
    for (const SCAN_FILE& file : files)
        add_progress_total(&progress, file.last_block);

    std::vector<SCAN_SLAVE> slaves;
    start_slaves(data_object_id, degree, &slaves, done);
    if (slaves.empty()) {
        if (shared != MAP_FAILED)
            munmap(shared, done_size);
        sp_printf("can not scan extent  with parallel degree %d\n", degree);
        load_scanned_data_list();
        return FALSE;
    }
    // A worker that died must not take the master with it on the next write.
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    SCAN_BOUNDARIES boundaries;
    distribute_ranges(files, slaves, read_count, units, &boundaries);
    int failed = wait_slaves(slaves, stats, done, &progress);
    sigaction(SIGPIPE, &previous, nullptr);
    end_progress_line(&progress);
    if (shared != MAP_FAILED)
        munmap(shared, done_size);

    bool written = join_results(slaves, boundaries);
    load_scanned_data_list();
    sp_printf("scanning extent finished.\n");
    if (failed > 0)
        sp_printf("%d of %d slave processes failed: the scan results are incomplete.\n", failed,
                  (int)slaves.size());
    return failed == 0 && written ? TRUE : FALSE;
}

int scan_extent_slave(ub4 data_object_id, int pipe_read_end, int stats_fd, const char* suffix,
                      std::atomic<ub8>* shared_done)
{
    reopen_diskgroup_disks();
    reopen_data_files();
    SCAN_RESULT_FILE* files = (SCAN_RESULT_FILE*)malloc(sizeof(SCAN_RESULT_FILE) * SCAN_FILE_COUNT);
    if (files == nullptr ||
        !open_scan_result_files(files, suffix, "can not open file '%s' for writing, error message:%s.\n")) {
        free(files);
        return 1;
    }
    std::vector<SCAN_RANGE_RECORD> ranges;
    int status = 0;
    for (;;) {
        SCAN_RANGE_RECORD record;
        ssize_t n = read_most(pipe_read_end, &record, sizeof(record));
        if (n < 0) {
            sp_printf("slave process read pipe data error no: %d,error message: %s.\n", errno, strerror(errno));
            status = 2;
            break;
        }
        if (n != (ssize_t)sizeof(record)) {
            sp_printf("slave process read pipe data error : incorrent size.\n");
            status = 2;
            break;
        }
        if (record.file_no == 0 && record.first_block == 0)
            break;
        ranges.push_back(record);
    }
    close(pipe_read_end);

    SCAN_CONTEXT context = {};
    context.filter = {SCAN_NO_TS, 0, data_object_id};
    context.check_tail = config_data.db_block_checksum;
    context.is_slave = TRUE;
    context.shared_done = shared_done;
    context.read_count = get_scan_read_count();
    context.files = files;
    if (status == 0 && !init_scan_buffer(&context, BLOCK_MAX_SIZE)) {
        sp_printf("can not allocate memory for scanning.\n");
        status = 1;
    }
    for (size_t i = 0; status == 0 && i < ranges.size(); i++) {
        const SCAN_RANGE_RECORD& r = ranges[i];
        PDATAFILE_ITEM item = get_datafile_item_fn((int)r.file_no);
        if (item == nullptr || r.blocks == 0 || (ub8)r.first_block + r.blocks - 1 > UB4_MAX)
            continue;
        if (!scan_block_range(&context, item, r.first_block, r.first_block + r.blocks - 1))
            status = 1;
    }
    free(context.buffer);
    if (!close_scan_result_files(files) && status == 0)
        status = 1;
    free(files);
    write_all(stats_fd, &context.stats, sizeof(context.stats));
    close(stats_fd);
    return status;
}
