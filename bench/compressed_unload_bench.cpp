// Basic-compressed table unload next to a plain one: the same generated
// rows (five columns: NUMBER, VARCHAR2(40), DATE, NUMBER(10,2), VARCHAR2(8))
// written once as ordinary row pieces and once as compressed blocks by the
// builder's encoder, each decoded by the engine with the text conversion
// into a column callback that discards them. Reports, for each, MB/s of
// datafile blocks, rows/s and the ratio to `cat FILE >/dev/null` of the
// same file in the same run (both from the page cache after a warm-up).
//
//   compressed_unload_bench [DIR [ROWS]]
// DIR defaults to the temporary directory, ROWS to 1,000,000.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/config.h"
#include "base/rdba.h"
#include "bench_table.h"
#include "builder/compressed_table.h"
#include "engine/unload_engine.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"

namespace {

using bench::BLOCK_SIZE;
using bench::EXTENT_BLOCKS;
using bench::FIRST_EXTENT;
using bench::seconds_since;

ub8 rows_seen = 0;

void discard_column(const ub1*, ub4, PCOLUMN, PCOL_DATA, PUNLOAD_PARAMS, ub1) {}
void count_row(ub2, PUNLOAD_PARAMS, PROW_DATA)
{
    rows_seen++;
}

struct Written {
    uint32_t header_rdba = 0;
    uint32_t data_blocks = 0;
};

zb::DatafileDef file_shape(uint32_t file_no, uint32_t blocks)
{
    zb::DatafileDef shape;
    shape.block_size = BLOCK_SIZE;
    shape.ts_no = bench::TABLE_TS;
    shape.file_no = shape.rfile_no = file_no;
    shape.blocks = blocks;
    return shape;
}

// The segment header over `extents` extents with the high-water mark after
// `used` data blocks.
void write_header(zb::DatafileWriter& writer, const zb::DatafileDef& shape, uint32_t object_id, uint32_t extents,
                  uint32_t used, Written* out)
{
    zb::DatafileImage image(shape);
    zb::SegmentLayout layout;
    layout.object_id = object_id;
    for (uint32_t e = 0; e < extents; e++)
        layout.extents.push_back({FIRST_EXTENT + e * EXTENT_BLOCKS, EXTENT_BLOCKS});
    layout.data_blocks = false;
    uint32_t end = 1 + used; // the header, then the data blocks
    layout.hwm_extent = end / EXTENT_BLOCKS;
    layout.hwm_block = end % EXTENT_BLOCKS;
    out->header_rdba = zb::add_segment(image, layout).header_rdba;
    out->data_blocks = used;
    writer.write_block(FIRST_EXTENT, image.at(FIRST_EXTENT));
}

Written write_plain(const std::string& path, uint64_t rows, uint32_t* extents)
{
    // Blocks for the rows: a first pass at 60 rows a block is generous.
    *extents = (uint32_t)(rows / 60 / EXTENT_BLOCKS + 1);
    zb::DatafileDef shape = file_shape(5, FIRST_EXTENT + *extents * EXTENT_BLOCKS);
    zb::DatafileWriter writer(path, shape, zb::default_file_header(shape));
    zb::PackerOptions options;
    options.block_size = BLOCK_SIZE;
    options.object_id = bench::TABLE_OBJECT;
    uint32_t next = FIRST_EXTENT + 1;
    zb::DatafileImage image(shape);
    zb::TablePacker packer(
        options, [&]() { return next++; }, [&](uint32_t n) { return image.cache_header(6, n); },
        [&](uint32_t n, const zb::BlockImage& block) { writer.write_block(n, block); });
    bench::Random random{12345};
    for (uint64_t id = 1; id <= rows; id++)
        packer.add(zb::make_row(bench::bench_row(id, random)));
    packer.finish();
    Written out;
    write_header(writer, shape, bench::TABLE_OBJECT, *extents, next - FIRST_EXTENT - 1, &out);
    writer.finish();
    return out;
}

Written write_compressed(const std::string& path, uint64_t rows, uint32_t extents)
{
    zb::DatafileDef shape = file_shape(6, FIRST_EXTENT + extents * EXTENT_BLOCKS);
    zb::DatafileWriter writer(path, shape, zb::default_file_header(shape));
    zb::DatafileImage image(shape);
    zb::PackerOptions options;
    options.block_size = BLOCK_SIZE;
    options.object_id = bench::TABLE_OBJECT + 1;
    zb::CompressOptions compress;
    bench::Random random{12345};
    std::vector<zb::LogicalRow> pending;
    uint64_t made = 0;
    uint32_t next = FIRST_EXTENT + 1;
    size_t guess = 100;
    auto fits = [&](size_t n) {
        try {
            std::vector<zb::LogicalRow> part(pending.begin(), pending.begin() + (long)n);
            zb::make_compressed_block(options, image.cache_header(6, next), part, compress);
            return true;
        } catch (const std::length_error&) {
            return false;
        }
    };
    while (made < rows || !pending.empty()) {
        while (pending.size() < 2 * guess + 64 && made < rows)
            pending.push_back(zb::make_row(bench::bench_row(++made, random)));
        // The most rows that fit, searched from the last block's count.
        size_t good = 0, bad = pending.size() + 1;
        size_t n = std::min(guess, pending.size());
        if (fits(n)) {
            good = n;
            for (size_t step = 8; good < pending.size(); step *= 2) {
                size_t m = std::min(pending.size(), good + step);
                if (!fits(m)) {
                    bad = m;
                    break;
                }
                good = m;
            }
        } else {
            bad = n;
        }
        while (bad - good > 1) {
            size_t mid = good + (bad - good) / 2;
            (fits(mid) ? good : bad) = mid;
        }
        if (good == 0 || next >= shape.blocks + 1) {
            fprintf(stderr, "compressed rows do not fit\n");
            exit(1);
        }
        std::vector<zb::LogicalRow> part(pending.begin(), pending.begin() + (long)good);
        writer.write_block(next, zb::make_compressed_block(options, image.cache_header(6, next), part, compress));
        next++;
        pending.erase(pending.begin(), pending.begin() + (long)good);
        guess = good;
    }
    Written out;
    write_header(writer, shape, bench::TABLE_OBJECT + 1, extents, next - FIRST_EXTENT - 1, &out);
    writer.finish();
    return out;
}

void measure(const char* label, const std::string& path, const Written& w, uint32_t dataobj)
{
    bench::time_cat(path);
    double cat = bench::time_cat(path);
    TABLE table;
    init_table(&table, "ORDERS", 5, 0, 0);
    const ub1 types[] = {ORA_NUMBER, ORA_VARCHAR2, ORA_DATE, ORA_NUMBER, ORA_VARCHAR2};
    for (int c = 0; c < 5; c++)
        init_column(&table.cols[c], bench::BENCH_COLUMNS[c].name, types[c], 1);
    table.ts_no = bench::TABLE_TS;
    table.dataobj_no = dataobj;
    UNLOAD_PARAMS params;
    init_unload_params(&params, &table);
    UNLOAD_CALLBACKS callbacks = {nullptr, count_row, discard_column, nullptr};
    rows_seen = 0;
    auto start = std::chrono::steady_clock::now();
    unload_segment(w.header_rdba, &params, &callbacks);
    double seconds = seconds_since(start);
    double bytes = (double)w.data_blocks * BLOCK_SIZE;
    printf("%-10s %8u blocks (%.1f MiB): %.2f s, %.0f MB/s of blocks, %.2f M rows/s; cat %.3f s, ratio %.1f\n",
           label, w.data_blocks, bytes / 1048576.0, seconds, bytes / seconds / 1e6, rows_seen / seconds / 1e6, cat,
           seconds / cat);
    release_table(&table, 0);
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    uint64_t rows = argc > 2 ? strtoull(argv[2], nullptr, 10) : 1000000;
    std::string plain = dir + "/zem_plain_bench.dbf", compressed = dir + "/zem_compressed_bench.dbf";
    auto start = std::chrono::steady_clock::now();
    uint32_t extents = 0;
    Written p = write_plain(plain, rows, &extents);
    Written c = write_compressed(compressed, rows, extents);
    printf("generated %llu rows in %.1f s (load average %.2f)\n", (unsigned long long)rows, seconds_since(start),
           bench::load_average());

    init_config_data();
    config_data.block_size = BLOCK_SIZE;
    init_datafile_list();
    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
    init_block_buffer_cache(&block_buffer_cache, BLOCK_SIZE, config_data.block_buffers);
    std::string control = dir + "/zem_compressed_bench_control.txt";
    FILE* ctl = fopen(control.c_str(), "w");
    fprintf(ctl, "4 5 5 %s %u\n4 6 6 %s %u\n", plain.c_str(), BLOCK_SIZE, compressed.c_str(), BLOCK_SIZE);
    fclose(ctl);
    FILE* saved = stdout;
    stdout = fopen("/dev/null", "w");
    load_control_file(control.c_str());
    fclose(stdout);
    stdout = saved;
    std::filesystem::remove(control);

    measure("plain", plain, p, bench::TABLE_OBJECT);
    ub8 plain_rows = rows_seen;
    measure("compressed", compressed, c, bench::TABLE_OBJECT + 1);
    printf("rows: plain %llu, compressed %llu; load average %.2f\n", (unsigned long long)plain_rows,
           (unsigned long long)rows_seen, bench::load_average());

    release_datafile_list();
    release_block_buffer_cache(&block_buffer_cache);
    free(bigfile_ts_array);
    std::filesystem::remove(plain);
    std::filesystem::remove(compressed);
    return plain_rows == rows && rows_seen == rows ? 0 : 1;
}
