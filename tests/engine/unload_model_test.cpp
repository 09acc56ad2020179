// The unload records own what they point to: every release frees it (the
// sanitizer build reports a leak or a double free otherwise), fixed-size
// names are cut to their field, and a value may be set from its own text.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "engine/unload_model.h"

namespace {

TEST(UnloadModel, ReleasesFreeWhatTheRecordsOwn)
{
    TABLE table;
    ASSERT_EQ(init_table(&table, "A_TABLE_NAME_OF_THIRTY_FIVE_CHARS__", 5, 2, 0), TRUE);
    EXPECT_EQ(strlen(table.name), 30u);
    // The column's cached LOB index block goes with the table.
    table.cols[1].lob_ind_buffer = (ub1*)malloc(8192);

    ROW_DATA row;
    init_row_data(&row, &table, 0x01000010, 7);
    EXPECT_EQ(row.col_cnt, 3);
    PCOL_DATA cd = add_col_data(&row, ORA_NUMBER);
    ASSERT_NE(cd, nullptr);
    cd->raw_data = (ub1*)malloc(100);
    cd->raw_data_len = 100;
    ASSERT_EQ(set_col_text(cd, "a text longer than the inline area of the record!", 50), TRUE);
    add_col_data(&row, ORA_DATE);
    release_row_data(&row);
    EXPECT_EQ(zem_list_item_cnt(&row.col_data), 0u);
    release_table(&table, 0);
    EXPECT_EQ(table.cols, nullptr);
    release_table(&table, 0); // twice is harmless
    PTABLE heap = (PTABLE)malloc(sizeof(TABLE));
    ASSERT_EQ(init_table(heap, "T", 0, 0, 2), TRUE);
    release_table(heap, 1); // frees the record too

    // A raw buffer whose length was reset is still freed.
    COL_DATA value;
    init_col_data(&value);
    value.raw_data = (ub1*)malloc(4);
    value.raw_data_len = 0;
    release_col_data(&value);
    EXPECT_EQ(value.raw_data, nullptr);

    SAMPLE_DATA sample;
    init_sample_data(&sample);
    PROW_DATA sampled = (PROW_DATA)malloc(sizeof(ROW_DATA));
    init_row_data(sampled, nullptr, 0, 0);
    add_col_data(sampled, ORA_GUESS);
    add_zem_list_item(&sample.row_data_list, sampled);
    release_sample_data(&sample);
    EXPECT_EQ(sample.row_data_list.header, nullptr);

    GRID_ITEM grid;
    ASSERT_EQ(init_grid_item(&grid, 4), TRUE);
    grid.data[1] = strdup("x");
    grid.data[3] = strdup("y");
    release_grid_item(&grid);
    EXPECT_EQ(grid.data, nullptr);
}

TEST(UnloadModel, ValueSetFromItsOwnText)
{
    COL_DATA cd;
    init_col_data(&cd);
    ASSERT_EQ(set_col_text(&cd, "abc", 3), TRUE);
    ASSERT_EQ(set_col_text(&cd, cd.common_data.str_data + 1, 2), TRUE);
    EXPECT_STREQ(cd.common_data.str_data, "bc");
    const ub1 bytes[] = {0, 1, 2};
    ASSERT_EQ(set_col_bytes(&cd, bytes, 3), TRUE);
    EXPECT_EQ(cd.data_type, CDT_BYTES);
    EXPECT_EQ(memcmp(cd.common_data.data, bytes, 3), 0);
    clear_col_value(&cd);
    EXPECT_EQ(cd.common_data.data, nullptr);
    release_col_data(&cd);
}

} // namespace
