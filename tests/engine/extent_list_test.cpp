// Which blocks of a segment are read: extent maps in segment headers and
// their chains of map blocks, the high-water mark, the block range and the
// scanned extents of the other modes, sampling, and the failures that end a
// chain or skip an extent.

#include <gtest/gtest.h>

#include "base/byte_order.h"
#include "builder/data_blocks.h"
#include "builder/segment_blocks.h"
#include "support/engine_fixture.h"

bool operator==(const EXTENT_LIST_ITEM& a, const EXTENT_LIST_ITEM& b)
{
    return a.start_rdba == b.start_rdba && a.length == b.length && a.hwm_blocks == b.hwm_blocks;
}

namespace {

constexpr ub4 OBJ = 70002;

std::vector<zb::LogicalRow> numbered_rows(int first, int count)
{
    std::vector<zb::LogicalRow> rows;
    for (int i = first; i < first + count; i++)
        rows.push_back(zb::make_row(simple_cells(i)));
    return rows;
}

std::string numbered_texts(int first, int count)
{
    std::string out;
    for (int i = first; i < first + count; i++)
        out += simple_text(i) + "\n";
    return out;
}

std::vector<EXTENT_LIST_ITEM> list_items(const ZEM_LIST* list)
{
    std::vector<EXTENT_LIST_ITEM> out;
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next)
        out.push_back(*(const EXTENT_LIST_ITEM*)item->data);
    return out;
}

ub4 rdba(ub4 block)
{
    return file_block_rdba(5, block);
}

std::string header_and_order_name(const testing::TestParamInfo<std::tuple<ub1, int>>& info)
{
    return "type" + std::to_string(std::get<0>(info.param)) + (std::get<1>(info.param) == BO_BIG ? "_big" : "_little");
}

class SegmentExtents : public testing::TestWithParam<std::tuple<ub1, int>> {};

// Three extents of 8 blocks; the mark is at block 3 of the second. Rows
// fill every block below it, stale rows of the same object lie above.
TEST_P(SegmentExtents, EverythingBelowTheHighWaterMarkAndNothingAbove)
{
    auto [header_type, order] = GetParam();
    EngineEnv env("extent_hwm");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(order, 4096));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.header_type = header_type;
    shape.segment.extents = {{8, 8}, {16, 8}, {24, 8}};
    shape.segment.hwm_extent = 1;
    shape.segment.hwm_block = 3;
    shape.packer.rows_per_block = 2;
    zb::TableSegmentResult built = zb::add_table_segment(file, shape, numbered_rows(0, 20), numbered_rows(100, 20));
    ASSERT_EQ(built.below.size(), 10u);
    env.load(db, order);

    ZEM_LIST list;
    init_extent_list(&list);
    ASSERT_EQ(get_segment_extents(4, built.segment.header_rdba, &list), 1);
    EXPECT_EQ(list_items(&list), (std::vector<EXTENT_LIST_ITEM>{{rdba(8), 8, 0}, {rdba(16), 8, 5}, {rdba(24), 8, 8}}));
    release_zem_list(&list);

    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
    EXPECT_EQ(result.found, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(recorder.joined(), numbered_texts(0, 20));
}

INSTANTIATE_TEST_SUITE_P(Engine, SegmentExtents,
                         testing::Combine(testing::Values((ub1)16, (ub1)17, (ub1)35), testing::Values(BO_LITTLE, BO_BIG)),
                         header_and_order_name);

TEST(ExtentList, LimitedHeaderHasNoHighWaterMarkAndReadsEveryExtentWhole)
{
    EngineEnv env("extent_limited");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_BIG, 2048));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.header_type = 5;
    shape.segment.extents = {{8, 4}, {20, 4}};
    shape.segment.hwm_extent = 1;
    shape.segment.hwm_block = 1;
    shape.packer.rows_per_block = 1;
    zb::TableSegmentResult built = zb::add_table_segment(file, shape, numbered_rows(0, 4), numbered_rows(4, 3));
    env.load(db, BO_BIG);

    ZEM_LIST list;
    init_extent_list(&list);
    ASSERT_EQ(get_segment_extents(4, built.segment.header_rdba, &list), 1);
    EXPECT_EQ(list_items(&list), (std::vector<EXTENT_LIST_ITEM>{{rdba(8), 4, 0}, {rdba(20), 4, 0}}));
    release_zem_list(&list);

    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    env.unload(table, built.segment.header_rdba, recorder);
    EXPECT_EQ(recorder.joined(), numbered_texts(0, 7));
}

// Three extents: one in the header, one in each of two map blocks.
struct ChainedSegment {
    zb::DatabaseImage db;
    zb::TableSegmentResult built;
};

void build_chained(ChainedSegment& s, ub1 header_type, int order)
{
    zb::DatafileImage& file = s.db.add_file("users01.dbf", datafile_layout(order, 8192));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.header_type = header_type;
    shape.segment.extents = {{8, 4}, {16, 4}, {24, 4}};
    shape.segment.header_map_capacity = 1;
    shape.segment.emb_capacity = 1;
    shape.segment.map_blocks = {40, 41};
    shape.packer.rows_per_block = 1;
    s.built = zb::add_table_segment(file, shape, numbered_rows(0, 11));
}

class MapChains : public testing::TestWithParam<std::tuple<ub1, int>> {};

TEST_P(MapChains, ChainOfMapBlocksIsFollowed)
{
    auto [header_type, order] = GetParam();
    EngineEnv env("extent_chain");
    ChainedSegment s;
    build_chained(s, header_type, order);
    ASSERT_EQ(s.built.segment.map_rdbas.size(), 2u);
    env.load(s.db, order);
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    env.unload(table, s.built.segment.header_rdba, recorder);
    EXPECT_EQ(recorder.joined(), numbered_texts(0, 11));
}

TEST_P(MapChains, MapBlockOfAnotherTypeEndsTheChain)
{
    auto [header_type, order] = GetParam();
    EngineEnv env("extent_chain_type");
    ChainedSegment s;
    build_chained(s, header_type, order);
    zb::DatafileImage& file = s.db.file(0);
    zb::DataBlockDef data;
    data.trans.object_id = OBJ;
    data.tables.resize(1);
    file.put(41, zb::make_data_block(file.cache_header(6, 41), data, 8192, order));
    env.load(s.db, order);
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    UnloadResult result = env.unload(table, s.built.segment.header_rdba, recorder);
    EXPECT_EQ(result.out, "");
    // Extents 1 (3 data blocks after the header) and 2 (4 blocks).
    EXPECT_EQ(recorder.joined(), numbered_texts(0, 7));
}

TEST_P(MapChains, MapBlockPointingBackEndsTheChainOnce)
{
    auto [header_type, order] = GetParam();
    EngineEnv env("extent_chain_loop");
    ChainedSegment s;
    build_chained(s, header_type, order);
    zb::DatafileImage& file = s.db.file(0);
    bool assm = header_type == 35;
    zb::EmbDef emb;
    emb.object_id = OBJ;
    emb.next_rdba = file.rdba(40); // back to the first map block
    emb.map = {s.built.segment.extents[2]};
    if (assm)
        emb.aux = {{emb.map[0].start_rdba, emb.map[0].start_rdba}};
    file.put(41, zb::make_emb_block(file.cache_header(assm ? 36 : 18, 41), emb, 8192, order));
    env.load(s.db, order);
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    env.unload(table, s.built.segment.header_rdba, recorder);
    EXPECT_EQ(recorder.joined(), numbered_texts(0, 11));
}

INSTANTIATE_TEST_SUITE_P(Engine, MapChains,
                         testing::Combine(testing::Values((ub1)16, (ub1)35), testing::Values(BO_LITTLE, BO_BIG)),
                         header_and_order_name);

TEST(ExtentList, HighWaterMarkAccountingFollowsTheMapOrder)
{
    // Entries in the configured order; the mark at block 19 of file 5.
    init_config_data();
    std::vector<ub1> block(4096, 0);
    config_data.byte_order = BO_BIG;
    ub4 entries[][2] = {{rdba(8), 8}, {file_block_rdba(6, 8), 8}, {rdba(16), 8}, {rdba(40), 8}};
    for (ub4 i = 0; i < 4; i++) {
        set_ub4_big(block.data(), 64 + 8 * i, entries[i][0]);
        set_ub4_big(block.data(), 68 + 8 * i, entries[i][1]);
    }
    ZEM_LIST list;
    init_extent_list(&list);
    int found = 0;
    // A count beyond the block is cut to the entries that fit.
    EXPECT_EQ(add_extentmap_to_list(block.data(), 4, &list, 4, 64, rdba(19), &found, 4096), 4u);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(list_items(&list), (std::vector<EXTENT_LIST_ITEM>{{rdba(8), 8, 0},
                                                                {file_block_rdba(6, 8), 8, 0},
                                                                {rdba(16), 8, 5},
                                                                {rdba(40), 8, 8}}));
    release_zem_list(&list);
    init_extent_list(&list);
    EXPECT_EQ(add_extentmap_to_list(block.data(), 4, &list, 0xffffffff, 4000, rdba(19), &found, 4096), 11u);
    release_zem_list(&list);
    init_config_data();
}

TEST(ExtentList, SamplingTakesTheExtentsInTurn)
{
    ZEM_LIST list;
    init_extent_list(&list);
    add_extent_list_item(&list, 1000, 8, 0);
    add_extent_list_item(&list, 2000, 4, 2);  // two readable blocks
    add_extent_list_item(&list, 3000, 8, 0);
    add_extent_list_item(&list, 4000, 8, 8);  // above the mark: ends the list
    add_extent_list_item(&list, 5000, 8, 0);
    generate_sample_blocks(&list);
    std::vector<ub4> order;
    for (const EXTENT_LIST_ITEM& item : list_items(&list)) {
        EXPECT_EQ(item.length, 1u);
        EXPECT_EQ(item.hwm_blocks, 0u);
        order.push_back(item.start_rdba);
    }
    EXPECT_EQ(order, (std::vector<ub4>{1000, 2000, 3000, 1001, 2001, 3001, 1002, 3002, 1003, 3003, 1004, 3004, 1005,
                                       3005, 1006, 3006, 1007, 3007}));
    release_zem_list(&list);

    init_extent_list(&list);
    for (ub4 e = 0; e < 3; e++)
        add_extent_list_item(&list, 100000 * (e + 1), 5000, 0);
    generate_sample_blocks(&list);
    EXPECT_EQ(zem_list_item_cnt(&list), SAMPLE_MAX_BLOCKS);
    release_zem_list(&list);
}

TEST(ExtentList, SegmentHeaderThatCannotBeUsedGivesNothing)
{
    for (bool bad_tail : {false, true}) {
        EngineEnv env("extent_bad_header");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_LITTLE, 4096));
        zb::TableSegmentLayout shape;
        shape.segment.object_id = OBJ;
        shape.segment.extents = {{8, 8}};
        zb::TableSegmentResult built = zb::add_table_segment(file, shape, numbered_rows(0, 3));
        if (bad_tail)
            file.damage(8, zb::Damage::bad_tail);
        else
            file.put(8, file.blank(8));
        env.load(db, BO_LITTLE);
        TableDesc table(simple_columns(), OBJ);
        Recorder recorder;
        UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
        EXPECT_EQ(result.found, 0);
        // The engine counts it and tells why; the command prints.
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(table.get()->damage.segment_error, bad_tail ? SEG_BAD_TAIL : SEG_NOT_HEADER);
        EXPECT_EQ(table.get()->damage.blocks[DMG_SEGMENT_HEADER], 1u);
        EXPECT_TRUE(recorder.rows.empty());
        EXPECT_TRUE(recorder.batches.empty());
    }
}

} // namespace
