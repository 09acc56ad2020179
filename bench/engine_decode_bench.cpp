// The unload engine over a generated table of at least 1 GiB: segment
// header, extents of 1024 blocks, rows of five columns (NUMBER, VARCHAR2,
// DATE, NUMBER(10,2), VARCHAR2) decoded with the text conversion into a
// column callback that discards them, as the text writer is driven (row and
// column callbacks, no block callback). Reports MB/s of blocks, rows/s, the
// ratio to `cat FILE >/dev/null` of the same file in the same run (both from
// the page cache after a warm-up read) and the peak resident size.
//
//   engine_decode_bench [DIR [MIB [keep|reuse]]]
// DIR defaults to the temporary directory, MIB to 1024; keep leaves the
// generated file (and its header address in FILE.rdba) for a later run with
// reuse, which decodes it again without generating it.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/config.h"
#include "base/rdba.h"
#include "bench_table.h"
#include "engine/unload_engine.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"

namespace {

using bench::BLOCK_SIZE;
using bench::seconds_since;

double cpu_seconds()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (double)usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + (double)usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

long peak_rss_kib()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

ub8 rows_seen = 0;
ub8 bytes_seen = 0;

void discard_column(const ub1*, ub4 length, PCOLUMN, PCOL_DATA col_data, PUNLOAD_PARAMS, ub1 flags)
{
    bytes_seen += length;
    if (col_data != nullptr && (flags & IS_LAST_PIECE))
        bytes_seen += col_data->data_len;
}

void count_row(ub2, PUNLOAD_PARAMS, PROW_DATA)
{
    rows_seen++;
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    uint32_t mib = argc > 2 ? (uint32_t)atoi(argv[2]) : 1024;
    std::string mode = argc > 3 ? argv[3] : "";
    bool keep = mode == "keep" || mode == "reuse";
    std::string path = dir + "/zem_engine_bench.dbf";
    uint32_t extents = bench::extents_for_mib(mib);

    // Generated in a child, so that the builder's memory does not count in
    // the peak resident size of the decode.
    auto start = std::chrono::steady_clock::now();
    pid_t child = mode == "reuse" ? 0 : fork();
    if (mode == "reuse") {
        // The file and its header address are there from an earlier run.
    } else if (child == 0) {
        FILE* out = fopen((path + ".rdba").c_str(), "w");
        fprintf(out, "%u\n", bench::write_table(path, extents));
        fclose(out);
        _exit(0);
    }
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    uint32_t header_rdba = 0;
    FILE* in = fopen((path + ".rdba").c_str(), "r");
    if (in == nullptr || fscanf(in, "%u", &header_rdba) != 1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "generation failed\n");
        return 1;
    }
    fclose(in);
    if (!keep)
        std::filesystem::remove(path + ".rdba");
    uint64_t file_bytes = std::filesystem::file_size(path);
    printf("%s %s: %.1f MiB in %.1f s (load average %.2f)\n", mode == "reuse" ? "reused" : "generated", path.c_str(),
           file_bytes / 1048576.0, seconds_since(start), bench::load_average());

    bench::time_cat(path); // warm-up
    double cat_seconds = bench::time_cat(path);

    init_config_data();
    config_data.block_size = BLOCK_SIZE;
    init_datafile_list();
    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
    init_block_buffer_cache(&block_buffer_cache, BLOCK_SIZE, config_data.block_buffers);
    std::string control = dir + "/zem_engine_bench_control.txt";
    FILE* ctl = fopen(control.c_str(), "w");
    fprintf(ctl, "4 5 5 %s %u\n", path.c_str(), BLOCK_SIZE);
    fclose(ctl);
    FILE* saved = stdout;
    stdout = fopen("/dev/null", "w");
    load_control_file(control.c_str());
    fclose(stdout);
    stdout = saved;
    std::filesystem::remove(control);

    TABLE table;
    init_table(&table, "ORDERS", 5, 0, 0);
    const char* names[] = {"ID", "NAME", "CREATED", "AMOUNT", "STATUS"};
    ub1 types[] = {ORA_NUMBER, ORA_VARCHAR2, ORA_DATE, ORA_NUMBER, ORA_VARCHAR2};
    for (int c = 0; c < 5; c++)
        init_column(&table.cols[c], names[c], types[c], 1);
    table.cols[1].length = 40;
    table.cols[3].precision = 10;
    table.cols[3].scale = 2;
    table.cols[4].length = 8;
    table.ts_no = 4;
    table.dataobj_no = bench::TABLE_OBJECT;
    UNLOAD_PARAMS params;
    init_unload_params(&params, &table);
    UNLOAD_CALLBACKS callbacks = {nullptr, count_row, discard_column, nullptr};

    long rss_before = peak_rss_kib();
    double cpu_start = cpu_seconds();
    start = std::chrono::steady_clock::now();
    unload_segment(header_rdba, &params, &callbacks);
    double seconds = seconds_since(start);
    double cpu = cpu_seconds() - cpu_start;

    uint64_t block_bytes = (uint64_t)extents * bench::EXTENT_BLOCKS * BLOCK_SIZE;
    printf("decoded %llu rows (%llu bytes of values) from %.1f MiB of blocks\n", (unsigned long long)rows_seen,
           (unsigned long long)bytes_seen, block_bytes / 1048576.0);
    printf("engine: %.2f s wall, %.2f s cpu: %.0f MB/s of blocks, %.2f M rows/s (per cpu second: %.0f MB/s, "
           "%.2f M rows/s)\n",
           seconds, cpu, block_bytes / seconds / 1e6, rows_seen / seconds / 1e6, block_bytes / cpu / 1e6,
           rows_seen / cpu / 1e6);
    printf("cat:    %.2f s: %.0f MB/s; engine / cat time ratio %.1f\n", cat_seconds, file_bytes / cat_seconds / 1e6,
           seconds / cat_seconds);
    printf("peak RSS: %ld KiB before the decode, %ld KiB after; load average %.2f\n", rss_before, peak_rss_kib(),
           bench::load_average());

    release_table(&table, 0);
    release_datafile_list();
    release_block_buffer_cache(&block_buffer_cache);
    free(bigfile_ts_array);
    if (!keep)
        std::filesystem::remove(path);
    return rows_seen > 0 ? 0 : 1;
}
