// The dump reader on real exports made by the export utility of releases
// 10.2 to 19c: every table and row reads, and values seen in the files come
// back as stored. The files stay in the shared folder beside the project.

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

const DmpTable* find_table(const DmpFile& file, const std::string& name)
{
    for (const DmpTable& t : file.tables)
        if (t.name == name)
            return &t;
    return nullptr;
}

std::string text(const DmpValue& v)
{
    return std::string(v.bytes.begin(), v.bytes.end());
}

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

TEST(RealExportValues, PinnedValuesComeBackAsStored)
{
    std::string dir = real_dir();
    if (dir.empty())
        GTEST_SKIP() << "no shared/real/exp beside the source tree";
    DmpFile alpha, estore;
    ASSERT_EQ(read_dmp(read_file_bytes(dir + "/alphaoffice_exp_v12.01.00_expdat.dmp"), &alpha), "");
    ASSERT_EQ(read_dmp(read_file_bytes(dir + "/estore_exp_v19.00.00_SYSTEM_tables.dmp"), &estore), "");

    // ADDRESSES row 1: NUMBER 101, '1717 Harrison St', NULL.
    const DmpTable* addresses = find_table(alpha, "ADDRESSES");
    ASSERT_NE(addresses, nullptr);
    ASSERT_EQ(addresses->rows.size(), 119u);
    EXPECT_EQ(addresses->rows[0][0].bytes, (std::vector<uint8_t>{0xc2, 0x02, 0x02}));
    EXPECT_EQ(text(addresses->rows[0][1]), "1717 Harrison St");
    EXPECT_TRUE(addresses->rows[0][2].is_null);
    EXPECT_EQ(addresses->columns[1].charset_id, 178);
    EXPECT_EQ(find_table(alpha, "SALES_ORDER_HEADER")->rows.size(), 21456u);
    // A table with a BLOB and no rows: the LOB column list, then 0xFFFF.
    const DmpTable* images = find_table(alpha, "PRODUCT_IMAGES");
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->lob_names, std::vector<std::string>{"IMAGE"});
    EXPECT_TRUE(images->rows.empty());

    const DmpTable* admin = find_table(estore, "ADMIN");
    ASSERT_NE(admin, nullptr);
    ASSERT_EQ(admin->rows.size(), 1u);
    EXPECT_EQ(text(admin->rows[0][0]), "admin");
    EXPECT_EQ(text(admin->rows[0][2]), "Omkar");
    EXPECT_EQ(admin->columns[0].type, 1);
    EXPECT_EQ(admin->columns[0].length, 25);
    EXPECT_EQ(admin->columns[0].charset_id, 873);
    EXPECT_EQ(estore.version, "V19.00.00");
    EXPECT_EQ(estore.flag, 'D');
    EXPECT_EQ(estore.mode, "TABLES");
}
