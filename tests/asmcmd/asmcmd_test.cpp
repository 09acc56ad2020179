#include <gtest/gtest.h>

#include <string>

#include "builder/asm_builder.h"
#include "support/process.h"

namespace {

constexpr ub4 KIB = 1024;

AsmFileDef file_spec(ub4 number, ub4 block_size, size_t bytes)
{
    AsmFileDef f;
    f.file_number = number;
    f.block_size = block_size;
    f.image = make_asm_test_image(bytes, block_size, number);
    return f;
}

// DATA: normal redundancy over three disks with a plain datafile (259), a
// second one (260), a striped one (261), one with indirect extents (262) and
// one that cannot be addressed (263, 4 KiB stripes of 8 KiB blocks).
// FRA: external, one disk, one archived log.
struct Groups {
    AsmGroupDef data;
    AsmGroupDef fra;
    AsmGroupImage data_image;
    AsmGroupImage fra_image;
    std::vector<std::string> lines;

    explicit Groups(int byte_order)
    {
        data.byte_order = byte_order;
        data.redundancy = 2;
        data.au_size = 64 * KIB;
        data.disks.assign(3, AsmDiskDef{});
        data.files.push_back(file_spec(259, 8192, 8192 * 45 + 77));
        data.files.push_back(file_spec(260, 8192, 8192 * 20));
        AsmFileDef striped = file_spec(261, 8192, 8192 * 70 + 5);
        striped.stripe_width = 4;
        striped.stripe_size_log2 = 15;
        data.files.push_back(striped);
        AsmFileDef indirect = file_spec(262, 4096, 4096 * 150);
        indirect.direct_slots = 6;
        indirect.indirect_pointers_per_block = 4;
        data.files.push_back(indirect);
        AsmFileDef bad = file_spec(263, 8192, 8192 * 4);
        bad.stripe_width = 2;
        bad.stripe_size_log2 = 12;
        data.files.push_back(bad);
        data.aliases = {
            {"ORCL/DATAFILE/USERS", 259, 1, true},        {"ORCL/DATAFILE/SYSTEM", 260, 1, true},
            {"ORCL/DATAFILE/STRIPED", 261, 1, true},      {"ORCL/DATAFILE/BIG", 262, 1, true},
            {"ORCL/DATAFILE/BROKEN", 263, 1, true},       {"ORCL/users01.dbf", 259, 1, false},
            {"ORCL/CONTROLFILE", 0, 0, true},             {"MYDIR", 0, 0, false},
        };
        fra.name = "FRA";
        fra.byte_order = byte_order;
        fra.au_size = 64 * KIB;
        fra.files.push_back(file_spec(256, 512, 512 * 300 + 12));
        fra.aliases = {{"ORCL/ARCHIVELOG/thread_1_seq_7", 256, 3, true}};
        data_image = build_asm_group(data);
        fra_image = build_asm_group(fra);
    }
    void write(const std::string& dir)
    {
        std::string text = "# disks\n";
        for (const std::string& line : write_asm_group(data_image, data, dir, ""))
            text += line + "\n";
        for (const std::string& line : write_asm_group(fra_image, fra, dir, ""))
            text += line + "\n";
        write_file(dir + "/asmdisk.txt", text);
    }
    const std::vector<ub1>& image(ub4 number) const
    {
        for (const AsmFileDef& f : data.files)
            if (f.file_number == number)
                return f.image;
        return fra.files[0].image;
    }
};

std::string bytes(const std::vector<ub1>& v)
{
    return std::string(v.begin(), v.end());
}

// The lines other subsystems print while starting (datafile list, dictionary)
// are not this module's: keep the banner, the ASM disk listing and all that
// follows the first prompt.
std::string asm_transcript(const std::string& out)
{
    size_t control = out.find("loading default control file ......");
    size_t prompt = out.find("ZEM> ");
    if (control == std::string::npos || prompt == std::string::npos || prompt < control)
        return out;
    return out.substr(0, control) + out.substr(prompt);
}

class Scratch {
public:
    explicit Scratch(const char* tag) : dir(make_temp_dir(tag)) {}
    ~Scratch() { remove_tree(dir); }
    std::string dir;
};

} // namespace

TEST(AsmcmdModule, BrowseTranscript)
{
    Scratch s("asmcmd_ls");
    Groups g(BO_LITTLE);
    g.write(s.dir);
    // "cd USERS" names a file; "cd DATAFILE" from ORCL/DATAFILE is not there;
    // a trailing slash names an empty part.
    ZemRun run = run_zem_process(s.dir,
                                 "asmcmd\nls\ncd +data\nls\ncd ORCL\nls\ncd DATAFILE\nls\ncd USERS\ncd nothere\n"
                                 "cd DATAFILE\ncd ..\ncd /\ncd ORCL/DATAFILE\ncd /ORCL\ncd ORCL/DATAFILE/\n"
                                 "cd +FRA/ORCL/ARCHIVELOG\nls\ncd +DATA/MYDIR\nls\ncd +\ncd +NOPE\ncd ..\ncd ..\n"
                                 "cd ..\ncd DATA\ncd /DATA\ncd /\nls\ncd a b\nls x\n"
                                 "dump diskgroup 1 disk 0 au 2 block 1\ndump disk 0\nhelp\nexit\nexit\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_GOLDEN("asm/browse.txt", asm_transcript(run.out));
}

TEST(AsmcmdModule, ExtractTranscript)
{
    Scratch s("asmcmd_extract");
    Groups g(BO_LITTLE);
    g.write(s.dir);
    ZemRun run = run_zem_process(s.dir,
                                 "asmcmd\nextract asmfile +DATA/ORCL/DATAFILE/USERS.259.1 to users.dbf\n"
                                 "extract asmfile +DATA/ORCL/DATAFILE/USERS.259.1 to users.dbf\n"
                                 "extract asmfile +DATA.260 to users.dbf FORCE\ncd +DATA/ORCL/DATAFILE\n"
                                 "extract asmfile SYSTEM to system.dbf\n"
                                 "extract asmfile /ORCL/users01.dbf to alias.dbf\n"
                                 "extract asmfile STRIPED to striped.dbf\nextract asmfile +DATA.262 to indirect.dbf\n"
                                 "extract asmfile +fra/orcl/archivelog/thread_1_seq_7.256.3 to arch.log\n"
                                 "extract asmfile BROKEN to broken.dbf\nextract asmfile +DATA.300 to x.dbf\n"
                                 "extract asmfile +NOPE.5 to x.dbf\nextract asmfile +DATA/nothing to x.dbf\n"
                                 "extract asmfile +DATA/nothing.x to x.dbf\nextract asmfile USERS to nodir/x.dbf\n"
                                 "extract file USERS to x.dbf\nextract asmfile USERS to x.dbf forc\nexit\nexit\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_GOLDEN("asm/extract.txt", asm_transcript(run.out));
    EXPECT_TRUE(read_file(s.dir + "/users.dbf") == bytes(g.image(260)));
    EXPECT_TRUE(read_file(s.dir + "/system.dbf") == bytes(g.image(260)));
    EXPECT_TRUE(read_file(s.dir + "/alias.dbf") == bytes(g.image(259)));
    EXPECT_TRUE(read_file(s.dir + "/striped.dbf") == bytes(g.image(261)));
    EXPECT_TRUE(read_file(s.dir + "/indirect.dbf") == bytes(g.image(262)));
    EXPECT_TRUE(read_file(s.dir + "/arch.log") == bytes(g.image(256)));
    EXPECT_FALSE(path_exists(s.dir + "/broken.dbf"));
    EXPECT_FALSE(path_exists(s.dir + "/x.dbf"));
}

// dump reads one metadata block as it lies on the disk: the disk header, a
// file directory entry with its extent pointers, an alias directory block,
// a block of another type in hexadecimal, one whose checksum fails; and
// refuses places that are not there. Both byte orders show the same fields.
TEST(AsmcmdModule, DumpMetadataBlocks)
{
    std::string outs[2];
    for (int order : {BO_LITTLE, BO_BIG}) {
        Scratch s("asmcmd_dump");
        Groups g(order);
        g.write(s.dir);
        write_file(s.dir + "/config.txt", order == BO_BIG ? "byte_order big\n" : "byte_order little\n");
        // Break the checksum of the root alias directory block (file 6, block
        // 0, in AU 13 of disk 0) in a byte of a free entry.
        std::string disk = read_file(s.dir + "/" + asm_disk_file_name(g.data, 0));
        disk[13 * 64 * KIB + 4 * KIB - 1] ^= 0x5a;
        write_file(s.dir + "/" + asm_disk_file_name(g.data, 0), disk);
        ZemRun run = run_zem_process(s.dir, "asmcmd\n"
                                            "dump diskgroup 1 disk 0 au 0 block 0\n"
                                            "dump diskgroup 1 disk 0 au 2 block 6\n"
                                            "dump diskgroup 1 disk 0 au 13 block 0\n"
                                            "dump diskgroup 1 disk 0 au 2 block 3\n"
                                            "dump diskgroup 3 disk 0 au 0 block 0\n"
                                            "dump diskgroup 1 disk 7 au 0 block 0\n"
                                            "dump diskgroup 1 disk 0 au 0 block 16\n"
                                            "dump diskgroup 1 disk 0 au 99999 block 0\n"
                                            "dump diskgroup 1 disk 0 au x block 0\n"
                                            "dump group 1 disk 0 au 0 block 0\n"
                                            "exit\nexit\n");
        EXPECT_EQ(run.status, 0);
        outs[order] = run.out.substr(run.out.find("ASMCMD> "));
    }
    EXPECT_GOLDEN("asm/dump.txt", outs[BO_LITTLE]);
    // The endian byte and the checksum word are the lines that follow the
    // byte order.
    auto without_order = [](const std::string& text) {
        std::string kept;
        size_t from = 0;
        while (from < text.size()) {
            size_t to = text.find('\n', from);
            to = to == std::string::npos ? text.size() : to + 1;
            std::string line = text.substr(from, to - from);
            if (line.rfind("kfbh.endian:", 0) != 0 && line.rfind("kfbh.check:", 0) != 0)
                kept += line;
            from = to;
        }
        return kept;
    };
    EXPECT_EQ(without_order(outs[BO_LITTLE]), without_order(outs[BO_BIG]));
}
