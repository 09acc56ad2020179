// discover on builder databases, zem run as a process: from a directory that
// also holds a big-file tablespace, a file cut short, a file of another
// database, an older copy of a file and a text file, the control.txt and
// config.txt it writes equal the hand-written ones, and unload dict and
// unload user give what they give with those.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "builder/demo_schema.h"
#include "support/e2e.h"

namespace {

struct DiscoverCase {
    const char* name;
    zb::DictForm form;
    int order;
    uint32_t block_size;
};
void PrintTo(const DiscoverCase& p, std::ostream* os)
{
    *os << p.name;
}

constexpr uint64_t CHECKPOINT_SCN = 0x000100005000ull;

// A file of the database's own, named like USERS's.
void add_database_file(zb::BuiltDatabase& b, const std::string& name, zb::DatafileDef d, const std::string& ts_name)
{
    zb::FileHeaderDef users = b.image.file(1).header();
    zb::FileHeaderDef& h = b.image.add_file(name, d).header();
    h.db_id = users.db_id;
    h.db_name = users.db_name;
    h.version = users.version;
    h.compat_version = users.compat_version;
    h.ts_name = ts_name;
}

void add_files(zb::BuiltDatabase& b, zb::DictForm form)
{
    zb::DatafileDef d = b.image.file(1).def();
    d.blocks = 16;
    if (form != zb::DictForm::v7) { // no big-file tablespaces before 10g, nor relative numbers in 7
        d.ts_no = 6;
        d.file_no = 5;
        d.rfile_no = 1024;
        d.big_file = true;
        add_database_file(b, "BIG01.DBF", d, "BIGTS");
    }
    d.ts_no = 7;
    d.file_no = 6;
    d.rfile_no = 6;
    d.big_file = false;
    add_database_file(b, "CUT01.DBF", d, "CUTTS");
    for (size_t i = 0; i < b.image.size(); i++)
        b.image.file(i).header().checkpoint_scn = CHECKPOINT_SCN;
}

// What does not belong in control.txt: another database's file, an older
// copy of USERS01.DBF, a text file; and CUT01.DBF loses its last blocks.
void write_strays(const E2eDatabase& db, zb::DatafileDef d, const zb::FileHeaderDef& users)
{
    uint32_t users_file_no = d.file_no;
    d.file_no = 8;
    d.rfile_no = 8;
    zb::DatafileImage other(d);
    other.header().db_id = 0x0badf00d;
    other.header().db_name = "OTHERDB";
    other.write(db.path("OTHER.DBF"));
    d.file_no = d.rfile_no = users_file_no;
    zb::DatafileImage old(d);
    old.header() = users;
    old.header().checkpoint_scn = CHECKPOINT_SCN - 0x1000;
    old.write(db.path("USERS01_OLD.DBF"));
    write_file(db.path("README.txt"), "datafiles restored from tape\n");
    std::filesystem::resize_file(db.path("CUT01.DBF"), 7ull * d.block_size);
}

// The unloaded files and the dictionary cache files.
std::map<std::string, std::string> results_of(const E2eDatabase& db)
{
    std::map<std::string, std::string> files = db.dictionary_cache();
    for (const auto& [name, text] : db.outputs())
        files["out/" + name] = text;
    return files;
}

// The keys discover sets, with the loader's defaults where a file leaves
// one out.
std::map<std::string, std::string> settings_of(const std::string& config)
{
    std::map<std::string, std::string> keys = {
        {"block_size", "4096"}, {"byte_order", "little"}, {"is_tru64", "no"}, {"compatible", "10"}};
    std::istringstream in(config);
    for (std::string key, value; in >> key >> value;)
        if (keys.count(key) != 0)
            keys[key] = value;
    return keys;
}

} // namespace

class DiscoverE2e : public ::testing::TestWithParam<DiscoverCase> {};

TEST_P(DiscoverE2e, DiscoveredFilesReadTheDatabaseAsTheHandWrittenOnes)
{
    const DiscoverCase& c = GetParam();
    zb::DictionaryDef def = zb::demo_dictionary(c.form);
    def.order = c.order;
    def.block_size = c.block_size;
    zb::DatafileDef users_def;
    zb::FileHeaderDef users_header;
    E2eDatabase db(std::string("discover_") + c.name, def, "", [&](zb::BuiltDatabase& b) {
        add_files(b, c.form);
        users_def = b.image.file(1).def();
        users_header = b.image.file(1).header();
    });
    write_strays(db, users_def, users_header);
    const std::string commands = "unload dict\nunload user scott\n";
    ASSERT_EQ(db.run(commands).status, 0);
    std::map<std::string, std::string> by_hand = results_of(db);
    std::string control_by_hand = read_file(db.path("control.txt"));
    std::string config_by_hand = read_file(db.path("config.txt"));
    ASSERT_GT(by_hand.size(), 10u);

    db.clear_output();
    for (const auto& entry : db.dictionary_cache())
        std::filesystem::remove(db.path(entry.first));
    std::filesystem::remove(db.path("control.txt"));
    // What the headers cannot tell stays the user's to write.
    const std::string user_lines = "charset_name AL32UTF8\nncharset_name AL16UTF16\ndata_path out\n";
    write_file(db.path("config.txt"), user_lines);

    ZemRun r = db.run("discover . force\n" + commands);
    ASSERT_EQ(r.status, 0);
    // The transcript up to the prompt for unload dict.
    EXPECT_GOLDEN(std::string("e2e/discover/") + c.name + ".txt", r.out.substr(0, r.out.find("ZEM> ", 1)));
    EXPECT_EQ(read_file(db.path("control.txt")), control_by_hand);
    std::string config = read_file(db.path("config.txt"));
    EXPECT_EQ(config.substr(0, user_lines.size()), user_lines);
    EXPECT_EQ(settings_of(config), settings_of(config_by_hand));
    EXPECT_EQ(results_of(db), by_hand);
}

INSTANTIATE_TEST_SUITE_P(Databases, DiscoverE2e,
                         ::testing::Values(DiscoverCase{"v10_little_8k", zb::DictForm::v10, zb::LITTLE, 8192},
                                           DiscoverCase{"v10_big_16k", zb::DictForm::v10, zb::BIG, 16384},
                                           DiscoverCase{"v9_big_4k", zb::DictForm::v9, zb::BIG, 4096},
                                           DiscoverCase{"v7_little_2k", zb::DictForm::v7, zb::LITTLE, 2048}),
                         [](const ::testing::TestParamInfo<DiscoverCase>& info) { return info.param.name; });

TEST(DiscoverCommandLine, WritesTheFilesOnceAndReplacesThemOnlyWithForce)
{
    std::string dir = make_temp_dir("discover_cli");
    zb::DatabaseImage image;
    zb::DatafileDef d;
    d.order = zb::BIG;
    d.block_size = 4096;
    d.ts_no = 0;
    d.file_no = d.rfile_no = 1;
    image.add_file("system01.dbf", d);
    d.ts_no = 2;
    d.file_no = d.rfile_no = 2;
    d.header_offset = 4096; // as on a raw volume with a header of its own
    image.add_file("users01.dbf", d);
    image.write(dir);
    std::string by_hand = read_file(dir + "/control.txt");
    std::filesystem::remove(dir + "/control.txt");

    auto discover = [&](const std::string& args) {
        std::string command = "cd " + dir + " && " + ZEM_BIN + " --discover " + args + " > discover.out 2>&1";
        int status = system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(discover("."), 0);
    EXPECT_EQ(read_file(dir + "/control.txt"), by_hand);
    EXPECT_EQ(read_file(dir + "/config.txt"), "byte_order big\ncompatible 11\n");
    // What exists is replaced only with force.
    EXPECT_EQ(discover("system01.dbf users01.dbf"), 1);
    EXPECT_EQ(discover("system01.dbf force"), 0);
    // The comment line and system01.dbf's.
    EXPECT_EQ(read_file(dir + "/control.txt"), by_hand.substr(0, by_hand.find('\n', by_hand.find('\n') + 1) + 1));
    remove_tree(dir);
}
