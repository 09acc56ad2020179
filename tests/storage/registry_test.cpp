#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "blocks/block_types.h"
#include "datafile_fixture.h"
#include "storage/block_reader.h"

namespace {

const char list_heading[] =
    " ts#   fn  rfn bsize   blocks bf offset filename\n"
    "---- ---- ---- ----- -------- -- ------ --------------------------------------------\n";

std::string list_line(int ts, int fn, int rfn, int bsize, unsigned blocks, char bf, unsigned offset,
                      const std::string& name)
{
    char line[400];
    snprintf(line, sizeof(line), "%4d %4d %4d %5d %8u %c  %6u %s\n", ts, fn, rfn, bsize, blocks, bf, offset,
             name.c_str());
    return line;
}

std::string loaded(const std::string& lines)
{
    std::string text = "\n";
    text += list_heading;
    return text + lines + "load control file 'control.txt' successful\n";
}

} // namespace

using RegistryTest = DatafileTest;

TEST_F(RegistryTest, HeaderNumbersOverrideTheLine)
{
    zb::DatafileImage f(file_desc(4, 7, 7, 100));
    f.header().root_dba = 0x00400179;
    f.write("f.dbf");
    std::string out = load_control("# comment\n\n1 2 3 f.dbf\n");
    EXPECT_EQ(out, loaded(list_line(4, 7, 7, 8192, 100, 'N', 0, "f.dbf")));
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
}

TEST_F(RegistryTest, ZeroHeaderValuesKeepTheLineAndOptionalFieldsApply)
{
    zb::DatafileDef s = file_desc(0, 0, 0, 50);
    s.block_size = 2048;
    s.header_offset = 4096;
    zb::DatafileImage f(s);
    f.header().file_size = 0;
    f.write("g.dbf");
    std::string out = load_control("3 9 9 g.dbf 2048 no 4096 77\n");
    EXPECT_EQ(out, loaded(list_line(3, 9, 9, 2048, 77, 'N', 4096, "g.dbf")));
    PDATAFILE_ITEM item = get_datafile_item_rfn(3, 9);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->status, DFIS_VALID);
}

TEST_F(RegistryTest, ConfiguredOffsetAndBadBlockSize)
{
    zb::DatafileDef s = file_desc(4, 7, 7, 20);
    s.header_offset = 512;
    zb::DatafileImage(s).write("o.dbf");
    config_data.file_header_offset = 512;
    std::string out = load_control("4 7 7 o.dbf 3000\n");
    EXPECT_EQ(out, "error at line 1: invalid block size.\n" + loaded(list_line(4, 7, 7, 8192, 20, 'N', 512, "o.dbf")));
}

TEST_F(RegistryTest, BadLinesAreReportedAndSkipped)
{
    zb::DatafileImage(file_desc(4, 7, 7)).write("f.dbf");
    std::string long_line(450, 'x');
    std::string text = "1 2 f.dbf\n"                 // line 1: three fields
                       "1 2 3 f.dbf 8192 n 0 32 9\n" // line 2: nine fields
                       "#1 2 3 f.dbf\n"              // line 3: comment
                       "   \t \n"                    // line 4: blank
                       + long_line + "\n"            // line 5: too long
                       "70000 7 7 f.dbf\n"           // line 6: tablespace too large
                       "4 7 7 missing.dbf\n"         // line 7: no such file
                       "4 7 7 +DG.5\n"               // line 8: no such disk group
                       "4 7 7 f.dbf\n";              // line 9
    std::string out = load_control(text);
    std::string expected = "error at line 1.\n"
                           "error at line 2.\n"
                           "error at line 5.\n"
                           "tablespace# must be less than 65536,error at line 6.\n"
                           "can not open file missing.dbf!error message:No such file or directory.\n"
                           "can not found diskgroup for file +DG.5.\n" +
                           loaded(list_line(4, 7, 7, 8192, 32, 'N', 0, "f.dbf"));
    EXPECT_EQ(out, expected);
}

TEST_F(RegistryTest, NumbersOutOfRangeInTheHeaderOrTheLine)
{
    zb::DatafileImage(file_desc(70000, 7, 7)).write("t.dbf");
    zb::DatafileImage(file_desc(4, 0, 0)).write("z.dbf");
    std::string out = load_control("4 7 7 t.dbf\n4 7 0 z.dbf\n4 0 0 z.dbf\n4 0 6 z.dbf\n");
    EXPECT_EQ(out, "tablespace# must be less than 65536,error at line 1.\n"
                   "file_no and rfile_no must not be 0,error at line 2.\n"
                   "file_no and rfile_no must not be 0,error at line 3.\n"
                   "file_no and rfile_no must not be 0,error at line 4.\n" +
                       loaded(""));
    EXPECT_EQ(datafile_list, nullptr);
}

TEST_F(RegistryTest, BigFileIsDecidedByTheHeader)
{
    zb::DatafileImage(file_desc(6, 12, 1024, 40)).write("big.dbf");
    zb::DatafileImage(file_desc(7, 13, 13)).write("small.dbf");
    std::string out = load_control("6 12 1024 big.dbf\n7 13 13 small.dbf 8192 TRUE\n");
    EXPECT_EQ(out, loaded(list_line(6, 12, 1024, 8192, 40, 'Y', 0, "big.dbf") +
                          list_line(7, 13, 13, 8192, 32, 'N', 0, "small.dbf")));
    PDATAFILE_ITEM big = get_datafile_item_fn(12);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->big_file, 1);
    EXPECT_EQ(bigfile_ts_array[6], 1);
    EXPECT_EQ(bigfile_ts_array[7], 0);
    // Any relative number finds the big file of its tablespace.
    EXPECT_EQ(get_datafile_item_rfn(6, 5), big);
    EXPECT_EQ(get_datafile_item_rfn(7, 13), get_datafile_item_fn(13));
}

TEST_F(RegistryTest, BigFileFlagWithoutAHeaderNeedsRelativeNumber1024)
{
    write_file("junk.dbf", std::string(3 * 8192, 'j'));
    std::string out = load_control("6 12 5 junk.dbf 8192 y\n6 13 1024 junk.dbf 8192 Yes\n");
    EXPECT_EQ(out, "unknown file format 'junk.dbf'\n"
                   "RFile# of big tablespace must be equal to 1024,incorrect rfile#=5,error at line 1.\n"
                   "unknown file format 'junk.dbf'\n" +
                       loaded(list_line(6, 13, 1024, 8192, 0, 'Y', 0, "junk.dbf")));
    PDATAFILE_ITEM item = get_datafile_item_fn(13);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->status, DFIS_INVALID_HEADER);
    EXPECT_EQ(bigfile_ts_array[6], 1);
}

TEST_F(RegistryTest, UnrecognisedHeadersAreKeptWithStatus2)
{
    zb::DatafileImage bad_tail(file_desc(4, 7, 7));
    bad_tail.put(1, zb::make_file_header_block(bad_tail.header(), 8192, zb::LITTLE));
    bad_tail.damage(1, zb::Damage::bad_tail);
    bad_tail.write("tail.dbf");
    // A header read with the wrong block size is not found either.
    zb::DatafileDef other = file_desc(4, 8, 8);
    other.block_size = 4096;
    zb::DatafileImage(other).write("size.dbf");
    std::string out = load_control("1 2 3 tail.dbf\n1 4 5 size.dbf\n");
    EXPECT_EQ(out, "unknown file format 'tail.dbf'\nunknown file format 'size.dbf'\n" +
                       loaded(list_line(1, 2, 3, 8192, 0, 'N', 0, "tail.dbf") +
                              list_line(1, 4, 5, 8192, 0, 'N', 0, "size.dbf")));
    EXPECT_EQ(get_datafile_item_fn(2)->status, DFIS_INVALID_HEADER);
}

TEST_F(RegistryTest, HeaderBlockThatCannotBeReadDropsTheEntry)
{
    write_file("short.dbf", std::string(8192 + 100, 's'));
    std::string out = load_control("4 7 7 short.dbf\n");
    EXPECT_EQ(out, "read data error from file 'short.dbf'.error message:incomplete block at end of file\n" + loaded(""));
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
