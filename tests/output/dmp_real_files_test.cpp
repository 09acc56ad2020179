// The dump reader on real exports made by the export utility of releases
// 10.2 to 19c: every table and every row reads, each row with a value per
// column. The files stay in the shared folder beside the project.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/dmp_reader.h"

namespace {

std::string real_dir()
{
    for (const char* rel : {"/../shared/real/exp", "/../../shared/real/exp", "/../../../shared/real/exp"}) {
        std::string dir = std::string(ZEM_SOURCE_DIR) + rel;
        if (std::filesystem::is_directory(dir))
            return dir;
    }
    return "";
}

struct RealFile {
    const char* name;
    size_t tables;
    uint16_t charset;
    const char* user;
    uint32_t record_length;
};
void PrintTo(const RealFile& p, std::ostream* os)
{
    *os << p.name;
}

class RealExport : public ::testing::TestWithParam<RealFile> {};

} // namespace

TEST_P(RealExport, EveryTableAndRowReads)
{
    std::string dir = real_dir();
    if (dir.empty())
        GTEST_SKIP() << "no shared/real/exp beside the source tree";
    const RealFile& f = GetParam();
    std::vector<uint8_t> bytes = read_file_bytes(dir + "/" + f.name);
    ASSERT_FALSE(bytes.empty());
    DmpFile file;
    ASSERT_EQ(read_dmp(bytes, &file), "");
    EXPECT_EQ(file.tables.size(), f.tables);
    EXPECT_EQ(file.charset_id, f.charset);
    EXPECT_EQ(file.user, f.user);
    EXPECT_EQ(file.record_length, f.record_length);
    EXPECT_TRUE(file.ends_with_exit);
    for (const DmpTable& t : file.tables) {
        EXPECT_EQ(t.create_sql.rfind("CREATE TABLE \"" + t.name + "\"", 0), 0u) << t.name;
        for (const auto& row : t.rows)
            ASSERT_EQ(row.size(), t.columns.size()) << t.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RealExport,
    ::testing::Values(RealFile{"alphaoffice_exp_v12.01.00_expdat.dmp", 19, 1, "ALPHA", 8192},
                      RealFile{"billpayment_exp_v11.02.00_tables.dmp", 3, 178, "BILLPAYMENT", 2048},
                      RealFile{"billpayment_expp_v11.02.00_users.dmp", 3, 178, "BILLPAYMENT", 2048},
                      RealFile{"estore_exp_v19.00.00_SYSTEM_tables.dmp", 3, 178, "SYSTEM", 2048},
                      RealFile{"exprivia_exp_v11.02.00_LUCAG_users.dmp", 8, 178, "LUCAG", 2048},
                      RealFile{"marketing_exp_v10.02.01_HR_users.dmp", 24, 560, "HR", 2048}));
