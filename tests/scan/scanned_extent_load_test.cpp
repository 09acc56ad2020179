#include <gtest/gtest.h>
#include <unistd.h>

#include "base/config.h"
#include "scan/scanned_extent.h"
#include "scan/scanned_lob.h"
#include "shell/shell.h"
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

// The LOB scan results are read only when use_scanned_lob is on, at start-up
// or as load config switches it, and a line short of its record's fields is
// dropped.
TEST(ScannedExtentFile, LoadsLobResultsOnlyWhenSwitchedOn)
{
    ScopedWorkDir dir("lobzem");
    init_config_data();
    init_scanned_data_list();
    write_file("lobind.zem", "4,5,200,80001,1,2,3,4,5,6,700\n4,5,201,80001,1,2,3\n");
    write_file("lobpage.zem", "4,5,300,80002,1,2,3,4,5,0\n4,5,301,80002,1,2,3,4,5,1\n4,5,302,80002,1,2\n");
    load_scanned_data_list();
    EXPECT_EQ(search_zem_hash_item(&dict_lobind_hash_table, 3), nullptr);
    static LINE_ARRAY tokens;
    int count = split_line(tokens, "load config on.txt");
    write_file("on.txt", "use_scanned_lob yes\n");
    capture_stdout([&] { do_loadcfg(tokens, count); });
    PZEM_HASH_ITEM ind = search_zem_hash_item(&dict_lobind_hash_table, 3);
    ASSERT_NE(ind, nullptr);
    ASSERT_EQ(ind->data_list_len, 1u);
    const DICT_LOBIND* entry = (const DICT_LOBIND*)ind->data_list.header->data;
    EXPECT_EQ(entry->blocks, 6u);
    EXPECT_EQ(entry->bytes, 700u);
    PZEM_HASH_ITEM pages = search_zem_hash_item(&dict_lobpage_hash_table, 3);
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->data_list_len, 2u);
    EXPECT_EQ(((const DICT_LOBPAGE*)pages->data_list.tail->data)->page_no, 1u);
    write_file("on.txt", "use_scanned_lob no\n");
    capture_stdout([&] { do_loadcfg(tokens, count); });
    EXPECT_EQ(search_zem_hash_item(&dict_lobind_hash_table, 3), nullptr);
    EXPECT_EQ(search_zem_hash_item(&dict_lobpage_hash_table, 3), nullptr);
    release_scanned_data_list();
    init_config_data();
}

// A result file replaced by a device that never ends is refused, not read
// without end.
TEST(ScannedExtentFile, RefusesAFileThatIsNotRegular)
{
    ScopedWorkDir dir("extdev");
    init_config_data();
    init_scanned_data_list();
    ASSERT_EQ(symlink("/dev/zero", "ext.zem"), 0);
    load_scanned_data_list();
    EXPECT_EQ(dict_ext_hash_table.bucket_list, nullptr);
    release_scanned_data_list();
}
