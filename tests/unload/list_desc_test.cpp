// list and desc over a dictionary given as cache files, through zem as a process.
#include <gtest/gtest.h>

#include "support/process.h"

namespace {

class ListDesc : public ::testing::Test {
protected:
    void SetUp() override
    {
        write_file(dir_ + "/user.zem", "0,SYS\n84,SCOTT\n85,HR\n");
        write_file(dir_ + "/obj.zem",
                   "5000,5000,84,EMP,,2\n5001,5001,84,DEPT,,2\n5002,5002,84,PK_EMP,,1\n5003,5003,84,V_EMP,,4\n"
                   "6000,6000,84,SALES,,2\n6001,6101,84,SALES,P1,19\n6002,6102,84,SALES,P2,19\n"
                   "6003,6103,84,SALES,P3,19\n"
                   "7000,7000,84,ORDERS,,2\n7001,7101,84,ORDERS,Q1,19\n7002,7102,84,ORDERS,Q1_A,34\n"
                   "7003,7103,84,ORDERS,Q1_B,34\n"
                   "8000,8000,85,JOBS,,2\n");
        // Columns listed out of order; a hidden column (SEGCOL# 0) never shows.
        write_file(dir_ + "/col.zem",
                   "5000,3,3,HIREDATE,12,7,,,0,3,0,0,0\n5000,1,1,EMPNO,2,22,4,0,1,1,0,0,0\n"
                   "5000,2,2,ENAME,1,10,,,0,2,0,852,1\n5000,4,4,SAL,2,22,7,2,0,4,0,0,0\n"
                   "5000,5,0,SYS_NC00005$,2,22,,,0,5,0,0,0\n5000,6,5,NOTE,1,40,,,0,6,0,2000,2\n");
        write_file(dir_ + "/tab.zem", "5000,5000,4,4,130,\n6001,6101,4,4,200\n");
    }
    void TearDown() override { remove_tree(dir_); }
    std::string run(const std::string& input)
    {
        ZemRun r = run_zem_process(dir_, input + "exit\n");
        EXPECT_EQ(r.status, 0);
        // Drop the start-up banner: the golden files hold the commands' output.
        size_t first_prompt = r.out.find("ZEM> ");
        return first_prompt == std::string::npos ? r.out : r.out.substr(first_prompt);
    }
    std::string dir_ = make_temp_dir("listdesc");
};

} // namespace

TEST_F(ListDesc, ListCommands)
{
    EXPECT_GOLDEN("unload/list.txt",
                  run("list user\nLIST USER\nlist table scott\nlist TABLE \"SCOTT\"\nlist index scott\n"
                      "list view scott\nlist table nobody\nlist trigger scott\nlist\nlist a b c\n"
                      "list partition scott.sales\nlist partition scott.orders\nlist partition scott.emp\n"
                      "list partition scott.nothing\nlist datafile\n"));
}

TEST_F(ListDesc, DescCommand)
{
    EXPECT_GOLDEN("unload/desc.txt",
                  run("desc scott.emp\ndesc scott.sales partition p1\ndesc scott.emp partition p9\n"
                      "desc scott.emp x\ndesc scott.nothing\ndesc\n"));
}
