// dump datafile as a command of zem run as a process: the file header of
// file 1 with the bootstrap address, block 0 taken as block 1, the header
// form, and the refusals; the datafiles keep every byte.
#include <gtest/gtest.h>

#include "builder/demo_schema.h"
#include "support/e2e.h"

TEST(DumpCommand, FileHeaderBootstrapHeaderFormAndRefusals)
{
    E2eDatabase db("dump_cmd", zb::demo_dictionary());
    std::string system = file_digest(db.path("SYSTEM01.DBF"));
    std::string users = file_digest(db.path("USERS01.DBF"));
    ZemRun r = db.run("dump datafile 1 block 0\ndump datafile 4 block 17 header\nDUMP DATAFILE 4 BLOCK 18 HEADER\n"
                      "dump datafile 9 block 1\ndump datafile 1 block 1 head\ndump datafile x block 1\n"
                      "dump datafile 1\ndump file 1 block 1\ndump datafile 4 block 99999\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_GOLDEN("blocks/dump_cmd.txt", r.out);
    EXPECT_EQ(file_digest(db.path("SYSTEM01.DBF")), system);
    EXPECT_EQ(file_digest(db.path("USERS01.DBF")), users);
}
