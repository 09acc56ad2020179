#include <gtest/gtest.h>

#include <cstring>

#include "blocks/block_fixture.h"
#include "blocks/block_names.h"
#include "blocks/compat_segment.h"
#include "blocks/undo_header.h"
#include "builder/data_blocks.h"
#include "builder/undo_blocks.h"

using OtherBlocksTest = BlockParserTest;

TEST(UndoHeaderOffsets, NoAreaWhereTheBlockCannotHoldOne)
{
    EXPECT_EQ(get_undo_trans_control_offset(38, 100, 1024), 0u);
    // A map offset from a damaged block that puts the area into the tail.
    EXPECT_EQ(get_undo_trans_control_offset(14, 8150, 8192), 0u);
    // Areas and entries said to lie past the block are not read.
    ub1 block[1024] = {};
    TRANS_TABLE_ENTRY e;
    EXPECT_FALSE(get_trans_table_entry(&e, block, 1000, sizeof(block)));
    EXPECT_EQ(e.wrap_no, 0);
    TRANS_CONTROL_HEADER t;
    EXPECT_FALSE(get_trans_control_header(&t, block, 1000, sizeof(block)));
    FREE_BLOCK_POOL_ENTRY p;
    EXPECT_FALSE(get_free_block_pool_entry(&p, block, 0, FREE_BLOCK_POOL_ENTRIES, sizeof(block)));
    EXPECT_FALSE(get_free_block_pool_entry(&p, block, 1000, 0, sizeof(block)));
}

TEST_P(OtherBlocksTest, CompatibilitySegmentEntries)
{
    zb::CompatDef s;
    s.next_rdba = 0x00400008;
    s.entries = {{"KQLFBSTR", {1, 2, 3}}, {"UNDOSEG", {0xdeadbeef}}, {"EMPTY", {}}};
    zb::BlockImage b = zb::make_compat_block(cache(13), s, bs(), order());
    COMPATBLOCK_HEADER h;
    ASSERT_TRUE(get_compatblock_header(b.data(), &h, bs()));
    ub4 at = get_compat_first_entry_offset(&h);
    EXPECT_EQ(fields(h.size, h.next_rdba, h.entries, at), fields(12, 0x00400008, 3, 32));
    for (ub4 i = 0; i < h.entries; i++) {
        COMPAT_ENTRY e;
        ASSERT_TRUE(get_compat_entry(b.data(), at, &e, bs()));
        EXPECT_STREQ(e.name, s.entries[i].name.c_str());
        ASSERT_EQ(e.value_count, s.entries[i].values.size());
        for (ub4 k = 0; k < e.value_count; k++) {
            ub4 v = 0;
            ASSERT_TRUE(get_compat_entry_value(b.data(), &e, k, &v, bs()));
            EXPECT_EQ(v, s.entries[i].values[k]);
        }
        at += e.size;
    }
    // An entry whose size could not move a walk forward ends it.
    b.writer().u16(32, 0);
    COMPAT_ENTRY e;
    EXPECT_FALSE(get_compat_entry(b.data(), 32, &e, bs()));
    EXPECT_FALSE(get_compat_entry(b.data(), bs() - 10, &e, bs()));
}

INSTANTIATE_TEST_SUITE_P(Orders, OtherBlocksTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);

// The names the dumps print, where a slip would not show elsewhere: unknown
// codes, spelling kept as the program always printed it, flag letters.
TEST(BlockNames, TypeFileAndFlagNames)
{
    EXPECT_STREQ(get_block_type_name(5), "data segment header block,no freelist groups");
    EXPECT_STREQ(get_block_type_name(40), "PAGETABLE MANAGED LOB BLOCK");
    EXPECT_STREQ(get_block_type_name(17), "unknown");
    EXPECT_STREQ(get_block_type_name(255), "unknown");
    EXPECT_STREQ(get_file_type_name(7), "unknown");
    EXPECT_STREQ(get_datablock_type_name(3), "unkown");
    EXPECT_STREQ(get_fl_flag_name(0x30), "E");
    EXPECT_STREQ(get_fl_flag_name(0), "-");

    char row[ROW_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_row_flag_name(0x2c, row), "--H-FL--");
    EXPECT_STREQ(set_row_flag_name(0xff, row), "KCHDFLPN");
    char itl[ITL_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_datablock_hflag_name(0x3, itl), "--UT");
    char kdbh[KDBH_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_kdbh_flag_name(0xff, kdbh), "-OR----K");
    char z[KDBH_9IR2_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_kdbh_9ir2_flag_name(0xff, z), "--R---OC");
    char iot[IOT_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_iot_flag_name(0x70, iot), "ICN");
    char irow[INDEX_ROW_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_index_row_flag_name(0x0f, irow), "KP-DS");
}
