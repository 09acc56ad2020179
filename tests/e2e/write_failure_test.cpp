// Output that cannot be written: files that lead to /dev/full (every write
// fails with "No space left on device"). The table is reported as failed
// with the system error, never with its row count; the unload goes on with
// the next table; a dictionary cache file keeps its previous contents; and
// zem, reading its commands from a pipe, ends with status 1.
#include <gtest/gtest.h>

#include <unistd.h>

#include "builder/demo_schema.h"
#include "support/e2e.h"
#include "support/shared_database.h"

namespace {

class WriteFailure : public SharedDatabase<WriteFailure> {
public:
    static E2eDatabase* make_database() { return new E2eDatabase("write_failure", zb::demo_dictionary()); }

protected:
    static void full(const std::string& name) { ASSERT_EQ(symlink("/dev/full", db_->path(name).c_str()), 0); }
};

const char NO_SPACE[] = "error! error message:No space left on device.\n";

} // namespace

TEST_F(WriteFailure, TableFailsAndTheNextOneIsUnloaded)
{
    full("out/SCOTT_EMP.txt");
    full("out/SCOTT_DEPT.ctl");
    std::string out = run("unload table scott.emp\nunload table scott.dept\nunload table scott.salgrade\n", 1);
    EXPECT_NE(out.find("\nTable EMP failed: write file out/SCOTT_EMP.txt " + std::string(NO_SPACE)),
              std::string::npos);
    EXPECT_NE(out.find("\nTable DEPT failed: write file out/SCOTT_DEPT.ctl " + std::string(NO_SPACE)),
              std::string::npos);
    EXPECT_EQ(out.find("EMP 14 rows unloaded"), std::string::npos);
    EXPECT_NE(out.find("\nTable SALGRADE 5 rows unloaded\n"), std::string::npos);

    // The same run typed at a terminal would end with status 0; without
    // failures a piped run does.
    db_->clear_output();
    run("unload table scott.emp\n");
}

TEST_F(WriteFailure, CsvFileFails)
{
    full("out/SCOTT_EMP.csv");
    write_file(db_->path("csv.txt"), read_file(db_->path("config.txt")) + "output_format csv\n");
    std::string out = run("load config csv.txt\nunload table scott.emp\n", 1);
    EXPECT_NE(out.find("\nTable EMP failed: write file out/SCOTT_EMP.csv " + std::string(NO_SPACE)), std::string::npos);
}

TEST_F(WriteFailure, DictionaryCacheFileKeepsItsPreviousContents)
{
    std::string before = read_file(db_->path("obj.zem"));
    full("obj.zem.tmp");
    EXPECT_NE(run("unload dict\n", 1).find("write file obj.zem " + std::string(NO_SPACE)), std::string::npos);
    EXPECT_EQ(read_file(db_->path("obj.zem")), before);
    EXPECT_FALSE(path_exists(db_->path("obj.zem.tmp")));
    // The next run writes it again.
    run("unload dict\n");
}

TEST_F(WriteFailure, SpoolThatCannotBeWritten)
{
    std::string out = run("spool /dev/full\nlist user\nspool off\n", 1);
    EXPECT_NE(out.find("write file /dev/full " + std::string(NO_SPACE)), std::string::npos);
}

// The data directory is made as "mkdir -p" would; one that cannot be made
// is reported once, then each table says that its file could not be opened.
TEST_F(WriteFailure, DataDirectoryMadeOrReportedOnce)
{
    remove_tree(db_->path("out"));
    run("unload table scott.dept\n");
    EXPECT_TRUE(path_exists(db_->path("out/SCOTT_DEPT.txt")));

    write_file(db_->path("plain"), "");
    write_file(db_->path("plain.txt"), read_file(db_->path("config.txt")) + "data_path plain/out\n");
    std::string out = run("load config plain.txt\nunload user scott\n", 1);
    EXPECT_EQ(count_of(out, "Can not create directory:"), 1u);
    EXPECT_NE(out.find("Can not create directory:plain/out/, error message:Not a directory.\n"), std::string::npos);
    EXPECT_NE(out.find("open file plain/out/SCOTT_DEPT.txt for writing data error! error message:Not a directory.\n"),
              std::string::npos);
}
