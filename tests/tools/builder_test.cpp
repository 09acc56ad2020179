// The datafile builder is the ground truth of every other test, so its own
// bytes are pinned here independently of the program's readers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "builder/database_image.h"
#include "support/capture.h"
#include "support/process.h"

TEST(ByteWriter, ExplicitOrdersAndBounds)
{
    uint8_t bytes[8] = {};
    zb::ByteWriter little(bytes, sizeof(bytes), zb::LITTLE);
    little.u32(0, 0x01020304);
    little.u16(4, 0x0506);
    EXPECT_EQ(bytes[0], 0x04);
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(bytes[4], 0x06);
    EXPECT_EQ(little.get_u32(0), 0x01020304u);
    zb::ByteWriter big(bytes, sizeof(bytes), zb::BIG);
    big.u32(0, 0x01020304);
    big.u16(6, 0x0506);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[3], 0x04);
    EXPECT_EQ(bytes[6], 0x05);
    EXPECT_EQ(little.get_u16(6), 0x0605);
    little.u16_big(0, 0xabcd);
    EXPECT_EQ(bytes[0], 0xab);
    EXPECT_THROW(little.u32(5, 1), std::out_of_range);
    EXPECT_THROW(little.u8(8, 1), std::out_of_range);
    EXPECT_THROW(little.get_u16(7), std::out_of_range);
    little.text(0, "ABCDEFGHIJ", 3);
    EXPECT_EQ(bytes[2], 'C');
}

TEST(BlockImage, TailChecksumAndDamage)
{
    zb::CacheHeader h;
    h.type = 6;
    h.scn_base = 0x00011234;
    h.seq = 9;
    zb::BlockImage b = zb::make_block(2048, zb::BIG, h);
    zb::seal_block(b);
    EXPECT_EQ(b.bytes()[2044], 0x12);
    EXPECT_EQ(b.bytes()[2045], 0x34);
    EXPECT_EQ(b.bytes()[2046], 0x06);
    EXPECT_EQ(b.bytes()[2047], 0x09);
    uint16_t sum = 0;
    for (uint32_t i = 0; i < 2048; i += 2)
        sum ^= (uint16_t)((b.bytes()[i] << 8) | b.bytes()[i + 1]);
    EXPECT_EQ(sum, 0) << "the stored checksum makes the whole block XOR to 0";

    zb::BlockImage seq = b;
    zb::damage_block(seq, zb::Damage::seq_ff);
    EXPECT_EQ(seq.u8(14), 0xff);
    EXPECT_EQ(seq.u32(2044), 0x123406ffu);
    zb::BlockImage tail = b;
    zb::damage_block(tail, zb::Damage::bad_tail);
    EXPECT_NE(tail.u32(2044), zb::expected_tail(tail));
    zb::BlockImage check = b;
    zb::damage_block(check, zb::Damage::bad_checksum);
    EXPECT_NE(check.u16(16), zb::block_checksum(check));
    EXPECT_EQ(check.u32(2044), zb::expected_tail(check));
}

TEST(Zembuild, WritesAFileAndItsControlLine)
{
    std::string exe = ZEM_BIN;
    size_t at = exe.rfind("/src/zem");
    if (at == std::string::npos)
        GTEST_SKIP();
    exe = exe.substr(0, at) + "/tools/zembuild";
    if (!path_exists(exe))
        GTEST_SKIP() << "no " << exe;
    ScopedWorkDir dir("zembuild");
    std::string cmd = exe + " --out z.dbf --block-size 2048 --order big --ts 3 --fn 9 --rfn 9 --blocks 40"
                            " --segment 16 --extents 3 --extent-blocks 8 --damage 30:tail --control control.txt";
    ASSERT_EQ(system(cmd.c_str()), 0);
    EXPECT_EQ(read_file("control.txt"), "3 9 9 z.dbf 2048 N 0 40\n");
    std::string bytes = read_file("z.dbf");
    ASSERT_EQ(bytes.size(), 41u * 2048);
    EXPECT_EQ((uint8_t)bytes[2 * 2048], 16);   // the segment header
    EXPECT_EQ((uint8_t)bytes[3 * 2048], 6);    // a data block
    EXPECT_EQ((uint8_t)bytes[30 * 2048], 0);   // the damaged blank block
    EXPECT_NE(system((exe + " --bogus 2>/dev/null").c_str()), 0);
}
