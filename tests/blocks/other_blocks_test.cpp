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
    zb::TransControlDef& t = s.trans_control;
    t.scn_base = 0x01020304;
    t.scn_wrap = 0x0506;
    t.uba_rdba = 0x00c00011;
    t.uba_seq = 0x0708;
    t.uba_rec = 0x09;
    t.flag = 0x0a0b;
    t.seq = 0x0c0d;
    t.nbf = 0x0e0f;
    t.inc = 0x10111213;
    t.commit_header = 0x1415;
    t.commit_tail = 0x1617;
    t.magic_number = 0x002a;
    t.version = 0x0001;
    t.xts = 0x1819;
    t.free_block_pool = 0x1a1b;
    t.optimal = 0x1c1d1e1f;
    for (uint16_t i = 0; i < 5; i++)
        s.free_block_pool[i] = {0x00c00020u + i, (uint16_t)(0x30 + i), (uint8_t)(0x40 + i), (uint16_t)i,
                                (uint16_t)(0x1000 + i)};
    for (uint16_t i = 0; i < entries; i++) {
        zb::TransEntryDef e;
        e.wrap_no = (uint16_t)(0x100 + i);
        e.dba = 0x00c00100u + i;
        e.scn_base = 0x50000000u + i;
        e.scn_wrap = (uint16_t)(0x60 + i);
        e.state = 9;
        e.cflags = (uint8_t)(0x10 + i);
        e.uel = (uint16_t)(i + 1);
        e.parent_xid_usn = (uint16_t)(0x70 + i);
        e.parent_xid_slot = (uint16_t)(0x80 + i);
        e.parent_xid_wrap = 0x90000000u + i;
        e.stmt_num = 0xa0000000u + i;
        e.nub = 0xb0000000u + i;
        s.trans_table.push_back(e);
    }
    s.retention = {0x2f5a1b00, 0x2f5a1c00};
    return s;
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
        EXPECT_EQ(t.control_scn_base, 0x01020304u);
        EXPECT_EQ(t.control_scn_wrap, 0x0506);
        EXPECT_EQ(t.control_uba_rdba, 0x00c00011u);
        EXPECT_EQ(t.control_uba_seq, 0x0708);
        EXPECT_EQ(t.control_uba_rec, 0x09);
        EXPECT_EQ(t.flag, 0x0a0b);
        EXPECT_EQ(t.seq, 0x0c0d);
        EXPECT_EQ(t.nbf, 0x0e0f);
        EXPECT_EQ(t.inc, 0x10111213u);
        EXPECT_EQ(t.commit_header, 0x1415);
        EXPECT_EQ(t.commit_tail, 0x1617);
        EXPECT_EQ(t.magic_number, 0x002a);
        EXPECT_EQ(t.version, 1);
        EXPECT_EQ(t.xts, 0x1819);
        EXPECT_EQ(t.free_block_pool, 0x1a1b);
        EXPECT_EQ(t.optimal, 0x1c1d1e1fu);
        for (ub4 i = 0; i < FREE_BLOCK_POOL_ENTRIES; i++) {
            FREE_BLOCK_POOL_ENTRY p;
            ASSERT_TRUE(get_free_block_pool_entry(&p, b.data(), control, i, bs()));
            EXPECT_EQ(p.uba_dba, 0x00c00020u + i);
            EXPECT_EQ(p.uba_seq, 0x30 + i);
            EXPECT_EQ(p.uba_rec, 0x40 + i);
            EXPECT_EQ(p.extent, i);
            EXPECT_EQ(p.space, 0x1000 + i);
        }
        ub4 at = get_trans_table_offset(control);
        EXPECT_EQ(at, control + 104);
        ub4 seen = 0;
        for (ub4 i = 0; i < TRANS_TABLE_MAX_ENTRIES; i++, at += TRANS_TABLE_ENTRY_SIZE) {
            TRANS_TABLE_ENTRY e;
            get_trans_table_entry(&e, b.data(), at, bs());
            if (e.wrap_no == 0)
                break;
            const zb::TransEntryDef& want = s.trans_table[i];
            EXPECT_EQ(e.wrap_no, want.wrap_no);
            EXPECT_EQ(e.dba, want.dba);
            EXPECT_EQ(e.scn_base, want.scn_base);
            EXPECT_EQ(e.scn_wrap, want.scn_wrap);
            EXPECT_EQ(e.state, want.state);
            EXPECT_EQ(e.cflags, want.cflags);
            EXPECT_EQ(e.uel, want.uel);
            EXPECT_EQ(e.parent_xid_usn, want.parent_xid_usn);
            EXPECT_EQ(e.parent_xid_slot, want.parent_xid_slot);
            EXPECT_EQ(e.parent_xid_wrap, want.parent_xid_wrap);
            EXPECT_EQ(e.stmt_num, want.stmt_num);
            EXPECT_EQ(e.nub, want.nub);
            seen++;
        }
        EXPECT_EQ(seen, 3u);
    }
}

TEST(UndoHeaderOffsets, FixedPlacesOfType38AndBoundsOfType14)
{
    EXPECT_EQ(get_undo_trans_control_offset(38, 100, 2048), 1488u);
    EXPECT_EQ(get_undo_trans_control_offset(38, 100, 4096), 3024u);
    EXPECT_EQ(get_undo_trans_control_offset(38, 100, 8192), 6096u);
    EXPECT_EQ(get_undo_trans_control_offset(38, 100, 16384), 12240u);
    EXPECT_EQ(get_undo_trans_control_offset(38, 100, 32768), 0u);
    EXPECT_EQ(get_undo_trans_control_offset(38, 100, 1024), 0u);
    EXPECT_EQ(get_undo_trans_control_offset(14, 4128, 8192), 4148u);
    // A map offset from a damaged block that puts the area into the tail.
    EXPECT_EQ(get_undo_trans_control_offset(14, 8150, 8192), 0u);
    ub1 block[1024] = {};
    TRANS_TABLE_ENTRY e;
    EXPECT_FALSE(get_trans_table_entry(&e, block, 1000, sizeof(block)));
    EXPECT_EQ(e.wrap_no, 0);
}

TEST_P(OtherBlocksTest, CompatibilitySegmentEntries)
{
    zb::CompatDef s;
    s.next_rdba = 0x00400008;
    s.entries = {{"KQLFBSTR", {1, 2, 3}}, {"UNDOSEG", {0xdeadbeef}}, {"EMPTY", {}}};
    zb::BlockImage b = zb::make_compat_block(cache(13), s, bs(), order());
    COMPATBLOCK_HEADER h;
    ASSERT_TRUE(get_compatblock_header(b.data(), &h, bs()));
    EXPECT_EQ(h.size, 12u);
    EXPECT_EQ(h.next_rdba, 0x00400008u);
    EXPECT_EQ(h.entries, 3u);
    ub4 at = get_compat_first_entry_offset(&h);
    EXPECT_EQ(at, 32u);
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
        EXPECT_EQ(h.object_id, 0x00012abcu);
        // The LOB id is big-endian whatever the file's order.
        EXPECT_EQ(h.lob_id_high, 0x0001);
        EXPECT_EQ(h.lob_id_mid, 0x00000001u);
        EXPECT_EQ(h.lob_id_low, 0x00002f11u);
        EXPECT_EQ(h.version_base, 0x00998877u);
        EXPECT_EQ(h.version_wrap, 3);
        EXPECT_EQ(h.page_no, 42u);
        EXPECT_EQ(h.pdba, 0x01400500u);
        EXPECT_EQ(h.data_offset, 56u);
        EXPECT_EQ(h.data_length, bs() - 60);
        EXPECT_EQ(b.u8(h.data_offset + h.data_length - 1), 0x5a);
    }
    EXPECT_STREQ(get_block_type_name(27), "LOB BLOCK");
    EXPECT_STREQ(get_block_type_name(40), "PAGETABLE MANAGED LOB BLOCK");
}

INSTANTIATE_TEST_SUITE_P(Orders, OtherBlocksTest, ZEM_ORDERS_AND_SIZES, order_and_size_name);

TEST(BlockNames, TypeFileAndFlagNames)
{
    EXPECT_STREQ(get_block_type_name(0), "blank block");
    EXPECT_STREQ(get_block_type_name(5), "data segment header block,no freelist groups");
    EXPECT_STREQ(get_block_type_name(12), "data segment header block with freelist groups");
    EXPECT_STREQ(get_block_type_name(14), "KTU UNDO HEADER W/UNLIMITED EXTENTS");
    EXPECT_STREQ(get_block_type_name(23), "BITMAPPED DATA SEGMENT HEADER");
    EXPECT_STREQ(get_block_type_name(25), "BITMAP INDEX BLOCK");
    EXPECT_STREQ(get_block_type_name(36), "ASSM extent map block");
    EXPECT_STREQ(get_block_type_name(38), "KTU SMU HEADER BLOCK");
    EXPECT_STREQ(get_block_type_name(17), "unknown");
    EXPECT_STREQ(get_block_type_name(255), "unknown");
    EXPECT_STREQ(get_file_type_name(6), "temporary file");
    EXPECT_STREQ(get_file_type_name(7), "unknown");
    EXPECT_STREQ(get_datablock_type_name(3), "unkown");
    EXPECT_STREQ(get_fl_flag_name(1), "O");
    EXPECT_STREQ(get_fl_flag_name(0x20), "X");

    char row[ROW_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_row_flag_name(0x2c, row), "--H-FL--");
    EXPECT_STREQ(set_row_flag_name(0xff, row), "KCHDFLPN");
    char itl[ITL_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_datablock_hflag_name(0x8, itl), "C---");
    EXPECT_STREQ(set_datablock_hflag_name(0x3, itl), "--UT");
    char kdbh[KDBH_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_kdbh_flag_name(0xff, kdbh), "-OR----K");
    char z[KDBH_9IR2_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_kdbh_9ir2_flag_name(0xff, z), "--R---OC");
    char iot[IOT_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_iot_flag_name(0x70, iot), "ICN");
    char irow[INDEX_ROW_FLAGNAME_LEN + 1];
    EXPECT_STREQ(set_index_row_flag_name(0x0f, irow), "KP-DS");
    EXPECT_STREQ(set_index_row_flag_name(0x00, irow), "-----");
}
