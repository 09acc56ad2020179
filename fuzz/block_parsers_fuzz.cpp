// Every block parser over arbitrary bytes. Byte 0: bit 0 the byte order, bit 1
// Tru64 file headers; byte 1: the block size in KiB - 1 (mod 32); the rest is
// the block, zero-padded or cut to that size in a buffer of exactly that size.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/config.h"
#include "builder/sample_blocks.h"
#include "fuzz_support.h"
#include "support_seeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    init_config_data();
    if (getenv("ZEM_FUZZ_MAKE_SEEDS") != nullptr)
        for (int order : {zb::LITTLE, zb::BIG})
            for (uint32_t size : {2048u, 8192u}) {
                std::vector<zb::BlockImage> blocks = zb::make_sample_blocks(size, order);
                for (size_t i = 0; i < blocks.size(); i++) {
                    std::vector<uint8_t> input = zb::encode_block_fuzz_input(blocks[i], i == 1);
                    std::string name = std::to_string(order) + "_" + std::to_string(size) + "_" + std::to_string(i);
                    write_seed("block_parsers_fuzz", name.c_str(), std::string(input.begin(), input.end()));
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
    config_data.is_tru64 = (data[0] >> 1) & 1;
    std::vector<uint8_t> block = fuzz_block_bytes(data, size);
    uint32_t block_size = (uint32_t)block.size();
    zb::walk_block_parsers(block.data(), block_size);
    return 0;
}
