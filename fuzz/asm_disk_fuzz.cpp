// A whole ASM disk: the input is the disk image of a one-disk group. It is
// written to a scratch file, listed in an asmdisk.txt, loaded, browsed and
// every file named in its directories is read. Byte 0 chooses the byte order.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "base/config.h"
#include "builder/asm_builder.h"
#include "builder/asm_walk.h"
#include "storage/asm.h"

namespace {

std::string scratch;

void remove_scratch()
{
    unlink((scratch + ".txt").c_str());
    unlink((scratch + ".dsk").c_str());
}

void make_seeds(const char* dir)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        AsmGroupDef def;
        def.byte_order = order;
        def.au_size = 8 * 1024;
        AsmFileDef f;
        f.file_number = 256;
        f.block_size = 2048;
        f.image = make_asm_test_image(2048 * 20, 2048, 256);
        f.direct_slots = 3;
        f.indirect_pointers_per_block = 2;
        def.files.push_back(f);
        f.file_number = 257;
        f.stripe_width = 2;
        f.stripe_size_log2 = 12;
        f.direct_slots = 60;
        def.files.push_back(f);
        def.aliases = {{"DB/DATAFILE/A", 256, 1, true}, {"DB/DATAFILE/B", 257, 1, true}, {"DB/a", 256, 1, false}};
        AsmGroupImage image = build_asm_group(def);
        std::vector<ub1> seed = {(ub1)order};
        seed.insert(seed.end(), image.disks[0].begin(), image.disks[0].end());
        std::ofstream out(std::string(dir) + "/disk" + std::to_string(order), std::ios::binary);
        out.write((const char*)seed.data(), (std::streamsize)seed.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    init_config_data();
    init_asmdisk_list();
    const char* dir = getenv("ZEM_FUZZ_MAKE_SEEDS");
    if (dir != nullptr)
        make_seeds(dir);
    scratch = "/tmp/zem_asm_disk_fuzz_" + std::to_string(getpid());
    std::ofstream(scratch + ".txt") << "0 " << scratch << ".dsk\n";
    atexit(remove_scratch);
    if (freopen("/dev/null", "w", stdout) == nullptr)
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const ub1* data, size_t size)
{
    if (size < 1 || size > (1u << 20))
        return 0;
    config_data.byte_order = data[0] & 1 ? BO_BIG : BO_LITTLE;
    {
        std::ofstream out(scratch + ".dsk", std::ios::binary | std::ios::trunc);
        out.write((const char*)data + 1, (std::streamsize)(size - 1));
    }
    load_asmdisk_file((scratch + ".txt").c_str());
    walk_asm_groups(32);
    release_asmdisk_list();
    return 0;
}
