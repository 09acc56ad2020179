// Index-organized tables end to end: leaves under a branch block, with and
// without prefix-compressed keys, with and without an overflow segment,
// unload to exactly the rows written; damaged leaf rows and overflow chains
// that loop are reported and the other rows still come out.

#include <gtest/gtest.h>

#include "builder/data_blocks.h"
#include "builder/iot_segment.h"
#include "support/engine_fixture.h"

namespace {

using zb::bytes_cell;
using zb::null_cell;
using zb::text_cell;

constexpr ub4 IOT_OBJ = 70030;
constexpr ub4 OVERFLOW_OBJ = 70031;

std::vector<ColumnDesc> iot_columns()
{
    return {{"REGION", ORA_VARCHAR2}, {"ID", ORA_NUMBER}, {"NAME", ORA_VARCHAR2}, {"DAY", ORA_DATE},
            {"REMARK", ORA_VARCHAR2}};
}

zb::LogicalRow iot_row(int n)
{
    std::string region = n < 40 ? "EAST" : n < 90 ? "NORTH" : "WEST";
    zb::Cell remark = n % 3 == 0 ? null_cell() : text_cell(std::string(20 + n % 200, (char)('a' + n % 26)));
    return zb::make_row({text_cell(region), bytes_cell(zb::number_bytes((int64_t)n)),
                         text_cell("name" + std::to_string(n)), bytes_cell(zb::date_bytes(2001, 1 + n % 12, 3)),
                         remark});
}

std::string iot_text(int n)
{
    std::string region = n < 40 ? "EAST" : n < 90 ? "NORTH" : "WEST";
    char day[16];
    snprintf(day, sizeof(day), "2001-%02d-03", 1 + n % 12);
    std::string text = region + "|" + std::to_string(n) + "|name" + std::to_string(n) + "|" + day + " 00:00:00";
    if (n % 3 != 0)
        text += "|" + std::string(20 + n % 200, (char)('a' + n % 26));
    return text;
}

struct IotCase {
    const char* name;
    uint32_t prefix_columns;
    int overflow_from;
    bool row_dependencies;
};

class IotTable : public testing::TestWithParam<OrderAndSize> {};

TEST_P(IotTable, LeavesUnderABranchUnloadAsWritten)
{
    OrderAndSize p = GetParam();
    const IotCase cases[] = {{"plain", 0, -1, false},
                             {"prefix", 1, -1, false},
                             {"overflow", 0, 3, false},
                             {"prefix, overflow, row dependencies", 1, 2, true}};
    const int rows = 120;
    for (const IotCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineEnv env("iot");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(p.order, p.block_size, 200));
        std::vector<zb::LogicalRow> logical;
        std::vector<std::string> expected;
        for (int n = 0; n < rows; n++) {
            logical.push_back(iot_row(n));
            expected.push_back(iot_text(n));
        }
        logical[7].deleted = true;
        expected.erase(expected.begin() + 7);
        zb::IotLayout iot;
        iot.key_columns = 2;
        iot.prefix_columns = c.prefix_columns;
        iot.overflow_from = c.overflow_from;
        iot.row_dependencies = c.row_dependencies;
        iot.rows_per_leaf = 25; // several leaves in every block size
        zb::SegmentLayout index;
        index.object_id = IOT_OBJ;
        index.extents = {{8, 16}};
        zb::SegmentLayout overflow;
        overflow.object_id = OVERFLOW_OBJ;
        overflow.extents = {{40, 100}};
        zb::IotSegmentResult built = zb::add_iot_segment(file, index, iot, logical, &overflow);
        ASSERT_NE(built.branch_block, 0u);
        ASSERT_GE(built.leaves.size(), 5u);

        env.load(db, p.order);
        TableDesc table(iot_columns(), IOT_OBJ);
        table.get()->is_iot_table = 1;
        table.get()->iot_ts_no = 4;
        table.get()->iot_data_obj_id = OVERFLOW_OBJ;
        Recorder recorder;
        UnloadResult result = env.unload(table, built.index.header_rdba, recorder);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(recorder.texts(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, IotTable, testing::ValuesIn(orders_and_sizes()), order_size_name);

// A leaf whose second row's key runs past the block, and whose third row's
// overflow piece points at itself.
TEST(IotDamage, BadRowsAreReportedAndTheRestDecodes)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        EngineEnv env("iot_damage");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(order, 2048, 64));
        zb::SegmentLayout index;
        index.object_id = IOT_OBJ;
        index.extents = {{8, 4}};
        zb::SegmentLayout overflow;
        overflow.object_id = OVERFLOW_OBJ;
        overflow.extents = {{16, 4}};
        zb::IotLayout iot;
        iot.key_columns = 2;
        iot.overflow_from = 3;
        std::vector<zb::LogicalRow> logical = {iot_row(1), iot_row(2), iot_row(4), iot_row(5)};
        zb::IotSegmentResult built = zb::add_iot_segment(file, index, iot, logical, &overflow);
        ASSERT_EQ(built.leaves.size(), 1u);
        // Row 1: its second key column claims 0x0FFF bytes.
        zb::BlockImage& leaf = file.at(built.leaves[0]);
        ub4 dh = 44 + 24 * 2;
        ub4 row1 = dh + leaf.u16(dh + 36 + 2);
        ub4 key2 = row1 + 2 + 1 + leaf.u8(row1 + 2);
        leaf.writer().u8(key2, 0x8f);
        leaf.writer().u8(key2 + 1, 0xff);
        zb::seal_block(leaf);
        // Row 2's overflow piece keeps one column, loses L and points back at
        // itself; the overflow block is written again with it.
        zb::Rid piece = built.overflow_rows[2];
        ASSERT_EQ(piece.rdba, built.overflow_rows[0].rdba);
        zb::DataBlockDef d;
        d.trans.object_id = OVERFLOW_OBJ;
        d.trans.itls.resize(2);
        d.tables.resize(1);
        for (size_t r = 0; r < logical.size(); r++) {
            zb::PieceLayout p;
            p.flag = zb::ROW_L;
            p.cells.assign(logical[r].cells.begin() + 3, logical[r].cells.end());
            if (r == 2) {
                p.flag = 0;
                p.cells.resize(1);
                p.next = piece;
            }
            d.tables[0].rows.push_back({zb::encode_piece(p, order), -1});
        }
        ub4 overflow_block = piece.rdba & 0x3fffff;
        file.put(overflow_block, zb::make_data_block(file.cache_header(6, overflow_block), d, 2048, order));

        env.load(db, order);
        TableDesc table(iot_columns(), IOT_OBJ);
        table.get()->iot_ts_no = 4;
        table.get()->iot_data_obj_id = OVERFLOW_OBJ;
        Recorder recorder;
        UnloadResult result = env.unload(table, built.index.header_rdba, recorder);
        std::vector<std::string> texts = recorder.texts();
        ASSERT_EQ(texts.size(), 4u) << result.out;
        EXPECT_EQ(texts[0], iot_text(1));
        EXPECT_EQ(texts[1], "EAST");
        EXPECT_EQ(texts[2], "EAST|4|name4|2001-05-03 00:00:00");
        EXPECT_EQ(texts[3], iot_text(5));
        EXPECT_NE(result.out.find("file 5 block " + std::to_string(built.leaves[0]) +
                                  ": iot row 1 runs past the block end, its other columns are NULL\n"),
                  std::string::npos)
            << result.out;
        std::string first_leaf = std::to_string(built.leaves[0]);
        EXPECT_NE(result.out.find("loop migrating or chain,rfile#=5,block#=" + first_leaf + "\nfile 5 block " + first_leaf +
                                  ": the overflow pieces of iot row 2 loop, its other columns are NULL\n"),
                  std::string::npos)
            << result.out;
        EXPECT_EQ(table.get()->damage.values_cut, 2u);
    }
}

} // namespace
