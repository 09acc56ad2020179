#include <gtest/gtest.h>

#include <string>

#include "builder/data_blocks.h"
#include "builder/database_image.h"
#include "support/e2e.h"

namespace {

class HexdumpTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = make_temp_dir("hexdump"); }
    void TearDown() override { remove_tree(dir_); }

    void write_database(uint32_t header_offset, int order)
    {
        zb::DatabaseImage db;
        zb::DatafileDef s;
        s.ts_no = 4;
        s.file_no = 5;
        s.rfile_no = 5;
        s.blocks = 16;
        s.order = order;
        s.header_offset = header_offset;
        zb::DatafileImage& f = db.add_file("users01.dbf", s);
        zb::DataBlockDef d;
        d.trans.object_id = 0x11170;
        d.trans.itls.resize(2);
        d.tables.resize(1);
        d.tables[0].rows.resize(1);
        d.tables[0].rows[0].piece = {0x2c, 0x00, 0x02, 0x02, 0xc1, 0x02, 0x03, 'A', 'B', 'C'};
        f.put(3, zb::make_data_block(f.cache_header(6, 3), d, s.block_size, s.order));
        db.write(dir_);
        zb::write_text_file(dir_ + "/config.txt", zb::config_text(order, 8192));
    }
    std::string dir_;
};

} // namespace

TEST_F(HexdumpTest, OffsetsAndLineCounts)
{
    write_database(0, zb::LITTLE);
    ZemRun run = run_zem_process(dir_, "hexdump datafile 5 block 1\n"
                                       "hexdump datafile 5 block 0 offset 8\n"
                                       "hexdump datafile 5 block 1 offset 8190\n"
                                       "hexdump datafile 5 block 1 offset 8192\n"
                                       "HEXDUMP DATAFILE 5 BLOCK 3 OFFSET 8000\n"
                                       "hexdump datafile 5 block 17 offset 16\n"
                                       "hexdump datafile 5 block 99\n"
                                       "hexdump datafile 6 block 1\n"
                                       "hexdump datafile 5\n"
                                       "hexdump datafile 5 block 1 offset\n"
                                       "hexdump file 5 block 1\n"
                                       "exit\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("   4    5    5  8192       16 N       0 users01.dbf\n"), std::string::npos);
    EXPECT_GOLDEN("storage/hexdump_offsets.txt", transcript_of(run.out));
}

TEST_F(HexdumpTest, PositionsIncludeTheHeaderOffsetInBigEndianFiles)
{
    write_database(8192, zb::BIG);
    ZemRun run = run_zem_process(dir_, "open\n"
                                       "hexdump datafile 5 block 1 offset 320\n"
                                       "exit\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_GOLDEN("storage/hexdump_header_offset.txt", transcript_of(run.out));
}
