// Datafiles inside an ASM disk group, registered by "+" names and read, copied
// and dumped through the ASM file reader like plain files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/byte_order.h"
#include "builder/asm_builder.h"
#include "datafile_fixture.h"
#include "storage/asm_disk_list.h"
#include "storage/block_reader.h"
#include "storage/copy_datafile.h"
#include "storage/hexdump.h"
#include "support/order_and_size.h"

class AsmDatafileTest : public DatafileTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        DatafileTest::SetUp();
        init_asmdisk_list();
        config_data.byte_order = GetParam();
        config_data.block_size = 2048;

        // A 40-block datafile made by the datafile builder becomes ASM file
        // 256, spread over 64 KiB allocation units (32 blocks each).
        zb::DatafileDef s = file_desc(4, 7, 7, 40);
        s.block_size = 2048;
        s.order = GetParam();
        zb::DatafileImage f(s);
        for (uint32_t b = 2; b <= 40; b++)
            f.put(b, tagged_block(f, b, 5000 + b));
        f.write("plain.dbf");
        std::string bytes = read_file("plain.dbf");
        original_.assign(bytes.begin(), bytes.end());

        AsmGroupDef group;
        group.byte_order = GetParam();
        group.au_size = 1u << 16;
        AsmFileDef file;
        file.file_number = 256;
        file.block_size = 2048;
        file.image = original_;
        group.files.push_back(file);
        group.aliases = {{"DB/DATAFILE/USERS.256.1", 256, 1, true}};
        AsmGroupImage image = build_asm_group(group);
        std::string text;
        for (const std::string& line : write_asm_group(image, group, ".", ""))
            text += line + "\n";
        write_file("asmdisk.txt", text);
        capture_stdout([] { load_asmdisk_file("asmdisk.txt"); });
    }
    void TearDown() override
    {
        DatafileTest::TearDown();
        release_asmdisk_list();
    }
    std::vector<ub1> original_;
};

TEST_P(AsmDatafileTest, RegisteredByNameAndReadLikeAPlainFile)
{
    std::string out = load_control("1 2 3 +DATA/DB/DATAFILE/USERS.256.1 2048\n4 9 9 +DATA.999 2048\n4 10 10 +NONE.5 2048\n");
    EXPECT_EQ(out, "can not get asm file information for file +DATA.999.\n"
                   "can not found diskgroup for file +NONE.5.\n"
                   "\n"
                   " ts#   fn  rfn bsize   blocks bf offset filename\n"
                   "---- ---- ---- ----- -------- -- ------ --------------------------------------------\n"
                   "   4    7    7  2048       40 N       0 +DATA/DB/DATAFILE/USERS.256.1\n"
                   "load control file 'control.txt' successful\n");
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->is_asm, 1);
    EXPECT_EQ(item->fp, nullptr);
    EXPECT_NE(item->asm_file, nullptr);
    EXPECT_EQ(item->status, DFIS_VALID);

    // Batches stop at the end of each contiguous run; reading on covers all.
    std::vector<ub1> all;
    std::vector<ub1> buffer(64 * 2048);
    for (ub4 b = 0; b <= 40;) {
        ub4 got = read_blocks(item, b, 64, buffer.data(), get_datafile_block_rdba(item, b));
        ASSERT_GT(got, 0u) << b;
        all.insert(all.end(), buffer.begin(), buffer.begin() + got * 2048);
        b += got;
    }
    ASSERT_EQ(all.size(), original_.size());
    for (size_t i = 0; i < all.size(); i++)
        ASSERT_EQ(all[i], original_[i]) << "byte " << i;
    ub1 block[2048];
    // The last allocation unit runs past the file; reads stop at its end.
    EXPECT_EQ(capture_stdout([&] { EXPECT_EQ(read_blocks(item, 41, 1, block, 0), 0u); }),
              "has already arrived file end.\n");
    ASSERT_EQ(read_buffered_block(item, 33, block, get_datafile_block_rdba(item, 33)), 1);
    EXPECT_EQ(get_ub4(block, 24), 5033u);
    EXPECT_EQ(block_buffer_cache.used_block_count, 0u); // 8 KiB cache: other size

    static LINE_ARRAY tokens;
    int count = split_line(tokens, "copy datafile 7 to copy.dbf");
    out = capture_stdout([&] { do_copy_datafile(tokens, count); });
    EXPECT_EQ(out, "\nstarting copy datafile '+DATA/DB/DATAFILE/USERS.256.1' to 'copy.dbf'\n"
                   "datafile copy completed.\n\n");
    EXPECT_EQ(read_file("copy.dbf"), read_file("plain.dbf"));

    count = split_line(tokens, "hexdump datafile 7 block 1");
    EXPECT_EQ(capture_stdout([&] { do_hexdump(tokens, count); }), "file# 7 not opened.\n");
}

INSTANTIATE_TEST_SUITE_P(Orders, AsmDatafileTest, ::testing::Values(BO_LITTLE, BO_BIG), order_name);
