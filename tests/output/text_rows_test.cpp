// Rows written whole from their one piece against the same rows through the
// calls per column: byte for byte the same data file and row count, over
// random rows mixing the common values with those that must go the long way
// (text to enclose, line feeds, zero bytes, damaged numbers, dates and
// timestamps, text and RAW values longer than their column, chained and
// deleted rows, trailing NULLs), with and without data checking and row
// addresses, in both byte orders and at every block size.

#include <gtest/gtest.h>

#include <random>

#include "output/table_files.h"
#include "output/text_output.h"
#include "support/engine_fixture.h"
#include "support/process.h"

namespace {

constexpr ub4 OBJ = 70001;

int rows_taken_whole = 0;

int count_whole_row(const ub1* block, ub4 pos, ub4 end, ub4 col_cnt, ub4 rdba, ub4 row_no, PUNLOAD_PARAMS params)
{
    int taken = unload_whole_row_to_txt(block, pos, end, col_cnt, rdba, row_no, params);
    rows_taken_whole += taken;
    return taken;
}

// A value of each kind: mostly common ones, now and then one the whole-row
// path hands back (damaged bytes, text to enclose or holding a zero byte).
zb::Cell random_cell(std::mt19937& random, ub1 type)
{
    if (type == ORA_RAW || random() % 12 == 0) {
        size_t sizes[] = {7, 11, random() % 13};
        std::vector<uint8_t> bytes(type == ORA_DATE || type == ORA_TIMESTAMP ? sizes[random() % 3] : random() % 6);
        for (uint8_t& b : bytes)
            b = (uint8_t)random();
        return zb::bytes_cell(bytes);
    }
    if (type == ORA_NUMBER) {
        const std::string shapes[] = {"-" + std::to_string(random() % 100000) + ".5",
                                      "0.000" + std::to_string(random() % 1000), std::string(30, '9'), "0"};
        return zb::bytes_cell(random() % 3 ? zb::number_bytes((int64_t)(random() % 100000000))
                                           : zb::number_bytes(shapes[random() % 4]));
    }
    if (type == ORA_TIMESTAMP)
        return zb::bytes_cell(zb::timestamp_bytes(1950 + (int)(random() % 100), 1 + (int)(random() % 12), 1, 2,
                                                  (int)(random() % 60), 5, random() % 1000000000));
    if (type == ORA_DATE)
        return zb::bytes_cell(zb::date_bytes(1950 + (int)(random() % 100), 1 + (int)(random() % 12),
                                             1 + (int)(random() % 28), (int)(random() % 24), (int)(random() % 60),
                                             (int)(random() % 60)));
    std::string text(random() % 28, ' ');
    for (char& c : text)
        c = (char)('a' + random() % 26);
    if (!text.empty() && random() % 6 == 0)
        text[random() % text.size()] = "|\"\n\r\t \0"[random() % 7];
    return zb::text_cell(text);
}

const ub1 TYPES[] = {ORA_NUMBER, ORA_VARCHAR2, ORA_DATE, ORA_NUMBER, ORA_TIMESTAMP, ORA_RAW, ORA_CHAR};

std::vector<zb::LogicalRow> random_rows(std::mt19937& random, size_t count)
{
    std::vector<zb::LogicalRow> rows;
    for (size_t r = 0; r < count; r++) {
        std::vector<zb::Cell> cells;
        for (ub1 type : TYPES)
            cells.push_back(random() % 10 == 0 ? zb::null_cell() : random_cell(random, type));
        zb::LogicalRow row = zb::make_row(cells);
        if (random() % 20 == 0)
            row.cuts = {{1 + (uint32_t)(random() % 4), 0}};
        row.deleted = random() % 40 == 0;
        rows.push_back(row);
    }
    return rows;
}

// The segment into a data file of its own through the text writer's
// callbacks, with or without its whole-row path.
std::string unload_text(TableDesc& table, ub4 segment_rdba, bool whole_rows, const std::string& path, ub8* rows)
{
    UNLOAD_PARAMS params;
    init_unload_params(&params, table.get());
    table.get()->row_cnt = 0;
    PTABLE_OUTPUT out = new TABLE_OUTPUT();
    EXPECT_TRUE(open_output_file(&out->data, path.c_str(), "w+", DATA_BUFFER_SIZE));
    init_text_fields(&out->fields, params.delimiter);
    out->table = table.get();
    params.output = out;
    UNLOAD_CALLBACKS callbacks = {nullptr, unload_row_to_txt, unload_col_to_txt, nullptr};
    if (whole_rows) {
        EXPECT_TRUE(can_write_whole_rows(table.get(), &params));
        callbacks.unload_piece_callback = count_whole_row;
    }
    capture_stdout([&] { unload_segment(segment_rdba, &params, &callbacks); });
    EXPECT_EQ(close_output_file(&out->data), 0);
    delete out;
    *rows = table.get()->row_cnt;
    return read_file(path);
}

class TextRows : public ::testing::TestWithParam<OrderAndSize> {};

TEST_P(TextRows, WholeRowsWriteWhatTheCallsPerColumnWrite)
{
    const OrderAndSize& p = GetParam();
    std::mt19937 random(p.block_size * 3 + p.order);
    EngineEnv env("text_rows");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(p.order, p.block_size, 512));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.extents = {{8, 200}, {300, 200}};
    zb::TableSegmentResult built = zb::add_table_segment(file, shape, random_rows(random, 3000));
    env.load(db, p.order);
    TableDesc table({{"ID", ORA_NUMBER},
                     {"NAME", ORA_VARCHAR2, 1, 0, 20},
                     {"CREATED", ORA_DATE},
                     {"AMOUNT", ORA_NUMBER},
                     {"STAMP", ORA_TIMESTAMP, 1, 0, 0, 6},
                     {"CODE", ORA_RAW, 1, 0, 4},
                     {"NOTE", ORA_CHAR}},
                    OBJ);
    for (int checking : {0, 1}) {
        for (int unload_deleted : {0, 1}) {
            config_data.db_block_checking = checking;
            config_data.unload_deleted = unload_deleted;
            config_data.record_row_addr = unload_deleted; // row addresses at the ends of the lines
            SCOPED_TRACE("checking " + std::to_string(checking) + " deleted " + std::to_string(unload_deleted));
            ub8 general_rows = 0;
            ub8 whole_rows = 0;
            std::string general = unload_text(table, built.segment.header_rdba, false, env.path() + "/a.txt",
                                              &general_rows);
            rows_taken_whole = 0;
            std::string whole = unload_text(table, built.segment.header_rdba, true, env.path() + "/b.txt",
                                            &whole_rows);
            EXPECT_EQ(whole_rows, general_rows);
            EXPECT_GT(general_rows, 2900u);
            ASSERT_EQ(whole, general);
            // Most rows go the short way, and every kind of exception the long one.
            EXPECT_GT(rows_taken_whole, 700);
            EXPECT_LT((ub8)rows_taken_whole, general_rows - 300);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TextRows, ::testing::ValuesIn(orders_and_sizes()), order_size_name);

} // namespace
