// unload dict on builder-made SYSTEM files, zem run as a process: the
// bootstrap found through the file header (10g and later) or through the
// compatibility segment (8i/9i, Oracle 7), the cache files it writes, and
// the messages of its failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/demo_schema.h"
#include "builder/undo_blocks.h"
#include "support/e2e.h"

namespace {

void expect_cache_goldens(const E2eDatabase& db, const std::string& golden_dir)
{
    for (const auto& [name, text] : db.dictionary_cache())
        EXPECT_GOLDEN(golden_dir + "/" + name, text);
}

zb::DictionaryDef form_def(zb::DictForm form, uint32_t block_size, int order)
{
    zb::DictionaryDef def = zb::demo_dictionary(form);
    def.block_size = block_size;
    def.order = order;
    return def;
}

} // namespace

TEST(DictUnloadE2e, TenGFileHeaderNamesTheBootstrapSegment)
{
    E2eDatabase db("dict10g", zb::demo_dictionary(zb::DictForm::v10));
    ZemRun r = db.run("unload dict\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_GOLDEN("e2e/dict_10g/transcript.txt", r.out);
    EXPECT_EQ(db.dictionary_cache().size(), 7u);
    expect_cache_goldens(db, "e2e/dict_10g");

    // The next start loads the cache files: no unload dict needed.
    ZemRun again = db.run("list user\nlist table hr\ndesc scott.c_emp\ndesc hr.countries\n");
    EXPECT_GOLDEN("e2e/dict_10g/reloaded.txt", again.out);
}

TEST(DictUnloadE2e, NineIBigEndianBootstrapThroughCompatibilitySegment)
{
    // IND$ here an ordinary table, found through its TAB$ entry alone.
    zb::DictionaryDef def = form_def(zb::DictForm::v9, 4096, zb::BIG);
    def.ind_in_cluster = false;
    E2eDatabase db("dict9i", def);
    ASSERT_NE(db.db().compat_rdba, 0u);
    ZemRun r = db.run("unload dict\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_GOLDEN("e2e/dict_9i/transcript.txt", r.out);
    expect_cache_goldens(db, "e2e/dict_9i");
    std::map<std::string, std::string> first = db.dictionary_cache();
    EXPECT_EQ(first.size(), 7u);

    // Naming the bootstrap block directly gives the same dictionary.
    uint32_t block = db.db().at("SYS.BOOTSTRAP$").block;
    ZemRun by_block = db.run("unload dict block " + std::to_string(block) + "\n");
    EXPECT_EQ(by_block.status, 0);
    EXPECT_EQ(db.dictionary_cache(), first);

    // At trace level 3 the compatibility header and the bootstrap rows are
    // shown as well.
    write_file(db.path("config.txt"), read_file(db.path("config.txt")) + "trace_level 3\n");
    ZemRun traced = db.run("unload dict\n");
    EXPECT_GOLDEN("e2e/dict_9i/traced.txt", traced.out);
    EXPECT_EQ(db.dictionary_cache(), first);
}

TEST(DictUnloadE2e, Compatible7DictionaryHasNoDataObjectNumbers)
{
    E2eDatabase db("dict7", form_def(zb::DictForm::v7, 2048, zb::LITTLE));
    // The blocks of a cluster carry the cluster's object number, which a
    // release-7 dictionary does not give the table: only a block range
    // reads them.
    std::string cluster_block = std::to_string(db.db().at("SCOTT.C_EMP").data_blocks.at(0));
    ZemRun r = db.run("unload dict\nlist table scott\ndesc scott.emp\nunload table scott.emp\n"
                      "unload table scott.c_emp\nunload table scott.c_emp datafile 4 block " + cluster_block +
                      " blocks 1\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_GOLDEN("e2e/dict_7/transcript.txt", r.out);
    expect_cache_goldens(db, "e2e/dict_7");
    // Release 7 had no IND$, LOB$ or LOBFRAG$: those passes write nothing.
    EXPECT_EQ(db.dictionary_cache().size(), 4u);
    EXPECT_GOLDEN("e2e/dict_7/SCOTT_EMP.txt", db.output("SCOTT_EMP.txt"));
    EXPECT_GOLDEN("e2e/dict_7/SCOTT_C_EMP.txt", db.output("SCOTT_C_EMP.txt"));
}

TEST(DictUnloadE2e, FailureMessages)
{
    std::string transcript;
    {
        // No datafile registered.
        E2eDatabase db("dictnofile", zb::demo_dictionary());
        write_file(db.path("control.txt"), "# nothing registered\n");
        transcript += "-- no datafile\n" + db.run("unload dict\nunload dict block\nunload dict x 5\n").out;
    }
    {
        // A 10g header without a root address.
        E2eDatabase db("dictnoroot", zb::demo_dictionary(), "",
                       [](zb::BuiltDatabase& b) { b.image.file(0).header().root_dba = 0; });
        transcript += "-- no root address\n" + db.run("unload dict\n").out;
    }
    {
        // A 9i root address that leads to a data block, and one to a
        // compatibility block without a BOOTSTRP entry.
        zb::DictionaryDef def = form_def(zb::DictForm::v9, 8192, zb::LITTLE);
        E2eDatabase wrong("dictwrongroot", def, "", [](zb::BuiltDatabase& b) {
            b.image.file(0).header().root_dba = b.image.file(0).rdba(b.at("SYS.OBJ$").data_blocks.at(0));
        });
        transcript += "-- root address at a data block\n" + wrong.run("unload dict\n").out;
        E2eDatabase no_entry("dictnoentry", def, "", [](zb::BuiltDatabase& b) {
            zb::DatafileImage& system = b.image.file(0);
            zb::CompatDef compat;
            compat.entries = {{"UNDOSEGS", {1, system.rdba(9)}}};
            system.put(2, zb::make_compat_block(system.cache_header(13, 2), compat, system.def().block_size,
                                                system.def().order));
        });
        transcript += "-- compatibility segment without BOOTSTRP\n" + no_entry.run("unload dict\n").out;
    }
    {
        // Rows that are not BOOTSTRAP$'s: the segment texts are missing.
        E2eDatabase db("dictwrongblock", zb::demo_dictionary());
        uint32_t block = db.db().at("SYS.OBJ$").block;
        transcript += "-- block of another table\n" +
                      db.run("unload dict block " + std::to_string(block) + "\nlist user\n").out;
        EXPECT_FALSE(path_exists(db.path("user.zem")));
    }
    {
        // Cache files that cannot be written: the pass reports it after the
        // lines that found its table, and the others go on.
        E2eDatabase db("dictunwritable", zb::demo_dictionary());
        std::filesystem::create_directory(db.path("user.zem"));
        std::filesystem::create_directory(db.path("lob.zem"));
        transcript += "-- cache files that cannot be written\n" + db.run("unload dict\nlist table scott\n").out;
        EXPECT_TRUE(path_exists(db.path("lobfrag.zem")));
    }
    EXPECT_GOLDEN("e2e/dict_failures.txt", transcript);
}

TEST(DictUnloadE2e, RowSettingsAreSuspendedWhileTheCacheFilesAreWritten)
{
    E2eDatabase db("dictsettings", zb::demo_dictionary(), "unload_deleted yes\nrecord_row_addr yes\nmax_rows 3\n");
    ZemRun r = db.run("unload dict\nunload table scott.dept\nunload dict block 0\n");
    EXPECT_EQ(r.status, 0);
    // All live rows, no addresses: the same files as without the settings.
    expect_cache_goldens(db, "e2e/dict_10g");
    // The settings hold again afterwards: three rows, the deleted one
    // among them, each with its address.
    uint32_t block = db.db().at("SCOTT.DEPT").data_blocks.at(0);
    std::string rdba = [&] {
        char text[16];
        snprintf(text, sizeof(text), "0x%08x", (4u << 22) | block);
        return std::string(text);
    }();
    EXPECT_EQ(db.output("SCOTT_DEPT.txt"), "10|ACCOUNTING|NEW YORK|" + rdba + "|0\n20|RESEARCH|DALLAS|" + rdba +
                                               "|1\n50|OLD DEPT|NOWHERE|" + rdba + "|2\n");
}
