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

// The ITL entry fields named alike in the record and in the builder.
template <typename R>
std::vector<uint64_t> itl_fields(const R& r)
{
    return fields(r.xid_usn, r.xid_slot, r.xid_seq, r.uba_dba, r.uba_seq, r.uba_rec, r.scn_wrap, r.scn_base);
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
            EXPECT_EQ(fields(h.block_type, h.object_id, h.csc_base, h.csc_wrap, h.itl_cnt, h.fl_flag, h.ver,
                             h.has_object, h.fsl, h.fnx, h.data_header_offset, h.tab_cnt, h.row_cnt),
                      fields(DBT_DATA, 0x00012345, 0x00abcdef, 2, itls, flag_byte & ~0x02, (flag_byte & 0x02) ? 1 : 0,
                             flag_byte != 0 ? 1 : 0, 3, 0x01400020, (flag_byte == 0x32 ? 52u : 44u) + 24u * itls, 1, 1));
            for (ub4 i = 0; i < itls; i++) {
                ITL_ENTRY e;
                ASSERT_TRUE(get_itl_entry(b.data(), &h, i, &e, bs()));
                const zb::ItlDef& want = s.trans.itls[i];
                EXPECT_EQ(itl_fields(e), itl_fields(want));
                EXPECT_EQ(fields(e.flag_lock >> 12, e.flag_lock & 0x0fff), fields(want.flags, want.lock));
            }
            ITL_ENTRY past;
            EXPECT_FALSE(get_itl_entry(b.data(), &h, (ub4)itls, &past, bs()));
        }
    }
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
    // The extension is 8 + 2 + 5 = 15 bytes, rounded up to 16.
    EXPECT_EQ(fields(h.r0_9ir2, h.mec_kdbh9ir2, h.r1_9ir2, h.fcls_9ir2_cnt, h.perm_9ir2_cnt, h.flag_9ir2,
                     h.fcls_9ir2_pos, h.perm_9ir2_pos, calc_kdbh_9ir2_size(&h), get_tab_dir_offset(&h)),
              fields(0x11, 0x0203, 0x22, 1, 5, 0x21, dh + 22, dh + 24, 16, dh + 30));
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
    EXPECT_EQ(fields(first, count), fields(1, 1));
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
    EXPECT_TRUE(is_iot(h.common.lock_opcode));
    EXPECT_FALSE(is_compressed_index(h.common.lock_opcode));
    EXPECT_EQ(fields(h.common.block_level, h.common.flag, h.common.itl, h.common.columns_in_key,
                     h.common.split_count, h.common.row_count, h.common.begin_free_space,
                     h.branch.left_most_child_block, h.branch.last_service_trans, h.branch.block_size,
                     h.leaf.next_block),
              fields(2, INDEX_ROWDEPENDENCIES, 1, 3, 0x01020304, 1, 28 + 2, 0x01400044, 0x0a0b0c0d,
                     bs() - 4 - d.data_header_offset, 0));

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
    EXPECT_TRUE(is_compressed_index(h.common.lock_opcode));
    EXPECT_EQ(fields(d.data_header_offset, h.common.block_level, h.leaf.split_holes, h.leaf.deleted_rows,
                     h.leaf.next_block, h.leaf.prev_block, h.leaf.key_size, h.leaf.none_key_columns,
                     h.leaf.prefix_row_count, h.leaf.prefix_col_count),
              fields(52 + 48, 0, 1, 2, 0x01400051, 0x01400050, 16, 1, 4, 2));
    char iot[IOT_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_iot_flag_name(h.common.lock_opcode, iot), "-C-");

    // Without prefix compression bytes 36..38 are not prefix counts.
    b.writer().u8(d.data_header_offset + 2, 0x00);
    zb::seal_block(b);
    get_index_header(b.data(), &d, &h, bs());
    EXPECT_EQ(fields(h.leaf.prefix_row_count, h.leaf.prefix_col_count), fields(0, 0));
}

INSTANTIATE_TEST_SUITE_P(Orders, DataBlockTest, ZEM_ORDERS_AND_SIZES, order_and_size_name);
