// Damaged blocks among good ones: each is skipped with its message (or
// silently, where the damage is only to rows), and every row of the
// neighbouring blocks still comes out. Damage is applied to one field and
// the block resealed, so that only the damaged field is wrong.

#include <gtest/gtest.h>

#include "support/engine_fixture.h"

namespace {

constexpr ub4 OBJ = 70004;
constexpr ub4 ROWS_PER_BLOCK = 3;

struct Damaged {
    const char* name;
    std::function<void(zb::BlockImage&)> damage;
    bool message_has_rdba; // "Corrupted block,rdba=%u\n"
    const char* message;
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
        {"bad_tail", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::bad_tail); }, true, nullptr},
        {"bad_checksum", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::bad_checksum); }, false,
         "Block's checksum value failed error.\n"},
        {"seq_ff", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::seq_ff); }, true, nullptr},
        {"zeroed", [](zb::BlockImage& b) { zb::damage_block(b, zb::Damage::zeroed); }, false, ""},
        {"other_object",
         [](zb::BlockImage& b) {
             b.writer().u32(24, OBJ + 1);
             reseal(b);
         },
         false, ""},
        {"itls_past_the_block",
         [](zb::BlockImage& b) {
             b.writer().u16(36, 0xff);
             reseal(b);
         },
         false, ""},
        {"no_tables",
         [](zb::BlockImage& b) {
             b.writer().u8(DH + 1, 0);
             reseal(b);
         },
         false, ""},
        {"table_directory_far_beyond",
         [](zb::BlockImage& b) {
             b.writer().u16(DH + 14, 0xfff0);
             reseal(b);
         },
         false, ""},
        {"row_directory_garbage",
         [](zb::BlockImage& b) {
             zb::ByteWriter w = b.writer();
             w.u16(DH + 16, 0xffff); // the table's rows run far past the directory
             w.u16(DH + 20, 0xfff0); // entry 1 past the block
             w.u16(DH + 22, 4);      // entry 2 a free-slot link
             reseal(b);
         },
         false, ""},
        {"directory_count_beyond_the_block",
         [](zb::BlockImage& b) {
             // Every offset now reads as a free-slot link.
             b.writer().u16(DH + 2, 0xffff);
             reseal(b);
         },
         false, ""},
        {"kind_not_data",
         [](zb::BlockImage& b) {
             b.writer().u8(20, 7);
             reseal(b);
         },
         false, "block is not a data block\n"},
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
    std::string message = d.message_has_rdba ? "Corrupted block,rdba=" + std::to_string(file.rdba(victim)) + "\n"
                                             : std::string(d.message);
    EXPECT_EQ(result.out, message);
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
