// The repairs: ITL and row lock cleaning of data and index blocks, the free
// block pool of an undo segment header, and mark undo on a built database,
// each checked on the bytes written and by reading the table back.
#include <gtest/gtest.h>

#include <string>

#include "base/config.h"
#include "bbed/bbed_clean.h"
#include "builder/dump_samples.h"
#include "builder/dictionary.h"
#include "support/e2e.h"
#include "support/process.h"
#include "support/order_and_size.h"

namespace {

constexpr uint32_t BS = 2048;

class CleanTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        init_config_data();
        config_data.byte_order = GetParam();
    }
    void TearDown() override { init_config_data(); }
};

// Lock byte of row `slot` of table 0 in a block with `itls` ITLs.
uint8_t row_lock(const zb::BlockImage& block, uint32_t itls, uint32_t slot)
{
    uint32_t dh = 44 + 24 * itls;
    uint32_t row_dir = dh + 14 + 4 * block.u8(dh + 1);
    return block.u8(dh + block.u16(row_dir + 2 * slot) + 1);
}

} // namespace

TEST_P(CleanTest, ItlsCommittedAndRowLocksCleared)
{
    zb::BlockImage data = zb::dump_sample("data_rows", BS, GetParam());
    ASSERT_EQ(row_lock(data, 2, 0), 1);
    CLEAN_RESULT result;
    EXPECT_TRUE(do_clean_itl(data.data(), BS, &result));
    // ITL 1 was active: committed, no locks; ITL 2 was committed already.
    EXPECT_EQ(data.u16(44 + 16), 0x8000);
    EXPECT_EQ(data.u16(44 + 24 + 16), 0x8000);
    EXPECT_EQ(result.itl_count, 2u);
    EXPECT_EQ(result.itl_committed, 1u);
    // Rows 0, 1, 2, 5 and 6: slot 3 is empty and slot 4 a free-slot link.
    EXPECT_EQ(result.row_lock_count, 5u);
    for (uint32_t slot : {0u, 1u, 2u, 5u, 6u})
        EXPECT_EQ(row_lock(data, 2, slot), 0) << slot;

    // Index-organized rows hold a second lock byte in their data piece.
    zb::BlockImage iot = zb::dump_sample("iot_leaf", BS, GetParam());
    uint32_t dh = 44 + 2 * 24;
    uint32_t second = dh + iot.u16(dh + 36 + 2);
    iot.writer().u8(second + 2 + 3 + 1, 4); // after flag, lock and the key c1 15
    EXPECT_TRUE(do_clean_itl(iot.data(), BS, &result));
    EXPECT_EQ(result.row_lock_count, 2u);
    EXPECT_EQ(iot.u8(second + 1), 0);
    EXPECT_EQ(iot.u8(second + 6), 0);
    EXPECT_EQ(iot.u16(44 + 24 + 16), 0x8000);

    // Prefix rows and rows of a prefix-compressed leaf, its directory 4
    // bytes further than a plain leaf's.
    zb::BlockImage prefix = zb::dump_sample("index_leaf_prefix", BS, GetParam());
    uint32_t dir = dh + 40;
    for (uint32_t i = 0; i < 5; i++)
        prefix.writer().u8(dh + prefix.u16(dir + (i < 3 ? 2 * i : 6 + 4 * (i - 3))) + 1, 3);
    EXPECT_TRUE(do_clean_itl(prefix.data(), BS, &result));
    EXPECT_EQ(result.row_lock_count, 5u);
    for (uint32_t i = 0; i < 5; i++)
        EXPECT_EQ(prefix.u8(dh + prefix.u16(dir + (i < 3 ? 2 * i : 6 + 4 * (i - 3))) + 1), 0) << i;
}

INSTANTIATE_TEST_SUITE_P(Orders, CleanTest, ::testing::Values(zb::LITTLE, zb::BIG), order_name);

namespace {

// SYS.UNDO$ with one row per case: segment 0 (kept), three statuses stored
// in two bytes (marked), one in one byte and one in three (kept).
zb::DictionaryDef undo_dictionary()
{
    zb::DictionaryDef def;
    def.block_size = 8192;
    zb::DictTable undo;
    undo.owner = "SYS";
    undo.name = "UNDO$";
    undo.columns = {zb::c_number("US#"),     zb::c_varchar2("NAME", 30), zb::c_number("USER#"),
                    zb::c_number("FILE#"),   zb::c_number("BLOCK#"),     zb::c_number("SCNBAS"),
                    zb::c_number("SCNWRP"),  zb::c_number("XACTSQN"),    zb::c_number("UNDOSQN"),
                    zb::c_number("INST#"),   zb::c_number("STATUS$"),    zb::c_number("TS#")};
    const int statuses[] = {3, 3, 2, 0, 100, 101};
    for (int us = 0; us < 6; us++)
        undo.rows.push_back(zb::row_of({zb::v_int(us), zb::v_text(us == 0 ? "SYSTEM" : "_SYSSMU" + std::to_string(us) + "$"),
                                        zb::v_int(1), zb::v_int(us == 0 ? 1 : 2), zb::v_int(9 + 16 * us), zb::v_int(0),
                                        zb::v_int(0), zb::v_int(0), zb::v_int(0), zb::v_int(0), zb::v_int(statuses[us]),
                                        zb::v_int(us == 0 ? 0 : 2)}));
    def.tables.push_back(undo);
    return def;
}

// The block of UNDO$ as an interrupted transaction left it: ITL 1 active
// and locking two rows, no checksum stored.
void lock_undo_rows(zb::BuiltDatabase& db)
{
    const zb::BuiltSegment& undo = db.at("SYS.UNDO$");
    zb::BlockImage& block = db.image.file(1).at(undo.data_blocks.at(0));
    zb::ByteWriter w = block.writer();
    w.u16(44, 5);
    w.u16(46, 3);
    w.u32(48, 0x77);
    w.u16(44 + 16, 0x0002);
    uint32_t dh = 44 + 24 * block.u8(36);
    uint32_t row_dir = dh + 18;
    for (uint32_t slot : {1u, 2u})
        w.u8(dh + block.u16(row_dir + 2 * slot) + 1, 1);
    w.u8(15, 0);
    zb::seal_block(block);
}

} // namespace

TEST(MarkUndo, StatusesSetLocksClearedAndTheTableReadsBack)
{
    E2eDatabase db("mark_undo", undo_dictionary(), "", lock_undo_rows);
    uint32_t block = db.db().at("SYS.UNDO$").data_blocks.at(0);
    std::string system_before = file_digest(db.path("SYSTEM01.DBF"));
    std::string users_before = file_digest(db.path("USERS01.DBF"));
    ZemRun r = db.run("unload dict\nblockedit\nmark undo\nn\nexit\n");
    EXPECT_NE(r.out.find("Not executed."), std::string::npos) << r.out;
    EXPECT_EQ(file_digest(db.path("USERS01.DBF")), users_before);

    r = db.run("blockedit\nmark undo\ny\nexit\nunload table sys.undo$\ndump datafile 4 block " + std::to_string(block) +
               "\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Changed itl: 1\nClear row lock  0 for 6 rows.\nChange 3 records of table UNDO$ at file_no 4 "
                         "block " + std::to_string(block) + " successful.\n"),
              std::string::npos)
        << r.out;
    // The written block is sound: no checksum or corruption complaint, the
    // ITL committed, no row locked.
    EXPECT_EQ(r.out.find("checksum value failed"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("orrupted"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0x01   0x0005.003.00000077"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("C---    0  scn"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("lb: 0x1"), std::string::npos) << r.out;
    std::string text = db.output("SYS_UNDO_.txt");
    for (const char* row : {"0|SYSTEM|1|1|9|0|0|0|0|0|3|0", "1|_SYSSMU1$|1|2|25|0|0|0|0|0|5|2",
                            "2|_SYSSMU2$|1|2|41|0|0|0|0|0|5|2", "3|_SYSSMU3$|1|2|57|0|0|0|0|0|0|2",
                            "4|_SYSSMU4$|1|2|73|0|0|0|0|0|5|2", "5|_SYSSMU5$|1|2|89|0|0|0|0|0|101|2"})
        EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
    EXPECT_EQ(file_digest(db.path("SYSTEM01.DBF")), system_before);
}
