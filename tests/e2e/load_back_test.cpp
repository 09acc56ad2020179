// Load-back: every table of the demo database unloaded by zem, each text
// file read again the way its control file tells a loader to (delimiter,
// columns in field order, trailing NULL columns), and every value compared
// with the value the builder stored. Small blocks chain the long rows.
#include <gtest/gtest.h>

#include <algorithm>

#include "builder/demo_schema.h"
#include "support/e2e.h"

namespace {

struct Form {
    zb::DictForm form;
    uint32_t block_size;
    int order;
    const char* name;
};
void PrintTo(const Form& p, std::ostream* os)
{
    *os << p.name;
}

class LoadBack : public ::testing::TestWithParam<Form> {};

using Rows = std::vector<std::vector<std::string>>;

Rows expected_rows(const zb::DictTable& t, const ControlFile& ctl)
{
    for (const std::string& field : ctl.fields)
        EXPECT_TRUE(std::any_of(t.columns.begin(), t.columns.end(),
                                [&](const zb::DictColumn& c) { return c.name == field; }))
            << t.name << " has no column " << field;
    return expected_text_rows(live_rows(t), t, ctl);
}

} // namespace

TEST_P(LoadBack, EveryValueComesBack)
{
    const Form& f = GetParam();
    zb::DictionaryDef def = zb::demo_dictionary(f.form);
    def.block_size = f.block_size;
    def.order = f.order;
    E2eDatabase db(std::string("loadback_") + f.name, def);
    ZemRun r = db.run("unload dict\nunload user scott\nunload user hr\n");
    ASSERT_EQ(r.status, 0);
    size_t tables = 0, values = 0;
    for (const zb::DictTable& t : def.tables) {
        std::string base = output_base(t);
        SCOPED_TRACE(base);
        ASSERT_TRUE(path_exists(db.path("out/" + base + ".ctl")));
        ControlFile ctl = parse_control_file(db.output(base + ".ctl"));
        EXPECT_EQ(ctl.infile, base + ".txt");
        EXPECT_EQ(ctl.delimiter, "|");
        size_t shown = 0;
        for (const zb::DictColumn& c : t.columns)
            shown += !c.hidden;
        EXPECT_EQ(ctl.fields.size(), shown);
        Rows actual = load_text_rows(db.output(ctl.infile), ctl, db.path("out"));
        Rows expected = expected_rows(t, ctl);
        // Before release 8 a table's storage carries its own object number,
        // while the blocks of a cluster carry the cluster's: the normal
        // unload of a clustered table finds no block of its own.
        if (f.form == zb::DictForm::v7 && !t.cluster.empty())
            expected.clear();
        for (const std::vector<std::string>& row : actual)
            EXPECT_EQ(row.size(), ctl.fields.size());
        // Clustered rows come out by cluster key, partitions in turn: the
        // order is the segment's, compare the rows as a whole.
        std::sort(actual.begin(), actual.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(actual, expected);
        tables++;
        for (const std::vector<std::string>& row : expected)
            values += row.size();
    }
    EXPECT_EQ(tables, def.tables.size());
    EXPECT_GT(values, 100u);
}

INSTANTIATE_TEST_SUITE_P(Forms, LoadBack,
                         ::testing::Values(Form{zb::DictForm::v10, 8192, zb::LITTLE, "v10_8k_little"},
                                           Form{zb::DictForm::v9, 4096, zb::BIG, "v9_4k_big"},
                                           Form{zb::DictForm::v10, 2048, zb::BIG, "v10_2k_big"},
                                           Form{zb::DictForm::v7, 2048, zb::LITTLE, "v7_2k_little"}),
                         [](const ::testing::TestParamInfo<Form>& info) { return std::string(info.param.name); });

namespace {

// Values that a delimited file cannot hold as they are, after a few that it
// can (so that records already written are rewritten when the first line
// feed comes): the delimiter, quotes, CR, LF, CRLF, a lone quote, the
// three-byte record end itself, leading and only blanks, multi-byte text
// next to the delimiter.
zb::DictTable nasty_table(const std::string& delimiter)
{
    zb::DictTable t;
    t.owner = "SCOTT";
    t.name = "NASTY";
    t.columns = {zb::c_number("ID"), zb::c_varchar2("V", 100), zb::c_char("C", 6), zb::c_nvarchar2("NV", 20),
                 zb::c_varchar2("LAST", 20)};
    std::vector<std::string> texts = {"plain",     "more plain", "a" + delimiter + "b", "say \"hi\"",
                                      "cr\rhere",  "two\nlines", "crlf\r\nend",         "\"",
                                      "\x1e\"\n", "ends\x1e",   " leading blank",      "   ",
                                      "\xe6\x97\xa5" + delimiter + "\xe6\x9c\xac", "x" + delimiter.substr(1),
                                      "tail\xe7\xb5\x82"};
    int id = 1;
    for (const std::string& text : texts) {
        std::vector<zb::Value> v = {zb::v_int(id), zb::v_text(text), zb::v_char(id % 2 ? "q\"" : "\t", 6),
                                    zb::v_ntext(id % 3 ? text : "n\xc3\xa9"), id % 4 ? zb::v_text(text) : zb::v_null()};
        t.rows.push_back(zb::row_of(v));
        id++;
    }
    return t;
}

class NastyValues : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(NastyValues, LoadBackUnchanged)
{
    std::string delimiter = GetParam();
    zb::DictionaryDef def = zb::demo_dictionary();
    def.tables.push_back(nasty_table(delimiter));
    E2eDatabase db(delimiter == "|" ? "nasty" : "nasty2", def, "delimiter " + delimiter + "\n");
    ZemRun r = db.run("unload dict\nunload table scott.nasty\nunload table scott.emp\n");
    ASSERT_EQ(r.status, 0);
    ControlFile ctl = parse_control_file(db.output("SCOTT_NASTY.ctl"));
    EXPECT_EQ(ctl.delimiter, delimiter);
    EXPECT_EQ(ctl.enclosure, "\"");
    EXPECT_EQ(ctl.record_end, "\x1e\"\n");
    Rows actual = load_text_rows(db.output(ctl.infile), ctl);
    Rows expected = expected_rows(def.tables.back(), ctl);
    EXPECT_EQ(actual, expected);
    if (delimiter == "|") {
        EXPECT_GOLDEN("e2e/nasty/SCOTT_NASTY.ctl", db.output("SCOTT_NASTY.ctl"));
        EXPECT_GOLDEN("e2e/nasty/SCOTT_NASTY.txt", db.output("SCOTT_NASTY.txt"));
        // A table whose values need none of it is written as always.
        EXPECT_GOLDEN("e2e/unload/block_range/SCOTT_EMP.ctl", db.output("SCOTT_EMP.ctl"));
    }
}

INSTANTIATE_TEST_SUITE_P(Delimiters, NastyValues, ::testing::Values("|", "||"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == "|" ? "bar" : "double_bar";
                         });

// A table split over worker processes: a worker whose rows need enclosing
// makes the control file say so; one that meets the table's first line feed
// leaves the segment to the table's own process, which rewrites the records
// before it. Either way the files are those one process writes.
TEST(NastyValuesInParts, ParallelUnloadWritesWhatOneProcessWrites)
{
    zb::DictionaryDef def;
    def.block_size = 2048;
    def.users = {{60, "BIG"}};
    for (const char* name : {"QUOTED", "BROKEN"}) {
        zb::DictTable t;
        t.owner = "BIG";
        t.name = name;
        t.extent_blocks = 8;
        t.columns = {zb::c_number("ID"), zb::c_varchar2("V", 200)};
        for (int i = 1; i <= 900; i++) {
            std::string v = "row " + std::to_string(i) + std::string(60, '.');
            if (i == 800)
                v = std::string(name) == "QUOTED" ? "a|\"b\"" : "two\nlines";
            t.rows.push_back(zb::row_of({zb::v_int(i), zb::v_text(v)}));
        }
        def.tables.push_back(t);
    }
    E2eDatabase db("nasty_parts", def);
    ASSERT_EQ(db.run("unload dict\n").status, 0);
    ASSERT_GT(db.db().at("BIG.QUOTED").data_blocks.size(), 16u);
    std::map<std::string, std::string> serial;
    ASSERT_EQ(db.run("unload table big.quoted\nunload table big.broken\n").status, 0);
    for (const std::string& name : db.output_names())
        serial[name] = db.output(name);
    db.clear_output();
    ZemRun r = db.run("unload table big.quoted parallel 2\nunload table big.broken parallel 2\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Table BROKEN: a value holds a line feed, one process reads the segment again.\n"),
              std::string::npos);
    for (const auto& [name, bytes] : serial)
        EXPECT_TRUE(db.output(name) == bytes) << name;
    for (const zb::DictTable& t : def.tables) {
        ControlFile ctl = parse_control_file(db.output("BIG_" + t.name + ".ctl"));
        EXPECT_EQ(ctl.enclosure, "\"");
        EXPECT_EQ(load_text_rows(db.output(ctl.infile), ctl), expected_rows(t, ctl)) << t.name;
    }
}
