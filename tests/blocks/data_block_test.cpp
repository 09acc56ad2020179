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

TEST_P(DataBlockTest, TransactionHeaderItlsAndDataHeaderOffset)
{
    for (uint8_t flag_byte : {0x00, 0x02, 0x32}) {
        for (size_t itls : {1, 2, 3}) {
            zb::DataBlockDef s;
            s.trans.object_id = 0x00012345;
            s.trans.csc_base = 0x00abcdef;
            s.trans.csc_wrap = 0x0002;
            s.trans.flag_byte = flag_byte;
            s.trans.fsl = 3;
            s.trans.fnx = 0x01400020;
            s.trans.itl_count_high_byte = 0x7f; // only the low byte counts
            for (size_t i = 0; i < itls; i++)
                s.trans.itls.push_back(itl((uint16_t)(i + 1), i == 0 ? 0x8 : 0x2, (uint16_t)(i + 0x10)));
            s.tables.resize(1);
            s.tables[0].rows = {row({0x2c, 0x00, 0x01, 0x02, 0xc1, 0x02})};
            zb::BlockImage b = zb::make_data_block(cache(6), s, bs(), order());

            DATABLOCK_HEADER h;
            ASSERT_TRUE(get_datablock_header(b.data(), &h, bs()));
            EXPECT_EQ(h.block_type, DBT_DATA);
            EXPECT_EQ(h.object_id, 0x00012345u);
            EXPECT_EQ(h.csc_base, 0x00abcdefu);
            EXPECT_EQ(h.csc_wrap, 2);
            EXPECT_EQ(h.itl_cnt, itls);
            EXPECT_EQ(h.fl_flag, flag_byte & ~0x02);
            EXPECT_EQ(h.ver, (flag_byte & 0x02) ? 1 : 0);
            EXPECT_EQ(h.has_object, flag_byte != 0 ? 1 : 0);
            EXPECT_EQ(h.fsl, 3);
            EXPECT_EQ(h.fnx, 0x01400020u);
            EXPECT_EQ(h.data_header_offset, (flag_byte == 0x32 ? 52u : 44u) + 24u * itls);
            EXPECT_EQ(h.data_header_offset, zb::data_header_offset(s.trans));
            for (ub4 i = 0; i < itls; i++) {
                ITL_ENTRY e;
                ASSERT_TRUE(get_itl_entry(b.data(), &h, i, &e, bs()));
                zb::ItlDef want = s.trans.itls[i];
                EXPECT_EQ(e.xid_usn, want.xid_usn);
                EXPECT_EQ(e.xid_slot, want.xid_slot);
                EXPECT_EQ(e.xid_seq, want.xid_seq);
                EXPECT_EQ(e.uba_dba, want.uba_dba);
                EXPECT_EQ(e.uba_seq, want.uba_seq);
                EXPECT_EQ(e.uba_rec, want.uba_rec);
                EXPECT_EQ(e.flag_lock >> 12, want.flags);
                EXPECT_EQ(e.flag_lock & 0x0fff, want.lock);
                EXPECT_EQ(e.scn_wrap, want.scn_wrap);
                EXPECT_EQ(e.scn_base, want.scn_base);
            }
            ITL_ENTRY past;
            EXPECT_FALSE(get_itl_entry(b.data(), &h, (ub4)itls, &past, bs()));
            EXPECT_EQ(h.tab_cnt, 1);
            EXPECT_EQ(h.row_cnt, 1);
        }
    }
}

TEST_P(DataBlockTest, AssmFlagNamesAndTheEdgeOffsets)
{
    zb::DataBlockDef s;
    s.trans.flag_byte = 0x32;
    s.trans.itls = {itl(1, 0, 0), itl(2, 0, 0)};
    zb::BlockImage b = zb::make_data_block(cache(6), s, bs(), order());
    DATABLOCK_HEADER h;
    get_datablock_header(b.data(), &h, bs());
    EXPECT_EQ(h.fl_flag, 0x30);
    EXPECT_STREQ(get_fl_flag_name(h.fl_flag), "E");
    EXPECT_EQ(h.ver, 1);
    EXPECT_EQ(h.has_object, 1);
    EXPECT_EQ(h.data_header_offset, 100u);

    s.trans.flag_byte = 0x00;
    s.trans.itls = {itl(1, 0, 0), itl(2, 0, 0), itl(3, 0, 0)};
    b = zb::make_data_block(cache(6), s, bs(), order());
    get_datablock_header(b.data(), &h, bs());
    EXPECT_EQ(h.data_header_offset, 116u);
    EXPECT_STREQ(get_fl_flag_name(h.fl_flag), "-");
}

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
    EXPECT_EQ(h.kdbh_flag, 0x01);
    EXPECT_EQ(h.tab_cnt, 2);
    EXPECT_EQ(h.row_cnt, 5);
    EXPECT_EQ(h.first_free_row, -1);
    EXPECT_FALSE(is_compressed_table(&h));
    EXPECT_EQ(calc_kdbh_9ir2_size(&h), 0u);
    ub4 dh = h.data_header_offset;
    EXPECT_EQ(get_tab_dir_offset(&h), dh + 14);
    EXPECT_EQ(get_row_dir_offset(&h), dh + 22);
    EXPECT_EQ(h.free_space_begin, 22 + 10);
    EXPECT_EQ(h.free_space_end, bs() - 4 - 15 - dh);
    EXPECT_EQ(h.avail_space, h.free_space_end - h.free_space_begin);
    EXPECT_EQ(h.total_space, h.avail_space);

    ub2 first = 0, count = 0;
    ASSERT_TRUE(get_tab_dir_entry(b.data(), &h, 1, &first, &count, bs()));
    EXPECT_EQ(first, 3);
    EXPECT_EQ(count, 2);
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

TEST_P(DataBlockTest, CompressionExtensionSizesAndArrays)
{
    zb::DataBlockDef s;
    s.trans.itls = {itl(1, 0, 0)};
    s.compression.on = true;
    s.compression.r0 = 0x11;
    s.compression.mec = 0x0203;
    s.compression.r1 = 0x22;
    s.compression.flag = 0x21;
    s.compression.fcls = {0x8003};
    s.compression.perm = {4, 0, 1, 3, 2};
    s.tables.resize(2);
    s.tables[0].rows = {row({0x2c, 0x00, 0x01, 0x01, 0x41})};
    s.tables[1].rows = {row({0x2c, 0x00, 0x01, 0x01, 0x42})};
    zb::BlockImage b = zb::make_data_block(cache(6), s, bs(), order());
    DATABLOCK_HEADER h;
    ASSERT_TRUE(get_datablock_header(b.data(), &h, bs()));
    ASSERT_TRUE(is_compressed_table(&h));
    ub4 dh = h.data_header_offset;
    EXPECT_EQ(h.r0_9ir2, 0x11);
    EXPECT_EQ(h.mec_kdbh9ir2, 0x0203);
    EXPECT_EQ(h.r1_9ir2, 0x22);
    EXPECT_EQ(h.fcls_9ir2_cnt, 1);
    EXPECT_EQ(h.perm_9ir2_cnt, 5);
    EXPECT_EQ(h.flag_9ir2, 0x21);
    EXPECT_EQ(h.fcls_9ir2_pos, dh + 22);
    EXPECT_EQ(h.perm_9ir2_pos, dh + 24);
    // 8 + 2 + 5 = 15, rounded up to 16.
    EXPECT_EQ(calc_kdbh_9ir2_size(&h), 16u);
    EXPECT_EQ(get_tab_dir_offset(&h), dh + 30);
    ub2 fcls = 0;
    ASSERT_TRUE(get_fcls_9ir2(b.data(), &h, 0, &fcls, bs()));
    EXPECT_EQ(fcls, 0x8003);
    EXPECT_FALSE(get_fcls_9ir2(b.data(), &h, 1, &fcls, bs()));
    for (ub4 i = 0; i < 5; i++) {
        ub1 perm = 0xff;
        ASSERT_TRUE(get_perm_9ir2(b.data(), &h, i, &perm, bs()));
        EXPECT_EQ(perm, s.compression.perm[i]);
    }
    char name[KDBH_9IR2_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_kdbh_9ir2_flag_name(h.flag_9ir2, name), "--R----C");
    char kdbh[KDBH_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_kdbh_flag_name(h.kdbh_flag, kdbh), "-O------");
    ub2 first = 0, count = 0;
    ASSERT_TRUE(get_tab_dir_entry(b.data(), &h, 1, &first, &count, bs()));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(count, 1);
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

TEST_P(DataBlockTest, IndexBranchAndLeafHeaders)
{
    zb::IndexBlockDef br;
    br.trans.itls = {itl(1, 0, 0)};
    br.level = 2;
    br.flag_bits = 0x80;
    br.itl = 1;
    br.lock_opcode = 0x10;
    br.columns_in_key = 3;
    br.split_count = 0x01020304;
    br.left_most_child = 0x01400044;
    br.last_service_trans = 0x0a0b0c0d;
    br.rows = {{0x01, 0x40, 0x00, 0x45, 0x02, 0xc1, 0x02}};
    zb::BlockImage b = zb::make_index_block(cache(6), br, bs(), order());
    DATABLOCK_HEADER d;
    ASSERT_TRUE(get_datablock_header(b.data(), &d, bs()));
    EXPECT_EQ(d.block_type, DBT_INDEX);
    EXPECT_STREQ(get_datablock_type_name(d.block_type), "index");
    INDEX_HEADER h;
    ASSERT_TRUE(get_index_header(b.data(), &d, &h, bs()));
    EXPECT_EQ(h.common.block_level, 2);
    EXPECT_EQ(h.common.flag, INDEX_ROWDEPENDENCIES);
    EXPECT_EQ(h.common.itl, 1);
    EXPECT_TRUE(is_iot(h.common.lock_opcode));
    EXPECT_FALSE(is_compressed_index(h.common.lock_opcode));
    EXPECT_EQ(h.common.columns_in_key, 3);
    EXPECT_EQ(h.common.split_count, 0x01020304u);
    EXPECT_EQ(h.common.row_count, 1);
    EXPECT_EQ(h.common.begin_free_space, 28 + 2);
    EXPECT_EQ(h.branch.left_most_child_block, 0x01400044u);
    EXPECT_EQ(h.branch.last_service_trans, 0x0a0b0c0du);
    EXPECT_EQ(h.branch.block_size, bs() - 4 - d.data_header_offset);
    EXPECT_EQ(h.leaf.next_block, 0u);

    zb::IndexBlockDef lf;
    lf.trans.itls = {itl(1, 0, 0), itl(2, 0, 0)};
    lf.trans.flag_byte = zb::FLAG_BYTE_ASSM;
    lf.lock_opcode = 0x20;
    lf.split_holes = 1;
    lf.deleted_rows = 2;
    lf.next_block = 0x01400051;
    lf.prev_block = 0x01400050;
    lf.key_size = 16;
    lf.none_key_columns = 1;
    lf.prefix_row_count = 4;
    lf.prefix_col_count = 2;
    lf.rows = {{0x00, 0x00, 0x02, 0xc1, 0x02}, {0x00, 0x00, 0x02, 0xc1, 0x03}};
    b = zb::make_index_block(cache(6), lf, bs(), order());
    get_datablock_header(b.data(), &d, bs());
    ASSERT_TRUE(get_index_header(b.data(), &d, &h, bs()));
    EXPECT_EQ(d.data_header_offset, 52u + 48u);
    EXPECT_EQ(h.common.block_level, 0);
    EXPECT_TRUE(is_compressed_index(h.common.lock_opcode));
    EXPECT_EQ(h.leaf.split_holes, 1);
    EXPECT_EQ(h.leaf.deleted_rows, 2);
    EXPECT_EQ(h.leaf.next_block, 0x01400051u);
    EXPECT_EQ(h.leaf.prev_block, 0x01400050u);
    EXPECT_EQ(h.leaf.key_size, 16);
    EXPECT_EQ(h.leaf.none_key_columns, 1);
    EXPECT_EQ(h.leaf.prefix_row_count, 4);
    EXPECT_EQ(h.leaf.prefix_col_count, 2);
    char iot[IOT_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_iot_flag_name(h.common.lock_opcode, iot), "-C-");

    // Without prefix compression bytes 36..38 are not prefix counts.
    b.writer().u8(d.data_header_offset + 2, 0x00);
    zb::seal_block(b);
    get_index_header(b.data(), &d, &h, bs());
    EXPECT_EQ(h.leaf.prefix_row_count, 0);
    EXPECT_EQ(h.leaf.prefix_col_count, 0);
}

INSTANTIATE_TEST_SUITE_P(Orders, DataBlockTest, ZEM_ORDERS_AND_SIZES, order_and_size_name);
