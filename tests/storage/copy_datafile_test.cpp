#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "datafile_fixture.h"
#include "storage/copy_datafile.h"

namespace {

std::string run_copy(const std::string& line)
{
    static LINE_ARRAY tokens;
    int count = split_line(tokens, line.c_str());
    return capture_stdout([&] { do_copy_datafile(tokens, count); });
}

bool is_bad_block_image(const std::string& bytes, size_t at, size_t size)
{
    for (size_t i = 0; i < size; i++) {
        ub1 want = i == 14 ? 0xff : i == 15 ? 0x04 : (i == 16 || i == 17) ? 0xf0 : 0x00;
        if ((ub1)bytes[at + i] != want)
            return false;
    }
    return true;
}

ub4 object_at(const std::string& bytes, size_t block_no, size_t block_size)
{
    return get_ub4((const ub1*)bytes.data(), block_no * block_size + 24);
}

} // namespace

class CopyDatafileTest : public DatafileTest {
protected:
    void SetUp() override
    {
        DatafileTest::SetUp();
        zb::DatafileDef s = file_desc(4, 5, 5, 20);
        s.block_size = 2048;
        source_ = std::make_unique<zb::DatafileImage>(s);
        for (uint32_t b = 2; b <= 20; b++)
            source_->put(b, tagged_block(*source_, b, 100 + b));
    }
    void load() { load_control("4 5 5 src.dbf 2048\n"); }
    std::unique_ptr<zb::DatafileImage> source_;
};

TEST_F(CopyDatafileTest, UnreadableBlocksBecomeTheMarkedImage)
{
    // Cut the source inside block 20, and ask for blocks up to 22.
    source_->write("src.dbf", 20 * 2048 + 1000);
    load();
    std::string out = run_copy("copy datafile 5 to dst.dbf blocks 22");
    EXPECT_EQ(out, "\nstarting copy datafile 'src.dbf' to 'dst.dbf'\n"
                   "read data error from file 'src.dbf'.error message:incomplete block at end of file\n"
                   "read block# error: 20\n"
                   "has already arrived file end.\n"
                   "read block# error: 21\n"
                   "has already arrived file end.\n"
                   "read block# error: 22\n"
                   "datafile copy completed.\n\n");
    std::string copy = read_file("dst.dbf");
    std::string original = read_file("src.dbf");
    ASSERT_EQ(copy.size(), 23u * 2048);
    EXPECT_EQ(copy.compare(0, 20 * 2048, original, 0, 20 * 2048), 0);
    for (size_t b : {20, 21, 22})
        EXPECT_TRUE(is_bad_block_image(copy, b * 2048, 2048)) << b;
}

TEST_F(CopyDatafileTest, InterleavedBlocksArePutBackInPlace)
{
    // Position 10 holds the block that belongs at 12; position 12 was never
    // written; position 5 has a torn tail.
    source_->put(10, tagged_block(*source_, 12, 112));
    source_->put(12, zb::BlockImage(2048, zb::LITTLE));
    source_->damage(5, zb::Damage::bad_tail);
    source_->write("src.dbf");
    load();
    config_data.fix_interleaved_block = 1;
    std::string out = run_copy("copy datafile 5 to dst.dbf");
    EXPECT_EQ(out, "\nstarting copy datafile 'src.dbf' to 'dst.dbf'\n"
                   "finish generating target file.\n"
                   "writing bad block# : 5\n"
                   "writing interleave block# : 10 but in header : 12\n"
                   "writing bad block# : 12\n"
                   "datafile copy completed.\n\n");
    std::string copy = read_file("dst.dbf");
    std::string original = read_file("src.dbf");
    ASSERT_EQ(copy.size(), 21u * 2048);
    EXPECT_EQ(copy.compare(0, 2048, original, 0, 2048), 0); // block 0 as read
    EXPECT_EQ(object_at(copy, 12, 2048), 112u);           // the placed block is kept
    EXPECT_TRUE(is_bad_block_image(copy, 10 * 2048, 2048));
    EXPECT_EQ(copy.compare(5 * 2048, 2048, original, 5 * 2048, 2048), 0);
    EXPECT_EQ(object_at(copy, 11, 2048), 111u);
    EXPECT_EQ(object_at(copy, 20, 2048), 120u);
}

TEST_F(CopyDatafileTest, BlocksNamingPositionsOutsideTheCopyStayWhereTheyAre)
{
    source_->put(3, tagged_block(*source_, 15, 315));
    source_->write("src.dbf");
    load();
    config_data.fix_interleaved_block = 1;
    std::string out = run_copy("copy datafile 5 to dst.dbf blocks 10");
    EXPECT_NE(out.find("writing bad block# : 3\n"), std::string::npos);
    std::string copy = read_file("dst.dbf");
    ASSERT_EQ(copy.size(), 11u * 2048);
    EXPECT_EQ(object_at(copy, 3, 2048), 315u);
}

TEST_F(CopyDatafileTest, ExistingDestinationNeedsForce)
{
    source_->write("src.dbf");
    load();
    write_file("dst.dbf", "keep me");
    EXPECT_EQ(run_copy("copy datafile 5 to dst.dbf"), "\nfile exists. you can not overwrite it.\n\n");
    EXPECT_EQ(run_copy("COPY DATAFILE 5 TO dst.dbf BLOCKS 100"), "\nfile exists. you can not overwrite it.\n\n");
    EXPECT_EQ(read_file("dst.dbf"), "keep me");
    run_copy("copy datafile 5 to dst.dbf force");
    EXPECT_EQ(read_file("dst.dbf"), read_file("src.dbf"));
    run_copy("copy datafile 5 to dst.dbf blocks 3 Force");
    EXPECT_EQ(read_file("dst.dbf").size(), 4u * 2048);
    run_copy("copy datafile 5 to dst.dbf blocks 0 force"); // block 0 only
    EXPECT_EQ(read_file("dst.dbf"), read_file("src.dbf").substr(0, 2048));

    // Not even with force over a registered datafile.
    std::string before = read_file("src.dbf");
    EXPECT_EQ(run_copy("copy datafile 5 to ./src.dbf force"), "\ncan not overwrite datafile './src.dbf'.\n\n");
    EXPECT_EQ(read_file("src.dbf"), before);
}

TEST_F(CopyDatafileTest, WrongFormsAndUnknownFiles)
{
    source_->write("src.dbf");
    load();
    const std::string usage = "\ncopy datafile <file#> to <dest_file_name> [blocks <blocks>] [force]\n\n";
    EXPECT_EQ(run_copy("copy datafile 5 dst.dbf"), usage);
    EXPECT_EQ(run_copy("copy datafile 5 into dst.dbf"), usage);
    EXPECT_EQ(run_copy("copy datafile 5 to dst.dbf please"), usage);
    EXPECT_EQ(run_copy("copy datafile 5 to dst.dbf blocks"), usage);
    EXPECT_EQ(run_copy("copy datafile 5 to dst.dbf blocks x"), usage);
    EXPECT_EQ(run_copy("copy datafile 5 to dst.dbf blocks 3 now"), usage);
    EXPECT_EQ(run_copy("copy datafile 0 to dst.dbf"), "\ninvalid file#\n\n");
    EXPECT_EQ(run_copy("copy datafile 9 to dst.dbf"), "\nfile# 9 is not exist.\n");
    PDATAFILE_ITEM item = get_datafile_item_fn(5);
    fclose(item->fp);
    item->fp = nullptr;
    EXPECT_EQ(run_copy("copy datafile 5 to dst.dbf"), "\nfile# 5 not opened.\n");
    EXPECT_FALSE(path_exists("dst.dbf"));
}
