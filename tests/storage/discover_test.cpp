// discover in process: datafiles inside an ASM disk group listed by their
// alias names, disks listed with every column, and what exists left alone
// without force, config.txt keeping the user's lines with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "base/byte_order.h"
#include "builder/asm_builder.h"
#include "datafile_fixture.h"
#include "storage/asm_disk_list.h"
#include "storage/block_reader.h"
#include "storage/discover.h"
#include "support/order_and_size.h"

class DiscoverTest : public DatafileTest {
protected:
    void SetUp() override
    {
        DatafileTest::SetUp();
        init_asmdisk_list();
    }
    void TearDown() override
    {
        DatafileTest::TearDown();
        release_asmdisk_list();
    }
    static std::string discover(const std::vector<std::string>& paths, bool force, int* status)
    {
        return capture_stdout([&] { *status = run_discover(paths, force); });
    }
    // A datafile of 40 blocks of 2 KiB, block n holding n at offset 24.
    static std::string datafile_bytes(int order, uint32_t ts, uint32_t fn)
    {
        zb::DatafileDef d = file_desc(ts, fn, fn, 40);
        d.block_size = 2048;
        d.order = order;
        zb::DatafileImage f(d);
        for (uint32_t b = 2; b <= 40; b++)
            f.put(b, tagged_block(f, b, b));
        f.write("image.dbf");
        std::string bytes = read_file("image.dbf");
        std::filesystem::remove("image.dbf");
        return bytes;
    }
};

class DiscoverAsmTest : public DiscoverTest, public ::testing::WithParamInterface<int> {};

TEST_P(DiscoverAsmTest, DatafilesInDiskGroupsAreListedByAlias)
{
    int order = GetParam();
    write_file("system01.dbf", datafile_bytes(order, 0, 1));
    std::string users = datafile_bytes(order, 4, 7);
    AsmGroupDef group;
    group.byte_order = order;
    group.au_size = 1u << 16;
    group.disks.resize(2);
    AsmFileDef file;
    file.block_size = 2048;
    file.image.assign(users.begin(), users.end());
    group.files.push_back(file);
    file.file_number = 257;
    file.image = make_asm_test_image(5 * 2048, 2048, 7);
    group.files.push_back(file);
    file.file_number = 258;
    file.block_size = 512;
    file.image = make_asm_test_image(8 * 512, 512, 8);
    group.files.push_back(file);
    group.aliases = {{"DB/DATAFILE/USERS.256.1", 256, 1, true},
                     {"DB/CONTROLFILE/Current.257.1", 257, 1, true},
                     {"DB/ONLINELOG/group_1.258.1", 258, 1, true}};
    AsmGroupImage image = build_asm_group(group);
    std::string disk_lines = "# disk path group bsize ausize disksize offset compat\n";
    for (const std::string& line : write_asm_group(image, group, ".", "", true))
        disk_lines += line + "\n";
    std::filesystem::copy_file("DATA_0.dsk", "zz_copy.dsk");

    int status = -1;
    std::string out = discover({"."}, false, &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(read_file("asmdisk.txt"), disk_lines);
    EXPECT_EQ(read_file("control.txt"), "# ts fn rfn path bsize big offset blocks\n"
                                        "0 1 1 system01.dbf 2048 N 0 40\n"
                                        "4 7 7 +DATA/DB/DATAFILE/USERS.256.1 2048 N 0 40\n");
    EXPECT_NE(out.find("'zz_copy.dsk' is disk 0 of group DATA, found already as 'DATA_0.dsk': skipped.\n"),
              std::string::npos) << out;
    EXPECT_NE(out.find("'+DATA/DB/CONTROLFILE/Current.257.1' is not a datafile: skipped.\n"), std::string::npos);
    EXPECT_NE(out.find("1 files of the disk groups have no datafile's block size (logs and the like): not read.\n"),
              std::string::npos);

    // Loaded: the file in the disk group reads like the plain one.
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->is_asm, 1);
    ub1 block[2048];
    ASSERT_EQ(read_buffered_block(item, 33, block, get_datafile_block_rdba(item, 33)), 1);
    EXPECT_EQ(get_ub4(block, 24), 33u);
    EXPECT_EQ(config_data.byte_order, order);
}

INSTANTIATE_TEST_SUITE_P(Orders, DiscoverAsmTest, ::testing::Values(BO_LITTLE, BO_BIG), order_name);

TEST_F(DiscoverTest, ExistingFilesNeedForceAndConfigKeepsTheUsersLines)
{
    write_file("system01.dbf", datafile_bytes(BO_BIG, 0, 1));
    write_file("users01.dbf", datafile_bytes(BO_BIG, 4, 4));
    const std::string mine = "# mine\nBLOCK_SIZE 4096\ncharset_name AL32UTF8\nbyte_order little\n";
    write_file("config.txt", mine);
    write_file("control.txt", "0 1 1 elsewhere.dbf\n");

    int status = -1;
    std::string out = discover({"system01.dbf", "users01.dbf"}, false, &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("control.txt exists: discover replaces it only with force.\n"
                       "config.txt exists: discover replaces it only with force.\n"),
              std::string::npos) << out;
    EXPECT_NE(out.find("nothing written.\n"), std::string::npos);
    EXPECT_EQ(read_file("config.txt"), mine);
    EXPECT_EQ(read_file("control.txt"), "0 1 1 elsewhere.dbf\n");
    EXPECT_EQ(datafile_list, nullptr);

    out = discover({"system01.dbf", "users01.dbf"}, true, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_file("config.txt"),
              "# mine\nblock_size 2048\ncharset_name AL32UTF8\nbyte_order big\ncompatible 11\n");
    EXPECT_EQ(config_data.byte_order, BO_BIG);
    EXPECT_EQ(config_data.block_size, 2048);
    EXPECT_EQ(config_data.charset_id, 873u);
    ASSERT_NE(get_datafile_item_fn(4), nullptr);

    // Headers a datafile list cannot use are named, and change nothing.
    zb::DatafileDef d = file_desc(4, 0, 0, 4);
    d.order = BO_BIG;
    zb::DatafileImage(d).write("numberless.dbf");
    d = file_desc(3, 201, 201, 4);
    d.order = BO_BIG;
    zb::DatafileImage temp(d);
    temp.header().file_type = FILETYPE_TEMPORARY;
    temp.write("temp01.dbf");
    out = discover({"."}, true, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("'numberless.dbf' has a file header with numbers no datafile has (ts# 4, file# 0, rfile# 0): "
                       "skipped.\n"),
              std::string::npos) << out;
    EXPECT_NE(out.find("'temp01.dbf' is a temporary file (file type 6), not a datafile: skipped.\n"),
              std::string::npos);
    EXPECT_NE(out.find("control.txt unchanged.\nconfig.txt unchanged.\n"), std::string::npos);
}
