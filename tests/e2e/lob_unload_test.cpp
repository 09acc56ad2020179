// LOB columns through zem as a process after unload dict: every CLOB and
// BLOB value the builder wrote comes back, in its own file or inline, for
// each lob_storage setting; partitions and subpartitions find their LOB
// fragments and name their files apart; a LOB directory or file that cannot
// be made is reported with the system's reason; a LOB whose index is
// destroyed comes back through the LOB pages an extent scan finds.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "builder/dictionary.h"
#include "support/e2e.h"
#include "support/order_and_size.h"

namespace {

using zb::v_blob;
using zb::v_clob;
using zb::v_int;
using zb::v_null;

std::string binary(size_t length, unsigned seed)
{
    std::string bytes(length, '\0');
    unsigned x = seed;
    for (size_t i = 0; i < length; i++) {
        x = x * 1103515245u + 12345u;
        bytes[i] = (char)(x >> 16);
    }
    return bytes;
}

std::string words(size_t length, unsigned seed)
{
    std::string text;
    unsigned x = seed;
    while (text.size() < length) {
        x = x * 1103515245u + 12345u;
        text += (x >> 16) % 7 == 0 ? "\xc3\xa9t\xc3\xa9 " : (x >> 16) % 5 == 0 ? "\xe2\x82\xac " : "lorem ";
    }
    return text;
}

zb::DictTable table(const std::string& name, std::vector<zb::DictColumn> columns)
{
    zb::DictTable t;
    t.owner = "SCOTT";
    t.name = name;
    t.columns = std::move(columns);
    return t;
}

zb::DictionaryDef lob_dictionary(const OrderAndSize& layout)
{
    zb::DictionaryDef def;
    def.order = layout.order;
    def.block_size = layout.block_size;
    def.users = {{0, "SYS", 1}, {1, "PUBLIC", 0}, {84, "SCOTT", 1}};

    zb::DictColumn pic = zb::c_blob("PIC");
    pic.lob.in_row = false;
    pic.lob.chunk_blocks = 4;
    pic.lob.header_type = 35;
    zb::DictColumn note = zb::c_nclob("NOTE");
    note.lob.chunk_blocks = 2;
    note.lob.key_size = 20;
    note.lob.leaf_rows = 3;
    zb::DictTable docs = table("DOCS", {zb::c_number("ID"), zb::c_clob("BODY"), pic, note});
    docs.rows = {zb::row_of({v_int(1), v_clob("short \xc3\xa9 text"), v_blob(binary(100, 1)), v_clob("\xc3\xb1 nclob")}),
                 zb::row_of({v_int(2), v_clob(words(30000, 2)), v_blob(binary(3 << 20, 2)), v_null()}),
                 zb::row_of({v_int(3), v_clob(""), v_blob(""), v_clob(words(5000, 3))}),
                 zb::row_of({v_int(4), v_null(), v_null(), v_null()})};
    def.tables.push_back(docs);

    zb::DictTable parted = table("PARTED", {zb::c_number("ID"), zb::c_blob("DATA")});
    parted.partitions = {{"P1", "10", {zb::row_of({v_int(1), v_blob(binary(9000, 11))}),
                                       zb::row_of({v_int(2), v_blob(binary(20, 12))})}, {}},
                         {"P2", "MAXVALUE", {zb::row_of({v_int(11), v_blob(binary(70000, 13))}),
                                             zb::row_of({v_int(12), v_blob("p2")})}, {}}};
    def.tables.push_back(parted);

    zb::DictTable sub = table("SUBPARTED", {zb::c_number("ID"), zb::c_clob("TXT")});
    zb::DictPartition p{"P", "MAXVALUE", {}, {}};
    p.subpartitions = {{"S1", "", {zb::row_of({v_int(1), v_clob(words(9000, 21))})}, {}},
                       {"S2", "", {zb::row_of({v_int(2), v_clob("two")})}, {}}};
    sub.partitions = {p};
    def.tables.push_back(sub);
    return def;
}

using Rows = std::vector<std::vector<std::string>>;

// A table's text file loaded the way its control file says, LOB files read.
Rows loaded(const E2eDatabase& db, const std::string& base, ControlFile* ctl)
{
    *ctl = parse_control_file(db.output(base + ".ctl"));
    return load_text_rows(db.output(base + ".txt"), *ctl, db.path("out"));
}

// The field of a line after its first delimiter: the LOB file of PARTED.
std::string second_field(const std::string& line)
{
    return line.substr(line.find('|') + 1);
}

class LobE2e : public testing::TestWithParam<OrderAndSize> {
protected:
    void SetUp() override
    {
        def_ = lob_dictionary(GetParam());
        db_ = std::make_unique<E2eDatabase>("lob", def_);
        write_file(db_->path("lobfile.txt"), "lob_storage file\n");
        write_file(db_->path("lobnone.txt"), "lob_storage none\n");
        ZemRun r = db_->run("unload dict\n");
        ASSERT_EQ(r.status, 0);
    }

    std::string run(const std::string& commands)
    {
        ZemRun r = db_->run(commands);
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.timed_out);
        EXPECT_EQ(r.out.find("LOB value cut"), std::string::npos) << r.out;
        return r.out;
    }

    // DOCS loaded back as it was built.
    void expect_docs(const E2eDatabase& db)
    {
        ControlFile ctl;
        Rows rows = loaded(db, "SCOTT_DOCS", &ctl);
        EXPECT_TRUE(rows == expected_text_rows(def_.tables[0].rows, def_.tables[0], ctl));
    }

    zb::DictionaryDef def_;
    std::unique_ptr<E2eDatabase> db_;
};

TEST_P(LobE2e, EveryValueComesBackForEachLobStorage)
{
    for (const char* storage : {"infile", "file", "none"}) {
        SCOPED_TRACE(storage);
        db_->clear_output();
        std::string name(storage);
        run((name == "infile" ? "" : "load config lob" + name + ".txt\n") + "unload table scott.docs\n");
        expect_docs(*db_);
        // BLOBs (and, with lob_storage file, CLOBs) load from their files.
        EXPECT_GOLDEN("e2e/lob/docs_" + name + ".ctl", db_->output("SCOTT_DOCS.ctl"));
    }
}

// A partitioned table's LOB files are named after each partition's LOB
// fragment: unloaded whole or one partition at a time into the same
// directory, no file is written twice and every value stays in its own.
// Subpartitions find their fragments through the LOB's partitions.
TEST_P(LobE2e, PartitionsFindTheirFragmentsAndNameTheirFilesApart)
{
    run("unload table scott.parted partition p1\nunload table scott.parted partition p2\n"
        "unload table scott.parted\nunload table scott.subparted\n");
    std::vector<std::string> whole = lines_of(db_->output("SCOTT_PARTED.txt"));
    std::vector<std::string> parts = lines_of(db_->output("SCOTT_PARTED_P1.txt"));
    for (const std::string& line : lines_of(db_->output("SCOTT_PARTED_P2.txt")))
        parts.push_back(line);
    EXPECT_EQ(whole, parts);
    std::set<std::string> names;
    for (const std::string& line : whole)
        names.insert(second_field(line));
    EXPECT_EQ(names.size(), 4u);
    for (size_t t : {1, 2}) {
        const zb::DictTable& table = def_.tables[t];
        ControlFile ctl;
        Rows got = loaded(*db_, "SCOTT_" + table.name, &ctl);
        EXPECT_TRUE(got == expected_text_rows(live_rows(table), table, ctl)) << table.name;
    }
}

TEST_P(LobE2e, LobDirectoryOrFileThatCannotBeMade)
{
    run("load config lobfile.txt\nunload table scott.parted partition p1\n");
    std::string file = second_field(lines_of(db_->output("SCOTT_PARTED_P1.txt")).at(0));
    std::string column_dir = file.substr(0, file.find('/'));
    // The column's directory taken by a file, then the value's file by a
    // directory.
    db_->clear_output();
    write_file(db_->path("out/" + column_dir), "");
    ZemRun r = db_->run("load config lobfile.txt\nunload table scott.parted partition p1\n");
    EXPECT_NE(r.out.find("Can not create directory:out/" + column_dir + "\nerror message:File exists.\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(db_->output("SCOTT_PARTED_P1.txt"), "1|\n2|\n");

    db_->clear_output();
    std::filesystem::create_directories(db_->path("out/" + file));
    r = db_->run("load config lobfile.txt\nunload table scott.parted partition p1\n");
    EXPECT_NE(r.out.find("create lob file 'out/" + file + "' error,errno=21\n,error message:Is a directory."),
              std::string::npos)
        << r.out;
}

// Every LOB index block of DOCS destroyed: with use_scanned_lob the values
// come back through the LOB pages scan extent finds. A value whose inode
// lived in the index alone (PIC: storage in row disabled) ends where its
// last page's content ends; the empty one among them left no page at all,
// and says so.
TEST_P(LobE2e, DestroyedLobIndexThroughScanExtent)
{
    E2eDatabase db("lob_scanned", def_, "use_scanned_lob yes\n", [](zb::BuiltDatabase& built) {
        for (const auto& [key, lob] : built.lobs) {
            if (key.rfind("SCOTT.DOCS.", 0) != 0)
                continue;
            for (uint32_t block : lob.placed.leaf_blocks)
                built.image.file(1).damage(block, zb::Damage::zeroed);
            for (uint32_t block : lob.placed.branch_blocks)
                built.image.file(1).damage(block, zb::Damage::zeroed);
        }
    });
    ZemRun r = db.run("unload dict\nscan extent\nunload table scott.docs\n");
    ASSERT_EQ(r.status, 0);
    size_t cut = r.out.find("LOB value cut: table DOCS, column PIC, row 0x");
    EXPECT_NE(cut, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" slot 2, 0 bytes read: the root of its LOB index (segment header file 4 block ", cut),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(") cannot be read, and the scan found no page of it.\n", cut), std::string::npos);
    EXPECT_EQ(r.out.find("LOB value cut", cut + 1), std::string::npos) << r.out;
    expect_docs(db);
}

// DOCS dropped (its dictionary lines gone): scan extent finds its extents
// and LOB pages, and unload object with the column types brings every value
// back, the LOB files named after the data object so that no other
// object's files are overwritten.
TEST_P(LobE2e, DroppedLobTableThroughUnloadObject)
{
    E2eDatabase db("lob_dropped", def_, "use_scanned_lob yes\n");
    ASSERT_EQ(db.run("unload dict\n").status, 0);
    const zb::BuiltSegment& docs = db.db().at("SCOTT.DOCS");
    for (const char* cache : {"obj.zem", "tab.zem", "col.zem", "lob.zem"})
        drop_cache_lines(db.path(cache), docs.obj);
    std::string id = std::to_string(docs.dataobj);
    ZemRun r = db.run("scan extent\nunload object " + id + " tablespace 4 column NUMBER CLOB BLOB NCLOB\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("4 rows unloaded"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("LOB value cut"), std::string::npos) << r.out;
    char base[32];
    snprintf(base, sizeof(base), "ZEM_%010u", docs.dataobj);
    ControlFile ctl;
    Rows rows = loaded(db, base, &ctl);
    // Without a dictionary the columns are named C0001 ... in table order.
    ControlFile named = ctl;
    for (std::string& field : named.fields) {
        for (size_t c = 0; c < def_.tables[0].columns.size(); c++) {
            std::string generic = std::to_string(10001 + c);
            if (field == "C" + generic.substr(1))
                field = def_.tables[0].columns[c].name;
        }
    }
    EXPECT_TRUE(rows == expected_text_rows(def_.tables[0].rows, def_.tables[0], named));
    for (const std::string& line : lines_of(db.output(std::string(base) + ".txt"))) {
        if (line.find(".dat") != std::string::npos) {
            EXPECT_NE(line.find("lob" + id + "_"), std::string::npos) << line.substr(0, 120);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LobE2e, testing::Values(OrderAndSize{zb::LITTLE, 8192}, OrderAndSize{zb::BIG, 2048}),
                         order_size_name);

} // namespace
