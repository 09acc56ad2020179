// unload table and unload user on the demo database, zem run as a process
// after one unload dict: the text, control and DDL files of every kind of
// table and every unload mode, list and desc, and the failure messages.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/demo_schema.h"
#include "support/e2e.h"
#include "support/shared_database.h"

namespace {

class UnloadE2e : public SharedDatabase<UnloadE2e> {
public:
    static E2eDatabase* make_database() { return new E2eDatabase("unload", zb::demo_dictionary()); }

protected:
    static const E2eDatabase& db() { return *db_; }
    static void expect_outputs(const std::string& golden_dir, const std::vector<std::string>& names)
    {
        EXPECT_EQ(db_->output_names(), names);
        for (const std::string& name : names)
            EXPECT_GOLDEN(golden_dir + "/" + name, db_->output(name));
    }
    static std::string number(uint32_t n) { return std::to_string(n); }
};

} // namespace

TEST_F(UnloadE2e, TableWithEveryUnloadableType)
{
    EXPECT_GOLDEN("e2e/unload/all_types.txt", run("unload table scott.all_types\n"));
    expect_outputs("e2e/unload", {"SCOTT_ALL_TYPES.ctl", "SCOTT_ALL_TYPES.sql", "SCOTT_ALL_TYPES.txt"});
}

TEST_F(UnloadE2e, PartitionedTableOnePartitionAndAll)
{
    EXPECT_GOLDEN("e2e/unload/partitions.txt",
                  run("unload table scott.sales partition p2024\nunload table scott.sales\n"
                      "unload table hr.orders partition q2_h2\nunload table hr.orders\n"
                      "unload table hr.docs partition d2023\n"));
    expect_outputs("e2e/unload/partitions",
                   {"HR_DOCS.sql", "HR_DOCS_D2023.ctl", "HR_DOCS_D2023.txt", "HR_ORDERS.ctl", "HR_ORDERS.sql",
                    "HR_ORDERS.txt", "HR_ORDERS_Q2_H2.ctl", "HR_ORDERS_Q2_H2.txt", "SCOTT_SALES.ctl",
                    "SCOTT_SALES.sql", "SCOTT_SALES.txt", "SCOTT_SALES_P2024.ctl", "SCOTT_SALES_P2024.txt"});
}

TEST_F(UnloadE2e, ClusteredTables)
{
    EXPECT_GOLDEN("e2e/unload/cluster.txt", run("unload table scott.c_emp\nunload table scott.c_dept\n"));
    expect_outputs("e2e/unload/cluster", {"SCOTT_C_DEPT.ctl", "SCOTT_C_DEPT.sql", "SCOTT_C_DEPT.txt",
                                          "SCOTT_C_EMP.ctl", "SCOTT_C_EMP.sql", "SCOTT_C_EMP.txt"});
}

// A truncated table: the blocks right after its header name the data object
// of before the truncate, and the normal unload stops at the new high-water
// mark. The old rows come back through the extents a scan found ("ext.zem",
// read at start-up): runs of blocks by data object number.
TEST_F(UnloadE2e, TruncatedTableRowsComeBackFromScannedExtents)
{
    const zb::BuiltSegment& old = db().db().at("HR.OLD_ORDERS");
    EXPECT_GOLDEN("e2e/unload/truncated.txt",
                  run("unload table hr.old_orders\nunload table hr.old_orders object truncate\n"));
    EXPECT_EQ(db().output("HR_OLD_ORDERS.txt"), "");

    const zb::BuiltSegment& emp = db().db().at("SCOTT.EMP");
    write_file(db().path("ext.zem"),
               extent_line(old.dataobj, old.block, 1, 16) +
                   extent_line(old.stale_dataobj, old.stale_blocks.front(), old.stale_blocks.size()) +
                   extent_line(emp.dataobj, emp.data_blocks.front(), emp.data_blocks.size()));
    std::string out = run("unload table hr.old_orders object truncate\n"
                          "unload table hr.old_orders object " + number(old.stale_dataobj) + " tablespace 4\n"
                          "unload table scott.emp object scanned\n");
    std::filesystem::remove(db().path("ext.zem"));
    EXPECT_GOLDEN("e2e/unload/truncated_scanned.txt", out);
    std::string rows = "1|before truncate 1\n2|before truncate 2\n3|before truncate 3\n4|before truncate 4\n"
                       "5|before truncate 5\n";
    EXPECT_EQ(db().output("HR_OLD_ORDERS.txt"), rows);
    EXPECT_EQ(db().output("ZEM_00000" + number(old.obj) + ".txt"), rows);
    // A table read from its scanned extents rather than its segment header.
    EXPECT_GOLDEN("e2e/unload/scanned/SCOTT_EMP.txt", db().output("SCOTT_EMP.txt"));
}

TEST_F(UnloadE2e, BlockRange)
{
    const zb::BuiltSegment& emp = db().db().at("SCOTT.EMP");
    const zb::BuiltSegment& p2023 = db().db().at("SCOTT.SALES:P2023");
    std::string first = number(emp.data_blocks.at(0));
    std::string out = run("unload table scott.emp datafile 4 block " + first + "\n" +
                          "unload table scott.dept datafile 4 block " + number(db().db().at("SCOTT.DEPT").block) +
                          " blocks 4\n" + "unload table scott.sales datafile 4 block " +
                          number(p2023.data_blocks.at(0)) + " partition p2023 blocks 1\n");
    EXPECT_GOLDEN("e2e/unload/block_range.txt", out);
    expect_outputs("e2e/unload/block_range",
                   {"SCOTT_DEPT.ctl", "SCOTT_DEPT.sql", "SCOTT_DEPT.txt", "SCOTT_EMP.ctl", "SCOTT_EMP.sql",
                    "SCOTT_EMP.txt", "SCOTT_SALES.sql", "SCOTT_SALES_P2023.ctl", "SCOTT_SALES_P2023.txt"});
}

TEST_F(UnloadE2e, TableByDataObjectNumber)
{
    const zb::BuiltSegment& old = db().db().at("HR.OLD_ORDERS");
    std::string out = run("unload table hr.old_orders object " + number(old.stale_dataobj) + " tablespace 4\n" +
                          "unload table scott.dept object " + number(db().db().at("SCOTT.DEPT").dataobj) + "\n");
    EXPECT_GOLDEN("e2e/unload/object.txt", out);
    std::string old_name = "ZEM_00000" + number(old.obj);
    std::string dept_name = "ZEM_00000" + number(db().db().at("SCOTT.DEPT").obj);
    std::vector<std::string> names = {dept_name + ".ctl", dept_name + ".sql", dept_name + ".txt",
                                      old_name + ".ctl",  old_name + ".sql",  old_name + ".txt"};
    EXPECT_EQ(db().output_names(), names);
    EXPECT_GOLDEN("e2e/unload/object/ZEM_OLD_ORDERS.ctl", db().output(old_name + ".ctl"));
    EXPECT_GOLDEN("e2e/unload/object/ZEM_OLD_ORDERS.sql", db().output(old_name + ".sql"));
}

TEST_F(UnloadE2e, UserSerialAndParallelWriteTheSameFiles)
{
    remove_worker_logs(db().dir());
    std::string serial = run("unload user scott\n");
    EXPECT_GOLDEN("e2e/unload/user_serial.txt", serial);
    std::map<std::string, std::string> serial_files = db().outputs();
    EXPECT_EQ(serial_files.size(), 33u);
    EXPECT_EQ(remove_worker_logs(db().dir()), 0u);

    db().clear_output();
    std::string parallel = run("unload user scott parallel 2\n");
    EXPECT_EQ(db().outputs(), serial_files);
    EXPECT_EQ(remove_worker_logs(db().dir()), 2u);
    EXPECT_NE(parallel.find("unload user 'SCOTT' parallel finished.\n"), std::string::npos);
    for (const char* table : {"DEPT", "EMP", "BONUS", "SALGRADE", "SALES", "C_DEPT", "C_EMP", "ALL_TYPES",
                              "RAW_DOCS", "NOTES", "Mixed$Case"})
        EXPECT_NE(parallel.find(std::string("Sending table name for unloading, table name is SCOTT.") + table + "\n"),
                  std::string::npos)
            << table;

    // One worker takes everything the same way.
    db().clear_output();
    run("unload user scott parallel 1\n");
    EXPECT_EQ(db().outputs(), serial_files);
}

TEST_F(UnloadE2e, QuotedNamesKeepTheirCase)
{
    EXPECT_GOLDEN("e2e/unload/quoted.txt",
                  run("unload table scott.\"Mixed$Case\"\nunload table scott.mixed$case\ndesc scott.\"Mixed$Case\"\n"
                      "unload table hr.countries\n"));
    expect_outputs("e2e/unload/quoted", {"HR_COUNTRIES.ctl", "HR_COUNTRIES.sql", "HR_COUNTRIES.txt",
                                         "SCOTT_Mixed_Case.ctl", "SCOTT_Mixed_Case.sql", "SCOTT_Mixed_Case.txt"});
}

TEST_F(UnloadE2e, ListAndDesc)
{
    EXPECT_GOLDEN("e2e/unload/list_desc.txt",
                  run("list user\nLIST USER\nlist table scott\nlist TABLE \"SCOTT\"\nlist table hr\nlist table nobody\n"
                      "list trigger scott\nlist\nlist a b c\nlist index scott\nlist view scott\n"
                      "list sequence scott\nlist procedure scott\nlist function scott\nlist package scott\n"
                      "list index hr\nlist partition scott.sales\nlist partition hr.orders\n"
                      "list partition scott.emp\nlist datafile\ndesc scott.all_types\n"
                      "desc scott.sales partition p2023\ndesc hr.orders partition q1_h1\ndesc hr.countries\n"
                      "list partition scott.nothing\ndesc scott.salgrade\ndesc sys.obj$\ndesc scott.emp partition p9\n"
                      "desc scott.emp x\ndesc scott.nothing\ndesc\n"));
}

TEST_F(UnloadE2e, FailureMessages)
{
    std::string emp_block = number(db().db().at("SCOTT.EMP").block);
    EXPECT_GOLDEN("e2e/unload/failures.txt",
                  run("unload table scott.nothing\nunload table nobody.emp\nunload table scott\n"
                      "unload table scott.sales partition p9\nunload table scott.emp partition p1\n"
                      "unload user nobody\nunload user scott parallel 33\nunload user scott parallel 0\n"
                      "unload table scott.emp datafile 0 block 10\n"
                      "unload table scott.emp datafile 1025 block 10\n"
                      "unload table scott.emp datafile 4 block 0\n"
                      "unload table scott.emp datafile 4 block 10 blocks 0\n"
                      "unload table scott.emp datafile 4 block 10 blocks 2 blocks 3\n"
                      "unload table scott.sales datafile 4 block " + emp_block + "\n" +
                      "unload table scott.emp object 0\nunload table scott.emp object truncate partition\n"
                      "unload table scott.emp datafile 4 lock 10\n"));
    EXPECT_EQ(db().output_names(), std::vector<std::string>{});
}
