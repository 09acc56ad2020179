#include <gtest/gtest.h>

#include <cstring>

#include "blocks/block_fixture.h"
#include "blocks/block_names.h"
#include "blocks/compat_segment.h"
#include "blocks/lob_block.h"
#include "blocks/segment_header.h"
#include "blocks/undo_header.h"
#include "builder/data_blocks.h"
#include "builder/undo_blocks.h"

namespace {

zb::UndoHeaderDef undo_spec(size_t entries)
{
    zb::UndoHeaderDef s;
    s.control.map = {{0x00c00002, 8}, {0x00c00010, 16}};
    s.control.extents = 2;
    s.trans_control = {.scn_base = 0x01020304, .uba_rdba = 0x00c00011, .inc = 0x10111213, .optimal = 0x1c1d1e1f,
                       .scn_wrap = 0x0506, .uba_seq = 0x0708, .flag = 0x0a0b, .seq = 0x0c0d, .nbf = 0x0e0f,
                       .commit_header = 0x1415, .commit_tail = 0x1617, .magic_number = 0x002a, .version = 0x0001,
                       .xts = 0x1819, .free_block_pool = 0x1a1b, .uba_rec = 0x09};
    for (uint16_t i = 0; i < 5; i++)
        s.free_block_pool[i] = {0x00c00020u + i, (uint16_t)(0x30 + i), (uint8_t)(0x40 + i), (uint16_t)i,
                                (uint16_t)(0x1000 + i)};
    for (uint16_t i = 0; i < entries; i++)
        s.trans_table.push_back({.wrap_no = (uint16_t)(0x100 + i), .dba = 0x00c00100u + i, .scn_base = 0x50000000u + i,
                                 .parent_xid_wrap = 0x90000000u + i, .stmt_num = 0xa0000000u + i,
                                 .nub = 0xb0000000u + i, .scn_wrap = (uint16_t)(0x60 + i), .uel = (uint16_t)(i + 1),
                                 .parent_xid_usn = (uint16_t)(0x70 + i), .parent_xid_slot = (uint16_t)(0x80 + i),
                                 .state = 9, .cflags = (uint8_t)(0x10 + i)});
    s.retention = {0x2f5a1b00, 0x2f5a1c00};
    return s;
}

// Fields named alike in the records and in the builder.
template <typename R>
std::vector<uint64_t> trans_control_fields(const R& r)
{
    return fields(r.flag, r.seq, r.nbf, r.inc, r.commit_header, r.commit_tail, r.magic_number, r.version, r.xts,
                  r.free_block_pool, r.optimal);
}

template <typename R>
std::vector<uint64_t> trans_entry_fields(const R& r)
{
    return fields(r.wrap_no, r.dba, r.scn_base, r.scn_wrap, r.state, r.cflags, r.uel, r.parent_xid_usn,
                  r.parent_xid_slot, r.parent_xid_wrap, r.stmt_num, r.nub);
}

template <typename R>
std::vector<uint64_t> pool_fields(const R& r)
{
    return fields(r.uba_dba, r.uba_seq, r.uba_rec, r.extent, r.space);
}

} // namespace

using OtherBlocksTest = BlockParserTest;

TEST_P(OtherBlocksTest, UndoHeaderControlAreaPoolAndTransactionTable)
{
    for (uint8_t type : {14, 38}) {
        SCOPED_TRACE((int)type);
        zb::UndoHeaderDef s = undo_spec(3);
        zb::BlockImage b = zb::make_undo_header_block(cache(type), s, bs(), order());
        FLM_HEADER flm;
        get_flm_header(b.data(), &flm, bs());
        EXPECT_EQ(flm.extents, 2u);
        EXPECT_EQ(flm.map_header_extents, 2u);

        ub4 control = get_undo_trans_control_offset(type, flm.map_offset, bs());
        ub4 expected = type == 14 ? flm.map_offset + 20u
                       : bs() == 2048 ? 1488u
                       : bs() == 8192 ? 6096u
                                      : 0u; // 32 KiB blocks have no area
        ASSERT_EQ(control, expected);
        if (type == 38) {
            for (ub4 i = 0; i < 2; i++) {
                ub4 when = 0;
                ASSERT_TRUE(get_retention_commit_time(b.data(), flm.map_offset, i, &when, bs()));
                EXPECT_EQ(when, s.retention[i]);
            }
        }
        if (control == 0)
            continue;
        TRANS_CONTROL_HEADER t;
        ASSERT_TRUE(get_trans_control_header(&t, b.data(), control, bs()));
        const zb::TransControlDef& want = s.trans_control;
        EXPECT_EQ(fields(t.control_scn_base, t.control_scn_wrap, t.control_uba_rdba, t.control_uba_seq,
                         t.control_uba_rec),
                  fields(want.scn_base, want.scn_wrap, want.uba_rdba, want.uba_seq, want.uba_rec));
        EXPECT_EQ(trans_control_fields(t), trans_control_fields(want));
        for (ub4 i = 0; i < FREE_BLOCK_POOL_ENTRIES; i++) {
            FREE_BLOCK_POOL_ENTRY p;
            ASSERT_TRUE(get_free_block_pool_entry(&p, b.data(), control, i, bs()));
            EXPECT_EQ(pool_fields(p), pool_fields(s.free_block_pool[i]));
        }
        ub4 at = get_trans_table_offset(control);
        ub4 seen = 0;
        for (ub4 i = 0; i < TRANS_TABLE_MAX_ENTRIES; i++, at += TRANS_TABLE_ENTRY_SIZE) {
            TRANS_TABLE_ENTRY e;
            get_trans_table_entry(&e, b.data(), at, bs());
            if (e.wrap_no == 0)
                break;
            EXPECT_EQ(trans_entry_fields(e), trans_entry_fields(s.trans_table[i]));
            seen++;
        }
        EXPECT_EQ(seen, 3u);
    }
}

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

TEST_P(OtherBlocksTest, LobDataBlocks)
{
    for (uint8_t type : {27, 40}) {
        zb::LobBlockDef s;
        s.object_id = 0x00012abc;
        s.lob_id = {0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x2f, 0x11};
        s.version_base = 0x00998877;
        s.version_wrap = 0x0003;
        s.page_no = 42;
        s.pdba = 0x01400500;
        s.data.assign(bs() - 60, 0x5a);
        zb::BlockImage b = zb::make_lob_block(cache(type), s, bs(), order());
        LOB_BLOCK_HEADER h;
        ASSERT_TRUE(get_lob_block_header(b.data(), &h, bs()));
        // The LOB id is big-endian whatever the file's order.
        EXPECT_EQ(fields(h.object_id, h.lob_id_high, h.lob_id_mid, h.lob_id_low, h.version_base, h.version_wrap,
                         h.page_no, h.pdba, h.data_offset, h.data_length),
                  fields(0x00012abc, 0x0001, 0x00000001, 0x00002f11, 0x00998877, 3, 42, 0x01400500, 56, bs() - 60));
        EXPECT_EQ(b.u8(h.data_offset + h.data_length - 1), 0x5a);
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, OtherBlocksTest, ZEM_ORDERS_AND_SIZES, order_and_size_name);

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
