#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/unload_model.h"

namespace {

struct ColCall {
    std::string column;
    bool has_data;
    ub4 length;
    bool has_col_data;
    ub1 flags;
};

std::vector<ColCall> col_calls;
std::vector<ub4> block_calls; // rows in the list at each block callback

void record_col(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS, ub1 flags)
{
    col_calls.push_back({column->name, data != nullptr, length, col_data != nullptr, flags});
}

void record_block(PZEM_LIST rows, PUNLOAD_PARAMS)
{
    block_calls.push_back(zem_list_item_cnt(rows));
}

class RowBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        col_calls.clear();
        block_calls.clear();
        ASSERT_EQ(init_table(&table_, "T", 5, 1, 0), TRUE);
        const char* names[] = {"A", "B", "SKIPPED", "D", "E"};
        for (int i = 0; i < 5; i++)
            init_column(&table_.cols[i], names[i], ORA_NUMBER, i == 2 ? 0 : 1);
        init_unload_params(&params_, &table_);
    }
    void TearDown() override { release_table(&table_, 0); }
    TABLE table_;
    UNLOAD_PARAMS params_;
};

TEST_F(RowBatch, RowsAreCountedAsTheyAreAdded)
{
    ZEM_LIST rows;
    init_row_batch(&rows);
    PROW_DATA first = add_row_data(&rows, &table_, 0x00400008, 0);
    PROW_DATA second = add_row_data(&rows, &table_, 0x00400008, 1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(table_.row_cnt, 2u);
    EXPECT_EQ(first->col_cnt, 4); // five columns, one not unloadable
    EXPECT_EQ(second->row_no, 1u);
    EXPECT_EQ(rows.header->data, first);
    EXPECT_EQ(rows.tail->data, second);
    release_zem_list(&rows);
}

TEST_F(RowBatch, BlockCallbackOncePerBatchEvenWhenEmpty)
{
    UNLOAD_CALLBACKS callbacks = {record_block, nullptr, nullptr};
    ZEM_LIST rows;
    init_row_batch(&rows);
    end_row_batch(&rows, &params_, &callbacks);
    init_row_batch(&rows);
    PROW_DATA row = add_row_data(&rows, &table_, 1, 0);
    add_col_data(row, ORA_NUMBER);
    end_row_batch(&rows, &params_, &callbacks);
    EXPECT_EQ(block_calls, (std::vector<ub4>{0, 1}));
    // The rows the callback left were freed with the batch.
    EXPECT_EQ(rows.header, nullptr);
    // Without callbacks a batch is only freed.
    init_row_batch(&rows);
    add_row_data(&rows, &table_, 1, 0);
    end_row_batch(&rows, &params_, nullptr);
    EXPECT_EQ(rows.header, nullptr);
}

TEST_F(RowBatch, RowsMovedOutOutliveTheirBatch)
{
    ZEM_LIST kept;
    init_row_batch(&kept);
    params_.data_list = &kept;
    UNLOAD_CALLBACKS callbacks = {unload_data_to_list, nullptr, nullptr};
    for (ub4 batch = 0; batch < 3; batch++) {
        ZEM_LIST rows;
        init_row_batch(&rows);
        for (ub4 i = 0; i < 2; i++) {
            PROW_DATA row = add_row_data(&rows, &table_, batch, i);
            PCOL_DATA cd = add_col_data(row, ORA_VARCHAR2);
            std::string text = "batch " + std::to_string(batch) + " row " + std::to_string(i) +
                               " with a text longer than the inline area";
            set_col_text(cd, text.c_str(), (ub4)text.size());
            row->col_fact_cnt = 1;
        }
        end_row_batch(&rows, &params_, &callbacks);
        EXPECT_EQ(rows.header, nullptr);
        EXPECT_EQ(rows.tail, nullptr);
    }
    // Every row is still whole after its batch was released; a freed one
    // would trip the sanitizer build here.
    ASSERT_EQ(zem_list_item_cnt(&kept), 6u);
    ub4 n = 0;
    for (PZEM_LIST_ITEM item = kept.header; item != nullptr; item = item->next, n++) {
        PROW_DATA row = (PROW_DATA)item->data;
        EXPECT_EQ(row->rdba, n / 2);
        PCOL_DATA cd = (PCOL_DATA)row->col_data.header->data;
        EXPECT_EQ(std::string(cd->common_data.str_data).substr(0, 13),
                  "batch " + std::to_string(n / 2) + " row " + std::to_string(n % 2));
    }
    release_zem_list(&kept);

    // No receiving list: the rows stay in the batch and go with it.
    params_.data_list = nullptr;
    ZEM_LIST rows;
    init_row_batch(&rows);
    add_row_data(&rows, &table_, 0, 0);
    unload_data_to_list(&rows, &params_);
    EXPECT_NE(rows.header, nullptr);
    release_zem_list(&rows);
}

TEST_F(RowBatch, ColumnFlags)
{
    ROW_DATA row;
    init_row_data(&row, &table_, 0, 0);
    EXPECT_EQ(get_col_flags(&row, 1, 1), IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE);
    EXPECT_EQ(get_col_flags(&row, 1, 0), IS_FIRST_COLUMN | IS_FIRST_PIECE);
    row.col_fact_cnt = 1;
    EXPECT_EQ(get_col_flags(&row, 0, 0), 0);
    EXPECT_EQ(get_col_flags(&row, 0, 1), IS_LAST_PIECE);
    release_row_data(&row);
}

TEST_F(RowBatch, TrailingNullsForMissingColumnsOnly)
{
    UNLOAD_CALLBACKS callbacks = {nullptr, nullptr, record_col};
    ROW_DATA row;
    init_row_data(&row, &table_, 0, 0);
    // Columns A and B were delivered; B was the last stored one.
    row.col_fact_cnt = 2;
    unload_trailing_nulls(&row, &table_.cols[2], &params_, &callbacks);
    ASSERT_EQ(col_calls.size(), 2u);
    EXPECT_EQ(col_calls[0].column, "D");
    EXPECT_EQ(col_calls[1].column, "E");
    for (const ColCall& c : col_calls) {
        EXPECT_EQ(c.flags, IS_LAST_NULL);
        EXPECT_FALSE(c.has_data);
        EXPECT_EQ(c.length, 0u);
        EXPECT_FALSE(c.has_col_data);
    }
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
}

TEST_F(RowBatch, ParamsFollowConfiguration)
{
    CONFIG_DATA saved = config_data;
    EXPECT_STREQ(params_.delimiter, config_data.delimiter);
    EXPECT_EQ(params_.max_col_cnt, 1024);
    EXPECT_EQ(params_.unload_mode, UM_NORMAL);
    EXPECT_EQ(params_.strict_dataobj, 1);
    EXPECT_EQ(params_.table, &table_);
    EXPECT_EQ(params_.data_list, nullptr);

    config_data.output_format = OUTPUT_TEXT;
    config_data.lob_storage = LS_NONE;
    EXPECT_EQ(get_lob_output_format(), LOF_NONE);
    config_data.output_format = OUTPUT_DMP;
    EXPECT_EQ(get_lob_output_format(), LOF_NONE);
    config_data.lob_storage = LS_INFILE;
    EXPECT_EQ(get_lob_output_format(), LOF_BIN);
    config_data.output_format = OUTPUT_TEXT;
    EXPECT_EQ(get_lob_output_format(), LOF_PART_TEXT);
    config_data.lob_storage = LS_FILE;
    EXPECT_EQ(get_lob_output_format(), LOF_TEXT);
    init_unload_params(&params_, nullptr);
    EXPECT_EQ(params_.lob_output_format, LOF_TEXT);
    config_data.output_format = saved.output_format;
    config_data.lob_storage = saved.lob_storage;
}

} // namespace
