// Extents that do not come from a segment header: the runs an extent scan
// found (truncated tables, objects without a dictionary entry, sampling) and
// the block range a user names, with the failures that skip an extent.

#include <gtest/gtest.h>

#include <functional>

#include "scan/scanned_extent.h"
#include "support/engine_fixture.h"

namespace {

constexpr ub4 OBJ = 70005;

ub4 rdba(ub4 block)
{
    return file_block_rdba(5, block);
}

// Scanned extents for the object, one row per block tagged by the block.
class ScannedExtents : public testing::Test {
protected:
    ScannedExtents() : env_("extent_scanned") { init_dict_ext_hash_table(); }
    ~ScannedExtents() override { release_dict_ext_hash_table(); }

    void add_extent(ub4 block, ub4 length, ub4 type = 6, ub4 ts = 4, ub4 obj = OBJ)
    {
        DICT_EXTENT extent = {obj, ts, 5, block, length, type};
        add_dict_extent(&extent);
    }
    // Rows numbered by block number in blocks first .. first + count - 1.
    void put_tagged_blocks(zb::DatafileImage& file, ub4 first, ub4 count, ub4 rows_per_block = 1)
    {
        zb::PackerOptions packer;
        packer.block_size = file.def().block_size;
        packer.order = file.def().order;
        packer.object_id = OBJ;
        for (ub4 b = first; b < first + count; b++) {
            ub4 next = b;
            zb::TablePacker p(
                packer, [&]() { return next; }, [&](uint32_t n) { return file.cache_header(6, n); },
                [&](uint32_t n, const zb::BlockImage& block) { file.put(n, block); });
            for (ub4 r = 0; r < rows_per_block; r++)
                p.add(zb::make_row(simple_cells((int)(b * 1000 + r))));
            p.finish();
        }
    }
    // A request in `mode` for the table, strict about the data object only
    // when asked; `adjust` sets the rest.
    UnloadResult unload(TableDesc& table, int mode, Recorder& recorder, int strict = 0,
                        const std::function<void(UNLOAD_PARAMS&)>& adjust = {})
    {
        UNLOAD_PARAMS params;
        init_unload_params(&params, table.get());
        params.unload_mode = mode;
        params.strict_dataobj = strict;
        if (adjust)
            adjust(params);
        return env_.unload_params(&params, 0, recorder);
    }
    EngineEnv env_;
};

TEST_F(ScannedExtents, SampleReadsBlocksFromTheExtentsInTurn)
{
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_LITTLE, 2048));
    put_tagged_blocks(file, 8, 8);
    put_tagged_blocks(file, 20, 2);
    put_tagged_blocks(file, 30, 8);
    env_.load(db, BO_LITTLE);
    add_extent(8, 8);
    add_extent(20, 2);
    add_extent(30, 8);
    add_extent(40, 8, 16); // a run of segment headers: not data
    TableDesc table(simple_columns(), OBJ, INVALID_TS_NO);
    Recorder recorder;
    unload(table, UM_NO_SYSTEM, recorder, 0, [](UNLOAD_PARAMS& p) { p.is_sample = 1; });
    std::vector<std::string> expected;
    for (ub4 b : {8, 20, 30, 9, 21, 31, 10, 32, 11, 33, 12, 34, 13, 35, 14, 36, 15, 37})
        expected.push_back(simple_text((int)(b * 1000)));
    EXPECT_EQ(recorder.texts(), expected);
    // The table takes the tablespace of the extents it was found in.
    EXPECT_EQ(table.get()->ts_no, 4u);
}

TEST_F(ScannedExtents, SampleStopsOnceThousandRowsArePassed)
{
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_BIG, 8192));
    put_tagged_blocks(file, 8, 20, 70);
    env_.load(db, BO_BIG);
    add_extent(8, 20);
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    unload(table, UM_NO_SYSTEM, recorder, 0, [](UNLOAD_PARAMS& p) { p.is_sample = 1; });
    // 15 blocks of 70 rows pass 999.
    EXPECT_EQ(recorder.rows.size(), 1050u);
}

TEST_F(ScannedExtents, TruncatedTableReadsOnlyDataRunsOfItsTablespace)
{
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_LITTLE, 4096));
    put_tagged_blocks(file, 8, 3);
    put_tagged_blocks(file, 12, 2);
    put_tagged_blocks(file, 20, 2);
    env_.load(db, BO_LITTLE);
    add_extent(8, 3);
    add_extent(12, 2, 35);   // not a data run
    add_extent(20, 2, 6, 7); // another tablespace
    add_extent(30, 4, 6, 4, OBJ + 1);
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    EXPECT_EQ(unload(table, UM_TRUNCATE, recorder).out, "");
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{simple_text(8000), simple_text(9000), simple_text(10000)}));
}

// A table without a tablespace takes that of its first extent; runs of the
// same number in another tablespace are not read through it (they would
// come from that tablespace's files, here the same blocks again).
TEST_F(ScannedExtents, TableWithoutTablespaceKeepsToItsFirstExtents)
{
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_LITTLE, 4096));
    put_tagged_blocks(file, 8, 2);
    env_.load(db, BO_LITTLE);
    add_extent(8, 2);
    add_extent(8, 2, 6, 7);
    TableDesc table(simple_columns(), OBJ, INVALID_TS_NO);
    Recorder recorder;
    unload(table, UM_NO_SYSTEM, recorder);
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{simple_text(8000), simple_text(9000)}));
}

TEST_F(ScannedExtents, SpecificBlocksAreReadWhateverTheirObject)
{
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_BIG, 4096));
    put_tagged_blocks(file, 8, 6);
    env_.load(db, BO_BIG);
    TableDesc table(simple_columns(), OBJ + 5);
    auto two_blocks = [](UNLOAD_PARAMS& p) {
        p.spec_rdba = rdba(10);
        p.spec_blocks = 2;
    };
    Recorder recorder;
    unload(table, UM_SPEC_BLOCK, recorder, 0, two_blocks);
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{simple_text(10000), simple_text(11000)}));

    // With a strict request the blocks of another object give nothing.
    Recorder strict;
    unload(table, UM_SPEC_BLOCK, strict, 1, two_blocks);
    EXPECT_TRUE(strict.rows.empty());
}

TEST_F(ScannedExtents, ExtentWithoutItsFileIsReportedAndSkipped)
{
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("users01.dbf", datafile_layout(BO_LITTLE, 2048, 30));
    put_tagged_blocks(file, 8, 2);
    put_tagged_blocks(file, 28, 2);
    env_.load(db, BO_LITTLE);
    DICT_EXTENT elsewhere = {OBJ, 4, 9, 100, 4, 6};
    add_dict_extent(&elsewhere);
    add_extent(8, 2);
    add_extent(28, 6); // runs past the end of the file
    TableDesc table(simple_columns(), OBJ);
    Recorder recorder;
    EXPECT_EQ(unload(table, UM_TRUNCATE, recorder, 1).out,
              "Can not found file information for extent, ts#=4, start rfile#=9, start block#=100, extent "
              "length=4\n"
              "has already arrived file end.\n"
              "read multi-blocks from rfn 5 block 31 error.\n");
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{simple_text(8000), simple_text(9000), simple_text(28000),
                                                          simple_text(29000)}));
}

} // namespace
