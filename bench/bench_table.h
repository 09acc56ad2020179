#pragma once
// The generated table of the benchmarks: rows of five columns (NUMBER,
// VARCHAR2(40), DATE, NUMBER(10,2), VARCHAR2(8)) packed into a datafile of
// one segment: block 0, the file header, the segment header at block 2 and
// extents of 1024 data blocks (10 % of each block kept free). Helpers for
// timing and memory figures come along.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "builder/datafile_image.h"
#include "builder/segment_builder.h"
#include "builder/table_rows.h"

namespace bench {

constexpr uint32_t BLOCK_SIZE = 8192;
constexpr uint32_t EXTENT_BLOCKS = 1024;
constexpr uint32_t FIRST_EXTENT = 2; // the segment header's block
constexpr uint32_t TABLE_TS = 4;
constexpr uint32_t TABLE_OBJECT = 70001; // object and data object number of the first table

// Column names, types and declared lengths, in segment column order.
struct BenchColumn {
    const char* name;
    uint8_t type;
    uint32_t length;
    int precision; // -1: none
    int scale;     // -1: none
};
inline const BenchColumn BENCH_COLUMNS[] = {
    {"ID", 2, 22, -1, -1},       {"NAME", 1, 40, -1, -1},    {"CREATED", 12, 7, -1, -1},
    {"AMOUNT", 2, 22, 10, 2},    {"STATUS", 1, 8, -1, -1},
};
constexpr int BENCH_COLUMN_CNT = 5;

inline double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double load_average()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

struct Random {
    uint64_t state;
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (uint32_t)(state >> 33);
    }
};

inline std::vector<zb::Cell> bench_row(uint64_t id, Random& random)
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

// Extents of 1024 blocks for a table of about `mib` MiB, at least one.
inline uint32_t extents_for_mib(uint32_t mib)
{
    uint32_t extents = (uint32_t)(((uint64_t)mib << 20) / BLOCK_SIZE / EXTENT_BLOCKS);
    return extents == 0 ? 1 : extents;
}

// Writes the datafile (tablespace 4, file and relative file `file_no`) with
// the table's segment, its blocks carrying data object `object_id`. Returns
// the segment header's address.
inline uint32_t write_table(const std::string& path, uint32_t extents, uint32_t file_no = 5,
                            uint32_t object_id = TABLE_OBJECT, uint64_t seed = 12345)
{
    zb::DatafileDef shape;
    shape.block_size = BLOCK_SIZE;
    shape.ts_no = TABLE_TS;
    shape.file_no = file_no;
    shape.rfile_no = file_no;
    shape.blocks = FIRST_EXTENT + extents * EXTENT_BLOCKS;
    zb::DatafileImage image(shape);
    zb::SegmentLayout layout;
    layout.object_id = object_id;
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
    packer_options.object_id = object_id;
    packer_options.reserved_bytes = BLOCK_SIZE / 10;
    zb::TablePacker packer(
        packer_options, [&]() { return next++; }, [&](uint32_t n) { return image.cache_header(6, n); },
        [&](uint32_t n, const zb::BlockImage& block) { writer.write_block(n, block); });
    Random random{seed};
    for (uint64_t id = 1; next <= last; id++) {
        zb::LogicalRow row;
        row.cells = bench_row(id, random);
        packer.add(row);
    }
    packer.finish();
    writer.finish();
    return segment.header_rdba;
}

// Seconds `cat FILE >/dev/null` takes.
inline double time_cat(const std::string& path)
{
    auto start = std::chrono::steady_clock::now();
    std::string command = "cat '" + path + "' >/dev/null";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "cat failed\n");
    return seconds_since(start);
}

} // namespace bench
