// unload table ... parallel n against the same unload by one process: data
// files and transcripts byte for byte, on tables of many extents whose rows
// chain and migrate across the blocks where the runs of the workers meet,
// freelist and ASSM segments, both byte orders, a partitioned table; a worker
// killed in the middle; the progress line at a terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/e2e.h"

namespace {

struct Layout {
    int order;
    uint32_t block_size;
    uint8_t header_type;
    const char* name;
};
void PrintTo(const Layout& p, std::ostream* os)
{
    *os << p.name;
}

// Every fourth row is longer than a block (chained over two or three
// pieces), every seventh migrated; eight-block extents.
zb::DictTable rows_table(const Layout& l, const std::string& name, int first, int count)
{
    zb::DictTable t;
    t.owner = "BIG";
    t.name = name;
    t.header_type = l.header_type;
    t.extent_blocks = 8;
    t.columns = {zb::c_number("ID"), zb::c_varchar2("A", 4000), zb::c_varchar2("B", 4000), zb::c_date("AT")};
    size_t half = l.block_size * 3 / 4;
    for (int i = first; i < first + count; i++) {
        bool chained = i % 4 == 0;
        std::string a = chained ? std::string(half, (char)('a' + i % 26)) : "row " + std::to_string(i);
        std::string b = chained ? std::string(half, (char)('A' + i % 26)) : "";
        zb::DictRow row = zb::row_of({zb::v_int(i), zb::v_text(a), b.empty() ? zb::v_null() : zb::v_text(b),
                                      zb::v_date(2020, 1 + i % 12, 1 + i % 28, i % 24)});
        row.migrated = !chained && i % 7 == 0;
        t.rows.push_back(row);
    }
    return t;
}

zb::DictionaryDef big_def(const Layout& l, int rows)
{
    zb::DictionaryDef def;
    def.order = l.order;
    def.block_size = l.block_size;
    def.users = {{60, "BIG"}};
    def.tables.push_back(rows_table(l, "ROWS", 1, rows));
    zb::DictTable parts = rows_table(l, "PARTS", 1, 0);
    int id = 1;
    for (const char* p : {"P1", "P2", "P3"}) {
        zb::DictTable rows_of = rows_table(l, "PARTS", id, rows / 3);
        parts.partitions.push_back({p, std::to_string(id + rows / 3), rows_of.rows, {}});
        id += rows / 3;
    }
    def.tables.push_back(parts);
    // A row a block, each with 20 KB of CLOB text inline in the data file:
    // a run's text outgrows the worker's memory, the rest going through its
    // part file.
    zb::DictTable docs;
    docs.owner = "BIG";
    docs.name = "DOCS";
    docs.columns = {zb::c_number("ID"), zb::c_varchar2("PAD", 4000), zb::c_clob("BODY")};
    for (int i = 1; i <= 60; i++) {
        std::string body;
        while (body.size() < 20000)
            body += "line " + std::to_string(i) + " of clob " + std::to_string(body.size()) + "; ";
        docs.rows.push_back(zb::row_of({zb::v_int(i), zb::v_text(std::string(l.block_size * 3 / 4, 'p')),
                                        i % 5 == 0 ? zb::v_null() : zb::v_clob(body)}));
    }
    def.tables.push_back(docs);
    return def;
}

std::string data_files_of(const E2eDatabase& db)
{
    std::string all;
    for (const std::string& name : db.output_names())
        all += "== " + name + "\n" + db.output(name);
    return all;
}

class ParallelTable : public ::testing::TestWithParam<Layout> {};

} // namespace

TEST_P(ParallelTable, PartsJoinedAsOneProcessWritesThem)
{
    E2eDatabase db(std::string("parallel_") + GetParam().name, big_def(GetParam(), 300));
    ASSERT_EQ(db.run("unload dict\n").status, 0);
    const std::string commands = "unload table big.rows%\nunload table big.parts%\nunload table big.parts partition "
                                 "p2%\nunload table big.docs%\n";
    auto with = [&](const std::string& tail) {
        std::string text = commands;
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%'))
            text.replace(at, 1, tail);
        db.clear_output();
        ZemRun r = db.run(text);
        EXPECT_EQ(r.status, 0);
        return std::make_pair(r.out, data_files_of(db));
    };
    auto serial = with("");
    // Every row once: the live rows of the table, one line each.
    size_t lines = 0;
    for (char c : db.output("BIG_ROWS.txt"))
        lines += c == '\n';
    EXPECT_EQ(lines, 300u);
    ASSERT_GT(db.db().at("BIG.ROWS").data_blocks.size(), 3 * 8u);
    for (const char* degree : {" parallel 2", " parallel 3", " parallel 32"}) {
        auto parallel = with(degree);
        EXPECT_EQ(parallel.second, serial.second) << degree;
        // The workers' messages come out where one process prints them.
        EXPECT_EQ(parallel.first, serial.first) << degree;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ParallelTable,
                         ::testing::Values(Layout{zb::LITTLE, 2048, 16, "little_2k_freelist"},
                                           Layout{zb::BIG, 4096, 35, "big_4k_assm"}),
                         [](const auto& info) { return std::string(info.param.name); });
