#pragma once
// A test suite sharing one database whose dictionary is unloaded once; each
// test starts with an empty output directory. The suite names itself as the
// parameter and makes its database in a public static make_database().

#include <gtest/gtest.h>

#include "support/e2e.h"

template <class Suite>
class SharedDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        db_ = Suite::make_database();
        ZemRun r = db_->run("unload dict\n");
        ASSERT_EQ(r.status, 0) << r.out;
    }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
    }
    void SetUp() override { db_->clear_output(); }

    // Runs the commands, which must end with `status` and in time; returns
    // the transcript.
    static std::string run(const std::string& commands, int status = 0)
    {
        ZemRun r = db_->run(commands);
        EXPECT_EQ(r.status, status);
        EXPECT_FALSE(r.timed_out);
        return r.out;
    }

    static inline E2eDatabase* db_ = nullptr;
};
