// The block editor run as a process on a builder datafile, answers to its
// questions on standard input: every command and its refusals, the round
// trip of a write and its rollback, a write that fails, and the datafile
// left untouched by everything but a confirmed write.
#include <gtest/gtest.h>

#include <string>

#include "builder/database_image.h"
#include "builder/dump_samples.h"
#include "support/e2e.h"
#include "support/process.h"
#include "support/order_and_size.h"

namespace {

constexpr uint32_t BLOCK_SIZE = 2048;
// Where each sample goes: its cache header names this block of file 5.
const std::pair<const char*, uint32_t> PLACED[] = {
    {"undo_header_14", 9}, {"data_rows", 20}, {"data_cluster", 21}, {"index_leaf_prefix", 54}, {"iot_leaf", 55}};

class BbedEditorTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        dir_ = make_temp_dir("bbed");
        zb::DatabaseImage db;
        zb::DatafileDef def;
        def.block_size = BLOCK_SIZE;
        def.order = GetParam();
        def.blocks = 96;
        zb::DatafileImage& file = db.add_file("users01.dbf", def);
        for (const auto& [name, block] : PLACED)
            file.put(block, zb::dump_sample(name, BLOCK_SIZE, def.order));
        db.write(dir_);
        zb::write_text_file(dir_ + "/config.txt", zb::config_text(def.order, BLOCK_SIZE));
        image_ = read_file(path());
    }
    void TearDown() override { remove_tree(dir_); }

    std::string path() const { return dir_ + "/users01.dbf"; }
    std::string run(const std::string& input) const
    {
        ZemRun r = run_zem_process(dir_, "blockedit\n" + input + "exit\nexit\n", {}, 60);
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.timed_out);
        return transcript_of(r.out);
    }
    std::string block(const std::string& image, uint32_t block_no) const
    {
        return image.substr((size_t)block_no * BLOCK_SIZE, BLOCK_SIZE);
    }

    std::string dir_;
    std::string image_; // the datafile as written
};

} // namespace

// Every command, its usage and refusals, writes that are asked for and
// cancelled, and block 0 written back as it was: the datafile keeps every
// byte.
TEST_P(BbedEditorTest, CommandsAndRefusalsLeaveTheDatafileAlone)
{
    std::string out = run("help\nshow\ndump\nm 00\nf 00\ncorrupt\nsum\nrollback\nclean transaction\nverify\n"
                          "set block 3\nset offset 5\nset datafile 0\nset datafile 9\nset datafile 5\n"
                          "set block 97\nset block x\nset block 20\nshow\n"
                          "set offset 0x7ff\nset offset 7ff\nset offset 2048\nset offset 2046\n"
                          "dump /x\nm 0102\nm 010203\nm 123\nm 12g4\nm 0x\n"
                          "set block 20\nf 00\nf\nf\nf 0x112233445566778899aabbccddeeff00112233445\nf zz\n"
                          "set offset 16\nf 0000\nset block 20\nf\n"
                          "corrupt\ndump header\nsum\nsum apply\nno\nrollback\nn\ndump /x old\n"
                          "rollback\n Yes \ndump /x\nverify\n"
                          "set\nset file 5\ndump foo\ndump /x header\nsum apply now\nsum 1 2 3\nmodify\n"
                          "find a b\nrollback now\ncorrupt now\nverify now\nclean\nclean nothing\nmark\nmark redo\n"
                          "set block 0\nsum\nverify\nsum apply force\n");
    if (GetParam() == zb::LITTLE)
        EXPECT_GOLDEN("bbed/commands.txt", out);
    EXPECT_EQ(read_file(path()), image_);
}

// modify, sum apply, verify, rollback: the write reaches exactly the one
// block, a re-read shows it, and rollback puts the old bytes back.
TEST_P(BbedEditorTest, WriteRoundTripAndRollbackRestoreTheBlock)
{
    std::string out = run("set datafile 5\nset block 20\nset offset 56\nm ffff\nsum apply\ny\n"
                          "set block 21\nset block 20\nset offset 56\ndump /x\nverify\nrollback\nyes\n");
    EXPECT_NE(out.find("Writing block has completed"), std::string::npos) << out;
    EXPECT_NE(out.find("Block is consistent.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n0038   ff ff "), std::string::npos) << out;
    // The re-selected block was reread: rollback has no unsaved edit to
    // discard and no earlier write of this selection to undo.
    EXPECT_NE(out.find("Modified data rollbacked."), std::string::npos) << out;
    std::string written = read_file(path());
    ASSERT_EQ(written.size(), image_.size());
    for (uint32_t b = 0; b < written.size() / BLOCK_SIZE; b++)
        EXPECT_TRUE(b == 20 || block(written, b) == block(image_, b)) << "block " << b;
    EXPECT_EQ((uint8_t)written[20 * BLOCK_SIZE + 56], 0xff);

    // Within one selection: edits discarded first, then the write undone.
    run("set datafile 5\nset block 20\nset offset 56\nm 0707\nsum apply force\nm 0808\nrollback\ny\nrollback\ny\n");
    std::string after = read_file(path());
    EXPECT_EQ(block(after, 20), block(written, 20));
    out = run("set datafile 5\nset block 20\nset offset 100\nm 4142\nsum apply force\nrollback\ny\n");
    EXPECT_NE(out.find("image before the first write back to the file"), std::string::npos) << out;
    EXPECT_EQ(read_file(path()), after);
}

// A write the system refuses is reported with its reason; the working copy
// keeps its edits and its checksum as before, nothing is reported done.
TEST_P(BbedEditorTest, FailedWriteIsReportedAndTheOldImageKept)
{
    zb::write_text_file(dir_ + "/control.txt", "4 6 6 /dev/full 2048 N 0 16\n");
    std::string out = run("set datafile 6\nset block 3\nm 0102\nsum apply\ny\nsum\nrollback\ny\n");
    EXPECT_NE(out.find("Writing file error: No space left on device"), std::string::npos) << out;
    EXPECT_EQ(out.find("Writing block has completed"), std::string::npos) << out;
    // The checksum word went back to what the working copy held: sum finds
    // it as the failed apply did.
    size_t first = out.find("Old checksum value: 0x0000\n");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_NE(out.find("Old checksum value: 0x0000\n", first + 1), std::string::npos) << out;
    // The unsaved edit is discarded first.
    EXPECT_NE(out.find("rollbacking will discard the modified data"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Orders, BbedEditorTest, ::testing::Values(zb::LITTLE, zb::BIG), order_name);

// clean works on the working copy; sum apply writes it, and the dump of the
// written block in the main module shows the repair.
TEST_P(BbedEditorTest, RepairsWrittenBySumApplyAndReread)
{
    std::string out = run("set datafile 5\nset block 9\nclean transaction\nclean free_block_pool\nsum apply\ny\n"
                          "set block 20\nclean free_block_pool\nclean transaction\nsum apply force\n"
                          "corrupt\nclean transaction\nclean free_block_pool\nexit\n"
                          "dump datafile 5 block 9\ndump datafile 5 block 20\n");
    if (GetParam() == zb::LITTLE)
        EXPECT_GOLDEN("bbed/repairs.txt", out);
    std::string after = read_file(path());
    zb::BlockImage undo(BLOCK_SIZE, GetParam());
    zb::BlockImage data(BLOCK_SIZE, GetParam());
    undo.writer().raw(0, after.data() + 9 * BLOCK_SIZE, BLOCK_SIZE);
    data.writer().raw(0, after.data() + 20 * BLOCK_SIZE, BLOCK_SIZE);
    uint32_t control = undo.u16(44) + 20;
    EXPECT_EQ(undo.u16(control + 20), 0);
    for (uint32_t i = 0; i < 5; i++)
        EXPECT_EQ(undo.u32(control + 44 + 12 * i), 0u) << i;
    EXPECT_EQ(data.u16(44 + 16), 0x8000);
    for (uint32_t b : {9u, 20u})
        EXPECT_EQ(zb::block_checksum(b == 9 ? undo : data), (b == 9 ? undo : data).u16(16)) << b;
}
