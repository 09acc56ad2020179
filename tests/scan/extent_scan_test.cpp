// scan extent on builder databases, zem run as a process: the result files,
// serial against parallel, filters, damage, the truncated table recovered
// from the extents a scan found.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "builder/demo_schema.h"
#include "support/e2e.h"
#include "support/lost_extents.h"

namespace {

// SCOTT: T1 (freelist, small extents), T2 (ASSM) and OLD, truncated with
// its old rows spread over the extents the truncate released.
zb::DictionaryDef scan_dictionary(int order, uint32_t block_size)
{
    zb::DictionaryDef def;
    def.order = order;
    def.block_size = block_size;
    def.users = {{0, "SYS", 1}, {1, "PUBLIC", 0}, {84, "SCOTT", 1}};
    zb::DictTable t1 = zb::numbered_table("SCOTT", "T1", 120);
    t1.extent_blocks = 4;
    zb::DictTable t2 = zb::numbered_table("SCOTT", "T2", 40);
    t2.header_type = 35;
    zb::DictTable old = zb::numbered_table("SCOTT", "OLD", 300, 100);
    old.stale_rows = old.rows;
    old.rows.clear();
    old.truncated = true;
    old.extent_blocks = 2;
    def.tables = {t1, t2, old};
    return def;
}

std::vector<std::string> sorted_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

const char* const RESULT_FILES[] = {"ext.zem", "segment.txt", "lobind.zem", "lobpage.zem"};

// The four result files, or where a worker's own files were left behind.
std::map<std::string, std::vector<std::string>> scan_results(const E2eDatabase& db)
{
    std::map<std::string, std::vector<std::string>> results;
    for (const char* name : RESULT_FILES)
        results[name] = sorted_lines(read_file(db.path(name)));
    for (const auto& entry : std::filesystem::directory_iterator(db.dir()))
        for (const char* name : RESULT_FILES)
            if (entry.path().filename().string().rfind(std::string(name) + ".", 0) == 0)
                results["left behind"].push_back(entry.path().filename().string());
    return results;
}

// The length of the ext.zem line that starts with obj,ts,file,block; 0 when
// there is none.
uint32_t run_length(const std::string& ext, uint32_t obj, uint32_t block)
{
    std::string head = std::to_string(obj) + ",4,4," + std::to_string(block) + ",";
    for (const std::string& line : sorted_lines(ext))
        if (line.rfind(head, 0) == 0)
            return (uint32_t)std::stoul(line.substr(head.size()));
    return 0;
}

std::string expected_rows(const zb::DictTable& table)
{
    std::string text;
    for (size_t i = 1; i <= table.stale_rows.size(); i++)
        text += std::to_string(i) + "|row-" + std::to_string(i) + "|" + std::string(100, 'x') + "\n";
    return text;
}

class ExtentScan : public ::testing::TestWithParam<std::tuple<int, uint32_t>> {
protected:
    ExtentScan() : db_("scan", scan_dictionary(std::get<0>(GetParam()), std::get<1>(GetParam()))) {}
    std::string run(const std::string& commands)
    {
        ZemRun r = db_.run(commands);
        EXPECT_EQ(r.status, 0);
        return r.out;
    }
    E2eDatabase db_;
};

} // namespace

// Ranges of three blocks cut the runs between the workers; the lines come
// out as in one process.
TEST_P(ExtentScan, SerialAndParallelGiveTheSameLines)
{
    run("scan extent\n");
    auto serial = scan_results(db_);
    EXPECT_GT(serial["ext.zem"].size(), 10u);
    write_file(db_.path("config.txt"), zb::demo_config(db_.def(), "out") + "block_read_count 3\n");
    for (const char* degree : {"2", "5"}) {
        run(std::string("scan extent parallel ") + degree + "\n");
        EXPECT_EQ(scan_results(db_), serial) << "parallel " << degree;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExtentScan,
                         ::testing::Values(std::make_tuple((int)zb::LITTLE, 8192u), std::make_tuple((int)zb::BIG, 2048u)));

// Before the scan the truncated table's old rows have no extents to come
// from; after it they all come back.
TEST(ExtentScanFiles, GoldenResultsAndRecovery)
{
    E2eDatabase db("scan_golden", scan_dictionary(zb::LITTLE, 8192));
    const zb::BuiltSegment& old = db.db().at("SCOTT.OLD");
    ASSERT_GT(old.stale_blocks.back(), old.block + 1); // past the extent the segment kept
    std::string before = db.run("unload dict\nunload table scott.old object truncate\n").out;
    EXPECT_NE(before.find("no scanned extent of data object " + std::to_string(old.stale_dataobj)),
              std::string::npos);
    std::string out = db.run("scan extent\nunload table scott.old object truncate\n"
                             "unload table scott.t1 object scanned\nscan extent parallel 33\nscan extent datafile 4\n")
                          .out;
    EXPECT_GOLDEN("scan/recovery.txt", out);
    EXPECT_EQ(db.output("SCOTT_OLD.txt"), expected_rows(db.def().tables[2]));
    EXPECT_GOLDEN("scan/segment.txt", read_file(db.path("segment.txt")));
    EXPECT_GOLDEN("scan/ext.zem", read_file(db.path("ext.zem")));
}

// A block whose tail disagrees with its head ends the run before it and
// starts a new one after it, unless block checking is off.
TEST(ExtentScanFiles, DamagedBlockSplitsRun)
{
    uint32_t damaged = 0;
    E2eDatabase db("scan_damage", scan_dictionary(zb::BIG, 4096), "", [&](zb::BuiltDatabase& b) {
        const zb::BuiltSegment& t1 = b.at("SCOTT.T1");
        damaged = t1.data_blocks.at(2);
        b.image.file(1).damage(damaged, zb::Damage::bad_tail);
    });
    const zb::BuiltSegment& t1 = db.db().at("SCOTT.T1");
    ASSERT_EQ(t1.data_blocks.at(1) + 1, damaged);
    std::string out = db.run("scan extent\n").out;
    EXPECT_NE(out.find("1 damaged blocks skipped, the first in file 'USERS01.DBF' block " + std::to_string(damaged) +
                       ".\n"),
              std::string::npos);
    std::string ext = read_file(db.path("ext.zem"));
    uint32_t first = t1.data_blocks.at(0);
    uint32_t last = t1.data_blocks.back();
    EXPECT_EQ(run_length(ext, t1.dataobj, first), damaged - first);
    EXPECT_GE(run_length(ext, t1.dataobj, damaged + 1), last - damaged);

    write_file(db.path("config.txt"), zb::demo_config(db.def(), "out") + "db_block_checksum no\n");
    out = db.run("scan extent\n").out;
    EXPECT_EQ(out.find("damaged"), std::string::npos);
    EXPECT_GE(run_length(read_file(db.path("ext.zem")), t1.dataobj, first), last - first + 1);
}

TEST(ExtentScanFiles, FiltersKeepOnlyWhatWasAskedFor)
{
    E2eDatabase db("scan_filter", scan_dictionary(zb::LITTLE, 2048));
    const zb::BuiltSegment& t2 = db.db().at("SCOTT.T2");
    std::string t2_obj = std::to_string(t2.dataobj);
    db.run("scan extent tablespace 4 datafile 4 object " + t2_obj + " parallel 2\n");
    std::string segment = read_file(db.path("segment.txt"));
    EXPECT_EQ(sorted_lines(segment).size(), 4u); // the header lines and T2's
    EXPECT_NE(segment.find(t2_obj + ",4,4," + std::to_string(t2.block) + "\n"), std::string::npos);
    for (const std::string& line : sorted_lines(read_file(db.path("ext.zem"))))
        EXPECT_EQ(line.substr(0, line.find(',')), t2_obj);

    db.run("scan extent tablespace 0\n");
    for (const std::string& line : sorted_lines(read_file(db.path("ext.zem"))))
        EXPECT_EQ(line.substr(line.find(','), 3), ",0,");
    // Each scan replaces the results of the last.
    EXPECT_EQ(read_file(db.path("ext.zem")).find(t2_obj + ","), std::string::npos);
}

namespace {

// SCOTT.BIG fills the USERS file up to the segment header of SCOTT.T.
zb::DictionaryDef lost_extent_dictionary(int order, uint32_t block_size)
{
    zb::DictionaryDef def;
    def.order = order;
    def.block_size = block_size;
    def.users = {{0, "SYS", 1}, {1, "PUBLIC", 0}, {84, "SCOTT", 1}};
    zb::DictTable t = zb::numbered_table("SCOTT", "T", 40);
    t.header_type = 35;
    def.tables = {zb::numbered_table("SCOTT", "BIG", block_size / 2, 200), t};
    return def;
}

// ext.zem lines with the blocks [from, to) of file 4 taken out of their runs.
std::vector<std::string> without_blocks(const std::vector<std::string>& lines, uint32_t from, uint32_t to)
{
    std::string kept;
    for (const std::string& line : lines) {
        unsigned obj, ts, file, first, length, type;
        if (sscanf(line.c_str(), "%u,%u,%u,%u,%u,%u", &obj, &ts, &file, &first, &length, &type) != 6 ||
            file != 4 || first + length <= from || first >= to) {
            kept += line + "\n";
            continue;
        }
        if (first < from)
            kept += extent_line(obj, first, from - first, (int)type);
        if (first + length > to)
            kept += extent_line(obj, to, first + length - to, (int)type);
    }
    return sorted_lines(kept);
}

class LostExtentScan : public ::testing::TestWithParam<std::tuple<int, uint32_t>> {};

} // namespace

// 64 blocks of BIG in lost ASM extents end at the AU that holds T's segment
// header, and reads of 12 blocks that start among them run on into readable
// blocks: the scan finds every readable block, counts exactly the lost ones,
// and does not pay a failed read for each of them.
TEST_P(LostExtentScan, ReadableBlocksAfterLostExtentsAreScanned)
{
    E2eDatabase db("scan_lost", lost_extent_dictionary(std::get<0>(GetParam()), std::get<1>(GetParam())),
                   "block_read_count 12\n");
    const uint32_t per_au = LOST_AU_SIZE / db.def().block_size;
    const uint32_t lost_end = db.db().at("SCOTT.T").block / per_au * per_au;
    const uint32_t lost = 64;
    ASSERT_GT(lost_end, db.db().at("SCOTT.BIG").block + lost);
    db.run("scan extent\n");
    auto whole = scan_results(db);
    auto expected = whole;
    expected["ext.zem"] = without_blocks(whole["ext.zem"], lost_end - lost, lost_end);
    ASSERT_NE(expected["ext.zem"], whole["ext.zem"]);

    move_users_to_asm(db, lost_end - lost, lost_end);
    // With four workers a range starts inside the lost stretch.
    for (const char* degree : {"", " parallel 2", " parallel 4"}) {
        std::string out = db.run(std::string("scan extent") + degree + "\n").out;
        EXPECT_EQ(scan_results(db), expected) << degree;
        EXPECT_NE(out.find("64 unreadable blocks skipped, the first in file '+DATA.256' block " +
                           std::to_string(lost_end - lost) + ".\n"),
                  std::string::npos)
            << out;
        size_t failed_reads = count_of(out, "read data error from diskgroup#");
        EXPECT_GT(failed_reads, 0u);
        EXPECT_LE(failed_reads, lost / 2) << degree;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LostExtentScan,
                         ::testing::Values(std::make_tuple((int)zb::LITTLE, 8192u), std::make_tuple((int)zb::BIG, 2048u)));
