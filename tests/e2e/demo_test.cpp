// The demo: make_demo writes the database and its command file, and zem run
// on that command file discovers the datafile list, rebuilds the dictionary,
// lists, describes, unloads SCOTT's tables and a table of CLOB and BLOB
// values, and recovers a truncated table after an extent scan.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>

#include "builder/demo_schema.h"
#include "support/e2e.h"

TEST(Demo, CommandFileRunsOnTheDemoDatabase)
{
    std::string dir = make_temp_dir("demo");
    std::string demo = dir + "/demo";
    std::string command = std::string(ZEM_MAKE_DEMO) + " " + demo + " > " + dir + "/make_demo.out";
    ASSERT_EQ(system(command.c_str()), 0);
    for (const char* f : {"SYSTEM01.DBF", "USERS01.DBF", "config.txt", "demo.txt"})
        EXPECT_TRUE(path_exists(demo + "/" + f)) << f;
    EXPECT_FALSE(path_exists(demo + "/control.txt")); // discover writes it
    EXPECT_EQ(read_file(demo + "/demo.txt"), zb::demo_commands());

    ZemRun r = run_zem_process(demo, read_file(demo + "/demo.txt"), e2e_env(), 60);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0);
    EXPECT_GOLDEN("e2e/demo.txt", transcript_of(r.out));
    size_t outputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(demo + "/out")) {
        (void)entry;
        outputs++;
    }
    // Eleven tables of SCOTT, DOC_FILES and the truncated one, three files
    // each, and DOC_FILES' LOB directory.
    EXPECT_EQ(outputs, 40u);
    EXPECT_EQ(read_file(demo + "/out/SCOTT_DEPT.txt"),
              "10|ACCOUNTING|NEW YORK\n20|RESEARCH|DALLAS\n30|SALES|CHICAGO\n40|OPERATIONS|BOSTON\n");
    // CLOB text inline, BLOBs in files of their own.
    std::string docs = read_file(demo + "/out/HR_DOC_FILES.txt");
    EXPECT_EQ(docs.substr(0, docs.find('\n')),
              "1|memo|Hello from the CLOB column \xe2\x80\x94 caf\xc3\xa9.|lob52052_0004/0001/lob52052_0000000001.dat");
    EXPECT_EQ(read_file(demo + "/out/lob52052_0004/0001/lob52052_0000000001.dat"),
              "\x89PNG\r\n\x1a\n" + std::string(56, '\x01'));
    // The rows of before the truncate, found by the extent scan.
    EXPECT_EQ(read_file(demo + "/out/HR_OLD_ORDERS.txt"),
              "1|before truncate 1\n2|before truncate 2\n3|before truncate 3\n4|before truncate 4\n"
              "5|before truncate 5\n");
    remove_tree(dir);
}
