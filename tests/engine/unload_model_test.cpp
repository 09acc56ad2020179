#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "engine/unload_model.h"

namespace {

TEST(UnloadModel, FlagBitsAndModes)
{
    EXPECT_EQ(IS_FIRST_COLUMN, 0x01);
    EXPECT_EQ(IS_FIRST_PIECE, 0x02);
    EXPECT_EQ(IS_LAST_PIECE, 0x04);
    EXPECT_EQ(IS_LAST_NULL, 0x08);
    EXPECT_EQ(IS_LOB_FIRST_PIECE, 0x10);
    EXPECT_EQ(IS_LOB_LAST_PIECE, 0x20);
    EXPECT_EQ(IS_LOB_PIECE, 0x40);
    EXPECT_TRUE(is_lob_callback(IS_LOB_PIECE | IS_LAST_PIECE));
    EXPECT_FALSE(is_lob_callback(IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE | IS_LOB_FIRST_PIECE));
    EXPECT_EQ(UM_NORMAL | UM_SCANNED_EXTENT, 17);
    EXPECT_TRUE(is_unload_mode(UM_NORMAL | UM_SCANNED_EXTENT, UM_SCANNED_EXTENT));
    EXPECT_FALSE(is_unload_mode(UM_NORMAL, UM_TRUNCATE | UM_NO_SYSTEM | UM_SCANNED_EXTENT));
    EXPECT_EQ(UM_SPEC_BLOCK, 8);
    EXPECT_EQ(LOF_BIN, 3);
    EXPECT_EQ(MAX_COL_CNT, 1024);
    EXPECT_EQ(COL_DATA_MAXLEN, 1048576u);
    EXPECT_EQ(INVALID_TS_NO, 0xFFFFFFFFu);
    EXPECT_EQ(sizeof(TABLE::name), 31u);
    EXPECT_EQ(sizeof(UNLOAD_PARAMS::delimiter), 11u);
    EXPECT_EQ(sizeof(LOB_INFO::lob_dir_name), 260u);
}

TEST(UnloadModel, InitAndReleaseTable)
{
    TABLE table;
    memset(&table, 0x5A, sizeof(table));
    ASSERT_EQ(init_table(&table, "EMP", 3, 1, 0), TRUE);
    EXPECT_STREQ(table.name, "EMP");
    EXPECT_EQ(table.col_cnt, 3);
    EXPECT_EQ(table.skip_cnt, 1);
    EXPECT_EQ(table.row_cnt, 0u);
    EXPECT_EQ(table.ts_no, 0u);
    ASSERT_NE(table.cols, nullptr);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(table.cols[i].ora_type, 0);
        EXPECT_EQ(table.cols[i].lob_ind_buffer, nullptr);
    }
    // The column's cached LOB index block goes with the table.
    table.cols[1].lob_ind_buffer = (ub1*)malloc(8192);
    release_table(&table, 0);
    EXPECT_EQ(table.cols, nullptr);
    EXPECT_EQ(table.col_cnt, 0);
    release_table(&table, 0); // twice is harmless

    // Names are cut to 30 characters; no columns, no array.
    PTABLE heap = (PTABLE)malloc(sizeof(TABLE));
    ASSERT_EQ(init_table(heap, "A_TABLE_NAME_OF_THIRTY_FIVE_CHARS__", 0, 0, 2), TRUE);
    EXPECT_EQ(strlen(heap->name), 30u);
    EXPECT_EQ(heap->cols, nullptr);
    EXPECT_EQ(heap->table_index, 2);
    release_table(heap, 1);
}

TEST(UnloadModel, InitColumnAndColData)
{
    COLUMN column;
    memset(&column, 0x5A, sizeof(column));
    init_column(&column, "ENAME", ORA_VARCHAR2, 1);
    EXPECT_STREQ(column.name, "ENAME");
    EXPECT_EQ(column.ora_type, ORA_VARCHAR2);
    EXPECT_EQ(column.can_unload, 1);
    EXPECT_EQ(column.is_placeholder, 0);
    EXPECT_EQ(column.is_first_clob, 0);
    EXPECT_EQ(column.lob.dir_ind, 0u);
    EXPECT_EQ(column.lob_ind_buffer, nullptr);

    COL_DATA cd;
    memset(&cd, 0x5A, sizeof(cd));
    init_col_data(&cd);
    EXPECT_EQ(cd.is_null, 1);
    EXPECT_EQ(cd.mem_alloc, 0);
    EXPECT_EQ(cd.data_type, CDT_NONE);
    EXPECT_EQ(cd.raw_data, nullptr);
    EXPECT_EQ(cd.common_data.data, nullptr);
    EXPECT_EQ(cd.lob_file, nullptr);

    // Owned buffers are freed (the sanitizer build reports a leak otherwise).
    cd.raw_data = (ub1*)malloc(16);
    cd.raw_data_len = 16;
    ASSERT_EQ(set_col_text(&cd, "a text longer than the inline area of the record!", 50), TRUE);
    EXPECT_EQ(cd.mem_alloc, 1);
    release_col_data(&cd);
    EXPECT_EQ(cd.raw_data, nullptr);
    EXPECT_EQ(cd.common_data.data, nullptr);
    // A raw buffer whose length was reset is still freed.
    cd.raw_data = (ub1*)malloc(4);
    cd.raw_data_len = 0;
    release_col_data(&cd);
    EXPECT_EQ(cd.raw_data, nullptr);
}

TEST(UnloadModel, ColValueStorage)
{
    COL_DATA cd;
    init_col_data(&cd);
    ASSERT_EQ(set_col_text(&cd, "1.5", 3), TRUE);
    EXPECT_EQ(cd.is_null, 0);
    EXPECT_EQ(cd.data_type, CDT_TEXT);
    EXPECT_EQ(cd.mem_alloc, 0);
    EXPECT_STREQ(cd.common_data.str_data, "1.5");
    const ub1 bytes[] = {0, 1, 2};
    ASSERT_EQ(set_col_bytes(&cd, bytes, 3), TRUE);
    EXPECT_EQ(cd.data_type, CDT_BYTES);
    EXPECT_EQ(cd.data_len, 3u);
    EXPECT_EQ(memcmp(cd.common_data.data, bytes, 3), 0);
    // Storing a record's own inline text again is safe.
    ASSERT_EQ(set_col_text(&cd, "abc", 3), TRUE);
    ASSERT_EQ(set_col_text(&cd, cd.common_data.str_data + 1, 2), TRUE);
    EXPECT_STREQ(cd.common_data.str_data, "bc");
    clear_col_value(&cd);
    EXPECT_EQ(cd.common_data.data, nullptr);
    EXPECT_EQ(cd.data_len, 0u);
    release_col_data(&cd);
}

TEST(UnloadModel, RowSampleAndGridRecords)
{
    TABLE table;
    ASSERT_EQ(init_table(&table, "T", 5, 2, 0), TRUE);
    ROW_DATA row;
    init_row_data(&row, &table, 0x01000010, 7);
    EXPECT_EQ(row.col_cnt, 3);
    EXPECT_EQ(row.col_fact_cnt, 0);
    EXPECT_EQ(row.corrupted, 0);
    EXPECT_EQ(row.rdba, 0x01000010u);
    EXPECT_EQ(row.row_no, 7u);
    PCOL_DATA cd = add_col_data(&row, ORA_NUMBER);
    ASSERT_NE(cd, nullptr);
    EXPECT_EQ(cd->ora_type, ORA_NUMBER);
    EXPECT_EQ(cd->is_null, 1);
    cd->raw_data = (ub1*)malloc(100);
    cd->raw_data_len = 100;
    add_col_data(&row, ORA_DATE);
    EXPECT_EQ(zem_list_item_cnt(&row.col_data), 2u);
    release_row_data(&row);
    EXPECT_EQ(zem_list_item_cnt(&row.col_data), 0u);
    release_table(&table, 0);

    SAMPLE_DATA sample;
    init_sample_data(&sample);
    PROW_DATA sampled = (PROW_DATA)malloc(sizeof(ROW_DATA));
    init_row_data(sampled, nullptr, 0, 0);
    add_col_data(sampled, ORA_GUESS);
    add_zem_list_item(&sample.row_data_list, sampled);
    sample.max_col_cnt = 1;
    release_sample_data(&sample);
    EXPECT_EQ(sample.row_data_list.header, nullptr);
    EXPECT_EQ(sample.max_col_cnt, 0);

    GRID_ITEM grid;
    ASSERT_EQ(init_grid_item(&grid, 4), TRUE);
    EXPECT_EQ(grid.cols, 4u);
    for (ub4 i = 0; i < 4; i++)
        EXPECT_EQ(grid.data[i], nullptr);
    grid.data[1] = strdup("x");
    grid.data[3] = strdup("y");
    release_grid_item(&grid);
    EXPECT_EQ(grid.data, nullptr);
    EXPECT_EQ(grid.cols, 0u);
}

} // namespace
