#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "blocks/block_types.h"
#include "datafile_fixture.h"
#include "storage/block_reader.h"

using RegistryTest = DatafileTest;

// Each control file in turn, its listing and messages kept in one golden
// transcript: numbers from the header override those of the line unless
// they are zero, bad lines are named and skipped, big files are decided by
// the header, unrecognised headers are kept with their status.
TEST_F(RegistryTest, ControlFileLinesAndTheirMessages)
{
    std::string transcript;
    auto load = [&](const std::string& title, const std::string& text) {
        transcript += "-- " + title + "\n" + load_control(text);
    };

    zb::DatafileImage f(file_desc(4, 7, 7, 100));
    f.header().root_dba = 0x00400179;
    f.write("f.dbf");
    load("header numbers override the line", "# comment\n\n1 2 3 f.dbf\n");
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->status, DFIS_VALID);
    EXPECT_EQ(item->root_dba, 0x00400179u);
    EXPECT_EQ(item->block_fmt, 0xa2);
    EXPECT_EQ(item->big_file, 0);
    EXPECT_NE(item->fp, nullptr);
    EXPECT_EQ(get_datafile_item_rfn(4, 7), item);
    EXPECT_EQ(get_datafile_item_fn(2), nullptr);
    EXPECT_EQ(get_datafile_item_rfn(1, 3), nullptr);
    EXPECT_EQ(get_datafile_item_rfn(4, 8), nullptr);

    zb::DatafileDef zero = file_desc(0, 0, 0, 50);
    zero.block_size = 2048;
    zero.header_offset = 4096;
    zb::DatafileImage g(zero);
    g.header().file_size = 0;
    g.write("g.dbf");
    load("zero header values keep the line, optional fields apply", "3 9 9 g.dbf 2048 no 4096 77\n");
    ASSERT_NE(get_datafile_item_rfn(3, 9), nullptr);
    EXPECT_EQ(get_datafile_item_rfn(3, 9)->status, DFIS_VALID);

    zb::DatafileDef shifted = file_desc(4, 7, 7, 20);
    shifted.header_offset = 512;
    zb::DatafileImage(shifted).write("o.dbf");
    config_data.file_header_offset = 512;
    load("configured offset, bad block size", "4 7 7 o.dbf 3000\n");
    config_data.file_header_offset = 0;

    zb::DatafileImage(file_desc(4, 7, 7)).write("plain.dbf");
    load("bad lines are reported and skipped",
         "1 2 plain.dbf\n"                 // three fields
         "1 2 3 plain.dbf 8192 n 0 32 9\n" // nine fields
         "#1 2 3 plain.dbf\n"
         "   \t \n" +
             std::string(450, 'x') + "\n" // too long
             "70000 7 7 plain.dbf\n"
             "4 7 7 missing.dbf\n"
             "4 7 7 +DG.5\n"
             "4 7 7 plain.dbf\n");

    zb::DatafileImage(file_desc(70000, 7, 7)).write("t.dbf");
    zb::DatafileImage(file_desc(4, 0, 0)).write("z.dbf");
    load("numbers out of range in the header or the line", "4 7 7 t.dbf\n4 7 0 z.dbf\n4 0 0 z.dbf\n4 0 6 z.dbf\n");
    EXPECT_EQ(datafile_list, nullptr);

    zb::DatafileImage(file_desc(6, 12, 1024, 40)).write("big.dbf");
    zb::DatafileImage(file_desc(7, 13, 13)).write("small.dbf");
    load("big file decided by the header", "6 12 1024 big.dbf\n7 13 13 small.dbf 8192 TRUE\n");
    PDATAFILE_ITEM big = get_datafile_item_fn(12);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->big_file, 1);
    EXPECT_EQ(bigfile_ts_array[6], 1);
    EXPECT_EQ(bigfile_ts_array[7], 0);
    // Any relative number finds the big file of its tablespace.
    EXPECT_EQ(get_datafile_item_rfn(6, 5), big);
    EXPECT_EQ(get_datafile_item_rfn(7, 13), get_datafile_item_fn(13));

    write_file("junk.dbf", std::string(3 * 8192, 'j'));
    load("big file flag without a header needs relative number 1024",
         "6 12 5 junk.dbf 8192 y\n6 13 1024 junk.dbf 8192 Yes\n");
    ASSERT_NE(get_datafile_item_fn(13), nullptr);
    EXPECT_EQ(get_datafile_item_fn(13)->status, DFIS_INVALID_HEADER);
    EXPECT_EQ(bigfile_ts_array[6], 1);

    zb::DatafileImage bad_tail(file_desc(4, 7, 7));
    bad_tail.put(1, zb::make_file_header_block(bad_tail.header(), 8192, zb::LITTLE));
    bad_tail.damage(1, zb::Damage::bad_tail);
    bad_tail.write("tail.dbf");
    // A header read with the wrong block size is not found either.
    zb::DatafileDef other = file_desc(4, 8, 8);
    other.block_size = 4096;
    zb::DatafileImage(other).write("size.dbf");
    load("unrecognised headers are kept with status 2", "1 2 3 tail.dbf\n1 4 5 size.dbf\n");
    EXPECT_EQ(get_datafile_item_fn(2)->status, DFIS_INVALID_HEADER);

    write_file("short.dbf", std::string(8192 + 100, 's'));
    load("header block that cannot be read drops the entry", "4 7 7 short.dbf\n");
    EXPECT_GOLDEN("storage/registry_loads.txt", transcript);
}

TEST_F(RegistryTest, ControlFileThatCannotBeOpenedKeepsTheOldRegistry)
{
    zb::DatafileImage(file_desc(4, 7, 7)).write("f.dbf");
    load_control("4 7 7 f.dbf\n");
    std::string out = capture_stdout([] { load_control_file("nowhere.txt"); });
    EXPECT_EQ(out, "can not open file 'nowhere.txt', error message:No such file or directory.\n");
    ASSERT_NE(get_datafile_item_fn(7), nullptr);
    EXPECT_NE(get_datafile_item_fn(7)->fp, nullptr);
}

TEST_F(RegistryTest, ReloadReplacesEverythingAndDuplicatesFindTheFirst)
{
    zb::DatafileImage(file_desc(6, 12, 1024)).write("big.dbf");
    zb::DatafileImage(file_desc(4, 7, 7)).write("a.dbf");
    load_control("6 12 1024 big.dbf\n");
    EXPECT_EQ(bigfile_ts_array[6], 1);
    load_control("4 7 7 a.dbf\n4 7 7 big.dbf\n");
    // The header of big.dbf names file 12: the second line adds file 12.
    EXPECT_EQ(bigfile_ts_array[6], 1);
    EXPECT_EQ(get_datafile_item_fn(7)->file_name, std::string("a.dbf"));
    zb::DatafileImage(file_desc(4, 7, 7)).write("b.dbf");
    load_control("4 7 7 a.dbf\n4 7 7 b.dbf\n");
    EXPECT_EQ(bigfile_ts_array[6], 0);
    EXPECT_EQ(get_datafile_item_fn(12), nullptr);
    EXPECT_STREQ(get_datafile_item_rfn(4, 7)->file_name, "a.dbf");
    EXPECT_STREQ(datafile_list->next->file_name, "b.dbf");

    // Reopened files read from fresh streams.
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    EXPECT_EQ(capture_stdout([] { reopen_data_files(); }), "");
    ub1 block[8192];
    EXPECT_EQ(read_blocks(item, 1, 1, block, file_block_rdba(7, 1)), 1u);
    EXPECT_EQ(block[0], BT_FILE_HEADER);
}

TEST_F(RegistryTest, OpenCommandForms)
{
    zb::DatafileImage(file_desc(4, 7, 7)).write("f.dbf");
    write_file("other.txt", "4 7 7 f.dbf\n");
    LINE_ARRAY tokens = {"open", "a", "b", "c"};
    std::string out = capture_stdout([&] { do_loadctl(tokens, 4); });
    EXPECT_EQ(out, "\nopen [control filename [asmdisk filename]]\n"
                   "open default control filename is control.txt, default asmdisk filename is asmdisk.txt\n");
    LINE_ARRAY named = {"open", "other.txt"};
    out = capture_stdout([&] { do_loadctl(named, 2); });
    EXPECT_NE(out.find("load control file 'other.txt' successful\n"), std::string::npos);
    EXPECT_NE(get_datafile_item_fn(7), nullptr);
}
