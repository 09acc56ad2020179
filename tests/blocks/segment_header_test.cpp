#include <gtest/gtest.h>

#include <vector>

#include "blocks/assm_header.h"
#include "blocks/block_fixture.h"
#include "blocks/block_header.h"
#include "blocks/extent_map.h"
#include "blocks/segment_header.h"
#include "builder/segment_blocks.h"

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
    return {.flag = 1, .xid_usn = seed, .xid_slot = (uint16_t)(seed + 1), .xid_seq = (uint16_t)(seed + 2),
            .head = 0x01400100u + seed, .tail = 0x01400200u + seed};
}

// The extent control fields, named alike in the records and in the builder.
template <typename R>
std::vector<uint64_t> control_fields(const R& r)
{
    return fields(r.last_map, r.map_blocks, r.extents, r.blocks, r.extent_no, r.block_no, r.extent_size, r.high_water,
                  r.mapblk_rdba, r.mapblk_offset, r.seg_fl_blocks, r.blocks_below, r.next_map_header, r.object_id,
                  r.map_header_flag);
}

template <typename R>
std::vector<uint64_t> freelist_fields(const R& r)
{
    return fields(r.flag, r.xid_usn, r.xid_slot, r.xid_seq, r.head, r.tail);
}

template <typename R>
std::vector<uint64_t> assm_fields(const R& r)
{
    return fields(r.low_extent_no, r.low_block_no, r.low_extent_size, r.low_high_water, r.low_mapblk_rdba,
                  r.low_mapblk_offset, r.low_seg_fl_blocks, r.low_blocks_below, r.level1_bmb_high, r.level1_bmb_low,
                  r.seg_type, r.fbsz, r.first_level3_bmb, r.L2_insert_hint, r.last_level1_bmb, r.last_level2_bmb,
                  r.last_level3_bmb);
}

void expect_map(const ub1* block, size_t offset, ub4 count, const std::vector<zb::Extent>& map, ub4 block_size)
{
    ASSERT_EQ(count, map.size());
    for (ub4 i = 0; i < count; i++) {
        EXTENT_MAP_ENTRY e;
        ASSERT_TRUE(get_extent_map_entry(block, offset, i, &e, block_size));
        EXPECT_EQ(fields(e.start_rdba, e.length), fields(map[i].start_rdba, map[i].length));
    }
}

} // namespace

using SegmentHeaderTest = BlockParserTest;

TEST_P(SegmentHeaderTest, FreelistHeaderFieldsMapAndFreelists)
{
    for (uint8_t type : {16, 17}) {
        for (uint16_t nfl : {1, 4}) {
            zb::FlmHeaderDef s;
            s.control = {.last_map = 0x01400050, .map_blocks = 2, .extents = 9, .blocks = 120, .extent_no = 1,
                         .block_no = 3, .extent_size = 16, .high_water = 0x0140001d, .mapblk_rdba = 0x01400060,
                         .mapblk_offset = 7, .seg_fl_blocks = 5, .blocks_below = 27, .xid_usn = 0x0102,
                         .xid_slot = 0x0304, .xid_seq = 0x0506, .map = sample_map(3), .next_map_header = 0x01400040,
                         .object_id = 0x00011170, .map_header_flag = 0x40000000};
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
            EXPECT_EQ(control_fields(h), control_fields(s.control));
            EXPECT_EQ(fields(h.xid_usn, h.xid_slot, h.xid_seq, h.trans_freelists, h.freelists, h.freelist_blocks,
                             h.freelist_type),
                      fields(0x0102, 0x0304, 0x0506, 2, nfl, 11, 1));
            expect_map(b.data(), FLM_EXTENT_MAP_OFFSET, h.map_header_extents, s.control.map, bs());

            ub4 lists = get_flm_freelist_count(&h);
            ASSERT_EQ(lists, s.segment_lists.size() + 2);
            for (ub4 i = 0; i < lists; i++) {
                const zb::FreelistDef& want =
                    i < s.segment_lists.size() ? s.segment_lists[i] : s.transaction_lists[i - s.segment_lists.size()];
                FREELIST_ENTRY f;
                ASSERT_TRUE(get_freelist_entry(b.data(), &h, i, &f, bs()));
                EXPECT_EQ(freelist_fields(f), freelist_fields(want));
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
    EXPECT_EQ(fields(h.object_id, h.high_water, h.next_map_header, h.map_offset), fields(0x4321, 0, 0, 0));
    expect_map(b.data(), LIMITED_EXTENT_MAP_OFFSET, h.map_header_extents, map, bs());
}

TEST_P(SegmentHeaderTest, AssmHeaderAuxiliaryMapAndLevel2List)
{
    zb::AssmHeaderDef s{.control = {.last_map = 1, .map_blocks = 2, .extents = 3, .blocks = 4, .extent_no = 5,
                                    .block_no = 6, .extent_size = 7, .high_water = 8, .mapblk_rdba = 9,
                                    .mapblk_offset = 10, .seg_fl_blocks = 11, .blocks_below = 12, .map = sample_map(5),
                                    .next_map_header = 0x01400777, .object_id = 0x00abcdef, .map_header_flag = 0x2000},
                        .low_extent_no = 21, .low_block_no = 22, .low_extent_size = 23, .low_high_water = 24,
                        .low_mapblk_rdba = 25, .low_mapblk_offset = 26, .low_seg_fl_blocks = 27,
                        .low_blocks_below = 28, .level1_bmb_high = 29, .level1_bmb_low = 30, .seg_type = 1,
                        .fbsz = 31, .first_level3_bmb = 32, .L2_insert_hint = 33, .last_level1_bmb = 34,
                        .last_level2_bmb = 35, .last_level3_bmb = 36, .aux = {},
                        .level2_dbas = {0x01400301, 0x01400302, 0x01400303}};
    for (uint32_t i = 0; i < 5; i++)
        s.aux.push_back({0x01400100u + i, 0x01400200u + i});
    zb::BlockImage b = zb::make_assm_header_block(cache(35), s, bs(), order());

    ASSM_HEADER h;
    ASSERT_TRUE(get_assm_header(b.data(), &h, bs()));
    EXPECT_EQ(control_fields(h), control_fields(s.control));
    EXPECT_EQ(assm_fields(h), assm_fields(s));
    EXPECT_EQ(fields(h.block_size, h.L2_start_off, h.level2_cnt), fields(bs(), bs() / 4 * 3, 3));
    expect_map(b.data(), ASSM_EXTENT_MAP_OFFSET, h.map_header_extents, s.control.map, bs());
    for (ub4 i = 0; i < 5; i++) {
        ASSM_AUX_ENTRY a;
        ASSERT_TRUE(get_assm_aux_entry(b.data(), get_assm_aux_map_offset(&h), i, &a, bs()));
        EXPECT_EQ(fields(a.level1_rdba, a.data_rdba), fields(s.aux[i].level1_rdba, s.aux[i].data_rdba));
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
INSTANTIATE_TEST_SUITE_P(Orders, SegmentHeaderTest, ZEM_ORDERS_AND_SIZES, order_and_size_name);
