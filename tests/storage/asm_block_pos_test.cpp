#include <gtest/gtest.h>

#include "storage/asm_block_pos.h"
#include "support/capture.h"

namespace {

struct PosCase {
    const char* what;
    ASM_BLOCK_GEOMETRY g;   // block, stripe width, stripe size, copies, AU, variable
    ub4 block_no;
    ub4 extent_id;
    ub4 block_in_extent;
    ub4 continue_blocks;
};

constexpr ub4 MIB = 1u << 20;
constexpr ub4 V111 = 0x0b10;
constexpr ub4 V112 = 0x0b20;

// 8 KiB blocks in 1 MiB AUs: 128 blocks per AU. Under 11.2 the 20000 extents
// from virtual extent 20000 hold 4 AUs (512 blocks) and the later ones 16 AUs
// (2048 blocks); under 11.1, 8 and 64 AUs. Zone 2 begins at block
// 20000 x 128 = 2,560,000; zone 3 at 2,560,000 + 20000 x X1 x 128.
const PosCase CASES[] = {
    {"first block", {8192, 1, 0, 1, MIB, V112}, 0, 0, 0, 128},
    {"second AU", {8192, 1, 0, 1, MIB, V112}, 130, 1, 2, 126},
    {"last block of zone 1", {8192, 1, 0, 1, MIB, V112}, 2559999, 19999, 127, 1},
    {"first block of zone 2 (11.2)", {8192, 1, 0, 1, MIB, V112}, 2560000, 20000, 0, 512},
    {"inside the second 4-AU extent", {8192, 1, 0, 1, MIB, V112}, 2560000 + 512 + 5, 20001, 5, 507},
    {"last block of zone 2 (11.2)", {8192, 1, 0, 1, MIB, V112}, 12799999, 39999, 511, 1},
    {"first block of zone 3 (11.2)", {8192, 1, 0, 1, MIB, V112}, 12800000, 40000, 0, 2048},
    {"inside zone 3 (11.2)", {8192, 1, 0, 1, MIB, V112}, 12800000 + 2048 * 3 + 100, 40003, 100, 1948},
    {"zone 3, two copies", {8192, 1, 0, 2, MIB, V112}, 12800000 + 2048 * 3 + 100, 80006, 100, 1948},
    {"first block of zone 2 (11.1)", {8192, 1, 0, 1, MIB, V111}, 2560000, 20000, 0, 1024},
    {"inside zone 2 (11.1)", {8192, 1, 0, 1, MIB, V111}, 2560000 + 1024 * 7 + 3, 20007, 3, 1021},
    {"first block of zone 3 (11.1)", {8192, 1, 0, 1, MIB, V111}, 23040000, 40000, 0, 8192},
    {"no variable extents", {8192, 1, 0, 1, MIB, 0}, 2560000, 20000, 0, 128},
    {"no variable extents, far", {8192, 1, 0, 3, MIB, 0}, 12800000, 300000, 0, 128},
    {"unstriped ignores stripe size 0", {16384, 1, 0, 1, MIB, 0}, 70, 1, 6, 58},
    // 8 stripes of 2^17 bytes: 16-block chunks round sets of 8 extents.
    {"striped, chunk 1", {8192, 8, 17, 1, MIB, V112}, 20, 1, 4, 12},
    {"striped, chunk 8 wraps", {8192, 8, 17, 1, MIB, V112}, 130, 0, 18, 14},
    {"striped, two copies", {8192, 8, 17, 2, MIB, V112}, 20, 2, 4, 12},
    {"striped, second set", {8192, 8, 17, 1, MIB, V112}, 1024, 8, 0, 16},
    {"striped, zone 2 chunk 9", {8192, 8, 17, 1, MIB, V112}, 2560000 + 16 * 9 + 3, 20001, 19, 13},
    {"striped, zone 2 second set", {8192, 8, 17, 1, MIB, V112}, 2560000 + 4096 + 5, 20008, 5, 11},
};

} // namespace

TEST(AsmBlockPos, Table)
{
    for (const PosCase& c : CASES) {
        ub4 extent_id = 1, block = 1, count = 1;
        calc_asm_block_pos(&c.g, c.block_no, &extent_id, &block, &count);
        EXPECT_EQ(extent_id, c.extent_id) << c.what;
        EXPECT_EQ(block, c.block_in_extent) << c.what;
        EXPECT_EQ(count, c.continue_blocks) << c.what;
    }
}

// Geometries the arithmetic cannot serve answer "no extent" instead of
// dividing by zero; a stripe size of 2^32 or more is reported.
TEST(AsmBlockPos, UnaddressableGeometries)
{
    const ASM_BLOCK_GEOMETRY bad[] = {
        {0, 1, 0, 1, MIB, 0},            // no block size
        {2 * MIB, 1, 0, 1, MIB, 0},      // block larger than the AU
        {16384, 4, 13, 1, MIB, 0},       // stripe chunk smaller than a block
    };
    for (const ASM_BLOCK_GEOMETRY& g : bad) {
        ub4 extent_id = 0, block = 7, count = 7;
        std::string out = capture_stdout([&] { calc_asm_block_pos(&g, 5, &extent_id, &block, &count); });
        EXPECT_EQ(extent_id, INVALID_ASM_EXTENT_ID);
        EXPECT_EQ(block, 0u);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(out, "");
    }
    ASM_BLOCK_GEOMETRY wide = {8192, 1, 40, 1, MIB, 0};
    ub4 extent_id = 0, block = 7, count = 7;
    std::string out = capture_stdout([&] { calc_asm_block_pos(&wide, 5, &extent_id, &block, &count); });
    EXPECT_EQ(out, "invalid stripe_size.\n");
    EXPECT_EQ(extent_id, INVALID_ASM_EXTENT_ID);
    EXPECT_EQ(count, 0u);
}

TEST(AsmBlockPos, GeometryCheckRejectsOnlyWhatCannotBeAddressed)
{
    ASM_DISKGROUP_ITEM group = {};
    group.au_size = MIB;
    KFFFDB f = {};
    f.disk_group = &group;
    f.file_number = 300;
    f.blkSize = 8192;
    f.strpwdth = 1;
    f.strpsz = 0;   // unstriped files carry 0 here
    EXPECT_TRUE(check_asmfile_geometry(&f));
    f.strpwdth = 8;
    f.strpsz = 12;  // 4 KiB chunks of 8 KiB blocks
    std::string out = capture_stdout([&] { EXPECT_FALSE(check_asmfile_geometry(&f)); });
    EXPECT_EQ(out, "asm file 300 can not be read: stripe size 2^12 does not hold a block of 8192 bytes.\n");
    f.strpsz = 13;
    EXPECT_TRUE(check_asmfile_geometry(&f));
    f.strpwdth = 1;
    f.blkSize = 2 * MIB;
    out = capture_stdout([&] { EXPECT_FALSE(check_asmfile_geometry(&f)); });
    EXPECT_EQ(out, "asm file 300 can not be read: block size 2097152, au size 1048576.\n");
    f.blkSize = 0;
    capture_stdout([&] { EXPECT_FALSE(check_asmfile_geometry(&f)); });
}
