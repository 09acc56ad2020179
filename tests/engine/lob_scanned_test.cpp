// LOBs whose index is destroyed, brought back through what an extent scan
// found (lobind.zem, lobpage.zem, written here from what the builder knows):
// with the inode's size from the index entries the scan saw, and without it
// by trimming the last page. Duplicate and missing pages.

#include <gtest/gtest.h>

#include "builder/database_image.h"
#include "builder/dict_values.h"
#include "scan/scanned_lob.h"
#include "support/lob_fixture.h"

namespace {

class LobScanned : public testing::TestWithParam<OrderAndSize> {
protected:
    void TearDown() override { release_scanned_lob_tables(); }

    // Builds the table, writes the scan results (lobind lines only when
    // asked), destroys every LOB index block, unloads with use_scanned_lob.
    LobRun run(const zb::LobStorageDef& storage, const std::vector<std::string>& texts, bool with_lobind,
                   ub1 ora_type = ORA_BLOB, const std::function<void(LobTable&, std::string&)>& adjust = {})
    {
        OrderAndSize p = GetParam();
        std::vector<zb::LobContent> values;
        for (const std::string& t : texts)
            values.push_back({to_bytes(t), false});
        LobTable table = build_lob_table(p.order, p.block_size, lob_segment_def(storage), values);
        std::string pages = zb::lobpage_lines(table.file(), table.def, table.lobs);
        std::string entries = zb::lobind_lines(table.file(), table.def, table.lobs);
        for (ub4 block : table.lobs.leaf_blocks)
            table.file().damage(block, zb::Damage::zeroed);
        for (ub4 block : table.lobs.branch_blocks)
            table.file().damage(block, zb::Damage::zeroed);
        if (adjust)
            adjust(table, pages);
        return run_lob_table(table, ora_type, LOF_BIN, [&](TableDesc&) {
            zb::write_text_file("lobpage.zem", pages);
            zb::write_text_file("lobind.zem", with_lobind ? entries : "");
            config_data.use_scanned_lob = 1;
            release_scanned_lob_tables(); // from an earlier run of the same test
            init_scanned_lob_tables();
            load_scanned_lob_tables();
        });
    }

    ub4 page() const { return GetParam().block_size - 60; }
};

zb::LobStorageDef out_of_row(ub4 chunk)
{
    zb::LobStorageDef s;
    s.in_row = false;
    s.chunk_blocks = chunk;
    s.reverse_chunks = true; // pages on disk in another order than in the value
    return s;
}

TEST_P(LobScanned, SizeFromTheScannedIndexEntries)
{
    // Trailing zeros and blanks stay: the size says where the value ends.
    std::string blob = lob_pattern(5 * page() + 30, 1) + std::string(40, '\0');
    std::string short_one = "x" + std::string(25, '\0');
    LobRun r = run(out_of_row(2), {blob, short_one, std::string()}, true);
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(r.values.size(), 3u);
    EXPECT_TRUE(r.values[0] == blob);
    EXPECT_TRUE(r.values[1] == short_one);
    EXPECT_EQ(r.values[2], "");
}

TEST_P(LobScanned, TrimmedWithoutASize)
{
    // Fewer than 20 trailing zeros belong to the value, 20 or more are the
    // page's unused tail.
    std::string keeps = lob_pattern(3 * page() - 19, 1) + std::string(19, '\0');
    std::string loses = lob_pattern(2 * page() + 11, 2);
    LobRun r = run(out_of_row(1), {keeps, loses}, false);
    ASSERT_EQ(r.values.size(), 2u);
    EXPECT_TRUE(r.values[0] == keeps);
    EXPECT_TRUE(r.values[1] == loses);
}

TEST_P(LobScanned, ClobTrimmedAtItsText)
{
    // Past the text the last page holds the zeros of never-written bytes.
    std::string text = lob_pattern(page() + 301, 4);
    LobRun r = run(out_of_row(1), {zb::utf16be_from_utf8(text)}, false, ORA_CLOB);
    ASSERT_EQ(r.values.size(), 1u);
    EXPECT_TRUE(r.values[0] == text);
}

TEST_P(LobScanned, OlderVersionOfAPageAndAMissingPage)
{
    std::string blob = lob_pattern(5 * page(), 5);
    LobRun r = run(out_of_row(1), {blob}, true, ORA_BLOB, [&](LobTable& t, std::string& pages) {
        // A stale copy of page 1 (another version) in a free block, listed
        // first; and page 3 of 5 lost.
        const zb::PlacedLob& lob = t.lobs.lobs[0];
        ub4 stale = t.file().def().blocks - 2; // a free block at the end of the file
        zb::BlockImage copy = t.file().at(lob.pages[1]);
        copy.writer().u32(4, t.file().rdba(stale));
        copy.writer().u32(36, lob.version_base - 1);
        copy.writer().fill(56, 'Z', 16);
        zb::seal_block(copy);
        t.file().put(stale, copy);
        std::string line = "4,5," + std::to_string(stale) + "," + std::to_string(t.def.data_object) + ",0,1," +
                           std::to_string(lob.lob_id[9]) + "," + std::to_string(lob.version_base - 1) + ",1,1\n";
        pages = line + pages;
        std::string lost = "," + std::to_string(lob.version_wrap) + ",3\n";
        size_t at = pages.find(lost);
        ASSERT_NE(at, std::string::npos);
        size_t start = pages.rfind('\n', at);
        pages.erase(start + 1, at + lost.size() - start - 1);
    });
    ASSERT_EQ(r.values.size(), 1u);
    EXPECT_TRUE(r.values[0] == blob.substr(0, 3 * page())) << r.values[0].size();
    EXPECT_EQ(r.cut, 1u);
    EXPECT_NE(r.out.find("the scan found no page 3 of it"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LobScanned,
                         testing::Values(OrderAndSize{BO_LITTLE, 2048}, OrderAndSize{BO_BIG, 8192}),
                         order_size_name);

} // namespace
