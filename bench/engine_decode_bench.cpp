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
#include "builder/datafile_image.h"
#include "builder/segment_builder.h"
#include "builder/table_rows.h"
#include "engine/unload_engine.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"

namespace {

constexpr uint32_t BLOCK_SIZE = 8192;
constexpr uint32_t EXTENT_BLOCKS = 1024;
constexpr uint32_t FIRST_EXTENT = 2;
constexpr uint32_t OBJECT = 70001;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

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

struct Random {
    uint64_t state;
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (uint32_t)(state >> 33);
    }
};

std::vector<zb::Cell> bench_row(uint64_t id, Random& random)
{
    static const char* statuses[] = {"NEW", "OPEN", "SHIPPED", "CLOSED"};
    std::string name(10 + random.next() % 31, ' ');
    for (char& c : name)
        c = (char)('a' + random.next() % 26);
    uint32_t cents = random.next() % 100000000;
    std::string amount = std::to_string(cents / 100) + "." + std::to_string(100 + cents % 100).substr(1);
    return {zb::bytes_cell(zb::number_bytes((int64_t)id)), zb::text_cell(name),
            zb::bytes_cell(zb::date_bytes(1990 + (int)(random.next() % 35), 1 + (int)(random.next() % 12),
                                          1 + (int)(random.next() % 28), (int)(random.next() % 24),
                                          (int)(random.next() % 60), (int)(random.next() % 60))),
            zb::bytes_cell(zb::number_bytes(amount)), zb::text_cell(statuses[random.next() % 4])};
}

// Writes the datafile: block 0, the file header, the segment header at
// block 2 and `extents` extents of data blocks filled with rows (10 % of
// each block kept free). Returns the segment header's address.
uint32_t write_table(const std::string& path, uint32_t extents)
{
    zb::DatafileDef shape;
    shape.block_size = BLOCK_SIZE;
    shape.blocks = FIRST_EXTENT + extents * EXTENT_BLOCKS;
    zb::DatafileImage image(shape);
    zb::SegmentLayout layout;
    layout.object_id = OBJECT;
    for (uint32_t e = 0; e < extents; e++)
        layout.extents.push_back({FIRST_EXTENT + e * EXTENT_BLOCKS, EXTENT_BLOCKS});
    layout.data_blocks = false;
    zb::SegmentResult segment = zb::add_segment(image, layout);

    zb::DatafileWriter writer(path, shape, image.header());
    writer.write_block(FIRST_EXTENT, image.at(FIRST_EXTENT));
    uint32_t next = FIRST_EXTENT + 1;
    uint32_t last = shape.blocks;
    zb::PackerOptions packer_options;
    packer_options.block_size = BLOCK_SIZE;
    packer_options.object_id = OBJECT;
    packer_options.reserved_bytes = BLOCK_SIZE / 10;
    zb::TablePacker packer(
        packer_options, [&]() { return next++; }, [&](uint32_t n) { return image.cache_header(6, n); },
        [&](uint32_t n, const zb::BlockImage& block) { writer.write_block(n, block); });
    Random random{12345};
    for (uint64_t id = 1; next <= last; id++) {
        zb::LogicalRow row;
        row.cells = bench_row(id, random);
        packer.add(row);
    }
    packer.finish();
    writer.finish();
    return segment.header_rdba;
}

double time_cat(const std::string& path)
{
    auto start = std::chrono::steady_clock::now();
    std::string command = "cat '" + path + "' >/dev/null";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "cat failed\n");
    return seconds_since(start);
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
    uint32_t extents = (uint32_t)(((uint64_t)mib << 20) / BLOCK_SIZE / EXTENT_BLOCKS);
    if (extents == 0)
        extents = 1;

    // Generated in a child, so that the builder's memory does not count in
    // the peak resident size of the decode.
    auto start = std::chrono::steady_clock::now();
    pid_t child = mode == "reuse" ? 0 : fork();
    if (mode == "reuse") {
        // The file and its header address are there from an earlier run.
    } else if (child == 0) {
        FILE* out = fopen((path + ".rdba").c_str(), "w");
        fprintf(out, "%u\n", write_table(path, extents));
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
    printf("%s %s: %.1f MiB in %.1f s\n", mode == "reuse" ? "reused" : "generated", path.c_str(),
           file_bytes / 1048576.0, seconds_since(start));

    time_cat(path); // warm-up
    double cat_seconds = time_cat(path);

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
    table.dataobj_no = OBJECT;
    UNLOAD_PARAMS params;
    init_unload_params(&params, &table);
    UNLOAD_CALLBACKS callbacks = {nullptr, count_row, discard_column};

    long rss_before = peak_rss_kib();
    double cpu_start = cpu_seconds();
    start = std::chrono::steady_clock::now();
    unload_segment(header_rdba, &params, &callbacks);
    double seconds = seconds_since(start);
    double cpu = cpu_seconds() - cpu_start;

    uint64_t block_bytes = (uint64_t)extents * EXTENT_BLOCKS * BLOCK_SIZE;
    printf("decoded %llu rows (%llu bytes of values) from %.1f MiB of blocks\n", (unsigned long long)rows_seen,
           (unsigned long long)bytes_seen, block_bytes / 1048576.0);
    printf("engine: %.2f s wall, %.2f s cpu: %.0f MB/s of blocks, %.2f M rows/s (per cpu second: %.0f MB/s, "
           "%.2f M rows/s)\n",
           seconds, cpu, block_bytes / seconds / 1e6, rows_seen / seconds / 1e6, block_bytes / cpu / 1e6,
           rows_seen / cpu / 1e6);
    printf("cat:    %.2f s: %.0f MB/s; engine / cat time ratio %.1f\n", cat_seconds, file_bytes / cat_seconds / 1e6,
           seconds / cat_seconds);
    printf("peak RSS: %ld KiB before the decode, %ld KiB after\n", rss_before, peak_rss_kib());

    release_table(&table, 0);
    release_datafile_list();
    release_block_buffer_cache(&block_buffer_cache);
    free(bigfile_ts_array);
    if (!keep)
        std::filesystem::remove(path);
    return rows_seen > 0 ? 0 : 1;
}
