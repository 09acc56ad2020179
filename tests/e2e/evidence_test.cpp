// Datafiles are evidence: a whole session of reading commands leaves every
// byte of every datafile as it was.
#include <gtest/gtest.h>

#include "builder/demo_schema.h"
#include "support/e2e.h"

TEST(Evidence, SessionLeavesDatafilesUnchanged)
{
    E2eDatabase db("evidence", zb::demo_dictionary());
    const char* files[] = {"SYSTEM01.DBF", "USERS01.DBF"};
    std::map<std::string, std::string> before;
    for (const char* f : files)
        before[f] = file_digest(db.path(f));

    ZemRun r = db.run("discover . force\nunload dict\nlist user\nlist table scott\nlist datafile\ndesc scott.emp\n"
                      "desc scott.sales partition p2023\nunload table scott.emp\n"
                      "unload table scott.sales partition pmax\nunload table hr.old_orders object truncate\n"
                      "unload table scott.dept datafile 4 block 17 blocks 8\nunload user scott parallel 2\n"
                      "hexdump datafile 1 block 1\nhexdump datafile 4 block 17 offset 100\n"
                      "copy datafile 4 to copy_of_users.dbf\ncopy datafile 1 to copy_of_system.dbf blocks 20\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("unload user 'SCOTT' parallel finished."), std::string::npos);
    EXPECT_TRUE(path_exists(db.path("copy_of_users.dbf")));
    for (const char* f : files)
        EXPECT_EQ(file_digest(db.path(f)), before[f]) << f;
    // The copy of a file without bad blocks holds the same bytes.
    EXPECT_EQ(file_digest(db.path("copy_of_users.dbf")), before["USERS01.DBF"]);
}
