// The LOB parsers over arbitrary bytes: a row's LOB column (locator, inode,
// chunk addresses) and a LOB index or LOB data block (branch and leaf rows,
// key comparison, content end). Byte 0 bit 0: the byte order; byte 1: the
// block size in KiB - 1 (mod 32); the rest: the column bytes, or the block
// when they fill it (zero-padded or cut to the block size when byte 0 bit 1
// is set).

#include <cstdint>
#include <string>
#include <vector>

#include "base/config.h"
#include "builder/lob_samples.h"
#include "builder/sample_blocks.h"
#include "fuzz_support.h"
#include "support_seeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    init_config_data();
    if (getenv("ZEM_FUZZ_MAKE_SEEDS") != nullptr)
        for (int order : {zb::LITTLE, zb::BIG})
            for (uint32_t size : {2048u, 8192u}) {
                std::vector<zb::BlockImage> blocks = zb::make_lob_sample_blocks(size, order);
                std::string prefix = std::to_string(order) + "_" + std::to_string(size) + "_";
                for (size_t i = 0; i < blocks.size(); i++) {
                    std::vector<uint8_t> input = zb::encode_block_fuzz_input(blocks[i], true);
                    write_seed("lob_parsers_fuzz", (prefix + std::to_string(i)).c_str(),
                               std::string(input.begin(), input.end()));
                }
                std::vector<uint8_t> column = zb::make_lob_sample_column(size, order);
                std::string input = std::string(1, (char)order) + std::string(1, (char)(size / 1024 - 1)) +
                                    std::string(column.begin(), column.end());
                write_seed("lob_parsers_fuzz", (prefix + "column").c_str(), input);
            }
    fuzz_quiet_scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    int order = (data[0] & 1) ? BO_BIG : BO_LITTLE;
    config_data.byte_order = order;
    uint32_t block_size = ((data[1] & 31u) + 1) * 1024;
    if (data[0] & 2) {
        std::vector<uint8_t> block = fuzz_block_bytes(data, size);
        zb::walk_lob_parsers(block.data(), block_size, block_size, order);
        return 0;
    }
    // An exact-size copy, so that a read past the bytes is caught.
    std::vector<uint8_t> column(data + 2, data + size);
    zb::walk_lob_parsers(column.data(), (uint32_t)column.size(), block_size, order);
    return 0;
}
