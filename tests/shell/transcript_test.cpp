// Whole sessions of zem as a process: standard output (and the spool file)
// compared byte for byte with tests/golden/shell/.

#include <gtest/gtest.h>

#include <string>

#include "support/process.h"

namespace {

class Transcript : public ::testing::Test {
protected:
    void TearDown() override { remove_tree(dir_); }
    ZemRun run(const std::string& input, const std::map<std::string, std::string>& env = {})
    {
        ZemRun r = run_zem_process(dir_, input, env);
        EXPECT_EQ(r.status, 0);
        return r;
    }
    std::string file(const std::string& name) const { return dir_ + "/" + name; }
    std::string dir_ = make_temp_dir("shell");
};

} // namespace

TEST_F(Transcript, StartupWithoutConfig)
{
    EXPECT_GOLDEN("shell/startup_no_config.txt", run("exit\n").out);
}

TEST_F(Transcript, StartupWithConfig)
{
    write_file(file("config.txt"), "# demo settings\nblock_size 8192\nbyte_order little\ndata_path out\n"
                                   "db_timezone +8:00\ncharset_name AL32UTF8\n");
    EXPECT_GOLDEN("shell/startup_with_config.txt", run("EXIT\n").out);
    EXPECT_TRUE(path_exists(file("zem_trace.txt")));
}

TEST_F(Transcript, ConfigInvalidValuesAndLoadConfig)
{
    write_file(file("config.txt"),
               "block_size 3000\nbyte_order middle\nclob_byte_order sideways\ndb_timezone +15:00\n"
               "client_timezone 8:00\ntrace_level 7\ncharset_name NOSUCH\nncharset_name NOSUCH2\n"
               "lob_storage disk\noutput_format xml\nfix_interleaved_block maybe\nunload_deleted maybe\n"
               "is_tru64 maybe\nrecord_row_addr maybe\ndb_block_checksum maybe\ndb_block_checking maybe\n"
               "use_scanned_lob maybe\nuse_scanned_extent maybe\ntrim_scanned_blob maybe\n"
               "convert_clob_charset maybe\nlob_switch_dir_rows 5\nrdba_file_bits 0\ncompatible 6\n"
               "unknown_key 1\nblock_size\n  # indented comment\n");
    write_file(file("other.txt"), "delimiter ,\nmax_rows -1\n");
    EXPECT_GOLDEN("shell/config_invalid.txt",
                  run("load config other.txt\nload config missing.txt\nload\nload cfg\nload config a b\nexit\n").out);
}

TEST_F(Transcript, HelpInEachModule)
{
    EXPECT_GOLDEN("shell/help_modules.txt",
                  run("help\nblockedit\nhelp\nHELP\nexit\nasmcmd\nhelp\nexit\nexit\n").out);
}

TEST_F(Transcript, UsageTextsAndUnknownCommands)
{
    EXPECT_GOLDEN("shell/usage.txt",
                  run("@\n@a.txt b\nstart\nstart a b\nspool\nspool a b\nrowid\nrdba\ntime\ntime 1 2\n"
                      "charset\ncharset id 0\ncharset id -3\ncharset list x\nunexp table scott.emp file exp.dmp\n"
                      "unexp table scott.emp file exp.dmp from 2268 to 90000\nUNEXP TABLE x FILE y FROM 1 TO 2\n"
                      "frobnicate\nunload table scott.emp\nscan\nblockedit\nunload\nshow\nset datafile 1\n"
                      "exit\nasmcmd\ndump diskgroup 1 disk 0 au 1 block 1\nblockedit\nexit\n   \t \n\nexit\n")
                      .out);
}

TEST_F(Transcript, NestedCommandFiles)
{
    write_file(file("outer.txt"), "rdba 0x01000005\n\n@inner.txt\ntime 60\r\n");
    write_file(file("inner.txt"), "rowid AAAAABAABAAAAABAAA\nstart missing.txt\n");
    EXPECT_GOLDEN("shell/nested_cmdfiles.txt", run("@outer.txt\nrdba 5\nexit\n").out);
}

TEST_F(Transcript, ExitInsideCommandFileEndsProgram)
{
    write_file(file("cmds.txt"), "rdba 1\nexit\nrdba 2\n");
    ZemRun r = run("start cmds.txt\nrdba 3\n");
    EXPECT_EQ(r.out.find("rdba   : 0x00000002"), std::string::npos);
    EXPECT_EQ(r.out.find("rdba   : 0x00000003"), std::string::npos);
    EXPECT_NE(r.out.find("rdba   : 0x00000001"), std::string::npos);
}

TEST_F(Transcript, SpoolOnOffAndFilename)
{
    ZemRun r = run("rdba 1\nspool on\nrdba 2\nspool on\nrdba 3\nspool off\nspool off\nrdba 4\n"
                   "spool ON\ncharset name utf8\nspool /nonexistent/dir/s.txt\nrdba 5\nexit\n");
    EXPECT_GOLDEN("shell/spool_stdout.txt", r.out);
    // The second "spool on" truncated the file: only what followed it is there.
    EXPECT_GOLDEN("shell/spool_file.txt", read_file(file("zem_spool.txt")));
    EXPECT_GOLDEN("shell/spool_file_ON.txt", read_file(file("ON")));
}

TEST_F(Transcript, HostWithShellUnset)
{
    // With SHELL unset the line is: /bin/sh -c  "echo a b" (spacing typed is not kept).
    ZemRun r = run("host echo a  b\nhost exit 3\nexit\n", {{"SHELL", ""}});
    EXPECT_GOLDEN("shell/host.txt", r.out);
}

TEST_F(Transcript, UtilityCommands)
{
    EXPECT_GOLDEN("shell/utility.txt",
                  run("rowid AAAAABAABAAAAABAAA\nrowid AAAR3sAAEAAAACXAAA\nrowid AAAAABAABAAAAABAA\nrdba 0x01000005\n"
                      "rdba 16777221\nrdba ff\nrdba 0x\nrdba 0xffffffff\ntime 0\ntime 60\ntime 0x1000\ntime zz\n"
                      "time 1036800\ncharset name zhs16gbk\ncharset name nosuch\ncharset id 873\ncharset id 77777\n"
                      "charset list\nexit\n")
                      .out);
}

TEST_F(Transcript, ExitInEachModuleAndEndOfInput)
{
    EXPECT_GOLDEN("shell/exit_modules.txt", run("blockedit\nExit\nasmcmd\nEXIT\nexit\nrdba 1\n").out);
    // End of standard input ends the program as exit does, also inside a module.
    EXPECT_GOLDEN("shell/eof_in_module.txt", run("asmcmd\n").out);
}

// Over-long input is refused with a message; nothing is written past a buffer
// (the suite also runs under AddressSanitizer).
TEST_F(Transcript, OverlongInputIsRefused)
{
    std::string input;
    input += std::string(70000, 'x') + "\n";
    input += "rdba " + std::string(60, '1') + "\n";
    std::string many = "rdba";
    for (int i = 0; i < 1200; i++)
        many += " 1";
    input += many + "\n";
    input += "host echo " + std::string(45, 'y');
    for (int i = 0; i < 9; i++)
        input += " " + std::string(45, 'y');
    input += "\n";
    input += "rdba " + std::string(49, '1').replace(0, 47, std::string(47, '0')) + "\nexit\n";
    EXPECT_GOLDEN("shell/overlong.txt", run(input).out);
}

TEST_F(Transcript, CommandLineOptions)
{
    ZemRun r = run_zem_process(dir_, "", {});
    EXPECT_EQ(r.status, 0);
    std::string version = std::string(ZEM_BIN) + " --version";
    FILE* p = popen(version.c_str(), "r");
    char buf[128] = {};
    size_t n = fread(buf, 1, sizeof(buf) - 1, p);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_EQ(std::string(buf, n), "zem 4.2.1\n");
    std::string help = std::string(ZEM_BIN) + " --help </dev/null";
    p = popen(help.c_str(), "r");
    n = fread(buf, 1, sizeof(buf) - 1, p);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_EQ(std::string(buf, 11), "usage: zem ");
}
