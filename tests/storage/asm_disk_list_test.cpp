#include <gtest/gtest.h>

#include "storage/asm_fixture.h"

namespace {

AsmGroupDef two_disk_group(const char* name, ub1 redundancy)
{
    AsmGroupDef def;
    def.name = name;
    def.redundancy = redundancy;
    def.au_size = 64 * 1024;
    def.disks.assign(2, AsmDiskDef{});
    return def;
}

} // namespace

TEST(AsmCompat, ColumnMapping)
{
    EXPECT_EQ(get_asm_compat_from_text("11.1"), 0x0b100000u);
    EXPECT_EQ(get_asm_compat_from_text("11.2"), 0x0b200000u);
    EXPECT_EQ(get_asm_compat_from_text("11.2.0.3"), 0x0b200300u);
    EXPECT_EQ(get_asm_compat_from_text("11.2.0.3.0"), 0x0b200300u);
    EXPECT_EQ(get_asm_compat_from_text("12"), 0x0c000000u);
    EXPECT_EQ(get_asm_compat_from_text("10.1.0.0.2"), 0x0a100002u);
    EXPECT_EQ(get_asm_compat_from_text("0x0b100000"), 0x0b100000u);
    for (const char* bad : {"", "abc", "11.16", "256", "11.2x", "0x", ".2", "11.2.0.0.0.1"})
        EXPECT_EQ(get_asm_compat_from_text(bad), 0u) << bad;
}

// Bad lines, unusable disks and damaged headers, in one list: the golden
// listing shows what was registered and from where.
TEST(AsmDiskList, LoadMessagesAndListing)
{
    AsmGroupFixture fx("asmlist");
    AsmGroupDef data = two_disk_group("DATA", 1);
    AsmGroupImage data_image = build_asm_group(data);
    write_asm_group(data_image, data, ".", "");
    AsmGroupDef fra = two_disk_group("FRA", 1);
    fra.compat = 0x0b100000;
    fra.disks[0].damage = AsmDiskDamage::bad_checksum;
    fra.disks[1].damage = AsmDiskDamage::wrong_type;
    fra.disks[1].header_offset = 8192;
    AsmGroupImage fra_image = build_asm_group(fra);
    write_asm_group(fra_image, fra, ".", "");
    std::string text =
        "# disks of two groups\n"
        "\n"
        "0\n"                                                     // one token
        "0 DATA_0.dsk DATA 4096 65536 8 0 11.2 extra\n"           // nine tokens
        "0 DATA_0.dsk\n"
        "9 missing.dsk\n"
        "1 DATA_1.dsk IGNORED 512 512 1 0 10.1\n"                 // valid header: the line's columns are not used
        "1 DATA_1.dsk\n"                                          // duplicate of the highest number
        "0 FRA_0.dsk FRA 4096 65536 7 0 11.1\n"                   // bad checksum: taken from the line
        "5000 FRA_1.dsk FRA 4096 65536 7 8192 11.1\n"             // wrong type, number too large
        "1 FRA_1.dsk\n"                                           // wrong type, no group name
        "1 FRA_1.dsk fra 4096 65536 7 8192\n"                     // group found ignoring case
        "\t  \n";
    std::string out = fx.load_text(text, BO_LITTLE);
    EXPECT_GOLDEN("asm/disk_list_load.txt", out);

    PASM_DISKGROUP_ITEM g_data = search_asm_diskgroup_by_name("data");
    PASM_DISKGROUP_ITEM g_fra = search_asm_diskgroup_by_name("FRA");
    ASSERT_NE(g_data, nullptr);
    ASSERT_NE(g_fra, nullptr);
    EXPECT_EQ(g_data->disk_group_no, 1u);
    EXPECT_EQ(g_fra->disk_group_no, 2u);
    EXPECT_EQ(g_data->variable_size_extent, 0x0b20u);
    // The bad-header disk gave the group its numbers: 11.1, AU 2 for file 1.
    EXPECT_EQ(g_fra->variable_size_extent, 0x0b10u);
    EXPECT_EQ(g_fra->au_size, 65536u);
    EXPECT_EQ(g_fra->f1b1locn[0], 2u);
    EXPECT_EQ(g_fra->f1b1locn[1], 2u);
    EXPECT_EQ(g_fra->f1b1locn_disk[1], 1u);
    EXPECT_EQ(g_fra->disk_count, 2u);
    EXPECT_EQ(search_asmdisk(2, 1)->status, ASMDISK_HEADER_BAD);
    EXPECT_EQ(search_asmdisk(2, 1)->header_offset, 8192u);
    EXPECT_EQ(search_asmdisk(1, 1)->status, ASMDISK_HEADER_VALID);
    // Headers that are only damaged still let file 1 be found at AU 2.
    ASSERT_NE(g_fra->f1_file, nullptr);
    EXPECT_EQ(g_fra->f1_file->file_number, 1u);
    EXPECT_GT(g_fra->alias_file->fact_extent_count, 0u);
}

// Normal redundancy over three disks: disk 0 takes slot 0, the two others
// the remaining slots; a missing list file keeps what was loaded.
TEST(AsmDiskList, FileOneSlotsAndReload)
{
    AsmGroupFixture fx("asmslots");
    AsmGroupDef def = two_disk_group("DATA", 2);
    def.disks.assign(3, AsmDiskDef{});
    def.file1_copies = 3;
    AsmGroupImage image = build_asm_group(def);
    std::vector<std::string> lines = write_asm_group(image, def, ".", "");
    fx.load_text(lines[2] + "\n" + lines[1] + "\n" + lines[0] + "\n", BO_LITTLE);
    PASM_DISKGROUP_ITEM g = search_asm_diskgroup_by_name("DATA");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->f1b1locn[0], 2u);
    EXPECT_EQ(g->f1b1locn_disk[0], 0u);
    EXPECT_EQ(g->f1b1locn_disk[1], 2u);
    EXPECT_EQ(g->f1b1locn_disk[2], 1u);
    EXPECT_EQ(g->f1_file->extent_copys, 3);
    EXPECT_EQ(g->disk_count, 3u);
    for (ub4 d = 0; d < 3; d++)
        EXPECT_EQ(g->disk_list[d]->disk_no, d);
    std::string out = capture_stdout([] { load_asmdisk_file("nothere.txt"); });
    EXPECT_EQ(out, "can not open file 'nothere.txt', error message:No such file or directory.\n");
    EXPECT_EQ(search_asm_diskgroup_by_name("DATA"), g);
}
