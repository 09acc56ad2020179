// Every dumped block kind, valid and then with seeded random damage, goes
// through the dump, the block check and the transaction cleaner; under the
// sanitizers this catches any read or write outside a block.
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

#include "bbed/bbed_clean.h"
#include "blocks/block_dump.h"
#include "blocks/block_fixture.h"
#include "blocks/block_verify.h"
#include "builder/dump_samples.h"

namespace {

// The dumps go nowhere for the length of the sweep.
class QuietStdout {
public:
    QuietStdout()
    {
        fflush(stdout);
        saved_ = dup(fileno(stdout));
        int null = open("/dev/null", O_WRONLY);
        dup2(null, fileno(stdout));
        close(null);
    }
    ~QuietStdout()
    {
        fflush(stdout);
        dup2(saved_, fileno(stdout));
        close(saved_);
    }

private:
    int saved_;
};

} // namespace

using DumpSweepTest = BlockParserTest;

TEST_P(DumpSweepTest, DamagedBlocksStayInsideTheirBuffer)
{
    std::mt19937 rng(0xd0b5 + bs() + (uint32_t)order());
    // Offsets whose values steer other reads: counts, map offsets, the ITL
    // count, index header fields and directories.
    const uint32_t hot[] = {20, 28, 36, 38, 44, 45, 92, 116, 117, 118, 119, 120, 124, 130, 132, 134, 136};
    QuietStdout quiet;
    for (zb::NamedBlock& sample : zb::make_dump_samples(bs(), order())) {
        for (int round = 0; round < 60; round++) {
            zb::BlockImage copy = sample.block;
            int changes = round == 0 ? 0 : 1 + (int)(rng() % 6);
            for (int c = 0; c < changes; c++) {
                uint32_t at = (rng() % 2) ? hot[rng() % std::size(hot)] : (uint32_t)(rng() % bs());
                copy.data()[at] = (rng() % 3) == 0 ? 0xff : (uint8_t)rng();
            }
            ora_dump_block(copy.data(), bs(), round % 2);
            BLOCK_VERIFY verify;
            verify_block(copy.data(), bs(), 0, &verify);
            CLEAN_RESULT clean;
            do_clean_itl(copy.data(), bs(), &clean);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, DumpSweepTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);
