// Basic-compressed and index-organized tables through the dictionary, and
// the dropped-table story: a table's dictionary entries removed, its extents
// known from an extent scan (ext.zem), a sample of every scanned object, the
// COMMAND line of sample.txt run as it stands, and the rows back exactly as
// the table unload gave them before the drop.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "builder/demo_schema.h"
#include "support/e2e.h"
#include "support/shared_database.h"

namespace {

using zb::DictTable;

DictTable orders_table(const std::string& owner, const std::string& name, int rows)
{
    DictTable t;
    t.owner = owner;
    t.name = name;
    t.columns = {zb::c_number("ID", 8, 0, false), zb::c_varchar2("CUSTOMER", 30), zb::c_date("ORDERED"),
                 zb::c_number("AMOUNT", 10, 2), zb::c_varchar2("STATE", 10)};
    const char* const states[] = {"OPEN", "SHIPPED", "PAID"};
    for (int n = 1; n <= rows; n++)
        t.rows.push_back(zb::row_of({zb::v_int(n), zb::v_text("customer " + std::to_string(n % 17)),
                                     zb::v_date(2019 + n % 4, 1 + n % 12, 1 + n % 28, n % 24, n % 60, 0),
                                     n % 5 == 0 ? zb::v_null() : zb::v_number(std::to_string(n * 7) + ".25"),
                                     zb::v_text(states[n % 3])}));
    return t;
}

zb::DictionaryDef object_dictionary()
{
    zb::DictionaryDef def;
    def.users = {{84, "SCOTT"}, {85, "HR"}};
    def.tables.push_back(orders_table("SCOTT", "ORDERS_OLD", 150));
    DictTable archive = orders_table("SCOTT", "ARCHIVE", 400);
    archive.compressed = true;
    def.tables.push_back(archive);
    DictTable iot = orders_table("HR", "ORDERS_IOT", 300);
    iot.columns[4] = zb::c_varchar2("STATE", 10);
    // Keyed by (STATE, CUSTOMER), leaves sharing the state through prefix
    // rows; the amount and the id go to the overflow segment.
    for (zb::DictRow& row : iot.rows)
        std::swap(row.values[0], row.values[4]);
    std::swap(iot.columns[0], iot.columns[4]);
    std::sort(iot.rows.begin(), iot.rows.end(), [](const zb::DictRow& a, const zb::DictRow& b) {
        return a.values[0].text != b.values[0].text ? a.values[0].text < b.values[0].text
                                                    : std::stoi(a.values[4].text) < std::stoi(b.values[4].text);
    });
    iot.columns[0].nullable = false;
    iot.indexes = {{"ORDERS_IOT_PK", 4, false}};
    iot.iot_key_columns = 2;
    iot.iot_prefix_columns = 1;
    iot.iot_overflow_from = 3;
    def.tables.push_back(iot);
    return def;
}

std::string rows_text(const DictTable& t)
{
    std::string text;
    for (const zb::DictRow& row : t.rows) {
        std::string line;
        for (size_t c = 0; c < row.values.size(); c++)
            line += (c ? "|" : "") + row.values[c].text;
        while (!line.empty() && line.back() == '|')
            line.pop_back();
        text += line + "\n";
    }
    return text;
}

// The COMMAND line that sample.txt suggests, from `from` on.
std::string suggested_command(const std::string& report, size_t from = 0)
{
    size_t at = report.find("COMMAND: \n", from);
    return at == std::string::npos ? "" : report.substr(at + 10, report.find('\n', at + 10) - at - 10);
}

class ObjectE2e : public SharedDatabase<ObjectE2e> {
public:
    static E2eDatabase* make_database() { return new E2eDatabase("object", object_dictionary()); }
};

TEST_F(ObjectE2e, CompressedAndIndexOrganizedTablesUnloadEveryRow)
{
    std::string out = run("unload table scott.archive\nunload table hr.orders_iot\n");
    EXPECT_NE(out.find("Table ARCHIVE 400 rows unloaded"), std::string::npos) << out;
    EXPECT_NE(out.find("Table ORDERS_IOT 300 rows unloaded"), std::string::npos) << out;
    const zb::DictionaryDef& def = db_->def();
    EXPECT_EQ(db_->output("SCOTT_ARCHIVE.txt"), rows_text(def.tables[1]));
    EXPECT_EQ(db_->output("HR_ORDERS_IOT.txt"), rows_text(def.tables[2]));
}

TEST_F(ObjectE2e, DroppedTableComesBackThroughSampleAndTheSuggestedCommand)
{
    const zb::BuiltSegment& dropped = db_->db().at("SCOTT.ORDERS_OLD");
    // Before the drop: what the dictionary unload gives.
    run("unload table scott.orders_old\n");
    std::string before = db_->output("SCOTT_ORDERS_OLD.txt");
    ASSERT_EQ(before, rows_text(db_->def().tables[0]));

    // The drop: the table's OBJ$ and TAB$ entries are gone. Then a scan
    // finds the extents and every object of the users' tablespace is sampled.
    std::string saved_obj = read_file(db_->path("obj.zem")), saved_tab = read_file(db_->path("tab.zem"));
    drop_cache_lines(db_->path("obj.zem"), dropped.obj);
    drop_cache_lines(db_->path("tab.zem"), dropped.obj);
    db_->clear_output();
    std::string out = run("unload table scott.orders_old\nscan extent\nunload object all tablespace 4 sample\n");
    EXPECT_NE(out.find("table 'scott.orders_old' does not exist."), std::string::npos);
    std::string report = db_->output("sample.txt");
    EXPECT_GOLDEN("e2e/object/sample.txt", report);

    // The dropped table's COMMAND line, run as it stands.
    size_t at = report.find("  object id: " + std::to_string(dropped.dataobj) + "\n");
    ASSERT_NE(at, std::string::npos) << report;
    std::string command = suggested_command(report, at);
    EXPECT_EQ(command, "unload object " + std::to_string(dropped.dataobj) +
                           " tablespace 4 column NUMBER VARCHAR2 DATE NUMBER VARCHAR2 ");
    db_->clear_output();
    out = run(command + "\n");
    EXPECT_NE(out.find("150 rows unloaded"), std::string::npos) << out;
    char name[32];
    snprintf(name, sizeof(name), "ZEM_%010u.txt", dropped.dataobj);
    EXPECT_EQ(db_->output(name), before);

    for (const char* file : {"ext.zem", "segment.txt", "lobind.zem", "lobpage.zem"})
        std::filesystem::remove(db_->path(file));
    write_file(db_->path("obj.zem"), saved_obj);
    write_file(db_->path("tab.zem"), saved_tab);
}

// Without the dictionary an index-organized table is sampled from its index
// leaves, the overflow pieces followed by their addresses.
TEST_F(ObjectE2e, IndexOrganizedTableComesBackWithoutTheDictionary)
{
    const zb::BuiltSegment& iot = db_->db().at("HR.ORDERS_IOT");
    write_file(db_->path("ext.zem"), extent_lines(iot));
    std::string id = std::to_string(iot.dataobj);
    run("unload object " + id + " sample\n");
    std::string command = suggested_command(db_->output("sample.txt"));
    EXPECT_EQ(command, "unload object " + id + " tablespace 4 column VARCHAR2 VARCHAR2 DATE NUMBER NUMBER ");
    db_->clear_output();
    run(command + "\n");
    std::filesystem::remove(db_->path("ext.zem"));
    EXPECT_EQ(db_->output("ZEM_00000" + id + ".txt"), rows_text(db_->def().tables[2]));
}

TEST_F(ObjectE2e, SamplingWithoutExtentsOrReadableBlocksSaysSo)
{
    const zb::BuiltSegment& dropped = db_->db().at("SCOTT.ORDERS_OLD");
    std::filesystem::remove(db_->path("ext.zem"));
    std::string out = run("unload object " + std::to_string(dropped.dataobj) + " sample\n");
    EXPECT_NE(out.find("  no data.\n\n  no scanned extent of data object " + std::to_string(dropped.dataobj) +
                       ", run scan extent first.\n"),
              std::string::npos)
        << out;
}

// The forms the command refuses, and a column list with a SKIP word: the
// stepped-over value leaves no column, the later ones keep their numbers.
TEST_F(ObjectE2e, ColumnListsAndRefusedForms)
{
    const zb::BuiltSegment& dropped = db_->db().at("SCOTT.ORDERS_OLD");
    std::string id = std::to_string(dropped.dataobj);
    write_file(db_->path("ext.zem"), extent_lines(dropped));
    std::string out = run("unload object 0 sample\nunload object all cluster 2 sample\n"
                          "unload object " + id + " column NUMBER FOO\nunload object " + id +
                          " tablespace -1 sample\nunload object " + id + " column NUMBER SKIP DATE\n");
    std::filesystem::remove(db_->path("ext.zem"));
    EXPECT_GOLDEN("e2e/object/forms.txt", out);
    std::string name = "ZEM_00000" + id;
    EXPECT_EQ(db_->output_names(), (std::vector<std::string>{name + ".ctl", name + ".sql", name + ".txt"}));
    EXPECT_GOLDEN("e2e/object/skip.ctl", db_->output(name + ".ctl"));
    EXPECT_GOLDEN("e2e/object/skip.sql", db_->output(name + ".sql"));
    std::string rows = db_->output(name + ".txt");
    EXPECT_EQ(rows.substr(0, rows.find('\n')), "1|2020-02-02 01:01:00");
}

} // namespace
