// The extent scan's view of a block over arbitrary bytes: the classifier,
// the LOB page fields and the walk over LOB index leaf rows; the rest of the
// input also goes to the ext.zem line parser. Byte 0: bit 0 the byte order;
// byte 1: the block size in KiB - 1 (mod 32); the rest is the block, zero-
// padded or cut to that size in a buffer of exactly that size.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/config.h"
#include "builder/data_blocks.h"
#include "builder/sample_blocks.h"
#include "fuzz_support.h"
#include "scan/scan_block.h"
#include "scan/scan_join.h"
#include "support_seeds.h"

namespace {

void count_entry(void* context, const DICT_LOBIND* entry)
{
    *(uint32_t*)context += entry->blocks + entry->bytes;
}

// A LOB index leaf with two first-page entries and a LOB data block.
std::vector<zb::BlockImage> lob_seed_blocks(uint32_t size, int order)
{
    zb::IndexBlockDef leaf;
    leaf.trans.object_id = 81001;
    leaf.trans.itls.resize(2);
    leaf.columns_in_key = 2;
    leaf.key_size = 20;
    for (uint8_t id = 1; id <= 2; id++) {
        std::vector<uint8_t> row(38, 0);
        zb::ByteWriter w(row.data(), row.size(), order);
        w.u16_big(2, 20);
        w.u8(4, 0x05);
        w.u32_big(6, id);
        w.u16_big(10, 100);
        w.u32(12, 0x1234);
        w.u8(22, 10);
        w.u8(32, id);
        w.u8(33, 4);
        leaf.rows.push_back(row);
    }
    zb::CacheHeader h;
    h.rdba = (5u << 22) | 9;
    std::vector<zb::BlockImage> blocks = {zb::make_index_block(h, leaf, size, order)};
    zb::LobBlockDef lob;
    lob.object_id = 81000;
    lob.lob_id[9] = 1;
    h.type = 27;
    blocks.push_back(zb::make_lob_block(h, lob, size, order));
    return blocks;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    init_config_data();
    if (getenv("ZEM_FUZZ_MAKE_SEEDS") != nullptr)
        for (int order : {zb::LITTLE, zb::BIG})
            for (uint32_t size : {2048u, 8192u}) {
                std::vector<zb::BlockImage> blocks = zb::make_sample_blocks(size, order);
                for (zb::BlockImage& b : lob_seed_blocks(size, order))
                    blocks.push_back(b);
                for (size_t i = 0; i < blocks.size(); i++) {
                    std::vector<uint8_t> input = zb::encode_block_fuzz_input(blocks[i]);
                    std::string name = std::to_string(order) + "_" + std::to_string(size) + "_" + std::to_string(i);
                    write_seed("scan_block_fuzz", name.c_str(), std::string(input.begin(), input.end()));
                }
            }
    fuzz_quiet_scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    config_data.byte_order = (data[0] & 1) ? BO_BIG : BO_LITTLE;
    std::vector<uint8_t> block = fuzz_block_bytes(data, size);
    uint32_t block_size = (uint32_t)block.size();
    uint32_t acc = 0;
    for (int check_tail : {0, 1}) {
        SCANNED_BLOCK scanned;
        get_scanned_block(block.data(), block_size, check_tail, &scanned);
        acc += scanned.object_id + (uint32_t)scanned.kind;
        if (scanned.kind == SCAN_BLOCK_DATA)
            acc += get_scanned_lobindex_entries(block.data(), block_size, &scanned.data_header, count_entry, &acc);
    }
    DICT_LOBPAGE page;
    get_scanned_lobpage(block.data(), block_size, &page);
    DICT_EXTENT extent;
    acc += parse_scanned_extent_line((const char*)data + 2, size - 2, &extent);
    (void)acc;
    return 0;
}
