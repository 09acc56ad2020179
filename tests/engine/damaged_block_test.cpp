// Damaged blocks among good ones: each is skipped with its message (or
// silently, where the damage is only to rows), and every row of the
// neighbouring blocks still comes out. Damage is applied to one field and
// the block resealed, so that only the damaged field is wrong.

#include <gtest/gtest.h>

#include "support/engine_fixture.h"

namespace {

constexpr ub4 OBJ = 70004;
constexpr ub4 ROWS_PER_BLOCK = 3;

// The message a damaged block gives, naming it.
enum Message { SILENT, CORRUPTED, CHECKSUM, NOT_DATA };

struct Damaged {
    const char* name;
    std::function<void(zb::BlockImage&)> damage;
    Message message;
    int reason; // how the table's damage counts the block; -1: not at all
};

// The data header of the packer's blocks: 44 + 2 ITLs of 24 bytes.
constexpr ub4 DH = 92;

void reseal(zb::BlockImage& block)
{
    zb::seal_block(block);
}

const std::vector<Damaged>& damages()
{
    static const std::vector<Damaged> all = {
        {"bad_tail", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::bad_tail); }, CORRUPTED, DMG_BAD_TAIL},
        {"bad_checksum", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::bad_checksum); }, CHECKSUM,
         DMG_CHECKSUM},
        {"seq_ff", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::seq_ff); }, CORRUPTED, DMG_MARKED_CORRUPT},
        {"zeroed", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::zeroed); }, SILENT, -1},
        {"other_object",
         [](zb::BlockImage& b) {
             b.writer().u32(24, OBJ + 1);
             reseal(b);
         },
         SILENT, DMG_OTHER_OBJECT},
        {"itls_past_the_block",
         [](zb::BlockImage& b) {
             b.writer().u16(36, 0xff);
             reseal(b);
         },
         SILENT, DMG_BAD_HEADER},
        {"no_tables",
         [](zb::BlockImage& b) {
             b.writer().u8(DH + 1, 0);
             reseal(b);
         },
         SILENT, -1},
        {"table_directory_far_beyond",
         [](zb::BlockImage& b) {
             b.writer().u16(DH + 14, 0xfff0);
             reseal(b);
         },
         SILENT, DMG_BAD_HEADER},
        {"row_directory_garbage",
         [](zb::BlockImage& b) {
             zb::ByteWriter w = b.writer();
             w.u16(DH + 16, 0xffff); // the table's rows run far past the directory
             w.u16(DH + 20, 0xfff0); // entry 1 past the block
             w.u16(DH + 22, 4);      // entry 2 a free-slot link
             reseal(b);
         },
         SILENT, DMG_BAD_HEADER},
        {"directory_count_beyond_the_block",
         [](zb::BlockImage& b) {
             // Every offset now reads as a free-slot link.
             b.writer().u16(DH + 2, 0xffff);
             reseal(b);
         },
         SILENT, DMG_BAD_HEADER},
        {"kind_not_data",
         [](zb::BlockImage& b) {
             b.writer().u8(20, 7);
             reseal(b);
         },
         NOT_DATA, DMG_NOT_DATA},
    };
    return all;
}

class DamagedBlocks : public testing::TestWithParam<std::tuple<size_t, OrderAndSize>> {};

TEST_P(DamagedBlocks, DamagedBlockIsSkippedAndItsNeighboursRowsComeOut)
{
    const Damaged& d = damages()[std::get<0>(GetParam())];
    OrderAndSize p = std::get<1>(GetParam());
    EngineEnv env("damaged");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(p.order, p.block_size));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.extents = {{8, 6}};
    shape.packer.rows_per_block = ROWS_PER_BLOCK;
    std::vector<zb::LogicalRow> rows;
    for (int i = 0; i < 15; i++)
        rows.push_back(zb::make_row(simple_cells(i)));
    zb::TableSegmentResult built = zb::add_table_segment(file, shape, rows);
    ub4 victim = built.below[2];
    d.damage(file.at(victim));
    env.load(db, p.order);
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
    std::string place = "rfile#=5,block#=" + std::to_string(victim);
    std::string rdba = std::to_string(file.rdba(victim));
    std::string message = d.message == CORRUPTED  ? "Corrupted block,rdba=" + rdba + "," + place + "\n"
                          : d.message == CHECKSUM ? "Block's checksum value failed error," + place + ".\n"
                          : d.message == NOT_DATA ? "block is not a data block," + place + "\n"
                                                  : "";
    EXPECT_EQ(result.out, message);
    // The table's damage counts the block by its reason and names it.
    const UNLOAD_DAMAGE& damage = table.get()->damage;
    int reason = d.reason;
    // 255 ITLs still leave room for a data header in a large block: what
    // follows reads as a block without tables, which is not damage.
    if (std::string(d.name) == "itls_past_the_block" && p.block_size > 44 + 255 * 24)
        reason = -1;
    EXPECT_EQ(get_damaged_block_count(&damage), reason < 0 ? 0u : 1u);
    if (reason >= 0) {
        EXPECT_EQ(damage.blocks[reason], 1u);
        EXPECT_EQ(has_unload_damage(&damage), reason != DMG_OTHER_OBJECT);
    }
    if (reason >= 0 && reason != DMG_OTHER_OBJECT) {
        ASSERT_GE(damage.address_cnt, 1u);
        EXPECT_EQ(damage.addresses[0].block_no, victim);
    }
    std::vector<std::string> expected;
    for (int i = 0; i < 15; i++)
        if (i / (int)ROWS_PER_BLOCK != 2)
            expected.push_back(simple_text(i));
    if (std::string(d.name) == "row_directory_garbage")
        expected.insert(expected.begin() + 6, simple_text(6)); // its first entry is still good
    EXPECT_EQ(recorder.texts(), expected);
}

INSTANTIATE_TEST_SUITE_P(Engine, DamagedBlocks,
                         testing::Combine(testing::Range<size_t>(0, 11),
                                          testing::Values(OrderAndSize{BO_LITTLE, 2048}, OrderAndSize{BO_BIG, 8192})),
                         [](const testing::TestParamInfo<std::tuple<size_t, OrderAndSize>>& info) {
                             OrderAndSize p = std::get<1>(info.param);
                             return std::string(damages()[std::get<0>(info.param)].name) +
                                    (p.order == BO_BIG ? "_big_" : "_little_") + std::to_string(p.block_size);
                         });

TEST(DamagedBlocks, WithoutChecksumCheckingABadTailIsDecoded)
{
    EngineEnv env("damaged_no_checksum");
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_LITTLE, 4096));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = OBJ;
    shape.segment.extents = {{8, 4}};
    zb::TableSegmentResult built = zb::add_table_segment(file, shape, {zb::make_row(simple_cells(1))});
    file.damage(built.below[0], zb::Damage::bad_tail);
    env.load(db, BO_LITTLE);
    config_data.db_block_checksum = 0;
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{simple_text(1)}));
}

// Rows whose own bytes are damaged: the row ends where its damage begins,
// and the other rows of the block are unharmed.
TEST(DamagedBlocks, RowWithGarbageLengthsEndsThereAndTheOthersComeOut)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        EngineEnv env("damaged_row");
        zb::DatabaseImage db;
        zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(order, 2048));
        zb::TableSegmentLayout shape;
        shape.segment.object_id = OBJ;
        shape.segment.extents = {{8, 4}};
        std::vector<zb::LogicalRow> rows;
        for (int i = 0; i < 4; i++)
            rows.push_back(zb::make_row(simple_cells(i)));
        zb::TableSegmentResult built = zb::add_table_segment(file, shape, rows);
        zb::BlockImage& block = file.at(built.below[0]);
        // Pieces are packed against the tail: row 0 last. Its second column's
        // length byte (flag, lock, count, 2-byte number, then the length)
        // becomes the long form with a length past the block end.
        ub4 row0 = DH + block.u16(DH + 18);
        ub4 row1 = DH + block.u16(DH + 20);
        zb::ByteWriter w = block.writer();
        w.u8(row0 + 5, 0xfe);
        w.u16(row0 + 6, 0x7fff);
        // Row 1 claims 200 columns: its columns run out at the next row.
        w.u8(row1 + 2, 200);
        zb::seal_block(block);
        env.load(db, order);
        TableDesc table(simple_columns(), OBJ);
        Recorder recorder;
        UnloadResult result = env.unload(table, built.segment.header_rdba, recorder);
        EXPECT_EQ(result.out, "");
        ASSERT_EQ(recorder.rows.size(), 4u);
        EXPECT_EQ(row_text(recorder.rows[0]), "0");
        EXPECT_EQ(recorder.rows[0].calls.size(), 3u);
        EXPECT_EQ(recorder.rows[0].calls[1].flags, IS_LAST_NULL);
        // The three columns of row 1 are read; the count beyond is not.
        EXPECT_EQ(row_text(recorder.rows[1]), simple_text(1));
        EXPECT_EQ(row_text(recorder.rows[2]), simple_text(2));
        EXPECT_EQ(row_text(recorder.rows[3]), simple_text(3));
    }
}

} // namespace
