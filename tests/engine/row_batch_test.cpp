// The row batch helpers where the engine's end-to-end tests cannot reach:
// trailing NULL calls never run past the column list, batches ended without
// a row pool hand their rows to a receiving list (where they outlive the
// batch) or free them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/unload_model.h"

namespace {

std::vector<std::string> col_calls;

void record_col(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS, ub1 flags)
{
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(col_data, nullptr);
    EXPECT_EQ(flags, IS_LAST_NULL);
    col_calls.push_back(column->name);
}

class RowBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        col_calls.clear();
        ASSERT_EQ(init_table(&table_, "T", 5, 1, 0), TRUE);
        const char* names[] = {"A", "B", "SKIPPED", "D", "E"};
        for (int i = 0; i < 5; i++)
            init_column(&table_.cols[i], names[i], ORA_NUMBER, i == 2 ? 0 : 1);
        init_unload_params(&params_, &table_);
    }
    void TearDown() override
    {
        release_table(&table_, 0);
        init_config_data();
    }
    TABLE table_;
    UNLOAD_PARAMS params_;
};

TEST_F(RowBatch, TrailingNullsForMissingColumnsOnly)
{
    UNLOAD_CALLBACKS callbacks = {nullptr, nullptr, record_col, nullptr};
    ROW_DATA row;
    init_row_data(&row, &table_, 0, 0);
    // Columns A and B were delivered; B was the last stored one.
    row.col_fact_cnt = 2;
    unload_trailing_nulls(&row, &table_.cols[2], &params_, &callbacks);
    EXPECT_EQ(col_calls, (std::vector<std::string>{"D", "E"}));
    EXPECT_EQ(row.col_fact_cnt, 2); // trailing nulls are not delivered columns

    // Never past the end of the column list, whatever the counts say.
    col_calls.clear();
    row.col_fact_cnt = 0;
    unload_trailing_nulls(&row, &table_.cols[4], &params_, &callbacks);
    EXPECT_EQ(col_calls.size(), 1u);
    col_calls.clear();
    unload_trailing_nulls(&row, table_.cols + 5, &params_, &callbacks);
    EXPECT_TRUE(col_calls.empty());
    // A complete row gets none.
    row.col_fact_cnt = 4;
    unload_trailing_nulls(&row, &table_.cols[0], &params_, &callbacks);
    EXPECT_TRUE(col_calls.empty());
    release_row_data(&row);

    // No receiving list: the rows stay in the batch and go with it.
    ZEM_LIST rows;
    init_row_batch(&rows);
    add_row_data(&rows, &table_, 0, 0);
    unload_data_to_list(&rows, &params_);
    EXPECT_NE(rows.header, nullptr);
    release_zem_list(&rows);
}

TEST_F(RowBatch, RowsMovedOutOutliveTheirBatch)
{
    ZEM_LIST kept;
    init_row_batch(&kept);
    params_.data_list = &kept;
    UNLOAD_CALLBACKS callbacks = {unload_data_to_list, nullptr, nullptr, nullptr};
    for (ub4 batch = 0; batch < 3; batch++) {
        ZEM_LIST rows;
        init_row_batch(&rows);
        for (ub4 i = 0; i < batch; i++) { // the first batch is empty
            PROW_DATA row = add_row_data(&rows, &table_, batch, i);
            EXPECT_EQ(get_col_flags(row, 1, 1), IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE);
            std::string text = "batch " + std::to_string(batch) + " with a text longer than the inline area";
            set_col_text(add_col_data(row, ORA_VARCHAR2), text.c_str(), (ub4)text.size());
            row->col_fact_cnt = 1;
            EXPECT_EQ(get_col_flags(row, 0, 1), IS_LAST_PIECE);
        }
        end_row_batch(&rows, &params_, &callbacks);
        EXPECT_EQ(rows.header, nullptr);
    }
    // Every row is still whole after its batch was released; a freed one
    // would trip the sanitizer build here.
    ASSERT_EQ(zem_list_item_cnt(&kept), 3u);
    EXPECT_EQ(table_.row_cnt, 3u);
    PROW_DATA last = (PROW_DATA)kept.tail->data;
    EXPECT_EQ(std::string(((PCOL_DATA)last->col_data.header->data)->common_data.str_data).substr(0, 7), "batch 2");
    release_zem_list(&kept);
}

} // namespace
