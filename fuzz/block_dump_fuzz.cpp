// The block dump, the block check of verify and the transaction cleaner over
// arbitrary bytes. Byte 0: bit 0 the byte order, bit 1 Tru64 file headers,
// bit 2 the header-only dump; byte 1: the block size in KiB - 1 (mod 32);
// the rest is the block, zero-padded or cut to that size in a buffer of
// exactly that size.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/config.h"
#include "bbed/bbed_clean.h"
#include "blocks/block_dump.h"
#include "blocks/block_verify.h"
#include "builder/dump_samples.h"
#include "builder/sample_blocks.h"
#include "fuzz_support.h"
#include "support_seeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    init_config_data();
    if (getenv("ZEM_FUZZ_MAKE_SEEDS") != nullptr)
        for (int order : {zb::LITTLE, zb::BIG})
            for (const zb::NamedBlock& sample : zb::make_dump_samples(2048, order)) {
                std::vector<uint8_t> input = zb::encode_block_fuzz_input(sample.block);
                std::string name = std::to_string(order) + "_" + sample.name;
                write_seed("block_dump_fuzz", name.c_str(), std::string(input.begin(), input.end()));
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
    int header_only = (data[0] >> 2) & 1;
    std::vector<uint8_t> block = fuzz_block_bytes(data, size);
    uint32_t block_size = (uint32_t)block.size();
    ora_dump_block(block.data(), block_size, header_only);
    BLOCK_VERIFY verify;
    verify_block(block.data(), block_size, 0, &verify);
    CLEAN_RESULT clean;
    do_clean_itl(block.data(), block_size, &clean);
    return 0;
}
