// scan disk over one raw disk: the input after five setting bytes is the
// disk. Byte 0 chooses the byte order, 1 the block size, 2 the scan unit, 3
// the AU size, 4 checksum checking, trace detail and compatibility. The disk
// is listed with a lost header, scanned with extraction into the scratch
// directory (files capped at 64 blocks), and the rebuilt files removed.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/config.h"
#include "base/str_util.h"
#include "builder/data_blocks.h"
#include "builder/datafile_image.h"
#include "fuzz_support.h"
#include "scan/disk_scan.h"
#include "storage/asm_disk_list.h"

namespace {

constexpr ub4 BLOCK_SIZES[] = {2048, 4096, 8192, 16384};
constexpr ub4 AU_SIZES[] = {4096, 8192, 16384, 65536};
constexpr ub2 UNITS[] = {0, 512, 1, 1000};

std::string read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A raw disk as a scan finds it once the ASM metadata is gone: an empty AU,
// then a datafile of data blocks, one at every third block, 2 KiB blocks.
void make_seeds(const char* dir)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        zb::DatafileDef d;
        d.block_size = 2048;
        d.order = order;
        d.format = 0x62;
        d.blocks = 20;
        zb::DatafileImage f(d);
        for (ub4 n = 2; n <= 20; n += 3) {
            zb::DataBlockDef b;
            b.trans.object_id = 900 + n;
            b.trans.itls.resize(1);
            f.put(n, zb::make_data_block(f.cache_header(6, n), b, 2048, order));
        }
        f.write("seed.dbf");
        std::string bytes = read_bytes("seed.dbf");
        std::vector<ub1> seed = {(ub1)order, 0, (ub1)(order ? 1 : 0), 0, 1};
        seed.resize(seed.size() + AU_SIZES[0], 0);
        seed.insert(seed.end(), bytes.begin(), bytes.end());
        std::ofstream out(std::string(dir) + "/disk" + std::to_string(order), std::ios::binary);
        out.write((const char*)seed.data(), (std::streamsize)seed.size());
    }
}

std::string scratch;

void remove_scratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

void remove_rebuilt_files()
{
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().rfind("r_", 0) == 0)
            std::filesystem::remove(entry.path());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* dir = getenv("ZEM_FUZZ_MAKE_SEEDS");
    std::string seeds = dir != nullptr ? std::filesystem::absolute(dir).string() : "";
    fuzz_quiet_scratch_dir();
    scratch = std::filesystem::current_path().string();
    atexit(remove_scratch);
    init_config_data();
    init_asmdisk_list();
    if (!seeds.empty())
        make_seeds(seeds.c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const ub1* data, size_t size)
{
    if (size < 5 || size > (1u << 20))
        return 0;
    init_config_data();
    config_data.byte_order = data[0] & 1 ? BO_BIG : BO_LITTLE;
    config_data.block_size = (int)BLOCK_SIZES[data[1] & 3];
    config_data.disk_scan_unit = UNITS[data[2] & 3];
    config_data.db_block_checksum = data[4] & 1;
    config_data.trace_level = data[4] & 2 ? 4 : 1;
    config_data.compatible = data[4] & 4 ? 9 : 10;
    copy_str(config_data.asmfile_extract_path, sizeof(config_data.asmfile_extract_path), "r_");
    {
        std::ofstream out("disk.dsk", std::ios::binary | std::ios::trunc);
        out.write((const char*)data + 5, (std::streamsize)(size - 5));
    }
    std::ofstream("asmdisk.txt", std::ios::trunc) << "0 disk.dsk FZ 4096 " << AU_SIZES[data[3] & 3] << " 0 0 11.2\n";
    load_asmdisk_file("asmdisk.txt");
    DISK_SCAN_REQUEST request = {};
    request.disk_no = SCAN_ALL_DISKS;
    request.extract = TRUE;
    request.overwrite = TRUE;
    request.max_file_blocks = 64;
    DISK_SCAN_RESULT result;
    scan_disk(&request, &result);
    release_asmdisk_list();
    remove_rebuilt_files();
    return 0;
}
