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

INSTANTIATE_TEST_SUITE_P(Orders, SegmentHeaderTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);
