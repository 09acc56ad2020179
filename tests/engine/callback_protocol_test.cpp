// The column and row calls the engine makes, as a writer sees them: flags,
// lengths and values for ordinary rows, values split over row pieces,
// placeholders, LOB locators, values that fail data checking, batches and
// the row limit. NULLs, stepped-over columns and rows cut between columns
// are checked over many random rows in random_rows_test.cpp.

#include <gtest/gtest.h>

#include "support/engine_fixture.h"

namespace {

using zb::bytes_cell;
using zb::text_cell;

constexpr ub4 OBJ = 70001;

struct Built {
    zb::TableSegmentResult segment;
};

// One segment of three 8-block extents in file 5, all below the mark.
Built build(EngineEnv& env, int order, const std::vector<zb::LogicalRow>& rows, ub4 block_size = 8192,
            ub4 rows_per_block = 0)
{
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(order, block_size));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.extents = {{8, 8}, {16, 8}, {24, 8}};
    shape.packer.rows_per_block = rows_per_block;
    Built built;
    built.segment = zb::add_table_segment(file, shape, rows);
    env.load(db, order);
    return built;
}

std::vector<std::pair<int, ub1>> columns_and_flags(const RowRecord& row)
{
    std::vector<std::pair<int, ub1>> out;
    for (const ColumnCall& call : row.calls)
        out.emplace_back(call.column, call.flags);
    return out;
}

constexpr ub1 FIRST_LAST = IS_FIRST_PIECE | IS_LAST_PIECE;
constexpr ub1 FIRST_COL = IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE;

TEST(CallbackProtocol, OrdinaryRowsGiveOneCompleteCallPerColumnThenTheRow)
{
    EngineEnv env("protocol_plain");
    Built built = build(env, BO_LITTLE, {zb::make_row(simple_cells(1)), zb::make_row(simple_cells(2)),
                                         zb::make_row(simple_cells(3))});
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    UnloadResult result = env.unload(table, built.segment.segment.header_rdba, recorder);
    EXPECT_EQ(result.out, "");
    ASSERT_EQ(recorder.rows.size(), 3u);
    for (int i = 0; i < 3; i++) {
        const RowRecord& row = recorder.rows[i];
        EXPECT_EQ(columns_and_flags(row), (std::vector<std::pair<int, ub1>>{{0, FIRST_COL}, {1, FIRST_LAST}, {2, FIRST_LAST}}));
        EXPECT_EQ(row_text(row), simple_text(i + 1));
        // Each call carries the stored bytes of its column.
        EXPECT_EQ(row.calls[1].length, 4u);
        EXPECT_EQ(row.calls[1].bytes, "row" + std::to_string(i + 1));
        EXPECT_EQ(row.calls[2].length, 7u);
        EXPECT_EQ(row.col_cnt, 3);
        EXPECT_EQ(row.col_fact_cnt, 3);
        EXPECT_EQ(row.col_data_cnt, 3u);
        EXPECT_EQ(row.row_no, (ub4)i);
        EXPECT_EQ(row.rdba, built.segment.rows[0].rdba);
    }
    EXPECT_EQ(table.get()->row_cnt, 3u);
    EXPECT_TRUE(recorder.pending.empty());
}

TEST(CallbackProtocol, ValueSplitOverThreePiecesGivesThreeCalls)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        EngineEnv env("protocol_chain");
        std::string long_text(600, 'a');
        for (size_t i = 0; i < long_text.size(); i++)
            long_text[i] = (char)('a' + i % 26);
        zb::LogicalRow row = zb::make_row({bytes_cell(zb::number_bytes(42)), text_cell(long_text),
                                           bytes_cell(zb::number_bytes(43))});
        row.cuts = {{1, 200}, {1, 450}};
        Built built = build(env, order, {zb::make_row(simple_cells(1)), row, zb::make_row(simple_cells(3))});
        std::vector<ColumnDesc> columns = {{"A", ORA_NUMBER}, {"B", ORA_VARCHAR2}, {"C", ORA_NUMBER}};
        TableDesc table(columns, OBJ);
        Recorder recorder;
        UnloadResult result = env.unload(table, built.segment.segment.header_rdba, recorder);
        EXPECT_EQ(result.out, "");
        // The chained row comes out once, from its head piece.
        ASSERT_EQ(recorder.rows.size(), 3u);
        const RowRecord& chained = recorder.rows[1];
        EXPECT_EQ(columns_and_flags(chained),
                  (std::vector<std::pair<int, ub1>>{{0, FIRST_COL}, {1, IS_FIRST_PIECE}, {1, 0}, {1, IS_LAST_PIECE},
                                                    {2, FIRST_LAST}}));
        EXPECT_EQ(chained.calls[1].bytes, long_text.substr(0, 200));
        EXPECT_EQ(chained.calls[2].bytes, long_text.substr(200, 250));
        EXPECT_EQ(chained.calls[3].bytes, long_text.substr(450));
        // The last call has the whole value, assembled and converted.
        EXPECT_EQ(chained.calls[3].value, long_text);
        EXPECT_EQ(chained.calls[3].raw_data_len, 600u);
        EXPECT_EQ(row_text(chained), "42|" + long_text + "|43");
        EXPECT_EQ(chained.col_fact_cnt, 3);
        EXPECT_EQ(chained.col_data_cnt, 3u);
        EXPECT_EQ(chained.rdba, built.segment.rows[1].rdba);
        EXPECT_EQ(row_text(recorder.rows[2]), "3|row3");
    }
}

TEST(CallbackProtocol, PlaceholdersAreNullsThatUseNoBytes)
{
    EngineEnv env("protocol_placeholder");
    std::vector<ColumnDesc> columns = {{"A", ORA_NUMBER}, {"P", ORA_NUMBER, 1, 1}, {"B", ORA_VARCHAR2},
                                       {"Q", ORA_DATE, 1, 1}};
    Built built = build(env, BO_LITTLE,
                        {zb::make_row({bytes_cell(zb::number_bytes(9)), zb::placeholder_cell(), text_cell("after"),
                                       zb::placeholder_cell()})});
    TableDesc table(columns, OBJ);
    Recorder recorder;
    env.unload(table, built.segment.segment.header_rdba, recorder);
    ASSERT_EQ(recorder.rows.size(), 1u);
    const RowRecord& row = recorder.rows[0];
    EXPECT_EQ(columns_and_flags(row), (std::vector<std::pair<int, ub1>>{
                                          {0, FIRST_COL}, {1, FIRST_LAST}, {2, FIRST_LAST}, {3, FIRST_LAST}}));
    EXPECT_TRUE(row.calls[1].is_null);
    EXPECT_TRUE(row.calls[1].has_col_data);
    EXPECT_EQ(row_text(row), "9||after|");
    EXPECT_EQ(row.col_fact_cnt, 4);
}

TEST(CallbackProtocol, LobLocatorGoesToTheLobReaderWhichEndsTheValue)
{
    EngineEnv env("protocol_lob");
    std::vector<ColumnDesc> columns = {{"A", ORA_NUMBER}, {"DOC", ORA_CLOB}, {"B", ORA_NUMBER}};
    // A locator shorter than 20 bytes holds no value: only the closing call.
    Built built = build(env, BO_BIG,
                        {zb::make_row({bytes_cell(zb::number_bytes(1)), bytes_cell(std::vector<uint8_t>(10, 0x41)),
                                       bytes_cell(zb::number_bytes(2))})});
    TableDesc table(columns, OBJ);
    Recorder recorder;
    env.unload(table, built.segment.segment.header_rdba, recorder);
    ASSERT_EQ(recorder.rows.size(), 1u);
    const RowRecord& row = recorder.rows[0];
    EXPECT_EQ(columns_and_flags(row),
              (std::vector<std::pair<int, ub1>>{
                  {0, FIRST_COL},
                  {1, IS_LOB_PIECE | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE | IS_LAST_PIECE},
                  {2, FIRST_LAST}}));
    EXPECT_TRUE(row.calls[1].is_null);
    EXPECT_EQ(row.calls[1].length, 0u);
    // The locator is kept with the value.
    EXPECT_EQ(row.calls[1].raw_data_len, 10u);
    EXPECT_EQ(row_text(row), "1||2");
}

TEST(CallbackProtocol, ValueRejectedByDataCheckingEndsTheRowsColumns)
{
    EngineEnv env("protocol_check");
    std::vector<ColumnDesc> columns = {{"A", ORA_NUMBER}, {"B", ORA_VARCHAR2, 1, 0, 4}, {"C", ORA_NUMBER}};
    Built built = build(env, BO_LITTLE,
                        {zb::make_row({bytes_cell(zb::number_bytes(1)), text_cell("toolong"),
                                       bytes_cell(zb::number_bytes(3))}),
                         zb::make_row({bytes_cell(zb::number_bytes(2)), text_cell("ok"),
                                       bytes_cell(zb::number_bytes(4))})});
    TableDesc table(columns, OBJ);
    config_data.db_block_checking = 1;
    config_data.trace_level = TL_MIN_TRACE;
    Recorder recorder;
    UnloadResult result = env.unload(table, built.segment.segment.header_rdba, recorder);
    EXPECT_EQ(result.out, "checking data of column 'B' failed.\n");
    ASSERT_EQ(recorder.rows.size(), 2u);
    // The failing column gets no call; it and the rest come as trailing NULLs.
    EXPECT_EQ(columns_and_flags(recorder.rows[0]),
              (std::vector<std::pair<int, ub1>>{{0, FIRST_COL}, {1, IS_LAST_NULL}, {2, IS_LAST_NULL}}));
    EXPECT_EQ(recorder.rows[0].col_fact_cnt, 1);
    EXPECT_EQ(row_text(recorder.rows[1]), "2|ok|4");
}

TEST(CallbackProtocol, BlockCallbackSeesEveryBatchAndKeepsTheRowsItMovesOut)
{
    EngineEnv env("protocol_batches");
    std::vector<zb::LogicalRow> rows;
    for (int i = 0; i < 40; i++)
        rows.push_back(zb::make_row(simple_cells(i)));
    // Four rows per block over ten blocks; batches of three blocks.
    Built built = build(env, BO_LITTLE, rows, 8192, 4);
    config_data.block_read_count = 3;
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    recorder.move_rows_out = true;
    env.unload(table, built.segment.segment.header_rdba, recorder);
    ASSERT_EQ(recorder.rows.size(), 40u);
    // Extents of 8 blocks read 3, 3 and 2 at a time; the header is the
    // first block, rows fill blocks 9 to 18, and the empty blocks after them
    // still give (empty) batches.
    EXPECT_EQ(recorder.batches, (std::vector<size_t>{8, 12, 8, 12, 0, 0, 0, 0, 0}));
    // Rows moved out of their batch stay intact after later batches.
    ASSERT_EQ(zem_list_item_cnt(&recorder.kept), 40u);
    int i = 0;
    for (PZEM_LIST_ITEM item = recorder.kept.header; item != nullptr; item = item->next, i++)
        EXPECT_EQ(kept_row_text((const ROW_DATA*)item->data), simple_text(i));
}

TEST(CallbackProtocol, MaxRowsStopsAtExactlyThatManyRows)
{
    for (ub8 limit : {1u, 5u, 13u}) {
        EngineEnv env("protocol_max_rows");
        std::vector<zb::LogicalRow> rows;
        for (int i = 0; i < 30; i++)
            rows.push_back(zb::make_row(simple_cells(i)));
        Built built = build(env, BO_BIG, rows, 8192, 10);
        config_data.max_rows = limit;
        TableDesc table(simple_columns(), OBJ);
        Recorder recorder;
        env.unload(table, built.segment.segment.header_rdba, recorder);
        EXPECT_EQ(recorder.rows.size(), limit);
        EXPECT_EQ(table.get()->row_cnt, limit);
        size_t batched = 0;
        for (size_t n : recorder.batches)
            batched += n;
        EXPECT_EQ(batched, limit);
        // Once reached, a further unload of the same table reads nothing.
        Recorder again;
        env.unload(table, built.segment.segment.header_rdba, again);
        EXPECT_TRUE(again.rows.empty());
        EXPECT_TRUE(again.batches.empty());
    }
}

} // namespace
