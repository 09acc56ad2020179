// LOB values through builder-made LOB segments: every value comes back
// byte for byte (BLOB) or as the same text (CLOB) whatever its size, storage,
// chunk size, index depth and segment kind, in both byte orders and at
// small and large block sizes.

#include <gtest/gtest.h>

#include "builder/dict_values.h"
#include "support/lob_fixture.h"

namespace {

struct StorageCase {
    const char* name;
    zb::LobStorageDef storage;
};

const std::vector<StorageCase>& storage_cases()
{
    static const std::vector<StorageCase> all = {
        {"in_row_freelist", {}},
        {"out_of_row_assm_chunk3", {.in_row = false, .chunk_blocks = 3, .header_type = 35, .reverse_chunks = true}},
        {"deep_index_chunk2", {.chunk_blocks = 2, .key_size = 20, .leaf_rows = 3, .branch_rows = 2}},
        {"deep_index_out_of_row_chunk4",
         {.in_row = false, .chunk_blocks = 4, .key_size = 24, .leaf_rows = 2, .branch_rows = 2, .header_type = 35}},
    };
    return all;
}

// Sizes around the page and chunk boundaries, past the row's chunks, and
// one of a few hundred KiB.
std::vector<size_t> value_sizes(ub4 block_size)
{
    size_t page = block_size - 60;
    return {0, 1, 100, 3964, 3965, page - 1, page, page + 1, 3 * page + 100, 14 * page + 7, 200 * 1024};
}

class LobRoundTrip : public testing::TestWithParam<OrderAndSize> {};

TEST_P(LobRoundTrip, BlobsComeBackByteForByte)
{
    OrderAndSize p = GetParam();
    for (const StorageCase& c : storage_cases()) {
        SCOPED_TRACE(c.name);
        std::vector<zb::LobContent> values;
        std::vector<std::string> expected;
        unsigned seed = 1;
        for (size_t size : value_sizes(p.block_size)) {
            std::string bytes = lob_pattern(size, seed++);
            // Binary, zero bytes included.
            for (size_t i = 0; i < bytes.size(); i += 7)
                bytes[i] = (char)(i % 3 == 0 ? 0 : 0xff);
            expected.push_back(bytes);
            values.push_back({to_bytes(bytes), false});
        }
        LobTable table = build_lob_table(p.order, p.block_size, lob_segment_def(c.storage), values);
        LobRun r = run_lob_table(table);
        EXPECT_EQ(r.out, "");
        ASSERT_EQ(r.values.size(), expected.size());
        for (size_t i = 0; i < expected.size(); i++)
            EXPECT_TRUE(r.values[i] == expected[i]) << "value " << i << ": " << r.values[i].size() << " bytes for "
                                                    << expected[i].size();
        EXPECT_EQ(r.cut, 0u);
    }
}

TEST_P(LobRoundTrip, ClobsComeBackAsTheSameText)
{
    OrderAndSize p = GetParam();
    // Two-byte text in either unit order, and single-byte text kept as
    // stored.
    struct Form {
        zb::ClobForm form;
        bool little_endian_lob;
        int convert;
    };
    const Form forms[] = {{zb::ClobForm::ucs2_big, false, 1},
                          {zb::ClobForm::ucs2_little, true, 1},
                          {zb::ClobForm::single_byte, false, 0}};
    for (const Form& form : forms) {
        SCOPED_TRACE((int)form.form);
        zb::LobStorageDef s = storage_cases()[2].storage;
        std::vector<zb::LobContent> values;
        std::vector<std::string> expected;
        for (size_t size : {size_t(0), size_t(10), size_t(1980), size_t(2500), size_t(40000)}) {
            std::string text = lob_pattern(size, (unsigned)size);
            if (form.form != zb::ClobForm::single_byte && size >= 10)
                text.replace(3, 1, "\xc3\xa9\xe2\x82\xac"); // two characters beyond ASCII
            expected.push_back(text);
            values.push_back({zb::clob_bytes(text, form.form), form.form != zb::ClobForm::single_byte});
        }
        LobTable table = build_lob_table(p.order, p.block_size, lob_segment_def(s), values);
        LobRun r = run_lob_table(table, ORA_CLOB, LOF_BIN, [&](TableDesc& desc) {
            config_data.convert_clob_charset = form.convert;
            desc.get()->cols[1].lob.is_little_endian = form.little_endian_lob;
        });
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.values, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LobRoundTrip, testing::ValuesIn(orders_and_sizes()), order_size_name);

// A value whose index entries begin in the middle of a leaf, below a branch
// row that is not the branch's first and whose key has the value's id with
// a later page: the descent must still reach that leaf, where the inode is.
TEST(LobIndexDescent, ValueStartingInsideALeafComesBackWhole)
{
    zb::LobStorageDef s;
    s.in_row = false; // the inode lives in the index, in the entry of page 0
    s.leaf_rows = 2;
    ub4 block_size = 2048, page = block_size - 60;
    std::vector<std::string> texts = {lob_pattern(6 * page, 1), lob_pattern(100, 2), lob_pattern(40 * page, 3),
                                      lob_pattern(10, 4)};
    std::vector<zb::LobContent> values;
    for (const std::string& t : texts)
        values.push_back({to_bytes(t), false});
    LobTable table = build_lob_table(BO_LITTLE, block_size, lob_segment_def(s), values);
    // Leaves: [X0 X4] [A0 B0] [B4 B12] ...: B's inode is the second entry of
    // the second leaf, and the root's second row is (B, 4).
    ASSERT_EQ(table.lobs.index_levels, 2u);
    ASSERT_EQ(table.lobs.lobs[2].inode_leaf, table.lobs.leaf_blocks[1]);
    LobRun r = run_lob_table(table);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.values, texts);
}

// CLOB text written into the data file stops after the block that passes
// COL_DATA_MAXLEN bytes; the value counts as cut and says why.
TEST(LobInlineText, ClobStopsAtTheInlineLimit)
{
    ub4 block_size = 8192, page = block_size - 60;
    std::string text = lob_pattern(COL_DATA_MAXLEN + 3 * page, 9);
    LobTable table = build_lob_table(BO_BIG, block_size, lob_segment_def(), {{to_bytes(text), false}});
    LobRun r = run_lob_table(table, ORA_CLOB, LOF_PART_TEXT, [](TableDesc&) { config_data.convert_clob_charset = 0; });
    size_t kept = (COL_DATA_MAXLEN + page - 1) / page * page;
    ASSERT_EQ(r.values.size(), 1u);
    EXPECT_TRUE(r.values[0] == text.substr(0, kept)) << r.values[0].size();
    EXPECT_EQ(r.cut, 1u);
    EXPECT_NE(r.out.find("longer than the 1048576 bytes kept in the text (lob_storage file keeps it whole)"),
              std::string::npos)
        << r.out;
}

} // namespace
