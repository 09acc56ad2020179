// unload with output_format dmp on the demo database, zem run as a process:
// every unload form that writes tables gives an export dump whose rows,
// read back by the test's own reader, are the builder's stored values; the
// fixed parts are byte-exact; a file that cannot be written stops its table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "builder/demo_schema.h"
#include "support/dmp_reader.h"
#include "support/e2e.h"
#include "support/shared_database.h"

namespace {

zb::DictionaryDef dmp_dictionary()
{
    zb::DictionaryDef def = zb::demo_dictionary();
    // A LONG chained over three blocks, and one NULL.
    zb::DictTable docs;
    docs.owner = "SCOTT";
    docs.name = "LONG_DOCS";
    docs.columns = {zb::c_number("ID"), zb::c_long("BODY")};
    std::string body;
    for (int i = 0; i < 2000; i++)
        body += "line " + std::to_string(i) + "\n";
    docs.rows = {zb::row_of({zb::v_int(1), zb::v_text(body)}), zb::row_of({zb::v_int(2), zb::v_null()})};
    def.tables.push_back(docs);
    return def;
}

class DmpUnloadE2e : public SharedDatabase<DmpUnloadE2e> {
public:
    static E2eDatabase* make_database() { return new E2eDatabase("dmp", dmp_dictionary(), "output_format dmp\n"); }

protected:
    static DmpFile read_output(const std::string& name)
    {
        DmpFile file;
        std::vector<uint8_t> bytes = read_file_bytes(db_->path("out/" + name));
        EXPECT_EQ(bytes.size() % 2048, 0u) << name;
        EXPECT_EQ(read_dmp(bytes, &file), "") << name;
        EXPECT_EQ(file.tables.size(), 1u) << name;
        EXPECT_TRUE(file.ends_with_exit) << name;
        return file;
    }
    static const zb::DictTable& def_table(const std::string& owner, const std::string& name)
    {
        for (const zb::DictTable& t : db_->def().tables)
            if (t.owner == owner && t.name == name)
                return t;
        throw std::runtime_error("no table " + name);
    }
};

using Row = std::vector<std::pair<bool, std::vector<uint8_t>>>;

void add_rows(const std::vector<zb::DictRow>& rows, const std::vector<size_t>& order, std::vector<Row>* out)
{
    for (const zb::DictRow& r : rows) {
        if (r.deleted)
            continue;
        Row row;
        for (size_t i : order) {
            const zb::Value& v = r.values[i];
            if (v.is_lob)
                // A LOB comes as its text or bytes; an empty one as NULL.
                row.push_back({v.lob_data.empty(), std::vector<uint8_t>(v.lob_data.begin(), v.lob_data.end())});
            else
                row.push_back({v.cell.is_null, v.cell.is_null ? std::vector<uint8_t>{} : v.cell.bytes});
        }
        out->push_back(row);
    }
}

void add_partition_rows(const std::vector<zb::DictPartition>& parts, const std::vector<size_t>& order,
                        const std::string& only, std::vector<Row>* out)
{
    for (const zb::DictPartition& p : parts) {
        if (!only.empty() && p.name != only)
            continue;
        add_rows(p.rows, order, out);
        add_partition_rows(p.subpartitions, order, "", out);
    }
}

// The builder's rows of the table (or of one partition), values in segment
// order without hidden columns, as the dump must hold them; sorted.
std::vector<Row> expected_rows(const zb::DictionaryDef& def, const zb::DictTable& t, const std::string& part = "")
{
    std::vector<size_t> order;
    for (size_t i : zb::segment_order(t, def))
        if (!t.columns[i].hidden)
            order.push_back(i);
    std::vector<Row> rows;
    if (part.empty())
        add_rows(t.rows, order, &rows);
    add_partition_rows(t.partitions, order, part, &rows);
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<Row> dump_rows(const DmpTable& t)
{
    std::vector<Row> rows;
    for (const auto& r : t.rows) {
        Row row;
        for (const DmpValue& v : r)
            row.push_back({v.is_null, v.bytes});
        rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

// Every type, NULLs, a LONG over three blocks, and CLOB and BLOB values in
// the row and in their LOB segments.
TEST_F(DmpUnloadE2e, EveryTypeNullsLongAndLobValuesComeBackAsStored)
{
    run("unload table scott.all_types\nunload table scott.notes\nunload table scott.raw_docs\n"
        "unload table scott.long_docs\nunload table scott.emp\nunload table scott.c_emp\n"
        "unload table hr.doc_files\nunload table hr.resumes\nunload table hr.docs\n");
    const zb::DictionaryDef& def = db_->def();
    for (const char* name : {"SCOTT.ALL_TYPES", "SCOTT.NOTES", "SCOTT.RAW_DOCS", "SCOTT.LONG_DOCS", "SCOTT.EMP",
                             "SCOTT.C_EMP", "HR.DOC_FILES", "HR.RESUMES", "HR.DOCS"}) {
        std::string owner(name, strchr(name, '.')), table(strchr(name, '.') + 1);
        DmpFile file = read_output(owner + "_" + table + ".dmp");
        ASSERT_EQ(file.tables.size(), 1u) << name;
        EXPECT_EQ(file.tables[0].name, table);
        EXPECT_EQ(dump_rows(file.tables[0]), expected_rows(def, def_table(owner, table))) << name;
    }
    // The 16 KB LONG goes in chunks, one per row piece.
    DmpFile docs = read_output("SCOTT_LONG_DOCS.dmp");
    const DmpValue& body = docs.tables[0].rows[0][1];
    EXPECT_TRUE(body.chunked);
    EXPECT_GE(body.chunks, 2u);
}

TEST_F(DmpUnloadE2e, HeaderDescriptorsAndTrailerAreByteExact)
{
    run("unload table scott.emp\nunload table scott.all_types\n");
    for (const char* name : {"SCOTT_EMP.dmp", "SCOTT_ALL_TYPES.dmp"}) {
        std::vector<uint8_t> bytes = read_file_bytes(db_->path(std::string("out/") + name));
        DmpFile file;
        ASSERT_EQ(read_dmp(bytes, &file), "");
        const DmpTable& t = file.tables.at(0);
        EXPECT_GOLDEN(std::string("e2e/dmp/") + name + ".head.hex", hex_lines(bytes, 0, t.data_begin));
        EXPECT_GOLDEN(std::string("e2e/dmp/") + name + ".tail.hex", hex_lines(bytes, t.data_end - 2, bytes.size()));
    }
}

TEST_F(DmpUnloadE2e, PartitionBlockRangeAndUserForms)
{
    const zb::DictionaryDef& def = db_->def();
    const zb::BuiltSegment& dept = db_->db().at("SCOTT.DEPT");
    std::string out = run("unload table scott.sales partition p2024\nunload table scott.sales\n"
                          "unload table scott.dept datafile 4 block " + std::to_string(dept.data_blocks.front()) +
                          " blocks " + std::to_string(dept.data_blocks.size()) + "\n");
    EXPECT_EQ(dump_rows(read_output("SCOTT_SALES_P2024.dmp").tables.at(0)),
              expected_rows(def, def_table("SCOTT", "SALES"), "P2024"));
    EXPECT_EQ(dump_rows(read_output("SCOTT_SALES.dmp").tables.at(0)), expected_rows(def, def_table("SCOTT", "SALES")));
    EXPECT_EQ(dump_rows(read_output("SCOTT_DEPT.dmp").tables.at(0)), expected_rows(def, def_table("SCOTT", "DEPT")));
    EXPECT_EQ(out.find("not implemented"), std::string::npos);

    // The truncated-table forms, from the extents a scan found.
    const zb::BuiltSegment& old = db_->db().at("HR.OLD_ORDERS");
    write_file(db_->path("ext.zem"), extent_line(old.stale_dataobj, old.stale_blocks.front(), old.stale_blocks.size()));
    run("unload table hr.old_orders object truncate\nunload table hr.old_orders object " +
        std::to_string(old.stale_dataobj) + " tablespace 4\n");
    std::filesystem::remove(db_->path("ext.zem"));
    // unload object: the columns typed by hand, the extents from a scan.
    const zb::BuiltSegment& emp = db_->db().at("SCOTT.EMP");
    write_file(db_->path("ext.zem"), extent_line(emp.dataobj, emp.data_blocks.front(), emp.data_blocks.size()));
    run("unload object " + std::to_string(emp.dataobj) +
        " tablespace 4 column NUMBER VARCHAR2 VARCHAR2 NUMBER DATE NUMBER NUMBER NUMBER\n");
    std::filesystem::remove(db_->path("ext.zem"));
    DmpFile object = read_output("ZEM_00000" + std::to_string(emp.dataobj) + ".dmp");
    EXPECT_EQ(object.tables.at(0).columns.at(1).charset_id, 873);
    EXPECT_EQ(dump_rows(object.tables.at(0)), expected_rows(def, def_table("SCOTT", "EMP")));
    zb::DictTable stale = def_table("HR", "OLD_ORDERS");
    stale.rows = stale.stale_rows;
    EXPECT_EQ(dump_rows(read_output("HR_OLD_ORDERS.dmp").tables.at(0)), expected_rows(def, stale));
    DmpFile by_object = read_output("ZEM_00000" + std::to_string(old.obj) + ".dmp");
    EXPECT_EQ(by_object.tables.at(0).name, "ZEM_00000" + std::to_string(old.obj));
    EXPECT_EQ(dump_rows(by_object.tables.at(0)), expected_rows(def, stale));

    for (const char* form : {"unload user scott\n", "unload user scott parallel 3\n"}) {
        db_->clear_output();
        run(form);
        for (const zb::DictTable& t : def.tables) {
            if (t.owner != "SCOTT")
                continue;
            std::string name = output_base(t) + ".dmp";
            DmpFile file = read_output(name);
            if (!file.tables.empty()) {
                EXPECT_EQ(dump_rows(file.tables[0]), expected_rows(def, t)) << form << name;
            }
        }
    }
    remove_worker_logs(db_->dir());
}

// A full disk: the table stops with the system's error and is not reported
// as unloaded; the next table goes on.
TEST_F(DmpUnloadE2e, WriteFailureStopsTheTable)
{
    ASSERT_EQ(symlink("/dev/full", db_->path("out/SCOTT_EMP.dmp").c_str()), 0);
    // Commands from a pipe whose output failed end with status 1.
    std::string out = run("unload table scott.emp\nunload table scott.dept\n", 1);
    EXPECT_NE(out.find("write file out/SCOTT_EMP.dmp error! error message:No space left on device."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Table EMP unload failed"), std::string::npos) << out;
    EXPECT_EQ(out.find("14 rows unloaded"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
    EXPECT_EQ(read_output("SCOTT_DEPT.dmp").tables.at(0).rows.size(), 4u);
}
