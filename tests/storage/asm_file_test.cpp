#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "base/trace.h"
#include "storage/asm_fixture.h"

namespace {

constexpr ub4 KIB = 1024;

struct Layout {
    const char* what;
    ub1 redundancy;
    ub4 disks;
    ub4 au_size;
    ub2 meta_block_size;
    ub4 block_size;
    ub1 stripe_width;
    ub1 stripe_size;
    ub2 direct_slots;
    ub2 pointers_per_block;
};

const Layout LAYOUTS[] = {
    {"external, one disk", 1, 1, 64 * KIB, 4096, 8192, 1, 0, 60, 0},
    {"normal, three disks", 2, 3, 64 * KIB, 4096, 8192, 1, 0, 60, 0},
    {"high, four disks, 1 MiB AU", 3, 4, 1024 * KIB, 4096, 8192, 1, 0, 60, 0},
    {"striped by 4, 16 KiB chunks", 1, 2, 64 * KIB, 4096, 8192, 4, 14, 60, 0},
    {"striped, normal", 2, 3, 64 * KIB, 4096, 4096, 8, 13, 60, 0},
    {"indirect extents, many blocks", 2, 3, 16 * KIB, 4096, 8192, 1, 0, 4, 2},
    {"indirect extents, 2 KiB metadata", 1, 2, 32 * KIB, 2048, 2048, 1, 0, 6, 0},
    {"indirect and striped", 1, 3, 16 * KIB, 4096, 4096, 2, 13, 2, 4},
};

AsmGroupDef layout_group(const Layout& l, int byte_order, size_t bytes)
{
    AsmGroupDef def;
    def.byte_order = byte_order;
    def.redundancy = l.redundancy;
    def.au_size = l.au_size;
    def.meta_block_size = l.meta_block_size;
    def.disks.assign(l.disks, AsmDiskDef{});
    AsmFileDef f;
    f.file_number = 259;
    f.block_size = l.block_size;
    f.stripe_width = l.stripe_width;
    f.stripe_size_log2 = l.stripe_size;
    f.direct_slots = l.direct_slots;
    f.indirect_pointers_per_block = l.pointers_per_block;
    f.image = make_asm_test_image(bytes, l.block_size, 259);
    def.files.push_back(f);
    def.aliases.push_back({"ORCL/DATAFILE/USERS", 259, 1, true});
    def.aliases.push_back({"ORCL/users01.dbf", 259, 1, false});
    return def;
}

// Two groups: DATA (normal, three disks) with a datafile and a deeper tree,
// FRA (external) with one file; both carry system and user entries.
AsmGroupDef mirrored_group(int byte_order)
{
    Layout l = {"", 2, 3, 64 * KIB, 4096, 8192, 1, 0, 4, 3};
    AsmGroupDef def = layout_group(l, byte_order, 8192 * 50 + 1000);
    def.aliases.push_back({"ORCL/CONTROLFILE", 0, 0, true});
    return def;
}

class ByteOrderParam : public ::testing::TestWithParam<int> {};

} // namespace

using AsmFileTest = ByteOrderParam;

// Every layout reads back byte for byte, through the alias path and through
// the numeric name, and the map holds every physical extent.
TEST_P(AsmFileTest, EveryLayoutReadsBack)
{
    for (const Layout& l : LAYOUTS) {
        AsmGroupFixture fx("asmlayout");
        AsmGroupDef def = layout_group(l, GetParam(), (size_t)l.block_size * 45 + 77);
        AsmGroupImage image = build_asm_group(def);
        std::string out = fx.load(def, image);
        for (const char* name : {"+DATA/ORCL/DATAFILE/USERS.259.1", "+data/orcl/users01.dbf", "+DATA.259",
                                 "+DATA/ORCL/DATAFILE/USERS.259.1x.259.1"}) {
            PKFFFDB file = open_asm_test_file(name);
            ASSERT_NE(file, nullptr) << l.what << " " << name << "\n" << out;
            EXPECT_EQ(file->fact_extent_count, image.extents[259].size()) << l.what;
            EXPECT_EQ(file->fact_extent_count, file->xtntcnt) << l.what;
            EXPECT_EQ(file->extent_copys, def.redundancy) << l.what;
            std::vector<ub1> back = read_whole_asm_file(file, 7);
            EXPECT_TRUE(back == def.files[0].image) << l.what << " " << name;
            close_asm_datafile(&file);
        }
    }
}

// A read never runs past the contiguous run: with 8 blocks per AU, asking for
// 20 blocks from block 5 returns 3.
TEST_P(AsmFileTest, ReadStopsAtEndOfRun)
{
    AsmGroupFixture fx("asmrun");
    AsmGroupDef def = layout_group(LAYOUTS[0], GetParam(), 8192 * 30);
    AsmGroupImage image = build_asm_group(def);
    fx.load(def, image);
    PKFFFDB file = open_asm_test_file("+DATA.259");
    ASSERT_NE(file, nullptr);
    std::vector<ub1> buffer(20 * 8192);
    EXPECT_EQ(read_asmfile_blocks(file, 5, 20, buffer.data()), 3);
    EXPECT_EQ(0, memcmp(buffer.data(), def.files[0].image.data() + 5 * 8192, 3 * 8192));
    std::string out = capture_stdout([&] { EXPECT_EQ(read_asmfile_blocks(file, 8 * 4, 1, buffer.data()), 0); });
    EXPECT_EQ(out, "read_asmfile_blocks: extent_id 4 >= fact_extent_count 4.\n");
    close_asm_datafile(&file);
}

// Any one disk of a normal-redundancy group can be missing from the list,
// cut short, or carry damaged metadata: every block still comes from a mirror.
TEST_P(AsmFileTest, MirrorFailOver)
{
    AsmGroupDef def = mirrored_group(GetParam());
    AsmGroupImage image = build_asm_group(def);
    const std::vector<ub1>& want = def.files[0].image;
    for (ub4 d = 0; d < 3; d++) {
        AsmGroupFixture fx("asmmirror");
        fx.load(def, image, {d});
        PKFFFDB file = open_asm_test_file("+DATA/ORCL/DATAFILE/USERS.259.1");
        ASSERT_NE(file, nullptr) << "without disk " << d;
        EXPECT_TRUE(read_whole_asm_file(file) == want) << "without disk " << d;
        close_asm_datafile(&file);
    }
    {
        // The primary copy of data extent 2 is cut off with the rest of its disk.
        AsmGroupFixture fx("asmshort");
        AsmExtentPlace primary = image.extents[259][2 * 2];
        std::vector<std::string> lines = write_asm_group(image, def, ".", "");
        fx.rewrite_disk(def, image, primary.disk, asm_disk_offset(def, primary.disk, primary.au, 100));
        fx.load_text(lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n", def.byte_order);
        PKFFFDB file = open_asm_test_file("+DATA.259");
        ASSERT_NE(file, nullptr);
        std::vector<ub1> back;
        std::string out = capture_stdout([&] { back = read_whole_asm_file(file); });
        EXPECT_TRUE(back == want);
        EXPECT_NE(out.find("read data error from diskgroup# 1 disk# " + std::to_string(primary.disk)), std::string::npos)
            << out;
        close_asm_datafile(&file);
    }
    {
        // Bad checksums on the primary copies of: the file's directory entry,
        // its first indirect block and the root alias block.
        AsmGroupImage damaged = image;
        const AsmExtentPlace f1 = damaged.extents[1][(259 / 16) * 2];
        asm_meta_block_at(damaged, def, f1.disk, f1.au, 259 % 16)[100] ^= 1;
        const AsmExtentPlace ind = damaged.indirect[259][0];
        asm_meta_block_at(damaged, def, ind.disk, ind.au, 0)[200] ^= 1;
        const AsmExtentPlace f6 = damaged.extents[6][0];
        asm_meta_block_at(damaged, def, f6.disk, f6.au, 0)[300] ^= 1;
        AsmGroupFixture fx("asmmeta");
        fx.load(def, damaged);
        PKFFFDB file = nullptr;
        std::string out = capture_stdout([&] { open_asm_datafile("+DATA/ORCL/DATAFILE/USERS.259.1", 0, &file); });
        ASSERT_NE(file, nullptr) << out;
        EXPECT_EQ(file->fact_extent_count, file->xtntcnt);
        EXPECT_NE(out.find("asm meta data checksum error,diskgroup# 1 disk# " + std::to_string(f1.disk) + " block# " +
                           std::to_string(259 % 16) + "."),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("asm meta data checksum error,diskgroup# 1 disk# " + std::to_string(ind.disk) + " block# 0."),
                  std::string::npos)
            << out;
        EXPECT_TRUE(read_whole_asm_file(file) == want);
        close_asm_datafile(&file);
    }
}

TEST_P(AsmFileTest, NameForms)
{
    AsmGroupFixture fx("asmnames");
    AsmGroupDef def = mirrored_group(GetParam());
    AsmGroupImage image = build_asm_group(def);
    fx.load(def, image);
    struct {
        const char* name;
        bool group;
        ub4 fnum;
        ub4 finc;
    } cases[] = {
        {"+DATA/ORCL/DATAFILE/USERS.259.1", true, 259, 1},  // system name with its numbers
        {"+data/orcl/datafile/users", true, 259, 1},      // alias name alone, any case
        {"+DATA/ORCL/users01.dbf", true, 259, 1},          // user alias
        {"+DATA/NOWHERE/x.300.7", true, 300, 7},           // no such alias: the numeric form decides
        {"+DATA.5", true, 5, 0},
        {"+DATA", false, 0, 0},
        {"+", false, 0, 0},
        {"DATA.259", false, 0, 0},
        {"+NOPE.259.1", false, 259, 1},
        {"+DATA/ORCL/CONTROLFILE", false, 0, 0},          // a directory names no file
    };
    for (const auto& c : cases) {
        PASM_DISKGROUP_ITEM group = nullptr;
        ub4 fnum = 99, finc = 99;
        parse_asmfile_name(c.name, &group, &fnum, &finc);
        EXPECT_EQ(group != nullptr, c.group) << c.name;
        if (c.group) {
            EXPECT_EQ(fnum, c.fnum) << c.name;
            EXPECT_EQ(finc, c.finc) << c.name;
        }
    }
    // A file number the directory does not hold, or a group without it.
    PKFFFDB file = nullptr;
    EXPECT_EQ(open_asm_datafile("+DATA.300", 8192, &file), ASMFILE_NO_FILE_INFO);
    EXPECT_EQ(open_asm_datafile("+DATA", 8192, &file), ASMFILE_NO_DISKGROUP);
    EXPECT_EQ(open_asm_datafile("+FRA.259", 8192, &file), ASMFILE_NO_DISKGROUP);
    EXPECT_EQ(file, nullptr);
}

// Directory chains come from the disk: a block naming itself as the next one
// is read once, and directories deeper than 20 levels do not load.
TEST_P(AsmFileTest, AliasWalksAreBounded)
{
    AsmGroupDef def = mirrored_group(GetParam());
    std::string deep = "D0";
    for (int i = 1; i < 23; i++)
        deep += "/D" + std::to_string(i);
    def.aliases.push_back({deep, 0, 0, false});
    AsmGroupImage image = build_asm_group(def);
    for (ub4 c = 0; c < 2; c++) {
        const AsmExtentPlace f6 = image.extents[6][c];
        ub1* root = asm_meta_block_at(image, def, f6.disk, f6.au, 0);
        put_asm_ub4(root, 44, 0, def.byte_order);
        seal_asm_block(root, def.meta_block_size);
    }
    AsmGroupFixture fx("asmbound");
    fx.load(def, image);
    PASM_DISKGROUP_ITEM group = search_asm_diskgroup_by_name("data");
    ASSERT_NE(group, nullptr);
    get_asm_alias_subdir(group, group->root_alias);
    ASSERT_EQ(group->root_alias->dir_load_status, DLS_LOADED);
    EXPECT_EQ(zem_list_item_cnt(&group->root_alias->sub_list), 2u);

    PASM_ALIAS dir = (PASM_ALIAS)group->root_alias->sub_list.tail->data;
    ub2 loaded_depth = 0;
    while (dir != nullptr) {
        get_asm_alias_subdir(group, dir);
        if (dir->dir_load_status != DLS_LOADED)
            break;
        loaded_depth = dir->dir_level;
        dir = dir->sub_list.header != nullptr ? (PASM_ALIAS)dir->sub_list.header->data : nullptr;
    }
    EXPECT_EQ(loaded_depth, ASM_DIR_MAX_DEPTH);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(dir->dir_load_status, DLS_LOAD_FAILED);
    EXPECT_EQ(dir->dir_level, ASM_DIR_MAX_DEPTH + 1);
}

TEST_P(AsmFileTest, ReopenedDisksStillRead)
{
    AsmGroupFixture fx("asmreopen");
    AsmGroupDef def = mirrored_group(GetParam());
    AsmGroupImage image = build_asm_group(def);
    fx.load(def, image);
    PKFFFDB file = open_asm_test_file("+DATA.259");
    ASSERT_NE(file, nullptr);
    reopen_diskgroup_disks();
    EXPECT_TRUE(read_whole_asm_file(file) == def.files[0].image);
    remove(asm_disk_file_name(def, 1).c_str());
    std::string out = capture_stdout([] { reopen_diskgroup_disks(); });
    EXPECT_EQ(out, "can not open asm disk file DATA_1.dsk! error message:No such file or directory.\n");
    EXPECT_EQ(search_asmdisk(1, 1)->fp, nullptr);
    EXPECT_TRUE(read_whole_asm_file(file) == def.files[0].image);
    close_asm_datafile(&file);
}

TEST_P(AsmFileTest, TraceWritesExtentMaps)
{
    AsmGroupFixture fx("asmtrace");
    Layout l = {"", 1, 1, 64 * KIB, 4096, 8192, 1, 0, 60, 0};
    AsmGroupDef def = layout_group(l, GetParam(), 8192 * 9);
    AsmGroupImage image = build_asm_group(def);
    write_asm_group(image, def, ".", "");
    write_file("asmdisk.txt", "0 DATA_0.dsk\n");
    config_data.byte_order = GetParam();
    config_data.trace_config.trace_asm = 4;
    config_data.trace_config.fp = fopen("trace.txt", "w");
    capture_stdout([] { load_asmdisk_file("asmdisk.txt"); });
    PKFFFDB file = open_asm_test_file("+DATA.259");
    ASSERT_NE(file, nullptr);
    std::vector<ub1> buffer(8192);
    read_asmfile_blocks(file, 8, 1, buffer.data());
    close_asm_datafile(&file);
    close_trace_file();
    std::string trace = read_file("trace.txt");
    EXPECT_NE(trace.find("diskgroup name: DATA, file_number: 259\nfile type: 2, file_size: 73728\n"
                         "stripe width: 1,stripe size: 0\nextent count: 2, fact extent count: 2, extent_copys: 1\n"
                         "\n    ext#      au#  disk#\n-------- -------- ------ \n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("get_asmfile_info: calc_asm_file_block_pos: input: file_no=259,output:extent_id=16,"
                         "block_no=3,continue_blocks=13\n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("read_asmfile_blocks: calc_asm_file_block_pos: asm file no=259,input: block_no=8,"
                         "output:extent_id=1,block_no=0,continue_blocks=8\n"),
              std::string::npos)
        << trace;
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, AsmFileTest, ::testing::Values(BO_LITTLE, BO_BIG));
