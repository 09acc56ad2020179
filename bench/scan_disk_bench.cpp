// scan disk throughput over three generated raw disks (1 MiB AUs, 8 KiB
// blocks, no ASM metadata: AU 0 of each disk zeroed), listing only and with
// extract file, against `cat DISKS >/dev/null` of the same disks in the same
// run (all from the page cache after a warm-up read).
//
//   scan_disk_bench [DIR] [MIB_PER_DISK]   DIR defaults to the system
//                                          temporary directory, 256 MiB

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/config.h"
#include "base/str_util.h"
#include "builder/data_blocks.h"
#include "builder/datafile_image.h"
#include "scan/disk_scan.h"
#include "storage/asm_disk_list.h"

namespace {

constexpr uint32_t BLOCK_SIZE = 8192;
constexpr uint32_t AU_SIZE = 1u << 20;
constexpr uint32_t DISKS = 3;
constexpr uint32_t FIRST_RFILE = 4;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// AU a of disk d holds 128 consecutive blocks of relative file 4, 5 or 6, as
// an unstriped ASM file would; every disk starts with an empty AU.
void write_disk(const std::string& path, uint32_t disk, uint32_t aus, std::vector<uint32_t>& next_block)
{
    FILE* fp = fopen(path.c_str(), "wb");
    if (fp == nullptr)
        exit(1);
    std::vector<uint8_t> zero(AU_SIZE, 0);
    fwrite(zero.data(), 1, AU_SIZE, fp);
    zb::DataBlockDef d;
    d.trans.itls.resize(2);
    d.tables.resize(1);
    d.tables[0].rows.resize(40);
    for (zb::RowSlot& row : d.tables[0].rows)
        row.piece = std::vector<uint8_t>(150, 0x41);
    for (uint32_t a = 1; a < aus; a++) {
        uint32_t rfile = FIRST_RFILE + (a + disk) % 3;
        zb::DatafileDef def;
        def.block_size = BLOCK_SIZE;
        def.file_no = def.rfile_no = rfile;
        zb::DatafileImage file(def);
        d.trans.object_id = 70000 + rfile;
        for (uint32_t i = 0; i < AU_SIZE / BLOCK_SIZE; i++) {
            uint32_t n = next_block[rfile]++;
            zb::BlockImage b = zb::make_data_block(file.cache_header(6, n), d, BLOCK_SIZE, def.order);
            fwrite(b.data(), 1, BLOCK_SIZE, fp);
        }
    }
    if (fclose(fp) != 0)
        exit(1);
}

double time_cat(const std::string& files)
{
    std::string cmd = "cat " + files + " >/dev/null";
    auto start = std::chrono::steady_clock::now();
    if (system(cmd.c_str()) != 0)
        exit(1);
    return seconds_since(start);
}

// Writing as many bytes as the disks hold: what extraction cannot beat.
double time_copy(const std::string& files)
{
    std::string cmd = "cat " + files + " >copy.tmp";
    auto start = std::chrono::steady_clock::now();
    if (system(cmd.c_str()) != 0)
        exit(1);
    double t = seconds_since(start);
    remove("copy.tmp");
    return t;
}

double time_scan(bool extract, DISK_SCAN_RESULT* result)
{
    DISK_SCAN_REQUEST request = {};
    request.disk_no = SCAN_ALL_DISKS;
    request.extract = extract;
    request.overwrite = TRUE;
    auto start = std::chrono::steady_clock::now();
    scan_disk(&request, result);
    return seconds_since(start);
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    uint32_t mib = argc > 2 ? (uint32_t)atoi(argv[2]) : 256;
    dir += "/zem_scan_disk_bench";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);

    auto start = std::chrono::steady_clock::now();
    std::vector<uint32_t> next_block(FIRST_RFILE + 3, 2);
    std::string files, list;
    for (uint32_t d = 0; d < DISKS; d++) {
        std::string name = "disk" + std::to_string(d) + ".dsk";
        write_disk(name, d, mib, next_block);
        files += " " + name;
        list += std::to_string(d) + " " + name + " BENCH 4096 " + std::to_string(AU_SIZE) + " " +
                std::to_string(mib) + " 0 11.2\n";
    }
    FILE* fp = fopen("asmdisk.txt", "w");
    fputs(list.c_str(), fp);
    fclose(fp);
    printf("generated %u disks of %u MiB in %.1f s\n", DISKS, mib, seconds_since(start));

    init_config_data();
    config_data.block_size = BLOCK_SIZE;
    config_data.disk_scan_unit = BLOCK_SIZE;
    copy_str(config_data.asmfile_extract_path, sizeof(config_data.asmfile_extract_path), "rebuilt/");
    init_asmdisk_list();
    // The load and scan messages go nowhere; the figures to the terminal.
    fflush(stdout);
    int terminal = dup(1);
    int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, 1);
    load_asmdisk_file("asmdisk.txt");

    time_cat(files); // warm the page cache
    double best_cat = 1e9, best_copy = 1e9, best_list = 1e9, best_extract = 1e9;
    DISK_SCAN_RESULT result = {};
    for (int round = 0; round < 3; round++) {
        best_cat = std::min(best_cat, time_cat(files));
        best_copy = std::min(best_copy, time_copy(files));
        best_list = std::min(best_list, time_scan(false, &result));
        best_extract = std::min(best_extract, time_scan(true, &result));
    }
    fflush(stdout);
    dup2(terminal, 1);
    double total = (double)DISKS * mib;
    printf("blocks found %llu, listed %llu\n", (unsigned long long)result.blocks_found,
           (unsigned long long)result.lines_written);
    printf("cat                    : %8.1f MiB/s (%.3f s)\n", total / best_cat, best_cat);
    printf("cat >file (a copy)     : %8.1f MiB/s (%.3f s)\n", total / best_copy, best_copy);
    printf("scan disk              : %8.1f MiB/s (%.3f s)\n", total / best_list, best_list);
    printf("scan disk extract file : %8.1f MiB/s (%.3f s)\n", total / best_extract, best_extract);
    printf("ratio scan disk / cat: %.2f, with extract file: %.2f (copy / cat: %.2f)\n", best_cat / best_list,
           best_cat / best_extract, best_cat / best_copy);

    release_asmdisk_list();
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return 0;
}
