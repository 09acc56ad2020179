// Every sample block, valid and then with seeded random damage, goes through
// every parser; under the sanitizers this catches any read outside a block.
// The committed fuzz corpus is replayed the same way.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "base/config.h"
#include "blocks/block_fixture.h"
#include "builder/sample_blocks.h"

using ParserSweepTest = BlockParserTest;

TEST_P(ParserSweepTest, DamagedBlocksStayInsideTheirBuffer)
{
    std::mt19937 rng(0x5eed + bs() + (uint32_t)order());
    // Offsets whose values steer other reads: counts, map offsets, sizes.
    const uint32_t hot[] = {20, 28, 32, 36, 37, 38, 44, 45, 92, 232, 264, 220, 221, 222};
    for (zb::BlockImage& block : zb::make_sample_blocks(bs(), order())) {
        for (config_data.is_tru64 = 0; config_data.is_tru64 < 2; config_data.is_tru64++)
            zb::walk_block_parsers(block.data(), bs());
        config_data.is_tru64 = 0;
        for (int round = 0; round < 150; round++) {
            zb::BlockImage copy = block;
            int changes = 1 + (int)(rng() % 8);
            for (int c = 0; c < changes; c++) {
                uint32_t at = (rng() % 2) ? hot[rng() % std::size(hot)] : (uint32_t)(rng() % bs());
                uint8_t value = (rng() % 3) == 0 ? 0xff : (uint8_t)rng();
                copy.data()[at] = value;
            }
            zb::walk_block_parsers(copy.data(), bs());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, ParserSweepTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);

TEST(ParserSweep, ReplaysTheCommittedFuzzCorpus)
{
    std::filesystem::path dir = std::filesystem::path(ZEM_SOURCE_DIR) / "fuzz" / "corpus" / "block_parsers_fuzz";
    if (!std::filesystem::exists(dir))
        GTEST_SKIP() << "no corpus at " << dir;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (input.size() < 2)
            continue;
        init_config_data();
        config_data.byte_order = input[0] & 1;
        config_data.is_tru64 = (input[0] >> 1) & 1;
        uint32_t block_size = ((input[1] & 31u) + 1) * 1024;
        std::vector<uint8_t> block(block_size, 0);
        std::copy_n(input.begin() + 2, std::min<size_t>(input.size() - 2, block_size), block.begin());
        zb::walk_block_parsers(block.data(), block_size);
        replayed++;
    }
    init_config_data();
    EXPECT_GT(replayed, 0);
}
