// LOB columns through zem as a process after unload dict: every CLOB and
// BLOB value the builder wrote comes back, in its own file or inline, for
// each lob_storage setting; partitions and subpartitions find their LOB
// fragments and name their files apart; a LOB directory or file that cannot
// be made is reported with the system's reason; a LOB whose index is
// destroyed comes back through the scanned LOB pages.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "builder/dictionary.h"
#include "support/e2e.h"

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

struct LobLayout {
    int order;
    uint32_t block_size;
};

zb::DictionaryDef lob_dictionary(const LobLayout& layout)
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

// Every file under out/, by path relative to it.
std::map<std::string, std::string> files_under(const E2eDatabase& db)
{
    std::map<std::string, std::string> files;
    std::string root = db.dir() + "/out/";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[entry.path().string().substr(root.size())] = read_file(entry.path().string());
    return files;
}

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    size_t from = 0;
    for (size_t at; (at = line.find('|', from)) != std::string::npos; from = at + 1)
        fields.push_back(line.substr(from, at - from));
    fields.push_back(line.substr(from));
    return fields;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

class LobE2e : public testing::TestWithParam<LobLayout> {
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
        return r.out;
    }

    // The value a text field stands for: the LOB file it names, or itself.
    std::string value_of(const std::string& field, const std::map<std::string, std::string>& files)
    {
        auto at = files.find(field);
        return at != files.end() ? at->second : field;
    }

    const zb::Value& expected(size_t table, size_t row, size_t column)
    {
        return def_.tables[table].rows[row].values[column];
    }

    zb::DictionaryDef def_;
    std::unique_ptr<E2eDatabase> db_;
};

TEST_P(LobE2e, EveryValueComesBackForEachLobStorage)
{
    for (const char* storage : {"infile", "file", "none"}) {
        SCOPED_TRACE(storage);
        db_->clear_output();
        std::string load = std::string(storage) == "infile" ? "" : "load config lob" + std::string(storage) + ".txt\n";
        std::string out = run(load + "unload table scott.docs\n");
        EXPECT_EQ(out.find("LOB value cut"), std::string::npos) << out;
        std::map<std::string, std::string> files = files_under(*db_);
        std::vector<std::string> lines = lines_of(files["SCOTT_DOCS.txt"]);
        ASSERT_EQ(lines.size(), 4u);
        for (size_t r = 0; r < lines.size(); r++) {
            std::vector<std::string> fields = fields_of(lines[r]);
            if (std::string(storage) == "none") {
                EXPECT_EQ(fields.size(), 1u);
                continue;
            }
            // Trailing NULLs leave no field.
            ASSERT_LE(fields.size(), 4u);
            for (size_t c = 1; c < 4; c++) {
                std::string field = c < fields.size() ? fields[c] : "";
                EXPECT_TRUE(value_of(field, files) == expected(0, r, c).lob_data)
                    << "row " << r << " column " << c << ": " << field.substr(0, 100);
            }
        }
        // The control file loads BLOBs (and, with lob_storage file, CLOBs)
        // from their files.
        EXPECT_GOLDEN("e2e/lob/docs_" + std::string(storage) + ".ctl", files["SCOTT_DOCS.ctl"]);
    }
}

// A partitioned table's LOB files are named after each partition's LOB
// fragment: unloaded whole or one partition at a time into the same
// directory, no file is written twice and every value stays in its own.
TEST_P(LobE2e, PartitionsNameTheirLobFilesApart)
{
    std::string out = run("unload table scott.parted partition p1\nunload table scott.parted partition p2\n"
                          "unload table scott.parted\nunload table scott.subparted\n");
    EXPECT_EQ(out.find("LOB value cut"), std::string::npos) << out;
    std::map<std::string, std::string> files = files_under(*db_);
    std::vector<std::string> whole = lines_of(files["SCOTT_PARTED.txt"]);
    std::vector<std::string> parts = lines_of(files["SCOTT_PARTED_P1.txt"]);
    for (const std::string& line : lines_of(files["SCOTT_PARTED_P2.txt"]))
        parts.push_back(line);
    EXPECT_EQ(whole, parts);
    ASSERT_EQ(whole.size(), 4u);
    std::set<std::string> names;
    for (size_t i = 0; i < whole.size(); i++) {
        std::vector<std::string> fields = fields_of(whole[i]);
        ASSERT_EQ(fields.size(), 2u);
        names.insert(fields[1]);
        const zb::DictPartition& p = def_.tables[1].partitions[i / 2];
        EXPECT_TRUE(value_of(fields[1], files) == p.rows[i % 2].values[1].lob_data) << fields[1];
    }
    EXPECT_EQ(names.size(), 4u);
    // Subpartitions find their fragments through the LOB's partitions.
    std::vector<std::string> sub = lines_of(files["SCOTT_SUBPARTED.txt"]);
    ASSERT_EQ(sub.size(), 2u);
    EXPECT_EQ(fields_of(sub[0])[1], def_.tables[2].partitions[0].subpartitions[0].rows[0].values[1].lob_data);
    EXPECT_EQ(sub[1], "2|two");
}

TEST_P(LobE2e, LobDirectoryOrFileThatCannotBeMade)
{
    run("load config lobfile.txt\nunload table scott.parted partition p1\n");
    std::map<std::string, std::string> files = files_under(*db_);
    std::vector<std::string> fields = fields_of(lines_of(files["SCOTT_PARTED_P1.txt"]).at(0));
    std::string column_dir = fields[1].substr(0, fields[1].find('/'));
    // The column's directory taken by a file, then the value's file by a
    // directory.
    db_->clear_output();
    write_file(db_->path("out/" + column_dir), "");
    std::string out = run("load config lobfile.txt\nunload table scott.parted partition p1\n");
    EXPECT_NE(out.find("Can not create directory:out/" + column_dir + "\nerror message:"), std::string::npos) << out;
    EXPECT_EQ(lines_of(read_file(db_->path("out/SCOTT_PARTED_P1.txt"))), std::vector<std::string>({"1|", "2|"}));

    db_->clear_output();
    std::filesystem::create_directories(db_->path("out/" + fields[1]));
    out = run("load config lobfile.txt\nunload table scott.parted partition p1\n");
    EXPECT_NE(out.find("create lob file 'out/" + fields[1] + "' error,errno=21\n,error message:Is a directory."),
              std::string::npos)
        << out;
}

// Every LOB index block of DOCS destroyed: with use_scanned_lob the values
// come back through the LOB index entries and pages a scan found
// (lobind.zem and lobpage.zem, written here as a scan writes them).
TEST_P(LobE2e, DestroyedLobIndexThroughScannedPages)
{
    std::string pages, entries;
    E2eDatabase db("lob_scanned", def_, "use_scanned_lob yes\n", [&](zb::BuiltDatabase& built) {
        for (const auto& [key, lob] : built.lobs) {
            if (key.rfind("SCOTT.DOCS.", 0) != 0)
                continue;
            zb::DatafileImage& file = built.image.file(1);
            pages += zb::lobpage_lines(file, lob.def, lob.placed);
            entries += zb::lobind_lines(file, lob.def, lob.placed);
            for (uint32_t block : lob.placed.leaf_blocks)
                file.damage(block, zb::Damage::zeroed);
            for (uint32_t block : lob.placed.branch_blocks)
                file.damage(block, zb::Damage::zeroed);
        }
    });
    write_file(db.path("lobpage.zem"), pages);
    write_file(db.path("lobind.zem"), entries);
    ZemRun r = db.run("unload dict\n");
    ASSERT_EQ(r.status, 0);
    r = db.run("unload table scott.docs\n");
    EXPECT_EQ(r.out.find("LOB value cut"), std::string::npos) << r.out;
    std::map<std::string, std::string> files = files_under(db);
    std::vector<std::string> lines = lines_of(files["SCOTT_DOCS.txt"]);
    ASSERT_EQ(lines.size(), 4u);
    for (size_t row = 0; row < lines.size(); row++) {
        std::vector<std::string> fields = fields_of(lines[row]);
        for (size_t c = 1; c < 4; c++) {
            std::string field = c < fields.size() ? fields[c] : "";
            EXPECT_TRUE(value_of(field, files) == expected(0, row, c).lob_data) << "row " << row << " column " << c;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LobE2e, testing::Values(LobLayout{zb::LITTLE, 8192}, LobLayout{zb::BIG, 2048}),
                         [](const testing::TestParamInfo<LobLayout>& info) {
                             return std::string(info.param.order == zb::BIG ? "big_" : "little_") +
                                    std::to_string(info.param.block_size);
                         });

} // namespace
