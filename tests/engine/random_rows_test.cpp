// Many random rows through the engine, every column call checked against
// what the rows hold: NULLs in the middle and at the end, empty and long-form
// values, columns that are stepped over, rows split into pieces at column
// boundaries; with and without a block callback (rows recycled at once or
// kept for the batch), in both byte orders and at two block sizes.

#include <gtest/gtest.h>

#include <random>

#include "support/engine_fixture.h"

namespace {

constexpr ub4 OBJ = 70001;
constexpr ub1 WHOLE = IS_FIRST_PIECE | IS_LAST_PIECE;

struct Expected {
    std::vector<ColumnCall> calls; // column, flags, is_null and value only
    ub2 col_fact_cnt = 0;
};

struct Sample {
    std::vector<ColumnDesc> columns;
    std::vector<zb::LogicalRow> rows;
    std::vector<Expected> expected;
};

std::string date_text(int y, int mo, int d, int h, int mi, int s)
{
    char text[32];
    snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return text;
}

// A random value of the column's type: its cell and its text.
std::pair<zb::Cell, std::string> random_value(std::mt19937& random, ub1 type, ub4 max_text)
{
    if (type == ORA_NUMBER) {
        int64_t v = (int64_t)(random() % 2000000000) - 1000000000;
        if (random() % 3 == 0)
            v %= 1000;
        return {zb::bytes_cell(zb::number_bytes(v)), std::to_string(v)};
    }
    if (type == ORA_DATE) {
        int y = 1900 + (int)(random() % 200), mo = 1 + (int)(random() % 12), d = 1 + (int)(random() % 28);
        int h = (int)(random() % 24), mi = (int)(random() % 60), s = (int)(random() % 60);
        return {zb::bytes_cell(zb::date_bytes(y, mo, d, h, mi, s)), date_text(y, mo, d, h, mi, s)};
    }
    std::string text(random() % 8 == 0 ? 250 + random() % max_text : random() % 40, ' ');
    for (char& c : text)
        c = (char)('a' + random() % 26);
    zb::Cell cell = zb::text_cell(text);
    // Short values in the long form now and then (length byte 0xFE).
    cell.long_form = random() % 10 == 0;
    return {cell, text};
}

Sample make_sample(std::mt19937& random, ub4 block_size)
{
    Sample sample;
    const ub1 types[] = {ORA_NUMBER, ORA_VARCHAR2, ORA_DATE};
    size_t column_cnt = 1 + random() % 8;
    for (size_t i = 0; i < column_cnt; i++) {
        std::string name = "C";
        name += std::to_string(i);
        ColumnDesc c{name, types[random() % 3]};
        c.can_unload = random() % 6 == 0 ? 0 : 1;
        sample.columns.push_back(c);
    }
    ub4 max_text = block_size / 16;
    for (int r = 0; r < 400; r++) {
        std::vector<zb::Cell> cells;
        std::vector<std::string> texts;
        // Stored columns: the rest are trailing NULLs.
        size_t stored = random() % 5 == 0 ? random() % (column_cnt + 1) : column_cnt;
        for (size_t i = 0; i < column_cnt; i++) {
            if (i >= stored || random() % 7 == 0) {
                cells.push_back(zb::null_cell());
                texts.emplace_back();
            } else if (sample.columns[i].ora_type == ORA_VARCHAR2 && random() % 15 == 0) {
                cells.push_back(zb::text_cell("")); // length 0: a value, not NULL
                texts.emplace_back();
            } else {
                auto [cell, text] = random_value(random, sample.columns[i].ora_type, max_text);
                cells.push_back(cell);
                texts.push_back(text);
            }
        }
        zb::LogicalRow row = zb::make_row(cells);
        // Some rows in pieces, split between columns.
        if (column_cnt > 1 && random() % 6 == 0)
            row.cuts.push_back({1 + (uint32_t)(random() % (column_cnt - 1)), 0});
        sample.rows.push_back(row);

        // The builder leaves trailing NULLs out of the row.
        size_t last = column_cnt;
        while (last > 0 && cells[last - 1].is_null)
            last--;
        Expected e;
        for (size_t i = 0; i < column_cnt; i++) {
            if (!sample.columns[i].can_unload)
                continue;
            ColumnCall call;
            call.column = (int)i;
            if (i >= last) {
                call.flags = IS_LAST_NULL;
            } else {
                call.flags = (ub1)(WHOLE | (e.col_fact_cnt == 0 ? IS_FIRST_COLUMN : 0));
                call.is_null = cells[i].is_null;
                call.value = cells[i].is_null ? "" : texts[i];
                e.col_fact_cnt++;
            }
            e.calls.push_back(call);
        }
        sample.expected.push_back(e);
    }
    return sample;
}

class RandomRows : public ::testing::TestWithParam<OrderAndSize> {};

TEST_P(RandomRows, EveryCallAsTheRowsHoldIt)
{
    const OrderAndSize& p = GetParam();
    std::mt19937 random(p.block_size + 17 * p.order);
    for (int round = 0; round < 6; round++) {
        Sample sample = make_sample(random, p.block_size);
        EngineEnv env("random_rows");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(p.order, p.block_size, 512));
        zb::TableSegmentLayout shape;
        shape.segment.object_id = OBJ;
        shape.segment.extents = {{8, 200}, {300, 200}};
        zb::TableSegmentResult built = zb::add_table_segment(file, shape, sample.rows);
        env.load(db, p.order);
        for (bool with_block_callback : {false, true}) {
            TableDesc table(sample.columns, OBJ);
            Recorder recorder;
            UnloadResult result =
                env.unload(table, built.segment.header_rdba, recorder, UM_NORMAL, with_block_callback);
            EXPECT_EQ(result.out, "");
            ASSERT_EQ(recorder.rows.size(), sample.rows.size());
            for (size_t r = 0; r < sample.rows.size(); r++) {
                const RowRecord& row = recorder.rows[r];
                const Expected& e = sample.expected[r];
                SCOPED_TRACE("round " + std::to_string(round) + " row " + std::to_string(r));
                ASSERT_EQ(row.calls.size(), e.calls.size());
                for (size_t c = 0; c < e.calls.size(); c++) {
                    EXPECT_EQ(row.calls[c].column, e.calls[c].column);
                    EXPECT_EQ(row.calls[c].flags, e.calls[c].flags);
                    if (e.calls[c].flags & IS_LAST_NULL) {
                        EXPECT_FALSE(row.calls[c].has_col_data);
                        continue;
                    }
                    EXPECT_EQ(row.calls[c].is_null, e.calls[c].is_null);
                    EXPECT_EQ(row.calls[c].value, e.calls[c].value);
                }
                EXPECT_EQ(row.col_fact_cnt, e.col_fact_cnt);
                EXPECT_EQ(row.col_data_cnt, e.col_fact_cnt);
            }
            EXPECT_TRUE(recorder.pending.empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, RandomRows, ::testing::ValuesIn(orders_and_sizes()), order_size_name);

} // namespace
