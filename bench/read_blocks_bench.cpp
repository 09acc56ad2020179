// read_blocks throughput over a generated 1 GiB datafile, in batches of
// block_read_count blocks, against `cat FILE >/dev/null` of the same file in
// the same run (both from the page cache after a warm-up read).
//
//   read_blocks_bench [DIR]      DIR defaults to the system temporary directory

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/config.h"
#include "base/rdba.h"
#include "builder/data_blocks.h"
#include "builder/datafile_image.h"
#include "storage/block_reader.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"

namespace {

constexpr uint32_t BLOCK_SIZE = 8192;
constexpr uint32_t BLOCKS = (1u << 30) / BLOCK_SIZE - 1; // after block 0: 1 GiB in all

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void write_datafile(const std::string& path)
{
    zb::DatafileDef def;
    def.block_size = BLOCK_SIZE;
    def.blocks = BLOCKS;
    zb::DatafileImage image(def);
    zb::DatafileWriter writer(path, def, image.header());
    zb::DataBlockDef d;
    d.trans.object_id = 70001;
    d.trans.itls.resize(2);
    d.tables.resize(1);
    d.tables[0].rows.resize(40);
    for (zb::RowSlot& row : d.tables[0].rows)
        row.piece = std::vector<uint8_t>(150, 0x41);
    for (uint32_t b = 2; b <= BLOCKS; b++)
        writer.write_block(b, zb::make_data_block(image.cache_header(6, b), d, BLOCK_SIZE, def.order));
    writer.finish();
}

double time_cat(const std::string& path)
{
    std::string cmd = "cat '" + path + "' >/dev/null";
    auto start = std::chrono::steady_clock::now();
    if (system(cmd.c_str()) != 0)
        exit(1);
    return seconds_since(start);
}

double time_read_blocks(PDATAFILE_ITEM item, uint64_t* checksum)
{
    ub2 batch = (ub2)config_data.block_read_count;
    std::vector<ub1> buffer((size_t)batch * BLOCK_SIZE);
    auto start = std::chrono::steady_clock::now();
    uint64_t sum = 0;
    for (ub4 block = 0; block <= BLOCKS;) {
        ub4 got = read_blocks(item, block, batch, buffer.data(), file_block_rdba((ub4)item->rfile_no, block));
        if (got == 0)
            break;
        for (ub4 i = 0; i < got; i++)
            sum += buffer[(size_t)i * BLOCK_SIZE];
        block += got;
    }
    *checksum = sum;
    return seconds_since(start);
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    std::string path = dir + "/zem_read_blocks_bench.dbf";
    std::string control = dir + "/zem_read_blocks_bench.txt";

    auto start = std::chrono::steady_clock::now();
    write_datafile(path);
    printf("generated %s (%.0f MiB) in %.1f s\n", path.c_str(), (BLOCKS + 1.0) * BLOCK_SIZE / (1 << 20),
           seconds_since(start));

    init_config_data();
    config_data.block_size = BLOCK_SIZE;
    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
    init_block_buffer_cache(&block_buffer_cache, BLOCK_SIZE, 16);
    init_datafile_list();
    FILE* fp = fopen(control.c_str(), "w");
    fprintf(fp, "4 5 5 %s\n", path.c_str());
    fclose(fp);
    load_control_file(control.c_str());
    PDATAFILE_ITEM item = get_datafile_item_fn(5);
    if (item == nullptr)
        return 1;

    time_cat(path); // warm the page cache
    double best_cat = 1e9, best_read = 1e9;
    uint64_t checksum = 0;
    for (int round = 0; round < 3; round++) {
        double c = time_cat(path);
        double r = time_read_blocks(item, &checksum);
        best_cat = c < best_cat ? c : best_cat;
        best_read = r < best_read ? r : best_read;
    }
    double mib = (BLOCKS + 1.0) * BLOCK_SIZE / (1 << 20);
    printf("block_read_count %d, block size %u, check %llu\n", config_data.block_read_count, BLOCK_SIZE,
           (unsigned long long)checksum);
    printf("cat        : %8.1f MiB/s (%.3f s)\n", mib / best_cat, best_cat);
    printf("read_blocks: %8.1f MiB/s (%.3f s)\n", mib / best_read, best_read);
    printf("ratio read_blocks / cat: %.2f\n", best_cat / best_read);

    release_datafile_list();
    release_block_buffer_cache(&block_buffer_cache);
    free(bigfile_ts_array);
    remove(path.c_str());
    remove(control.c_str());
    return 0;
}
