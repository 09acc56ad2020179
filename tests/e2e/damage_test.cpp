// A table whose data blocks are damaged at random (seeded): tails and
// checksums that no longer agree, blocks marked corrupt or wiped, and row
// directories, column lengths and row bytes overwritten in blocks sealed
// again so that only their contents are wrong. zem must neither crash nor
// hang, must report the blocks its checks catch, and must give back every
// row of every block left alone.
#include <gtest/gtest.h>

#include <random>
#include <unistd.h>
#include <set>

#include "builder/demo_schema.h"
#include "support/e2e.h"
#include "support/lost_extents.h"

namespace {

// Freelist data blocks with two ITLs: the data header at 44 + 2 * 24, its
// table directory 14 bytes later, then the row directory (offsets from the
// data header).
constexpr uint32_t DATA_HEADER = 92;
constexpr uint32_t ROW_COUNT = DATA_HEADER + 2;
constexpr uint32_t ROW_DIR = DATA_HEADER + 14 + 4;

enum Kind { UNTOUCHED, BAD_TAIL, BAD_CHECKSUM, MARKED_CORRUPT, WIPED, ROW_DIRECTORY, COLUMN_LENGTH, ROW_BYTES };

struct Damaged {
    std::map<uint32_t, Kind> kinds; // block number -> what was done to it
};

void damage_contents(zb::BlockImage& block, Kind kind, std::mt19937& rng)
{
    zb::ByteWriter w = block.writer();
    uint16_t rows = block.u16(ROW_COUNT);
    if (rows == 0)
        return;
    uint16_t slot = (uint16_t)(rng() % rows);
    uint32_t row = DATA_HEADER + block.u16(ROW_DIR + 2 * slot);
    switch (kind) {
    case ROW_DIRECTORY:
        for (uint16_t i = 0; i < rows; i += 1 + rng() % 3)
            w.u16(ROW_DIR + 2 * i, (uint16_t)rng());
        break;
    case COLUMN_LENGTH:
        // The first column's length byte, then one further in.
        w.u8(row + 3, (uint8_t)(0xf0 + rng() % 16));
        if (row + 10 < block.size() - 4)
            w.u8(row + 10, (uint8_t)rng());
        break;
    default:
        for (int i = 0; i < 64; i++) {
            uint32_t at = row + (uint32_t)(rng() % 256);
            if (at < block.size() - 4)
                w.u8(at, (uint8_t)rng());
        }
        break;
    }
    zb::seal_block(block);
}

Damaged damage_table(zb::BuiltDatabase& db, const std::string& table, uint32_t seed)
{
    std::mt19937 rng(seed);
    Damaged d;
    zb::DatafileImage& users = db.image.file(1);
    for (uint32_t block_no : db.at(table).data_blocks) {
        Kind kind = (Kind)(rng() % 14); // about half the blocks stay intact
        if (kind > ROW_BYTES)
            continue;
        zb::BlockImage& block = users.at(block_no);
        switch (kind) {
        case BAD_TAIL:
            zb::damage_block(block, zb::Damage::bad_tail);
            break;
        case BAD_CHECKSUM:
            zb::damage_block(block, zb::Damage::bad_checksum);
            break;
        case MARKED_CORRUPT:
            zb::damage_block(block, zb::Damage::seq_ff);
            break;
        case WIPED:
            zb::damage_block(block, zb::Damage::zeroed);
            break;
        default:
            damage_contents(block, kind, rng);
            break;
        }
        d.kinds[block_no] = kind;
    }
    return d;
}

class DamagedTable : public ::testing::TestWithParam<uint32_t> {};

} // namespace

TEST_P(DamagedTable, UndamagedBlocksGiveEveryRow)
{
    uint32_t seed = GetParam();
    zb::DictionaryDef def = zb::demo_dictionary();
    def.tables.push_back(zb::numbered_table("SCOTT", "BIG", 1200, 80));
    const zb::DictTable& big = def.tables.back();
    Damaged damaged;
    E2eDatabase db("damage" + std::to_string(seed), def, "",
                   [&](zb::BuiltDatabase& b) { damaged = damage_table(b, "SCOTT.BIG", seed); });
    const zb::BuiltSegment& seg = db.db().at("SCOTT.BIG");
    ASSERT_GT(seg.data_blocks.size(), 12u);
    ASSERT_FALSE(damaged.kinds.empty());

    ZemRun r = db.run("unload dict\nunload table scott.big\n", 30);
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.status, 0);
    // The golden output holds one message for each block the checks catch
    // and one summary at the end of the table.
    EXPECT_GOLDEN("e2e/damage/seed_" + std::to_string(seed) + ".txt", r.out);

    // Read as the control file says: garbage values of damaged rows may
    // hold line feeds and quotes, and are then enclosed.
    std::set<std::string> unloaded;
    ControlFile ctl = parse_control_file(db.output("SCOTT_BIG.ctl"));
    for (const std::vector<std::string>& row : load_text_rows(db.output("SCOTT_BIG.txt"), ctl))
        unloaded.insert(row[0] + "|" + row[1] + "|" + row[2]);
    size_t kept = 0;
    for (size_t i = 0; i < big.rows.size(); i++) {
        uint32_t block_no = seg.rows[i].rdba & 0x3fffff;
        if (damaged.kinds.count(block_no))
            continue;
        const std::vector<zb::Value>& v = big.rows[i].values;
        std::string line = v[0].text + "|" + v[1].text + "|" + v[2].text;
        EXPECT_TRUE(unloaded.count(line)) << "row " << v[0].text << " of intact block " << block_no;
        kept++;
    }
    EXPECT_GT(kept, 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, DamagedTable, ::testing::Values(1u, 20241206u, 777u, 4242u));

// The users' datafile replaced by random bytes: each table says that its
// segment header could not be read, and how much, rather than a bare
// "0 rows unloaded".
TEST(DamagedFile, RandomBytesInPlaceOfTheUsersFile)
{
    E2eDatabase db("random_users", zb::demo_dictionary());
    ASSERT_EQ(db.run("unload dict\n").status, 0);
    std::string bytes = read_file(db.path("USERS01.DBF"));
    std::mt19937 rng(5);
    for (size_t i = 8192; i < bytes.size(); i++)
        bytes[i] = (char)rng();
    write_file(db.path("USERS01.DBF"), bytes);
    ZemRun r = db.run("unload table scott.dept\nunload table scott.sales\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_GOLDEN("e2e/damage/random_users.txt", r.out);
}

// Workers of a parallel user unload print to the terminal and their own
// logs; the session's spool gets their logs, summaries included, and a
// worker whose table could not be written makes the exit status 1.
TEST(DamagedFile, ParallelWorkersReachTheSpoolAndTheStatus)
{
    zb::DictionaryDef def = zb::demo_dictionary();
    def.tables.push_back(zb::numbered_table("SCOTT", "BIG", 1200, 80));
    E2eDatabase db("damage_parallel", def, "", [](zb::BuiltDatabase& b) { damage_table(b, "SCOTT.BIG", 1); });
    ASSERT_EQ(symlink("/dev/full", db.path("out/SCOTT_EMP.txt").c_str()), 0);
    ZemRun r = db.run("unload dict\nspool on\nunload user scott parallel 2\nspool off\n", 60);
    EXPECT_EQ(r.status, 1);
    std::string spool = read_file(db.path("zem_spool.txt"));
    EXPECT_EQ(count_of(spool, "Damage in table BIG: "), 1u);
    EXPECT_EQ(count_of(spool, "\nTable EMP failed: write file out/SCOTT_EMP.txt error! "), 1u);
    EXPECT_EQ(count_of(spool, "unload user 'SCOTT' parallel finished."), 1u);
}

// An ASM allocation unit of a table's big extent is lost, so that a batch
// read running into it fails: the unload reads the extent's blocks after
// the lost ones too, says which block was first lost, and gives every other
// row, the same with workers whose runs start around the lost blocks.
TEST(DamagedFile, RowsAfterLostAsmExtentsInsideATableExtent)
{
    zb::DictionaryDef def;
    def.block_size = 8192;
    def.users = {{0, "SYS", 1}, {1, "PUBLIC", 0}, {84, "SCOTT", 1}};
    zb::DictTable t = zb::numbered_table("SCOTT", "T", 4000, 200);
    t.extent_blocks = 128;
    def.tables = {t};
    E2eDatabase db("lost_au", def, "block_read_count 32\n");
    const zb::BuiltSegment& seg = db.db().at("SCOTT.T");
    const uint32_t per_au = LOST_AU_SIZE / def.block_size;
    const uint32_t from = (seg.data_blocks[seg.data_blocks.size() / 4] / per_au + 1) * per_au;
    const uint32_t to = from + per_au;
    ASSERT_LT(to + per_au, seg.data_blocks.back());
    ASSERT_EQ(db.run("unload dict\n").status, 0);
    move_users_to_asm(db, from, to);

    std::set<std::string> expected;
    for (size_t i = 0; i < t.rows.size(); i++) {
        uint32_t block_no = seg.rows[i].rdba & 0x3fffff;
        if (block_no < from || block_no >= to)
            expected.insert(t.rows[i].values[0].text);
    }
    ASSERT_LT(expected.size(), t.rows.size());
    std::string serial;
    for (const char* degree : {"", " parallel 2", " parallel 3"}) {
        ZemRun r = db.run(std::string("unload table scott.t") + degree + "\n");
        EXPECT_EQ(r.status, 0) << degree;
        EXPECT_NE(r.out.find("read multi-blocks from rfn 4 block " + std::to_string(from) + " error.\n"),
                  std::string::npos)
            << degree << r.out;
        EXPECT_LE(count_of(r.out, "read data error from diskgroup#"), 2 * per_au) << degree;
        EXPECT_EQ(count_of(r.out, "error message:Success"), 0u) << degree;
        std::string data = db.output("SCOTT_T.txt");
        std::set<std::string> ids;
        for (const std::string& line : lines_of(data))
            ids.insert(line.substr(0, line.find('|')));
        EXPECT_EQ(ids, expected) << degree;
        if (serial.empty())
            serial = data;
        EXPECT_TRUE(data == serial) << degree;
    }
}
