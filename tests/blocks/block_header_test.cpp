#include <gtest/gtest.h>

#include "base/config.h"
#include "blocks/block_header.h"
#include "blocks/block_names.h"
#include "blocks/block_fixture.h"

using BlockHeaderTest = BlockParserTest;

TEST_P(BlockHeaderTest, TailCheckComparesTypeAndSeqFrom10gAndScnWrapInVersion7)
{
    zb::CacheHeader h;
    h.type = 6;
    h.seq = 2;
    h.scn_base = 0x00017777;
    h.scn_wrap = 0x0042;
    zb::BlockImage b = zb::make_block(bs(), order(), h);
    zb::seal_block(b);
    BLOCK_HEADER r;
    get_block_header(b.data(), &r, bs());
    ASSERT_EQ(r.tail, 0x77770602u);
    EXPECT_TRUE(block_tail_match(&r));
    for (ub4 wrong : {0x77770603u, 0x77770702u, 0x77760602u, 0x77770042u}) {
        r.tail = wrong;
        EXPECT_FALSE(block_tail_match(&r)) << std::hex << wrong;
    }

    h.format = zb::FMT_V7;
    b = zb::make_block(bs(), order(), h);
    zb::seal_block(b);
    get_block_header(b.data(), &r, bs());
    EXPECT_EQ(r.tail, 0x77770042u);
    EXPECT_TRUE(block_tail_match(&r));
    r.tail = 0x77770602u; // the 10g form is wrong for Oracle 7
    EXPECT_FALSE(block_tail_match(&r));
}

INSTANTIATE_TEST_SUITE_P(Orders, BlockHeaderTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);

TEST(BlockHeaderPinned, BigEndianBytes)
{
    init_config_data();
    config_data.byte_order = BO_BIG;
    ub1 block[1024] = {0x10, 0xa2, 0x00, 0x00, 0x01, 0x40, 0x00, 0x7b, 0x00, 0x12, 0x34, 0x56,
                       0x00, 0x01, 0x03, 0x04, 0xab, 0xcd, 0x00, 0x00};
    block[1020] = 0x34;
    block[1021] = 0x56;
    block[1022] = 0x10;
    block[1023] = 0x03;
    BLOCK_HEADER r;
    get_block_header(block, &r, sizeof(block));
    EXPECT_EQ(r.rdba, 0x0140007bu);
    EXPECT_EQ(r.scn_base, 0x00123456u);
    EXPECT_EQ(r.scn_wrap, 1u);
    EXPECT_EQ(r.chkval, 0xabcdu);
    EXPECT_EQ(r.tail, 0x34561003u);
    EXPECT_TRUE(block_tail_match(&r));

    config_data.byte_order = BO_LITTLE;
    get_block_header(block, &r, sizeof(block));
    EXPECT_EQ(r.rdba, 0x7b004001u);
    EXPECT_FALSE(block_tail_match(&r));
    init_config_data();
}

TEST(BlockHeaderPinned, TooSmallBufferGivesClearedRecord)
{
    ub1 block[20] = {6, 0xa2};
    BLOCK_HEADER r;
    EXPECT_FALSE(get_block_header(block, &r, sizeof(block)));
    EXPECT_EQ(r.block_type, 0);
}
