#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/config.h"
#include "storage/asm.h"
#include "support/capture.h"

namespace {

// Field writers in a fixed order, kept apart from the readers under test.
void put2(std::vector<ub1>& b, size_t off, ub2 v, bool big)
{
    b[off + (big ? 0 : 1)] = (ub1)(v >> 8);
    b[off + (big ? 1 : 0)] = (ub1)v;
}

void put4(std::vector<ub1>& b, size_t off, ub4 v, bool big)
{
    for (int i = 0; i < 4; i++)
        b[off + (size_t)(big ? 3 - i : i)] = (ub1)(v >> (8 * i));
}

// Makes the words of the block XOR to zero through the check word at 12.
void reseal(std::vector<ub1>& b)
{
    memset(&b[12], 0, 4);
    for (size_t i = 0; i + 4 <= b.size(); i += 4)
        for (size_t j = 0; j < 4; j++)
            b[12 + j] ^= (i == 12 ? 0 : b[i + j]);
}

class ByteOrderScope {
public:
    explicit ByteOrderScope(int order) { config_data.byte_order = order; }
    ~ByteOrderScope() { config_data.byte_order = BO_LITTLE; }
};

} // namespace

class AsmMetaTest : public ::testing::TestWithParam<int> {};

TEST_P(AsmMetaTest, DiskHeaderFields)
{
    ByteOrderScope order(GetParam());
    bool big = GetParam() == BO_BIG;
    std::vector<ub1> b(4096, 0);
    b[0] = big ? 0 : 1;
    b[1] = 0x82;
    b[2] = KFBTYPE_DISKHEAD;
    put4(b, 4, 0, big);
    put4(b, 8, 0x80000003u, big);
    put4(b, 64, 0x0b200000, big);
    put2(b, 68, 3, big);
    b[70] = KFDGTP_NORMAL;
    b[71] = KFDHDR_MEMBER;
    memcpy(&b[72], "DATA_0003", 9);
    memcpy(&b[104], "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 32);   // a full, unterminated name
    put2(b, 218, 4096, big);
    put4(b, 220, 1u << 20, big);
    put4(b, 228, 2048, big);
    put4(b, 244, 2, big);
    reseal(b);

    ASSERT_TRUE(check_asmdisk_block_checksum(b.data(), 4096));
    KFBH kfbh;
    get_kfbh(b.data(), &kfbh);
    EXPECT_TRUE(check_asmdisk_block_header(&kfbh));
    EXPECT_EQ(kfbh.type, KFBTYPE_DISKHEAD);
    EXPECT_EQ(kfbh.block_obj, 0x80000003u);
    KFDHBH h;
    get_kfdhbh(b.data(), &h);
    EXPECT_EQ(h.compat, 0x0b200000u);
    EXPECT_EQ(VSNNUMVSN(h.compat), 11u);
    EXPECT_EQ(VSNNUMRLS(h.compat), 2u);
    EXPECT_EQ(h.dsknum, 3);
    EXPECT_EQ(h.grptyp, KFDGTP_NORMAL);
    EXPECT_STREQ(h.dskname, "DATA_0003");
    EXPECT_STREQ(h.grpname, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    EXPECT_EQ(h.blksize, 4096);
    EXPECT_EQ(h.ausize, 1u << 20);
    EXPECT_EQ(h.dsksize, 2048u);
    EXPECT_EQ(h.f1b1locn, 2u);

    b[1] = 0x81;   // low nibble of hard must be 2
    reseal(b);
    get_kfbh(b.data(), &kfbh);
    EXPECT_FALSE(check_asmdisk_block_header(&kfbh));
}

// The checksum is the XOR of the words in memory order: a single flipped bit
// anywhere, the check word included, breaks it.
TEST(AsmMeta, ChecksumPinnedBytes)
{
    std::vector<ub1> b(512, 0);
    EXPECT_TRUE(check_asmdisk_block_checksum(b.data(), 512));
    const ub1 words[] = {0x01, 0x02, 0x03, 0x04, 0x10, 0x20, 0x30, 0x40, 0x11, 0x22, 0x33, 0x44};
    memcpy(b.data(), words, sizeof(words));
    EXPECT_TRUE(check_asmdisk_block_checksum(b.data(), 512));
    for (size_t i : {0, 5, 13, 511}) {
        b[i] ^= 0x80;
        EXPECT_FALSE(check_asmdisk_block_checksum(b.data(), 512)) << i;
        b[i] ^= 0x80;
    }
    // Only whole words count: a trailing partial word is outside the sum.
    b[510] ^= 1;
    EXPECT_TRUE(check_asmdisk_block_checksum(b.data(), 508));
}

TEST_P(AsmMetaTest, FileDirectoryEntryAndRedundancyDefaults)
{
    ByteOrderScope order(GetParam());
    bool big = GetParam() == BO_BIG;
    std::vector<ub1> b(4096, 0);
    b[1] = 0x82;
    b[2] = KFBTYPE_FILEDIR;
    put4(b, 4, 259, big);
    put4(b, 32, 77, big);
    put4(b, 44, 1, big);
    put4(b, 48, 0x2000, big);
    put4(b, 52, 90, big);
    put4(b, 60, 8192, big);
    b[66] = 0x10;    // no copies: invalid
    b[67] = 0x14;    // four copies: invalid
    put2(b, 92, 63, big);
    put2(b, 94, 60, big);
    b[108] = 8;
    b[109] = 20;

    KFFFDB f;
    std::string out = capture_stdout([&] { get_kfffdb(&f, KFDGTP_HIGH, b.data()); });
    EXPECT_EQ(out, "Invalid dXrs value:16, file number:259\nInvalid iXrs value:20, file number:259\n");
    EXPECT_EQ(f.file_number, 259u);
    EXPECT_EQ(f.node_incarn, 77u);
    EXPECT_EQ(f.bytes, 0x100002000ull);
    EXPECT_EQ(f.xtntcnt, 90u);
    EXPECT_EQ(f.blkSize, 8192u);
    EXPECT_EQ(f.dXrs, 0x13);
    EXPECT_EQ(f.extent_copys, 3);
    EXPECT_EQ(f.iXrs, 0x13);
    EXPECT_EQ(f.xtntblk, 63);
    EXPECT_EQ(f.bi_break, 60);
    EXPECT_EQ(f.strpwdth, 8);
    EXPECT_EQ(f.strpsz, 20);

    // Normal redundancy: file 1 is kept three times, other files twice.
    capture_stdout([&] { get_kfffdb(&f, KFDGTP_NORMAL, b.data()); });
    EXPECT_EQ(f.extent_copys, 2);
    put4(b, 4, 1, big);
    capture_stdout([&] { get_kfffdb(&f, KFDGTP_NORMAL, b.data()); });
    EXPECT_EQ(f.extent_copys, 3);
    capture_stdout([&] { get_kfffdb(&f, KFDGTP_EXTERNAL, b.data()); });
    EXPECT_EQ(f.extent_copys, 1);
    EXPECT_EQ(f.iXrs, 0x11);

    b[2] = KFBTYPE_ALIASDIR;   // not a directory entry: nothing is taken
    get_kfffdb(&f, KFDGTP_NORMAL, b.data());
    EXPECT_EQ(f.file_number, 0u);
    EXPECT_EQ(f.xtntcnt, 0u);
}

// Direct pointers stop at xtntblk, bi_break, xtntcnt and the end of the
// block, whichever comes first; indirect blocks must continue the map.
TEST_P(AsmMetaTest, ExtentPointerBounds)
{
    ByteOrderScope order(GetParam());
    bool big = GetParam() == BO_BIG;
    std::vector<ub1> b(2048, 0);
    for (ub4 i = 0; i < 104; i++) {
        put4(b, 0x4C0 + 8 * i, 100 + i, big);
        put2(b, 0x4C0 + 8 * i + 4, (ub2)(i % 3), big);
    }
    KFFFDB f = {};
    f.xtntcnt = 1000;
    f.xtntblk = 500;
    f.bi_break = 400;   // claims more slots than a 2 KiB block holds
    f.extent_copys = 2;
    f.dXrs = 0x12;
    EXPECT_EQ(get_asmfile_direct_extent_map(&f, b.data(), 2048), 104u);
    EXPECT_EQ(f.file_extents[103].au, 203u);
    EXPECT_EQ(f.file_extents[103].disk, 1u);
    release_asm_file(&f);
    f.bi_break = 10;
    EXPECT_EQ(get_asmfile_direct_extent_map(&f, b.data(), 2048), 10u);
    EXPECT_EQ(f.file_extents[10].au, 0xFFFFFFFFu);   // unfilled slots keep all bits set

    std::vector<ub1> ind(2048, 0);
    put4(ind, 32, 5, big);        // virtual extent 5 = physical 10: continues the map
    put2(ind, 36, 300, big);      // more pointers than the block holds: (2048 - 44) / 8 = 250
    ind[38] = 0x12;
    EXPECT_EQ(get_asmfile_indirect_extent_map(&f, ind.data(), 2048), 250u);
    put4(ind, 32, 6, big);
    std::string out = capture_stdout([&] { EXPECT_EQ(get_asmfile_indirect_extent_map(&f, ind.data(), 2048), 0u); });
    EXPECT_EQ(out, "kffixb.dxsn 6 is not consistent with kfffdb.fact_extent_count 10\n");
    put4(ind, 32, 5, big);
    ind[38] = 0x13;
    out = capture_stdout([&] { EXPECT_EQ(get_asmfile_indirect_extent_map(&f, ind.data(), 2048), 0u); });
    EXPECT_EQ(out, "kffixb.dXrs 19 <> kfffdb.dXrs 18");
    f.xtntcnt = 12;   // only two more slots in the file
    ind[38] = 0x12;
    EXPECT_EQ(get_asmfile_indirect_extent_map(&f, ind.data(), 2048), 2u);
    release_asm_file(&f);
}

TEST_P(AsmMetaTest, AliasEntriesInUse)
{
    ByteOrderScope order(GetParam());
    bool big = GetParam() == BO_BIG;
    ASM_DISKGROUP_ITEM group = {};
    group.meta_block_size = 4096;
    std::vector<ub1> b(4096, 0);
    auto entry = [&](ub4 i, ub4 incarn, const char* name, ub4 fnum, ub1 flags) {
        size_t off = 68 + 76 * i;
        put4(b, off, incarn, big);
        put4(b, off + 8, 9, big);
        memcpy(&b[off + 16], name, strlen(name));
        put4(b, off + 64, fnum, big);
        put4(b, off + 68, 1, big);
        b[off + 72] = flags;
    };
    entry(0, 1, "DATAFILE", 0, 0x04);
    entry(1, 0, "FREED", 0, 0x04);                        // incarnation 0: free
    entry(2, 1, "", 256, 0x12);                           // no name: free
    entry(3, 0x100, "SYSTEM", 256, 0x12);                 // incarnation whose first byte is 0 in one order
    entry(52, 7, "012345678901234567890123456789012345678901234567", 300, 0x11);  // last slot, 48 characters
    ASM_ALIAS parent = {};
    parent.dir_level = 3;
    ZEM_LIST list;
    init_zem_list(&list, release_asm_alias);
    EXPECT_EQ(get_asm_alias(b.data(), &group, &list, &parent), 3u);
    PASM_ALIAS a = (PASM_ALIAS)list.header->data;
    EXPECT_STREQ(a->name, "DATAFILE");
    EXPECT_EQ(a->refer_number, 9u);
    EXPECT_EQ(a->dir_level, 4);
    EXPECT_EQ(a->parent_alias, &parent);
    EXPECT_TRUE(alias_is_dir(a));
    PASM_ALIAS last = (PASM_ALIAS)list.tail->data;
    EXPECT_STREQ(last->name, "012345678901234567890123456789012345678901234567");
    EXPECT_EQ(last->fnum, 300u);
    EXPECT_TRUE(alias_is_file(last));
    EXPECT_FALSE(alias_is_sys_file(last));
    release_zem_list(&list);
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, AsmMetaTest, ::testing::Values(BO_LITTLE, BO_BIG));
