// Header discovery over arbitrary bytes: the bytes are the start of a file
// (probe_file_head, which searches them for block 0, the file header and an
// ASM disk header at every offset and size), block 1 of a file of known
// size and order (byte 0: bit 0 the order, bits 1-3 the size, 1 KiB << n),
// and the text of a config.txt that discover merges its keys into. Whatever
// is found must lie inside the bytes.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/config.h"
#include "builder/asm_builder.h"
#include "builder/datafile_image.h"
#include "fuzz_support.h"
#include "storage/discover.h"
#include "support_seeds.h"

namespace {

void write_datafile_seed(const char* name, zb::DatafileDef d)
{
    d.blocks = 4;
    zb::DatafileImage image(d);
    image.write("seed.dbf");
    FILE* fp = fopen("seed.dbf", "rb");
    if (fp == nullptr)
        return;
    std::string bytes(PROBE_FIRST_BYTES, '\0');
    bytes.resize(fread(bytes.data(), 1, bytes.size(), fp));
    fclose(fp);
    remove("seed.dbf");
    write_seed("discover_probe_fuzz", name, bytes);
}

void make_seeds()
{
    zb::DatafileDef d;
    d.block_size = 2048;
    write_datafile_seed("v10_little", d);
    d.order = zb::BIG;
    d.format = 0x02;
    d.tru64 = true;
    write_datafile_seed("v8_tru64_big", d);
    d.tru64 = false;
    d.format = 0x01;
    d.header_offset = 4096;
    write_datafile_seed("v7_offset", d);
    AsmGroupDef group;
    group.au_size = 1u << 16;
    AsmGroupImage image = build_asm_group(group);
    write_seed("discover_probe_fuzz", "asm_disk",
               std::string(image.disks[0].begin(), image.disks[0].begin() + 8192));
    write_seed("discover_probe_fuzz", "config", "# mine\nBLOCK_SIZE 4096\nbyte_order\nis_tru64 yes no\ncompatible 9");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_quiet_scratch_dir();
    init_config_data();
    if (getenv("ZEM_FUZZ_MAKE_SEEDS") != nullptr)
        make_seeds();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that a read past the end is caught.
    std::vector<ub1> head(data, data + size);
    FILE_PROBE probe;
    int kind = probe_file_head(head.data(), head.size(), &probe);
    if (kind == PK_DATAFILE &&
        (size_t)probe.datafile.header_offset + 2 * (size_t)probe.datafile.block_size > size)
        abort();
    if (kind == PK_ASM_DISK && (size_t)probe.asm_disk.header_offset + ASMDISK_HEADER_SIZE > size)
        abort();

    if (size >= 1) {
        ub4 block_size = 1024u << ((data[0] >> 1) & 7);
        if (size - 1 >= block_size) {
            std::vector<ub1> block(data + 1, data + 1 + block_size);
            DATAFILE_PROBE header;
            probe_file_header_block(block.data(), block_size, data[0] & 1, &header);
        }
    }

    DISCOVER_SETTINGS settings = {};
    settings.block_size = 8192;
    settings.byte_order = BO_BIG;
    settings.compatible = 9;
    std::string text = merge_discovered_config_text(std::string((const char*)data, size), settings);
    if (text.find("block_size 8192\n") == std::string::npos)
        abort(); // the key is set, whatever the text around it
    return 0;
}
