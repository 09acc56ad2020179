// Row pieces through builder-made datafiles: long values chained over many
// blocks, migrated rows and row dependencies in both byte orders and at
// small and large block sizes; loops in chains, chains into unusable blocks
// and cluster keys that cannot be read. Every column type,
// clusters and ordinary chained and migrated rows are unloaded and loaded
// back end to end in load_back_test.cpp.

#include <gtest/gtest.h>

#include "builder/data_blocks.h"
#include "support/engine_fixture.h"

namespace {

using zb::bytes_cell;
using zb::null_cell;
using zb::text_cell;

constexpr ub4 OBJ = 70003;

zb::TableSegmentLayout one_extent_layout(ub4 first_block = 8, ub4 length = 16)
{
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.extents = {{first_block, length}};
    return shape;
}

class RowChains : public testing::TestWithParam<OrderAndSize> {};

TEST_P(RowChains, ChainedAndMigratedRowsComeOutOnce)
{
    OrderAndSize p = GetParam();
    EngineEnv env("row_chains");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(p.order, p.block_size));
    std::vector<zb::LogicalRow> rows;
    for (int i = 0; i < 6; i++)
        rows.push_back(zb::make_row(simple_cells(i)));
    rows[1].migrated = true;
    // A row larger than a block is chained by the builder over as many
    // blocks as it needs, its long value split between them.
    std::string big(std::min<ub4>(p.block_size * 2 + 100, 60000), 'q');
    for (size_t i = 0; i < big.size(); i++)
        big[i] = (char)('a' + i % 23);
    rows[3].cells[1] = text_cell(big);
    rows[4].migrated = true;
    rows[4].cuts = {{1, 2}};
    zb::TableSegmentLayout shape = one_extent_layout();
    shape.packer.row_dependencies = true;
    zb::TableSegmentResult built = zb::add_table_segment(file, shape, rows);
    env.load(db, p.order);
    // A LONG: a VARCHAR2 of more than 4000 bytes fails data checking.
    TableDesc table({{"ID", ORA_NUMBER}, {"NAME", ORA_LONG}, {"CREATED", ORA_DATE}}, OBJ);
    Recorder recorder;
    UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
    EXPECT_EQ(result.out, "");
    std::vector<std::string> expected;
    for (int i = 0; i < 6; i++)
        expected.push_back(simple_text(i));
 expected[3] = "3|" + big + "|" + simple_text(3).substr(simple_text(3).rfind('|') + 1);
    std::vector<std::string> texts = recorder.texts();
    // Migrated rows come out from the block holding their body, after the
    // rows of the block holding their head.
    ASSERT_EQ(texts.size(), 6u);
    std::sort(texts.begin(), texts.end());
    std::sort(expected.begin(), expected.end());
    for (size_t i = 0; i < texts.size(); i++)
        EXPECT_TRUE(texts[i] == expected[i]) << "row " << i << ": " << texts[i].substr(0, 60) << " ("
                                             << texts[i].size() << " bytes), expected " << expected[i].substr(0, 60)
                                             << " (" << expected[i].size() << " bytes)";
    for (const RowRecord& row : recorder.rows) {
        if (row_text(row) == simple_text(1)) {
            EXPECT_EQ(row.rdba, built.rows[1].rdba);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, RowChains, testing::ValuesIn(orders_and_sizes()), order_size_name);

// Hand-made pieces: a head in block 9 continued in 10, then 11, whose next
// address points back at 10.
struct HandChain {
    zb::DatabaseImage db;
    zb::TableSegmentResult built;
};

void put_piece_block(zb::DatafileImage& file, ub4 block_no, const std::vector<zb::PieceLayout>& pieces)
{
    zb::DataBlockDef d;
    d.trans.object_id = OBJ;
    d.trans.itls.resize(2);
    d.tables.resize(1);
    for (const zb::PieceLayout& piece : pieces) {
        zb::RowSlot slot;
        slot.piece = zb::encode_piece(piece, file.def().order);
        d.tables[0].rows.push_back(slot);
    }
    file.put(block_no, zb::make_data_block(file.cache_header(6, block_no), d, file.def().block_size, file.def().order));
}

zb::PieceLayout piece(ub1 flag, std::vector<zb::Cell> cells, zb::Rid next = {})
{
    zb::PieceLayout p;
    p.flag = flag;
    p.cells = std::move(cells);
    p.next = next;
    return p;
}

std::vector<ColumnDesc> four_columns()
{
    return {{"A", ORA_VARCHAR2}, {"B", ORA_VARCHAR2}, {"C", ORA_VARCHAR2}, {"D", ORA_VARCHAR2}};
}

TEST(RowDecode, ChainThatComesBackIsReportedOnceAndEndsTheRow)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        EngineEnv env("row_loop");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(order, 2048));
        zb::TableSegmentResult built = zb::add_table_segment(file, one_extent_layout(), {});
        put_piece_block(file, 9,
                        {piece(zb::ROW_H | zb::ROW_F, {text_cell("a")}, {file.rdba(10), 0}),
                         piece(zb::ROW_H | zb::ROW_F, {text_cell("self")}, {file.rdba(9), 1}),
                         piece(zb::ROW_H | zb::ROW_F | zb::ROW_L, {text_cell("after")})});
        put_piece_block(file, 10, {piece(0, {text_cell("b")}, {file.rdba(11), 0})});
        put_piece_block(file, 11, {piece(0, {text_cell("c")}, {file.rdba(10), 0})});
        env.load(db, order);
        TableDesc table(four_columns(), OBJ);
        Recorder recorder;
        UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
        EXPECT_EQ(result.out, "loop migrating or chain,rfile#=5,block#=9\nloop migrating or chain,rfile#=5,block#=9\n");
        // Both rows end early, and say where.
        EXPECT_EQ(table.get()->damage.values_cut, 2u);
        EXPECT_EQ(table.get()->damage.addresses[0].block_no, 9u);
        ASSERT_EQ(recorder.rows.size(), 3u);
        EXPECT_EQ(row_text(recorder.rows[0]), "a|b|c");
        EXPECT_EQ(recorder.rows[0].calls.back().flags, IS_LAST_NULL);
        // A piece that names itself as its successor.
        EXPECT_EQ(row_text(recorder.rows[1]), "self");
        EXPECT_EQ(recorder.rows[1].calls.size(), 4u);
        EXPECT_EQ(row_text(recorder.rows[2]), "after");
    }
}

TEST(RowDecode, ChainIntoAnUnusableBlockEndsTheRowWithTrailingNulls)
{
    EngineEnv env("row_chain_broken");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_BIG, 4096));
    zb::TableSegmentResult built = zb::add_table_segment(file, one_extent_layout(), {});
    put_piece_block(file, 9,
                    {piece(zb::ROW_H | zb::ROW_F, {text_cell("a")}, {file.rdba(10), 0}),
                     piece(zb::ROW_H | zb::ROW_F, {text_cell("hdr")}, {file.rdba(8), 0}),
                     piece(zb::ROW_H | zb::ROW_F, {text_cell("nofile")}, {file_block_rdba(9, 10), 0}),
                     piece(zb::ROW_H | zb::ROW_F, {text_cell("empty")}, {file.rdba(11), 3})});
    put_piece_block(file, 10, {piece(0, {text_cell("b")}, {file.rdba(11), 0})});
    put_piece_block(file, 11, {piece(zb::ROW_L, {text_cell("z")})});
    file.damage(10, zb::Damage::bad_tail);
    env.load(db, BO_BIG);
    TableDesc table(four_columns(), OBJ);
    Recorder recorder;
    UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
    EXPECT_EQ(result.out, "Corrupted continue block,rdba=" + std::to_string(file.rdba(10)) +
                              ",rfile#=5,block#=10\n"
                              "block is not a data block,rfile#=5,block#=8\n"
                              "Corrupted block,rdba=" +
                              std::to_string(file.rdba(10)) + ",rfile#=5,block#=10\n");
    // Every row's chain broke; the damaged block of the segment is counted
    // once, as a segment block.
    const UNLOAD_DAMAGE& damage = table.get()->damage;
    EXPECT_EQ(damage.values_cut, 4u);
    EXPECT_EQ(damage.blocks[DMG_BAD_TAIL], 1u);
    EXPECT_EQ(get_damaged_block_count(&damage), 1u);
    ASSERT_EQ(recorder.rows.size(), 4u);
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{"a", "hdr", "nofile", "empty"}));
    for (const RowRecord& row : recorder.rows) {
        ASSERT_EQ(row.calls.size(), 4u);
        EXPECT_EQ(row.calls[3].flags, IS_LAST_NULL);
    }
}

TEST(RowDecode, OpenValueWhoseNextPieceDeliversNothingIsClosedAsNull)
{
    EngineEnv env("row_open_value");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_LITTLE, 2048));
    zb::TableSegmentResult built = zb::add_table_segment(file, one_extent_layout(), {});
    put_piece_block(file, 9, {piece(zb::ROW_H | zb::ROW_F | zb::ROW_N, {text_cell("a"), text_cell("b1")},
                                    {file.rdba(10), 0})});
    // No columns at all, then a piece with the next column.
    put_piece_block(file, 10, {piece(zb::ROW_P, {}, {file.rdba(11), 0})});
    put_piece_block(file, 11, {piece(zb::ROW_L, {text_cell("c"), text_cell("d")})});
    env.load(db, BO_LITTLE);
    TableDesc table(four_columns(), OBJ);
    Recorder recorder;
    env.unload(table, built.segment.header_rdba, recorder);
    ASSERT_EQ(recorder.rows.size(), 1u);
    const RowRecord& row = recorder.rows[0];
    ASSERT_EQ(row.calls.size(), 5u);
    EXPECT_EQ(row.calls[1].flags, IS_FIRST_PIECE);
    EXPECT_EQ(row.calls[2].flags, IS_LAST_PIECE);
    EXPECT_TRUE(row.calls[2].is_null);
    EXPECT_EQ(row_text(row), "a||c|d");
}

std::vector<zb::ClusterGroup> cluster_groups()
{
    std::vector<zb::ClusterGroup> groups;
    for (int k = 0; k < 3; k++) {
        zb::ClusterGroup g;
        std::string key = "key";
        key += std::to_string(k);
        g.key = {bytes_cell(zb::number_bytes((int64_t)(10 + k))), text_cell(key)};
        g.tables.resize(3);
        for (int t = 0; t < 3; t++)
            for (int r = 0; r <= t; r++) {
                std::string text = "t";
                text += std::to_string(t + 1) + "k" + std::to_string(k);
                g.tables[t].push_back(
                    zb::make_row({bytes_cell(zb::number_bytes((int64_t)(100 * t + r))), text_cell(text)}));
            }
        groups.push_back(g);
    }
    return groups;
}

std::vector<ColumnDesc> cluster_columns()
{
    return {{"K1", ORA_NUMBER}, {"K2", ORA_VARCHAR2}, {"A", ORA_NUMBER}, {"B", ORA_VARCHAR2}};
}

TEST(RowDecode, ClusteredRowWhoseKeyCannotBeReadKeepsItsOwnColumnsInPlace)
{
    EngineEnv env("row_cluster_key");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_BIG, 4096));
    std::vector<zb::ClusterGroup> groups = cluster_groups();
    groups[1].key_deleted = true;
    groups[2].key.pop_back(); // a NULL last key column is not stored
    groups[2].key.push_back(null_cell());
    zb::ClusterSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.extents = {{8, 8}};
    shape.table_count = 3;
    shape.groups_per_block = 3;
    zb::TableSegmentResult built = zb::add_cluster_segment(file, shape, groups);
    // A block whose only key is deleted: nothing tells how many key columns
    // there are.
    std::vector<zb::ClusterGroup> alone = {cluster_groups()[0]};
    alone[0].key_deleted = true;
    zb::PackerOptions packer;
    packer.block_size = 4096;
    packer.order = BO_BIG;
    packer.object_id = OBJ;
    file.put(10, zb::make_cluster_block(packer, file.cache_header(6, 10), alone, 3));
    env.load(db, BO_BIG);
    TableDesc table(cluster_columns(), OBJ, 4, 1);
    Recorder recorder;
    env.unload(table, built.segment.header_rdba, recorder);
    ASSERT_EQ(recorder.rows.size(), 4u);
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{"10|key0|0|t1k0", "||0|t1k1", "12||0|t1k2", ""}));
    EXPECT_EQ(recorder.rows[0].corrupted, 0);
    EXPECT_EQ(recorder.rows[1].corrupted, 1);
    EXPECT_EQ(recorder.rows[2].corrupted, 0);
    EXPECT_EQ(recorder.rows[3].corrupted, 1);
    EXPECT_EQ(recorder.rows[3].calls.size(), 4u);
    for (const ColumnCall& call : recorder.rows[3].calls)
        EXPECT_EQ(call.flags, IS_LAST_NULL);

    // Table index 0 names the key table itself.
    TableDesc key_table(cluster_columns(), OBJ, 4, 0);
    Recorder none;
    UnloadResult result = env.unload(key_table, built.segment.header_rdba, none);
    EXPECT_EQ(result.out, "cluster table index must greater than 0,rfile#=5,block#=9\n"
                          "cluster table index must greater than 0,rfile#=5,block#=10\n");
    EXPECT_TRUE(none.rows.empty());
}

} // namespace
