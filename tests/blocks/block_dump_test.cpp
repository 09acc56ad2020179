// Block dumps of every block kind the builder writes, compared with golden
// files; the same logical blocks dump alike in both byte orders; damaged
// blocks dump as far as their bytes allow.
#include <gtest/gtest.h>

#include <string>

#include "base/config.h"
#include "blocks/block_dump.h"
#include "builder/data_blocks.h"
#include "builder/dump_samples.h"
#include "builder/lob_samples.h"
#include "builder/segment_blocks.h"
#include "builder/undo_blocks.h"
#include "support/capture.h"
#include "support/process.h"

namespace {

class BlockDumpTest : public ::testing::Test {
protected:
    void SetUp() override { init_config_data(); }
    void TearDown() override { init_config_data(); }

    static std::string dump(const zb::BlockImage& block, int header_only = 0)
    {
        config_data.byte_order = block.order();
        return capture_stdout([&] { ora_dump_block(block.data(), block.size(), header_only); });
    }
    static std::string dump_all(uint32_t block_size, int order)
    {
        std::string out;
        for (const zb::NamedBlock& sample : zb::make_dump_samples(block_size, order))
            out += "=== " + sample.name + "\n" + dump(sample.block);
        return out;
    }
    // The checksum is the one line that follows the byte order.
    static std::string without_checksum(std::string text)
    {
        size_t at = text.find("block checksum value=");
        if (at != std::string::npos)
            text.erase(at, text.find('\n', at) - at);
        return text;
    }
    ScopedTimeZone utc_{"UTC"};
};

} // namespace

TEST_F(BlockDumpTest, EveryKindMatchesItsGoldenDump)
{
    EXPECT_GOLDEN("blocks/dump_2048.txt", dump_all(2048, zb::LITTLE));
    std::string headers;
    for (const char* name : {"undo_header_14", "data_rows", "index_leaf_prefix", "compatibility_segment", "lob_27"})
        headers += std::string("=== ") + name + "\n" + dump(zb::dump_sample(name, 2048, zb::LITTLE), 1);
    EXPECT_GOLDEN("blocks/dump_header_only.txt", headers);
    // The LOB segments' own writer: the LOB index root (a branch), a leaf
    // of it, a LOB data block.
    std::string lob;
    for (const zb::BlockImage& block : zb::make_lob_sample_blocks(2048, zb::LITTLE))
        lob += dump(block);
    EXPECT_GOLDEN("blocks/dump_lob_2048.txt", lob);
    // A type-38 header keeps no transaction area in a 32 KiB block.
    EXPECT_GOLDEN("blocks/dump_undo_38_32k.txt", dump(zb::dump_sample("undo_header_38", 32768, zb::LITTLE)));
}

TEST_F(BlockDumpTest, BothByteOrdersDumpAlike)
{
    for (uint32_t block_size : {2048u, 8192u}) {
        std::vector<zb::NamedBlock> little = zb::make_dump_samples(block_size, zb::LITTLE);
        std::vector<zb::NamedBlock> big = zb::make_dump_samples(block_size, zb::BIG);
        ASSERT_EQ(little.size(), big.size());
        for (size_t i = 0; i < little.size(); i++)
            EXPECT_EQ(without_checksum(dump(little[i].block)), without_checksum(dump(big[i].block))) << little[i].name << " at " << block_size;
    }
}

TEST_F(BlockDumpTest, DamagedBlocksDumpAsFarAsTheirBytesAllow)
{
    std::string out;
    // A fractured block: reported, then shown.
    zb::BlockImage fractured = zb::dump_sample("data_cluster", 2048, zb::LITTLE);
    zb::damage_block(fractured, zb::Damage::bad_tail);
    out += "=== bad tail\n" + dump(fractured);

    // 80 ITLs claimed in a 2 KiB block: 81 would end past the tail.
    zb::BlockImage itls = zb::dump_sample("data_row_dependencies", 2048, zb::LITTLE);
    itls.writer().u16(36, 90);
    out += "=== ITL count past the block\n" + dump(itls);

    // A row whose last column claims more bytes than the block holds, and a
    // directory entry pointing at the tail.
    zb::BlockImage rows = zb::dump_sample("data_rows", 2048, zb::LITTLE);
    uint32_t dh = 44 + 2 * 24;
    uint16_t first_row = rows.u16(dh + 18);
    rows.writer().u8(dh + first_row + 3, 0xfe);
    rows.writer().u16(dh + first_row + 4, 4000);
    rows.writer().u16(dh + 20, (uint16_t)(2048 - 4 - dh - 1));
    out += "=== columns and rows past the block\n" + dump(rows);

    // A map offset that puts the transaction area past the tail.
    zb::BlockImage undo = zb::dump_sample("undo_header_14", 2048, zb::LITTLE);
    undo.writer().u16(44, 2040);
    out += "=== undo map offset past the block\n" + dump(undo);

    // Entry counts no block can hold.
    zb::BlockImage compat = zb::dump_sample("compatibility_segment", 2048, zb::LITTLE);
    compat.writer().u16(28, 9);
    out += "=== compatibility entries past the end\n" + dump(compat);
    // An index row whose header would reach into the tail, and a key column
    // longer than what is left.
    zb::BlockImage leaf = zb::dump_sample("index_leaf_prefix", 2048, zb::LITTLE);
    uint32_t ih = 44 + 2 * 24;
    leaf.writer().u16(ih + 40, (uint16_t)(2048 - 4 - ih - 1));
    uint16_t second = leaf.u16(ih + 42);
    leaf.writer().u8(ih + second + 2, 0x8f);
    leaf.writer().u8(ih + second + 3, 0xff);
    out += "=== index rows past the block\n" + dump(leaf);
    EXPECT_GOLDEN("blocks/dump_damaged.txt", out);
}
