#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/byte_order.h"
#include "base/config.h"
#include "builder/sample_blocks.h"
#include "storage/checksum.h"

class ChecksumTest : public ::testing::Test {
protected:
    void SetUp() override { init_config_data(); }
    void TearDown() override { init_config_data(); }
};

TEST_F(ChecksumTest, PinnedWordsInBothOrders)
{
    std::vector<ub1> block(1024, 0);
    block[100] = 0x12;
    block[101] = 0x34;
    block[16] = 0xff; // the stored checksum never counts
    block[17] = 0xee;
    config_data.byte_order = BO_BIG;
    EXPECT_EQ(calc_block_checksum(block.data(), 1024), 0x1234);
    config_data.byte_order = BO_LITTLE;
    EXPECT_EQ(calc_block_checksum(block.data(), 1024), 0x3412);

    block[1022] = 0x00;
    block[1023] = 0x34; // cancels the low byte above in either order
    config_data.byte_order = BO_BIG;
    EXPECT_EQ(calc_block_checksum(block.data(), 1024), 0x1200);
    block[2] = 0x12; // and the high byte
    EXPECT_EQ(calc_block_checksum(block.data(), 1024), 0x0000);
}

TEST_F(ChecksumTest, SettingItTurnsTheFlagOn)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        config_data.byte_order = order;
        std::vector<ub1> block(2048, 0);
        block[40] = 0x12; // words XOR to 0x1234 (big) or 0x3412 (little)
        block[41] = 0x34;
        EXPECT_FALSE(block_has_checksum(block.data()));
        EXPECT_TRUE(block_checksum_ok(block.data(), 2048)); // no checksum: nothing to fail
        // The flag (bit 0x04 of byte 15) is in the word at 14, so it counts.
        ub2 set = set_block_checksum(block.data(), 2048);
        EXPECT_EQ(block[15] & 0x04, 0x04);
        EXPECT_EQ(set, order == BO_BIG ? 0x1234 ^ 0x0004 : 0x3412 ^ 0x0400);
        EXPECT_EQ(get_ub2(block.data(), 16), set);
        EXPECT_TRUE(block_checksum_ok(block.data(), 2048));
        block[500] ^= 0x01;
        EXPECT_FALSE(block_checksum_ok(block.data(), 2048));
    }
}

TEST_F(ChecksumTest, AgreesWithTheBuilderOnEverySampleBlock)
{
    for (int order : {BO_LITTLE, BO_BIG})
        for (ub4 size : {2048u, 16384u}) {
            config_data.byte_order = order;
            for (const zb::BlockImage& b : zb::make_sample_blocks(size, order)) {
                if (!(b.u8(15) & 0x04))
                    continue;
                EXPECT_EQ(calc_block_checksum(b.data(), size), b.u16(16));
                EXPECT_TRUE(block_checksum_ok(b.data(), size));
                zb::BlockImage damaged = b;
                zb::damage_block(damaged, zb::Damage::bad_checksum);
                EXPECT_FALSE(block_checksum_ok(damaged.data(), size));
            }
        }
}

namespace {

// The checksum the plain way: one word at a time in the configured order.
ub2 plain_checksum(const ub1* block, ub4 block_size)
{
    ub2 sum = 0;
    for (ub4 i = 0; i + 1 < block_size; i += 2)
        if (i != 16)
            sum ^= get_ub2(block, i);
    return sum;
}

} // namespace

TEST_F(ChecksumTest, AgreesWithThePlainLoopOnRandomBlocksOfEverySize)
{
    std::mt19937 random(20240611);
    std::vector<ub1> bytes(32768 + 8);
    std::vector<ub4> sizes;
    for (ub4 size = 0; size <= 600; size++)
        sizes.push_back(size);
    for (ub4 size : {1023u, 2048u, 4095u, 4096u, 8190u, 8192u, 16384u, 32767u, 32768u})
        sizes.push_back(size);
    for (int order : {BO_LITTLE, BO_BIG}) {
        config_data.byte_order = order;
        for (ub4 size : sizes)
            for (ub4 shift : {0u, 1u, 3u}) {
                // Every start alignment: the words are not read as a whole.
                ub1* block = bytes.data() + shift;
                for (ub4 i = 0; i < size; i++)
                    block[i] = (ub1)random();
                ASSERT_EQ(calc_block_checksum(block, size), plain_checksum(block, size))
                    << "size " << size << " order " << order << " shift " << shift;
            }
    }
}
