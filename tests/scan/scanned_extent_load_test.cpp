#include <gtest/gtest.h>

#include "base/config.h"
#include "scan/scanned_extent.h"
#include "support/capture.h"
#include "support/process.h"

TEST(ScannedExtentFile, LoadsRunsByDataObject)
{
    ScopedWorkDir dir("extzem");
    init_config_data();
    init_dict_ext_hash_table();
    write_file("ext.zem", "70001,4,5,9,1,35\n70001,4,5,10,7,6\n70002,4,5,17,8,6\n1,2,3\n\n");
    load_scanned_data_list();
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_ext_hash_table, 70001);
    ASSERT_NE(bucket, nullptr);
    ASSERT_EQ(bucket->data_list_len, 2u);
    const DICT_EXTENT* second = (const DICT_EXTENT*)bucket->data_list.tail->data;
    EXPECT_EQ(second->block_no, 10u);
    EXPECT_EQ(second->length, 7u);
    EXPECT_EQ(second->block_type, 6u);
    EXPECT_EQ(search_zem_hash_item(&dict_ext_hash_table, 1), nullptr); // a short line is dropped
    // A reload starts from an empty table; a missing file leaves it empty.
    remove_tree("ext.zem");
    load_scanned_data_list();
    EXPECT_EQ(search_zem_hash_item(&dict_ext_hash_table, 70001), nullptr);
    release_dict_ext_hash_table();
}
