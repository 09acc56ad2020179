// ASM metadata block parsers: disk header, file directory entry with its
// direct pointers, indirect extent block and alias directory block.
// Input: byte 0 byte order, byte 1 block kind, byte 2 metadata block size
// code (512 << (code % 7), capped), then the block (zero-filled when short).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/config.h"
#include "builder/asm_builder.h"
#include "storage/asm.h"

namespace {

void write_seed(const char* dir, const std::string& name, int order, ub1 kind, ub1 size_code, const ub1* block,
                size_t size)
{
    std::vector<ub1> seed = {(ub1)order, kind, size_code};
    seed.insert(seed.end(), block, block + size);
    std::ofstream out(std::string(dir) + "/" + name, std::ios::binary);
    out.write((const char*)seed.data(), (std::streamsize)seed.size());
}

void make_seeds(const char* dir)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        AsmGroupDef def;
        def.byte_order = order;
        def.au_size = 16 * 1024;
        AsmFileDef f;
        f.file_number = 256;
        f.block_size = 4096;
        f.image = make_asm_test_image(4096 * 30, 4096, 256);
        f.direct_slots = 3;
        f.indirect_pointers_per_block = 2;
        def.files.push_back(f);
        def.aliases = {{"DB/DATAFILE/A", 256, 1, true}, {"DB/a", 256, 1, false}};
        AsmGroupImage image = build_asm_group(def);
        std::string o = std::to_string(order);
        write_seed(dir, "header" + o, order, 0, 3, asm_meta_block_at(image, def, 0, 0, 0), 4096);
        ub4 f1 = image.extents[1][0].au;
        write_seed(dir, "dir1_" + o, order, 1, 3, asm_meta_block_at(image, def, 0, f1, 1), 4096);
        ub4 f256 = image.extents[1][256 / 4].au;
        write_seed(dir, "dir256_" + o, order, 1, 3, asm_meta_block_at(image, def, 0, f256, 0), 4096);
        ub4 ind = image.indirect[256][0].au;
        write_seed(dir, "indirect" + o, order, 2, 3, asm_meta_block_at(image, def, 0, ind, 0), 4096);
        ub4 f6 = image.extents[6][0].au;
        write_seed(dir, "alias" + o, order, 3, 3, asm_meta_block_at(image, def, 0, f6, 0), 4096);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    init_config_data();
    const char* dir = getenv("ZEM_FUZZ_MAKE_SEEDS");
    if (dir != nullptr)
        make_seeds(dir);
    if (freopen("/dev/null", "w", stdout) == nullptr)
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const ub1* data, size_t size)
{
    if (size < 3)
        return 0;
    config_data.byte_order = data[0] & 1 ? BO_BIG : BO_LITTLE;
    ub1 kind = data[1] % 4;
    ub4 mbs = 512u << (data[2] % 7);
    std::vector<ub1> block(kind == 0 && mbs < ASMDISK_HEADER_SIZE ? ASMDISK_HEADER_SIZE : mbs, 0);
    memcpy(block.data(), data + 3, size - 3 < block.size() ? size - 3 : block.size());
    ASM_DISKGROUP_ITEM group = {};
    group.meta_block_size = mbs;
    group.au_size = mbs * 4;
    group.redundancy_type = (ub1)(data[0] >> 1);
    switch (kind) {
    case 0: {
        check_asmdisk_block_checksum(block.data(), (ub4)block.size());
        KFBH kfbh;
        get_kfbh(block.data(), &kfbh);
        KFDHBH h;
        get_kfdhbh(block.data(), &h);
        break;
    }
    case 1: {
        KFFFDB f;
        get_kfffdb(&f, group.redundancy_type, block.data());
        f.disk_group = &group;
        check_asmfile_geometry(&f);
        get_asmfile_direct_extent_map(&f, block.data(), mbs);
        ub4 e, b, c;
        calc_asm_file_block_pos(&f, f.xtntcnt, &e, &b, &c);
        release_asm_file(&f);
        break;
    }
    case 2: {
        KFFFDB f = {};
        f.xtntcnt = get_ub4(block.data(), 40);   // spare header bytes steer the map's state
        f.extent_copys = (ub1)(block[39] % 3 + 1);
        f.dXrs = block[38];
        f.fact_extent_count = 0;
        get_asmfile_indirect_extent_map(&f, block.data(), mbs);
        release_asm_file(&f);
        break;
    }
    default: {
        ASM_ALIAS parent = {};
        ZEM_LIST list;
        init_zem_list(&list, release_asm_alias);
        get_asm_alias(block.data(), &group, &list, &parent);
        release_zem_list(&list);
        break;
    }
    }
    return 0;
}
