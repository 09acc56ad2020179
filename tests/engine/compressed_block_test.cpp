// Basic-compressed tables end to end: blocks the builder's encoder writes
// from ordinary rows (symbols, pair symbols, perm and fcls chosen by it)
// unload to exactly the rows written, in both byte orders and at small and
// large block sizes; damaged symbol tables lose only the rows that use the
// damage.

#include <gtest/gtest.h>

#include "builder/compressed_table.h"
#include "builder/data_blocks.h"
#include "support/engine_fixture.h"

namespace {

using zb::bytes_cell;
using zb::null_cell;
using zb::text_cell;

constexpr ub4 OBJ = 70020;
const char* const STATUS[] = {"OPEN", "SHUT", "WAIT"};
const char* const CITY[] = {"DALLAS", "BOSTON", "CHICAGO", "NEW YORK", "SEATTLE"};

std::vector<ColumnDesc> order_columns()
{
    return {{"ID", ORA_NUMBER}, {"STATUS", ORA_VARCHAR2}, {"CITY", ORA_VARCHAR2}, {"DAY", ORA_DATE},
            {"NOTE", ORA_VARCHAR2}};
}

zb::LogicalRow order_row(int n)
{
    zb::Cell note = n % 4 == 0 ? null_cell() : text_cell("note " + std::to_string(n % 7));
    return zb::make_row({bytes_cell(zb::number_bytes((int64_t)n)), text_cell(STATUS[n % 3]), text_cell(CITY[n % 5]),
                         bytes_cell(zb::date_bytes(2020, 1 + n % 2, 1)), note});
}

std::string order_text(int n)
{
    std::string text = std::to_string(n) + "|" + STATUS[n % 3] + "|" + CITY[n % 5] + "|2020-0" +
                       std::to_string(1 + n % 2) + "-01 00:00:00";
    // Compressed rows store every column: a NULL note is delivered, not a
    // trailing NULL.
    return text + "|" + (n % 4 != 0 ? "note " + std::to_string(n % 7) : "");
}

struct Variant {
    const char* name;
    zb::CompressOptions options;
};

class CompressedTable : public testing::TestWithParam<OrderAndSize> {};

TEST_P(CompressedTable, EncodedRowsUnloadAsWritten)
{
    OrderAndSize p = GetParam();
    zb::CompressOptions plain, permuted, runs;
    plain.use_perm = false;
    plain.pair_symbols = false;
    runs.use_fcls = true; // the day and status columns, fixed-length, go first
    const Variant variants[] = {{"symbols only", plain}, {"perm and pairs", permuted}, {"fcls runs", runs}};
    const int rows = 300;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        EngineEnv env("compressed");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(p.order, p.block_size, 96));
        std::vector<zb::LogicalRow> logical;
        std::vector<std::string> expected;
        for (int n = 0; n < rows; n++) {
            logical.push_back(order_row(n));
            expected.push_back(order_text(n));
        }
        logical[5].deleted = true;
        expected.erase(expected.begin() + 5);
        zb::TableSegmentLayout shape;
        shape.segment.object_id = OBJ;
        shape.segment.extents = {{8, 80}};
        zb::TableSegmentResult built = zb::add_compressed_table_segment(file, shape, logical, v.options);
        zb::CompressedBlockInfo info;
        std::vector<zb::LogicalRow> first(logical.begin(), logical.begin() + 20);
        zb::PackerOptions packer;
        packer.block_size = p.block_size;
        packer.order = p.order;
        zb::make_compressed_block(packer, file.cache_header(6, 0), first, v.options, &info);
        EXPECT_GT(info.symbol_rows, 0u);
        EXPECT_EQ(info.fcls_columns > 0, v.options.use_fcls);
        EXPECT_EQ(!info.perm.empty(), v.options.use_perm);

        env.load(db, p.order);
        TableDesc table(order_columns(), OBJ);
        Recorder recorder;
        UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(recorder.texts(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, CompressedTable, testing::ValuesIn(orders_and_sizes()), order_size_name);

// Hand-made symbol tables: each data row refers to one symbol row, and the
// damaged ones are reported and skipped while the others decode.
std::vector<uint8_t> sym(std::vector<uint8_t> entries)
{
    std::vector<uint8_t> row = {0x00, 0x01};
    row.insert(row.end(), entries.begin(), entries.end());
    return row;
}

std::vector<uint8_t> data_row(std::vector<uint8_t> entries, uint8_t count)
{
    std::vector<uint8_t> row = {0x2c, 0x00, count};
    row.insert(row.end(), entries.begin(), entries.end());
    return row;
}

TEST(CompressedDamage, BadReferencesLoseOnlyTheirRows)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        EngineEnv env("compressed_damage");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(order, 2048, 32));
        zb::TableSegmentLayout shape;
        shape.segment.object_id = OBJ;
        shape.segment.extents = {{8, 4}};
        zb::TableSegmentResult built = zb::add_table_segment(file, shape, {});
        zb::DataBlockDef d;
        d.trans.object_id = OBJ;
        d.trans.itls.resize(2);
        d.compression.on = true;
        d.compression.mec = 4; // rows 0-3 carry a column count
        d.tables.resize(2);
        auto add_symbol = [&](std::vector<uint8_t> bytes) { d.tables[0].rows.push_back({bytes, -1}); };
        add_symbol(sym({2, 4, 5}));       // 0: two columns, from symbols 4 and 5
        add_symbol(sym({1, 1}));          // 1: refers to itself
        add_symbol(sym({1, 3}));          // 2: 3 -> 2 -> 3, a circle
        add_symbol(sym({1, 2}));          // 3
        add_symbol(sym({203, 'A', 'B', 'C'})); // 4
        add_symbol(sym({202, 'X', 'Y'}));     // 5
        add_symbol(sym({9}));                 // 6: beyond the table
        auto add_data = [&](std::vector<uint8_t> bytes) { d.tables[1].rows.push_back({bytes, -1}); };
        add_data(data_row({0}, 1));          // ABC|XY
        add_data(data_row({1}, 1));          // self reference
        add_data(data_row({201, '7', 5}, 2)); // 7|XY
        add_data(data_row({2}, 1));          // circle
        add_data(data_row({6}, 1));          // beyond
        add_data(data_row({253}, 1));        // invalid code
        add_data(data_row({251, 0, 4, 0xff, 250, 0, 2, 'h', 'i'}, 3)); // ABC||hi
        file.put(built.below[0], zb::make_data_block(file.cache_header(6, built.below[0]), d, 2048, order));
        env.load(db, order);
        TableDesc table({{"A", ORA_VARCHAR2}, {"B", ORA_VARCHAR2}, {"C", ORA_VARCHAR2}}, OBJ);
        Recorder recorder;
        UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
        EXPECT_EQ(recorder.texts(), (std::vector<std::string>{"ABC|XY", "7|XY", "ABC||hi"}));
        EXPECT_NE(result.out.find("file 5 block " + std::to_string(built.below[0]) +
                                  ": 4 symbol row(s) cannot be expanded, the first is row 1: a symbol row refers "
                                  "to itself\n"),
                  std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("compressed row 3 skipped: symbol rows refer to each other in a circle"),
                  std::string::npos);
        EXPECT_NE(result.out.find("compressed row 5 skipped: an entry code of 252 to 254"), std::string::npos);
        EXPECT_EQ(table.get()->damage.rows_lost, 4u);
    }
}

} // namespace
