// Damaged LOBs: a size field far too large, a chunk address outside every
// datafile, a LOB index whose leaves loop or whose branch points back up, a
// chunk that runs short. The value ends with what was read, one message
// names the table, the row and the reason, the table counts a value cut, and
// the next row's value still comes back whole.

#include <gtest/gtest.h>

#include "base/byte_order.h"
#include "support/lob_fixture.h"

namespace {

constexpr ub4 INDEX_DATA_HEADER = 44 + 24 * 2; // freelist index blocks with two ITLs

class LobDamage : public testing::TestWithParam<OrderAndSize> {
protected:
    // Row 1: 60 pages, row 2: 3 pages; the row keeps 12 chunk addresses, the
    // index the rest, in a tree of three levels.
    void SetUp() override
    {
        ub4 page = GetParam().block_size - 60;
        first_ = lob_pattern(60 * page, 1);
        second_ = lob_pattern(3 * page - 9, 2);
        storage_.leaf_rows = 2;
        storage_.branch_rows = 2;
        storage_.key_size = 20;
    }

    LobRun run(const std::function<void(std::vector<std::vector<uint8_t>>&)>& patch_rows,
                     const std::function<void(LobTable&)>& patch_blocks = {})
    {
        OrderAndSize p = GetParam();
        LobTable table = build_lob_table(p.order, p.block_size, lob_segment_def(storage_),
                                         {{to_bytes(first_), false}, {to_bytes(second_), false}}, patch_rows);
        if (patch_blocks)
            patch_blocks(table);
        return run_lob_table(table);
    }

    // The first value was cut after `bytes` bytes for `reason`; the second
    // came back whole.
    void expect_cut(const LobRun& r, size_t bytes, const std::string& reason)
    {
        ASSERT_EQ(r.values.size(), 2u);
        EXPECT_EQ(r.cut, 1u);
        EXPECT_EQ(r.values[0].size(), bytes);
        EXPECT_TRUE(r.values[0] == first_.substr(0, std::min(bytes, first_.size())) || bytes > first_.size());
        EXPECT_TRUE(r.values[1] == second_);
        EXPECT_NE(r.out.find("LOB value cut: table T, column V, row 0x"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" slot 0, " + std::to_string(bytes) + " bytes read: "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(reason), std::string::npos) << r.out;
    }

    ub4 page() const { return GetParam().block_size - 60; }

    zb::LobStorageDef storage_;
    std::string first_, second_;
};

void patch_u32(zb::DatafileImage& file, ub4 block, size_t offset, ub4 value)
{
    file.at(block).writer().u32(offset, value);
    zb::seal_block(file.at(block));
}

TEST_P(LobDamage, HugeSizeFieldEndsWithWhatTheChunksHold)
{
    // Inode blocks (big-endian at 24 of the column) of 2^31 - 1.
    LobRun r = run([](std::vector<std::vector<uint8_t>>& rows) {
        rows[0][24] = 0x7f;
        rows[0][25] = rows[0][26] = rows[0][27] = 0xff;
    });
    // Every page is read whole now, the last one with its unused tail.
    expect_cut(r, 60 * (size_t)page(), "its chunks end at block 60 of 2147483648");
}

TEST_P(LobDamage, ChunkOutsideEveryDatafile)
{
    // The second chunk address (big-endian at 40) in relative file 9.
    LobRun r = run([](std::vector<std::vector<uint8_t>>& rows) {
        ub4 rdba = (9u << 22) | 77; // relative file 9, block 77
        for (int i = 0; i < 4; i++)
            rows[0][40 + i] = (uint8_t)(rdba >> (24 - 8 * i));
    });
    expect_cut(r, page(), "chunk 0x0240004d (tablespace 4, file 9, block 77) lies in no datafile");
}

TEST_P(LobDamage, LeavesThatLoop)
{
    // The leaf the search lands on holds two entries, 10 of the 48 chunks
    // the index keeps; the loop stops the walk before the rest.
    LobRun r = run({}, [](LobTable& t) {
        for (ub4 leaf : t.lobs.leaf_blocks)
            patch_u32(t.file(), leaf, INDEX_DATA_HEADER + 20, t.file().rdba(leaf));
    });
    expect_cut(r, 22 * (size_t)page(), "the LOB index leaves loop at block 0x");
}

TEST_P(LobDamage, BranchThatPointsBackUp)
{
    LobRun r = run({}, [](LobTable& t) {
        ASSERT_GE(t.lobs.index_levels, 3u);
        zb::BlockImage& root = t.file().at(t.lobs.index_root);
        ub4 self = t.file().rdba(t.lobs.index_root);
        ub4 rows = root.u16(INDEX_DATA_HEADER + 8);
        root.writer().u32(INDEX_DATA_HEADER + 16, self);
        for (ub4 i = 0; i < rows; i++)
            root.writer().u32(INDEX_DATA_HEADER + root.u16(INDEX_DATA_HEADER + 28 + 2 * i), self);
        zb::seal_block(root);
    });
    expect_cut(r, 12 * (size_t)page(), " is not the child of a block at level ");
}

TEST_P(LobDamage, ChunkThatRunsShort)
{
    LobRun r = run({}, [](LobTable& t) {
        t.file().damage(t.lobs.lobs[0].pages[5], zb::Damage::bad_tail);
    });
    expect_cut(r, 5 * (size_t)page(), "is damaged (its tail does not match its header)");
}

INSTANTIATE_TEST_SUITE_P(Layouts, LobDamage,
                         testing::Values(OrderAndSize{BO_LITTLE, 2048}, OrderAndSize{BO_BIG, 8192}),
                         order_size_name);

} // namespace
