#include <gtest/gtest.h>

#include <vector>

#include "blocks/assm_header.h"
#include "blocks/block_fixture.h"
#include "blocks/block_header.h"
#include "blocks/extent_map.h"
#include "blocks/segment_header.h"
#include "builder/segment_blocks.h"
#include "builder/segment_builder.h"

namespace {

std::vector<zb::Extent> sample_map(size_t n)
{
    std::vector<zb::Extent> map;
    for (size_t i = 0; i < n; i++)
        map.push_back({0x01400000u + 8 * (uint32_t)i + 2, 8 + (uint32_t)i});
    return map;
}

zb::FreelistDef freelist(uint16_t seed)
{
    zb::FreelistDef f;
    f.flag = 1;
    f.xid_usn = seed;
    f.xid_slot = (uint16_t)(seed + 1);
    f.xid_seq = (uint16_t)(seed + 2);
    f.head = 0x01400100u + seed;
    f.tail = 0x01400200u + seed;
    return f;
}

void expect_map(const ub1* block, size_t offset, ub4 count, const std::vector<zb::Extent>& map, ub4 block_size)
{
    ASSERT_EQ(count, map.size());
    for (ub4 i = 0; i < count; i++) {
        EXTENT_MAP_ENTRY e;
        ASSERT_TRUE(get_extent_map_entry(block, offset, i, &e, block_size));
        EXPECT_EQ(e.start_rdba, map[i].start_rdba);
        EXPECT_EQ(e.length, map[i].length);
    }
}

} // namespace

using SegmentHeaderTest = BlockParserTest;

TEST_P(SegmentHeaderTest, FreelistHeaderFieldsMapAndFreelists)
{
    for (uint8_t type : {16, 17}) {
        for (uint16_t nfl : {1, 4}) {
            zb::FlmHeaderDef s;
            zb::ExtentControlDef& c = s.control;
            c.last_map = 0x01400050;
            c.map_blocks = 2;
            c.extents = 9;
            c.blocks = 120;
            c.extent_no = 1;
            c.block_no = 3;
            c.extent_size = 16;
            c.high_water = 0x0140001d;
            c.mapblk_rdba = 0x01400060;
            c.mapblk_offset = 7;
            c.seg_fl_blocks = 5;
            c.blocks_below = 27;
            c.xid_usn = 0x0102;
            c.xid_slot = 0x0304;
            c.xid_seq = 0x0506;
            c.map = sample_map(3);
            c.next_map_header = 0x01400040;
            c.object_id = 0x00011170;
            c.map_header_flag = 0x40000000;
            s.freelists = nfl;
            s.freelist_blocks = 11;
            s.freelist_type = 1;
            s.ccnt = 0x0a0b0c0d;
            for (uint16_t i = 0; i < nfl + (nfl >= 2 ? 1 : 0); i++)
                s.segment_lists.push_back(freelist((uint16_t)(10 * i)));
            s.transaction_lists = {freelist(100), freelist(200)};
            zb::BlockImage b = zb::make_flm_header_block(cache(type), s, bs(), order());

            FLM_HEADER h;
            ASSERT_TRUE(get_flm_header(b.data(), &h, bs()));
            EXPECT_EQ(h.last_map, c.last_map);
            EXPECT_EQ(h.map_blocks, 2u);
            EXPECT_EQ(h.extents, 9u);
            EXPECT_EQ(h.blocks, 120u);
            EXPECT_EQ(h.map_offset, zb::default_map_offset(bs()));
            EXPECT_EQ(h.extent_no, 1u);
            EXPECT_EQ(h.block_no, 3u);
            EXPECT_EQ(h.extent_size, 16u);
            EXPECT_EQ(h.high_water, c.high_water);
            EXPECT_EQ(h.mapblk_rdba, c.mapblk_rdba);
            EXPECT_EQ(h.mapblk_offset, 7u);
            EXPECT_EQ(h.seg_fl_blocks, 5u);
            EXPECT_EQ(h.blocks_below, 27u);
            EXPECT_EQ(h.xid_usn, 0x0102);
            EXPECT_EQ(h.xid_slot, 0x0304);
            EXPECT_EQ(h.xid_seq, 0x0506);
            EXPECT_EQ(h.next_map_header, c.next_map_header);
            EXPECT_EQ(h.object_id, c.object_id);
            EXPECT_EQ(h.map_header_flag, c.map_header_flag);
            expect_map(b.data(), FLM_EXTENT_MAP_OFFSET, h.map_header_extents, c.map, bs());
            EXPECT_EQ(h.trans_freelists, 2);
            EXPECT_EQ(h.freelists, nfl);
            EXPECT_EQ(h.freelist_blocks, 11);
            EXPECT_EQ(h.freelist_type, 1);

            ub4 lists = get_flm_freelist_count(&h);
            ASSERT_EQ(lists, s.segment_lists.size() + 2);
            for (ub4 i = 0; i < lists; i++) {
                const zb::FreelistDef& want =
                    i < s.segment_lists.size() ? s.segment_lists[i] : s.transaction_lists[i - s.segment_lists.size()];
                FREELIST_ENTRY f;
                ASSERT_TRUE(get_freelist_entry(b.data(), &h, i, &f, bs()));
                EXPECT_EQ(f.flag, want.flag);
                EXPECT_EQ(f.xid_usn, want.xid_usn);
                EXPECT_EQ(f.xid_slot, want.xid_slot);
                EXPECT_EQ(f.xid_seq, want.xid_seq);
                EXPECT_EQ(f.head, want.head);
                EXPECT_EQ(f.tail, want.tail);
            }
        }
    }
}

TEST_P(SegmentHeaderTest, CcntSharesItsBytesWithTheFirstFreelist)
{
    zb::FlmHeaderDef s;
    s.freelists = 0;
    s.ccnt = 0x0a0b0c0d;
    zb::BlockImage b = zb::make_flm_header_block(cache(17), s, bs(), order());
    FLM_HEADER h;
    ASSERT_TRUE(get_flm_header(b.data(), &h, bs()));
    EXPECT_EQ(h.ccnt, 0x0a0b0c0du);
    FREELIST_ENTRY f;
    ASSERT_TRUE(get_freelist_entry(b.data(), &h, 0, &f, bs()));
    EXPECT_EQ(f.xid_seq, order() == zb::BIG ? 0x0a0b : 0x0c0d);
}

TEST_P(SegmentHeaderTest, MapOffsetPastTheBlockLeavesTheSummaryEmpty)
{
    zb::FlmHeaderDef s;
    s.control.map = sample_map(2);
    zb::BlockImage b = zb::make_flm_header_block(cache(16), s, bs(), order());
    b.writer().u16(44, (uint16_t)(bs() - 30));
    b.writer().u32(92, 0x7fffffff); // map count far beyond the block
    FLM_HEADER h;
    EXPECT_FALSE(get_flm_header(b.data(), &h, bs()));
    EXPECT_EQ(h.freelists, 0);
    EXPECT_EQ(h.object_id, 0u);
    FREELIST_ENTRY f;
    EXPECT_FALSE(get_freelist_entry(b.data(), &h, 0, &f, bs()));
    ub4 fit = get_fitting_entry_count(bs(), FLM_EXTENT_MAP_OFFSET, EXTENT_MAP_ENTRY_SIZE, h.map_header_extents);
    EXPECT_EQ(fit, (bs() - 4 - 108) / 8);
    EXTENT_MAP_ENTRY e;
    EXPECT_TRUE(get_extent_map_entry(b.data(), FLM_EXTENT_MAP_OFFSET, fit - 1, &e, bs()));
    EXPECT_FALSE(get_extent_map_entry(b.data(), FLM_EXTENT_MAP_OFFSET, fit, &e, bs()));
}

TEST_P(SegmentHeaderTest, LimitedHeaderFillsOnlyObjectAndMap)
{
    std::vector<zb::Extent> map = sample_map(4);
    zb::BlockImage b = zb::make_limited_header_block(cache(5), 0x4321, map, bs(), order());
    // Data that a freelist parser would read must not leak into this record.
    b.writer().u32(60, 0x01400099);
    b.writer().u32(96, 0x01400088);
    FLM_HEADER h;
    ASSERT_TRUE(get_limited_seg_header(b.data(), &h, bs()));
    EXPECT_EQ(h.object_id, 0x4321u);
    EXPECT_EQ(h.high_water, 0u);
    EXPECT_EQ(h.next_map_header, 0u);
    EXPECT_EQ(h.map_offset, 0);
    expect_map(b.data(), LIMITED_EXTENT_MAP_OFFSET, h.map_header_extents, map, bs());
}

TEST_P(SegmentHeaderTest, AssmHeaderAuxiliaryMapAndLevel2List)
{
    zb::AssmHeaderDef s;
    zb::ExtentControlDef& c = s.control;
    c.last_map = 1;
    c.map_blocks = 2;
    c.extents = 3;
    c.blocks = 4;
    c.extent_no = 5;
    c.block_no = 6;
    c.extent_size = 7;
    c.high_water = 8;
    c.mapblk_rdba = 9;
    c.mapblk_offset = 10;
    c.seg_fl_blocks = 11;
    c.blocks_below = 12;
    c.map = sample_map(5);
    c.next_map_header = 0x01400777;
    c.object_id = 0x00abcdef;
    c.map_header_flag = 0x2000;
    s.low_extent_no = 21;
    s.low_block_no = 22;
    s.low_extent_size = 23;
    s.low_high_water = 24;
    s.low_mapblk_rdba = 25;
    s.low_mapblk_offset = 26;
    s.low_seg_fl_blocks = 27;
    s.low_blocks_below = 28;
    s.level1_bmb_high = 29;
    s.level1_bmb_low = 30;
    s.seg_type = 1;
    s.fbsz = 31;
    s.first_level3_bmb = 32;
    s.L2_insert_hint = 33;
    s.last_level1_bmb = 34;
    s.last_level2_bmb = 35;
    s.last_level3_bmb = 36;
    for (uint32_t i = 0; i < 5; i++)
        s.aux.push_back({0x01400100u + i, 0x01400200u + i});
    s.level2_dbas = {0x01400301, 0x01400302, 0x01400303};
    zb::BlockImage b = zb::make_assm_header_block(cache(35), s, bs(), order());

    ASSM_HEADER h;
    ASSERT_TRUE(get_assm_header(b.data(), &h, bs()));
    EXPECT_EQ(h.last_map, 1u);
    EXPECT_EQ(h.map_blocks, 2u);
    EXPECT_EQ(h.extents, 3u);
    EXPECT_EQ(h.blocks, 4u);
    EXPECT_EQ(h.extent_no, 5u);
    EXPECT_EQ(h.block_no, 6u);
    EXPECT_EQ(h.extent_size, 7u);
    EXPECT_EQ(h.high_water, 8u);
    EXPECT_EQ(h.mapblk_rdba, 9u);
    EXPECT_EQ(h.mapblk_offset, 10u);
    EXPECT_EQ(h.seg_fl_blocks, 11u);
    EXPECT_EQ(h.blocks_below, 12u);
    EXPECT_EQ(h.low_extent_no, 21u);
    EXPECT_EQ(h.low_block_no, 22u);
    EXPECT_EQ(h.low_extent_size, 23u);
    EXPECT_EQ(h.low_high_water, 24u);
    EXPECT_EQ(h.low_mapblk_rdba, 25u);
    EXPECT_EQ(h.low_mapblk_offset, 26u);
    EXPECT_EQ(h.low_seg_fl_blocks, 27u);
    EXPECT_EQ(h.low_blocks_below, 28u);
    EXPECT_EQ(h.level1_bmb_high, 29u);
    EXPECT_EQ(h.level1_bmb_low, 30u);
    EXPECT_EQ(h.seg_type, 1);
    EXPECT_EQ(h.block_size, bs());
    EXPECT_EQ(h.fbsz, 31u);
    EXPECT_EQ(h.L2_start_off, bs() / 4 * 3);
    EXPECT_EQ(h.first_level3_bmb, 32u);
    EXPECT_EQ(h.L2_insert_hint, 33u);
    EXPECT_EQ(h.level2_cnt, 3u);
    EXPECT_EQ(h.last_level1_bmb, 34u);
    EXPECT_EQ(h.last_level2_bmb, 35u);
    EXPECT_EQ(h.last_level3_bmb, 36u);
    EXPECT_EQ(h.next_map_header, 0x01400777u);
    EXPECT_EQ(h.object_id, 0x00abcdefu);
    EXPECT_EQ(h.map_header_flag, 0x2000u);
    expect_map(b.data(), ASSM_EXTENT_MAP_OFFSET, h.map_header_extents, c.map, bs());
    for (ub4 i = 0; i < 5; i++) {
        ASSM_AUX_ENTRY a;
        ASSERT_TRUE(get_assm_aux_entry(b.data(), get_assm_aux_map_offset(&h), i, &a, bs()));
        EXPECT_EQ(a.level1_rdba, 0x01400100u + i);
        EXPECT_EQ(a.data_rdba, 0x01400200u + i);
    }
    for (ub4 i = 0; i < 3; i++) {
        ub4 dba = 0;
        ASSERT_TRUE(get_assm_level2_dba(b.data(), &h, i, &dba, bs()));
        EXPECT_EQ(dba, s.level2_dbas[i]);
    }
    // A level-2 list said to start past the block yields nothing.
    h.L2_start_off = bs();
    ub4 dba = 1;
    EXPECT_FALSE(get_assm_level2_dba(b.data(), &h, 0, &dba, bs()));
    EXPECT_EQ(dba, 0u);
}

TEST_P(SegmentHeaderTest, ExtentMapChainsGiveBackEveryExtent)
{
    for (uint8_t type : {16, 35}) {
        SCOPED_TRACE((int)type);
        zb::DatafileDef fs;
        fs.block_size = bs();
        fs.order = order();
        fs.blocks = 200;
        zb::DatafileImage file(fs);
        zb::SegmentLayout layout;
        layout.header_type = type;
        for (uint32_t i = 0; i < 9; i++)
            layout.extents.push_back({10 + 16 * i, 16});
        layout.header_map_capacity = 2;
        layout.emb_capacity = 3;
        layout.map_blocks = {11, 27, 43};
        zb::SegmentResult made = zb::add_segment(file, layout);
        ASSERT_EQ(made.map_rdbas.size(), 3u);

        std::vector<EXTENT_MAP_ENTRY> found;
        ub4 next = 0;
        if (type == 16) {
            FLM_HEADER h;
            get_flm_header(file.at(10).data(), &h, bs());
            for (ub4 i = 0; i < h.map_header_extents; i++) {
                EXTENT_MAP_ENTRY e;
                get_extent_map_entry(file.at(10).data(), FLM_EXTENT_MAP_OFFSET, i, &e, bs());
                found.push_back(e);
            }
            next = h.next_map_header;
        } else {
            ASSM_HEADER h;
            get_assm_header(file.at(10).data(), &h, bs());
            for (ub4 i = 0; i < h.map_header_extents; i++) {
                EXTENT_MAP_ENTRY e;
                get_extent_map_entry(file.at(10).data(), ASSM_EXTENT_MAP_OFFSET, i, &e, bs());
                found.push_back(e);
            }
            next = h.next_map_header;
        }
        for (int hops = 0; next != 0 && hops < 10; hops++) {
            const zb::BlockImage& map_block = file.at(next & 0x3fffff);
            BLOCK_HEADER bh;
            get_block_header(map_block.data(), &bh, bs());
            EXPECT_EQ(bh.block_type, type == 16 ? BT_EXTENT_MAP : BT_ASSM_EXTENT_MAP);
            EXPECT_TRUE(block_tail_match(&bh));
            EMB_BLOCK emb;
            ASSERT_TRUE(get_emb_block(map_block.data(), &emb, bs()));
            EXPECT_EQ(emb.object_id, layout.object_id);
            for (ub4 i = 0; i < emb.extents; i++) {
                EXTENT_MAP_ENTRY e;
                ASSERT_TRUE(get_extent_map_entry(map_block.data(), EMB_EXTENT_MAP_OFFSET, i, &e, bs()));
                found.push_back(e);
                if (type == 35) {
                    ASSM_AUX_ENTRY a;
                    ASSERT_TRUE(get_assm_aux_entry(map_block.data(), EMB_EXTENT_MAP_OFFSET + 8 * emb.extents, i, &a,
                                                   bs()));
                    EXPECT_EQ(a.level1_rdba, e.start_rdba);
                }
            }
            next = emb.next_rdba;
        }
        ASSERT_EQ(found.size(), made.extents.size());
        for (size_t i = 0; i < found.size(); i++) {
            EXPECT_EQ(found[i].start_rdba, made.extents[i].start_rdba);
            EXPECT_EQ(found[i].length, 16u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, SegmentHeaderTest, ZEM_ORDERS_AND_SIZES, order_and_size_name);
