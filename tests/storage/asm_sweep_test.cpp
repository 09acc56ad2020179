#include <gtest/gtest.h>

#include "builder/asm_walk.h"
#include "storage/asm_fixture.h"

namespace {

// One disk, external redundancy, small AUs: a file with indirect extents, a
// striped one and an alias tree two levels deep.
AsmGroupDef sweep_group(int byte_order)
{
    AsmGroupDef def;
    def.byte_order = byte_order;
    def.au_size = 16 * 1024;
    AsmFileDef f;
    f.file_number = 256;
    f.block_size = 4096;
    f.image = make_asm_test_image(4096 * 30, 4096, 256);
    f.direct_slots = 3;
    f.indirect_pointers_per_block = 2;
    def.files.push_back(f);
    f.file_number = 257;
    f.stripe_width = 2;
    f.stripe_size_log2 = 13;
    f.direct_slots = 60;
    def.files.push_back(f);
    def.aliases = {{"DB/DATAFILE/A", 256, 1, true}, {"DB/DATAFILE/B", 257, 1, true}, {"DB/a", 256, 1, false}};
    return def;
}

// Field offsets worth damaging in each kind of metadata block.
const ub4 HEADER_FIELDS[] = {1, 2, 4, 8, 64, 66, 68, 70, 218, 219, 220, 222, 228, 244, 246};
const ub4 DIRECTORY_FIELDS[] = {1, 2, 4, 44, 48, 52, 55, 60, 62, 66, 67, 92, 93, 94, 108, 109, 0x4C0, 0x4C4, 0x4C8};
const ub4 INDIRECT_FIELDS[] = {2, 8, 32, 35, 36, 37, 38, 44, 48, 52};
const ub4 ALIAS_FIELDS[] = {2, 4, 8, 44, 47, 68, 76, 84, 132, 140, 144, 68 + 76 + 8, 68 + 76 + 72};
const ub1 VALUES[] = {0x00, 0xFF, 0x7F, 0x01, 0x80};

} // namespace

// Damage one field of one metadata block, re-seal it so that it passes the
// checksum, and let the whole group be loaded, browsed and read. Under the
// sanitizers this catches any read outside a buffer or walk without end.
TEST(AsmSweep, ResealedFieldDamage)
{
    for (int order : {BO_LITTLE, BO_BIG}) {
        AsmGroupDef def = sweep_group(order);
        const AsmGroupImage clean = build_asm_group(def);
        struct Target {
            ub4 au;
            ub4 block;
            const ub4* fields;
            size_t count;
            ub4 size;
        };
        std::vector<Target> targets;
        targets.push_back({0, 0, HEADER_FIELDS, std::size(HEADER_FIELDS), 4096});
        for (ub4 b : {1u, 6u})
            targets.push_back({clean.extents.at(1)[0].au, b, DIRECTORY_FIELDS, std::size(DIRECTORY_FIELDS), 4096});
        for (ub4 b : {0u, 2u})
            targets.push_back({clean.extents.at(1)[256 / 4].au, b, DIRECTORY_FIELDS, std::size(DIRECTORY_FIELDS),
                               4096});
        targets.push_back({clean.indirect.at(256)[0].au, 0, INDIRECT_FIELDS, std::size(INDIRECT_FIELDS), 4096});
        for (ub4 b = 0; b < 3; b++)
            targets.push_back({clean.extents.at(6)[0].au, b, ALIAS_FIELDS, std::size(ALIAS_FIELDS), 4096});
        AsmGroupFixture fx("asmsweep");
        ub4 runs = 0;
        for (const Target& t : targets)
            for (size_t i = 0; i < t.count; i++)
                for (ub1 v : VALUES) {
                    AsmGroupImage image = clean;
                    ub1* block = asm_meta_block_at(image, def, 0, t.au, t.block);
                    block[t.fields[i]] = v;
                    seal_asm_block(block, t.size);
                    capture_stdout([&] {
                        fx.load(def, image);
                        walk_asm_groups(64);
                        release_asmdisk_list();
                    });
                    runs++;
                }
        EXPECT_GT(runs, 500u);
    }
}

// The undamaged group gives the walk something to do: both files open.
TEST(AsmSweep, CleanGroupWalks)
{
    AsmGroupFixture fx("asmwalk");
    AsmGroupDef def = sweep_group(BO_LITTLE);
    AsmGroupImage image = build_asm_group(def);
    fx.load(def, image);
    AsmWalkCounts counts;
    capture_stdout([&] { counts = walk_asm_groups(1000); });
    EXPECT_EQ(counts.directories, 3u);
    EXPECT_EQ(counts.files_opened, 3u);
    EXPECT_EQ(counts.blocks_read, 90u);
}
