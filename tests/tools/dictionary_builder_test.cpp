// The dictionary builder: value encodings and their expected texts, segment
// column order, and where a built database puts its bootstrap, pinned with
// the builder's own accessors (the end-to-end tests read them with zem).

#include <gtest/gtest.h>


#include "builder/demo_schema.h"
#include "builder/dictionary.h"

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back((uint8_t)v);
    return out;
}

} // namespace

TEST(DictValues, StoredFormsAndTexts)
{
    EXPECT_EQ(zb::v_number("-12.50").text, "-12.5");
    EXPECT_EQ(zb::canonical_decimal("000.100"), "0.1");
    EXPECT_EQ(zb::canonical_decimal("-0.000"), "0");
    EXPECT_EQ(zb::v_number("100").cell.bytes, bytes({0xc2, 0x02}));
    zb::Value rowid = zb::v_rowid(1, 4, 1, 0);
    EXPECT_EQ(rowid.text, "AAAAABAAEAAAAABAAA");
    EXPECT_EQ(rowid.cell.bytes, bytes({0, 0, 0, 1, 1, 0, 0, 1, 0, 0}));
    EXPECT_EQ(zb::v_date(2008, 7, 4, 10, 30).text, "2008-07-04 10:30:00");
    EXPECT_EQ(zb::v_date(2008, 7, 4, 10, 30).cell.bytes, bytes({0x78, 0x6c, 7, 4, 11, 31, 1}));
    EXPECT_EQ(zb::v_timestamp(2024, 2, 29, 13, 45, 10, 123456000, 3).text, "2024-02-29 13:45:10.123");
    EXPECT_EQ(zb::v_timestamp(2024, 2, 29, 13, 45, 10, 123456000, 0).text, "2024-02-29 13:45:10");
    zb::Value tz = zb::v_timestamp_tz(2008, 7, 4, 10, 30, 0, 0, 3, -330);
    EXPECT_EQ(tz.text, "2008-07-04 10:30:00.000 -05:30");
    EXPECT_EQ(tz.cell.bytes.size(), 13u);
    EXPECT_EQ(tz.cell.bytes[11], 15); // zone hour + 20
    EXPECT_EQ(tz.cell.bytes[12], 30); // zone minute + 60
    EXPECT_EQ(zb::v_binary_float(1.5f).text, "1.5000000000");
    EXPECT_EQ(zb::v_binary_double(-0.0).text, "-0.0000000000");
    EXPECT_EQ(zb::v_raw({0x00, 0x0a, 0xff}).text, "000AFF");
    EXPECT_EQ(zb::v_char("ab", 4).text, "ab  ");
    zb::Value nchar = zb::v_nchar("\xce\xa9", 2);
    EXPECT_EQ(nchar.cell.bytes, bytes({0x03, 0xa9, 0x00, 0x20}));
    EXPECT_EQ(nchar.text, "\xce\xa9 ");
    EXPECT_TRUE(zb::v_null().cell.is_null);
}

TEST(DictBuilder, SegmentOrderPutsClusterKeysFirstAndLongsLast)
{
    zb::DictionaryDef def;
    def.clusters.push_back({"S", "C", {zb::c_number("K2"), zb::c_number("K1")}, {"T"}});
    zb::DictTable t;
    t.owner = "S";
    t.name = "T";
    t.cluster = "C";
    t.columns = {zb::c_number("A"), zb::c_long("L"), zb::c_number("K1"), zb::c_number("B"), zb::c_number("K2")};
    EXPECT_EQ(zb::segment_order(t, def), (std::vector<size_t>{4, 2, 0, 3, 1}));
    t.cluster.clear();
    EXPECT_EQ(zb::segment_order(t, def), (std::vector<size_t>{0, 2, 3, 4, 1}));
}

TEST(DictBuilder, TenGHeaderNamesTheBootstrapSegment)
{
    zb::BuiltDatabase db = zb::build_database(zb::demo_dictionary(zb::DictForm::v10));
    zb::DatafileImage& system = db.image.file(0);
    EXPECT_EQ(system.header().root_dba, db.bootstrap_rdba);
    EXPECT_EQ(db.compat_rdba, 0u);
    const zb::BuiltSegment& boot = db.at("SYS.BOOTSTRAP$");
    EXPECT_EQ(system.rdba(boot.block), db.bootstrap_rdba);
    EXPECT_EQ(system.at(boot.block).u8(0), 16);  // freelist segment header
    EXPECT_EQ(system.at(boot.block).u8(1), 0xa2); // 10g block format
    ASSERT_FALSE(boot.data_blocks.empty());
    EXPECT_EQ(system.at(boot.data_blocks[0]).u32(24), 56u); // data object of BOOTSTRAP$
    // Clustered dictionary tables share their cluster's segment.
    EXPECT_EQ(db.at("SYS.TAB$").block, db.at("SYS.C_OBJ#").block);
    EXPECT_EQ(db.at("SYS.USER$").block, db.at("SYS.C_USER#").block);
    EXPECT_EQ(db.at("SCOTT.C_EMP").block, db.at("SCOTT.EMP_DEPT_CLU").block);
    // The user segments carry their data object numbers.
    const zb::BuiltSegment& emp = db.at("SCOTT.EMP");
    EXPECT_EQ(db.image.file(1).at(emp.data_blocks.at(0)).u32(24), emp.dataobj);
}

TEST(DictBuilder, NineIRootAddressIsTheCompatibilitySegment)
{
    zb::DictionaryDef def = zb::demo_dictionary(zb::DictForm::v9);
    def.order = zb::BIG;
    zb::BuiltDatabase db = zb::build_database(def);
    zb::DatafileImage& system = db.image.file(0);
    EXPECT_EQ(system.header().root_dba, db.compat_rdba);
    zb::BlockImage& compat = system.at(2);
    EXPECT_EQ(compat.u8(0), 13);
    EXPECT_EQ(compat.u8(1), 0x02);
    EXPECT_EQ(compat.u16(28), 2u); // two entries
    // Entries from 20 + 12: "UNDOSEGS" (28 bytes), then "BOOTSTRP" whose
    // last four bytes hold the bootstrap address.
    uint32_t second = 32 + compat.u16(32);
    EXPECT_EQ(std::string((const char*)compat.data() + second + 2, 8), "BOOTSTRP");
    EXPECT_EQ(compat.u32(second + compat.u16(second) - 4), db.bootstrap_rdba);
}

TEST(DictBuilder, TruncatedTableKeepsItsOldRowsAfterTheHeader)
{
    zb::BuiltDatabase db = zb::build_database(zb::demo_dictionary());
    const zb::BuiltSegment& old = db.at("HR.OLD_ORDERS");
    EXPECT_EQ(old.stale_dataobj, old.obj);
    EXPECT_GT(old.dataobj, old.obj);
    ASSERT_FALSE(old.stale_blocks.empty());
    EXPECT_EQ(old.stale_blocks[0], old.block + 1);
    zb::DatafileImage& users = db.image.file(1);
    EXPECT_EQ(users.at(old.stale_blocks[0]).u32(24), old.stale_dataobj);
    EXPECT_TRUE(old.data_blocks.empty()); // nothing below the new high-water mark
}
