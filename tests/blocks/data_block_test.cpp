#include <gtest/gtest.h>

#include <vector>

#include "blocks/block_fixture.h"
#include "blocks/block_names.h"
#include "blocks/data_block.h"
#include "blocks/index_header.h"
#include "builder/data_blocks.h"

namespace {

zb::ItlDef itl(uint16_t n, uint8_t flags, uint16_t lock)
{
    zb::ItlDef i;
    i.xid_usn = n;
    i.xid_slot = (uint16_t)(n + 1);
    i.xid_seq = 0x00010000u + n;
    i.uba_dba = 0x00c00000u + n;
    i.uba_seq = (uint16_t)(0x100 + n);
    i.uba_rec = (uint8_t)(n + 7);
    i.flags = flags;
    i.lock = lock;
    i.scn_wrap = (uint16_t)(0x200 + n);
    i.scn_base = 0x30000000u + n;
    return i;
}

zb::RowSlot row(std::vector<uint8_t> bytes)
{
    zb::RowSlot r;
    r.piece = std::move(bytes);
    return r;
}

zb::RowSlot raw(uint16_t value)
{
    zb::RowSlot r;
    r.raw_entry = value;
    return r;
}

} // namespace

using DataBlockTest = BlockParserTest;

TEST_P(DataBlockTest, DataHeaderDirectoriesAndRowPositions)
{
    zb::DataBlockDef s;
    s.trans.itls = {itl(1, 0, 0), itl(2, 0, 0)};
    s.kdbh_flag = 0x01; // cluster block: two tables
    s.first_free_row = -1;
    s.tables.resize(2);
    s.tables[0].rows = {row({0xac, 0x00, 0x01, 0x01, 0x41}), raw(0xffff), row({0x6c, 0x00, 0x01, 0x01, 0x42})};
    s.tables[1].rows = {row({0x2c, 0x00, 0x01, 0x01, 0x43}), raw(2)};
    zb::BlockImage b = zb::make_data_block(cache(6), s, bs(), order());
    DATABLOCK_HEADER h;
    ASSERT_TRUE(get_datablock_header(b.data(), &h, bs()));
    ub4 dh = h.data_header_offset;
    EXPECT_FALSE(is_compressed_table(&h));
    EXPECT_EQ(fields(h.kdbh_flag, h.tab_cnt, h.row_cnt, (sb2)h.first_free_row, calc_kdbh_9ir2_size(&h),
                     get_tab_dir_offset(&h), get_row_dir_offset(&h), h.free_space_begin, h.free_space_end,
                     h.avail_space, h.total_space),
              fields(0x01, 2, 5, -1, 0, dh + 14, dh + 22, 22 + 10, bs() - 4 - 15 - dh, bs() - 4 - 15 - dh - 32,
                     bs() - 4 - 15 - dh - 32));

    ub2 first = 0, count = 0;
    ASSERT_TRUE(get_tab_dir_entry(b.data(), &h, 1, &first, &count, bs()));
    EXPECT_EQ(fields(first, count), fields(3, 2));
    EXPECT_FALSE(get_tab_dir_entry(b.data(), &h, 2, &first, &count, bs()));

    const std::vector<bool> is_row = {true, false, true, true, false};
    for (ub4 i = 0; i < 5; i++) {
        ub2 offset = 0;
        ASSERT_TRUE(get_row_dir_entry(b.data(), &h, i, &offset, bs()));
        EXPECT_EQ(check_row_pos(offset, &h, bs()), is_row[i]) << i;
        if (is_row[i]) {
            EXPECT_EQ(b.u8(dh + offset + 4), 0x41 + (i == 0 ? 0 : i == 2 ? 1 : 2));
        }
    }
    ub2 offset = 0;
    EXPECT_FALSE(get_row_dir_entry(b.data(), &h, 5, &offset, bs()));

    // Free-slot links lie below the end of the directories; the cut-off is
    // 14 + 4 * tab_cnt + 2 * row_cnt = 32.
    EXPECT_FALSE(check_row_pos(31, &h, 0));
    EXPECT_TRUE(check_row_pos(32, &h, 0));
    EXPECT_FALSE(check_row_pos(0xffff, &h, 0));
    EXPECT_FALSE(check_row_pos(bs(), &h, bs()));
    EXPECT_FALSE(check_row_pos(bs() - dh, &h, bs()));
    DATABLOCK_HEADER index = h;
    index.block_type = DBT_INDEX;
    EXPECT_TRUE(check_row_pos(2, &index, bs()));
    EXPECT_FALSE(check_row_pos(bs(), &index, bs()));
}

TEST_P(DataBlockTest, ItlCountBeyondTheBlockIsDamage)
{
    zb::DataBlockDef s;
    s.trans.itls = {itl(1, 0, 0)};
    zb::BlockImage b = zb::make_data_block(cache(6), s, bs(), order());
    b.writer().u16(36, 255);
    DATABLOCK_HEADER h;
    bool fits = 44 + 24 * 255 + 14 <= bs() - 4;
    EXPECT_EQ(get_datablock_header(b.data(), &h, bs()) != 0, fits);
    EXPECT_EQ(h.itl_cnt, 255);
    if (!fits) {
        EXPECT_EQ(h.row_cnt, 0);
        ub2 offset = 0;
        EXPECT_FALSE(get_row_dir_entry(b.data(), &h, 0, &offset, bs()));
    }
    ITL_ENTRY e;
    ub4 last_fitting = (bs() - 4 - 44) / 24 - 1;
    EXPECT_TRUE(get_itl_entry(b.data(), &h, std::min<ub4>(last_fitting, 254), &e, bs()));
    if (last_fitting < 254) {
        EXPECT_FALSE(get_itl_entry(b.data(), &h, last_fitting + 1, &e, bs()));
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, DataBlockTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);
