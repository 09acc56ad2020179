#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/str_util.h"
#include "blocks/block_header.h"
#include "datafile_fixture.h"
#include "storage/block_reader.h"

namespace {

ub4 object_id_of(const ub1* block)
{
    return get_ub4(block, 24);
}

} // namespace

using BlockReaderTest = DatafileTest;

TEST_F(BlockReaderTest, BatchesComeBackShortAtTheEndAndHalfBlocksFail)
{
    zb::DatafileImage f(file_desc(4, 7, 7, 99)); // blocks 0..99
    for (uint32_t b = 2; b < 100; b++)
        f.put(b, tagged_block(f, b, 1000 + b));
    f.write("f.dbf", f.full_size() + 4096); // and half a block more
    load_control("4 7 7 f.dbf\n");
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    std::vector<ub1> buffer(128 * 8192);

    std::string out = capture_stdout([&] { EXPECT_EQ(read_blocks(item, 0, 128, buffer.data(), 0), 100u); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(object_id_of(&buffer[99 * 8192]), 1099u);
    EXPECT_EQ(read_blocks(item, 60, 10, buffer.data(), 0), 10u);
    EXPECT_EQ(object_id_of(buffer.data()), 1060u);

    out = capture_stdout([&] { EXPECT_EQ(read_blocks(item, 100, 1, buffer.data(), 0), 0u); });
    EXPECT_EQ(out, "read data error from file 'f.dbf'.error message:incomplete block at end of file\n");
    out = capture_stdout([&] { EXPECT_EQ(read_blocks(item, 101, 4, buffer.data(), 0), 0u); });
    EXPECT_EQ(out, "has already arrived file end.\n");
    // The stream is usable again after both failures.
    EXPECT_EQ(read_blocks(item, 3, 1, buffer.data(), 0), 1u);
    EXPECT_EQ(object_id_of(buffer.data()), 1003u);
}

TEST_F(BlockReaderTest, HeaderOffsetShiftsEveryBlock)
{
    zb::DatafileDef s = file_desc(4, 7, 7, 10);
    s.header_offset = 8192;
    zb::DatafileImage f(s);
    f.put(5, tagged_block(f, 5, 555));
    f.write("o.dbf");
    load_control("4 7 7 o.dbf 8192 n 8192\n");
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->status, DFIS_VALID);
    ub1 block[8192];
    ASSERT_EQ(read_blocks(item, 5, 1, block, file_block_rdba(7, 5)), 1u);
    EXPECT_EQ(object_id_of(block), 555u);
    ASSERT_EQ(read_buffered_block(item, 5, block, file_block_rdba(7, 5)), 1);
    EXPECT_EQ(object_id_of(block), 555u);
}

TEST_F(BlockReaderTest, BigFileBlocksAreAddressedByRdba)
{
    zb::DatafileDef s = file_desc(6, 12, 1024, 70010);
    s.block_size = 2048;
    zb::DatafileImage f(s);
    f.put(5, tagged_block(f, 5, 5));
    f.put(70000, tagged_block(f, 70000, 70000));
    f.write("big.dbf");
    load_control("6 12 1024 big.dbf 2048\n");
    PDATAFILE_ITEM item = get_datafile_item_rfn(6, 99);
    ASSERT_NE(item, nullptr);
    ub1 block[2048];
    ASSERT_EQ(read_blocks(item, 5, 1, block, 70000), 1u);
    EXPECT_EQ(object_id_of(block), 70000u);
    BLOCK_HEADER h;
    get_block_header(block, &h, 2048);
    EXPECT_EQ(h.rdba, 70000u);
    ASSERT_EQ(read_buffered_block(item, 5, block, 70000), 1);
    EXPECT_EQ(object_id_of(block), 70000u);
    EXPECT_EQ(get_datafile_block_rdba(item, 5), 5u);
}

TEST_F(BlockReaderTest, SparseFileBeyond4GiB)
{
    zb::DatafileImage f(file_desc(4, 7, 7, 600000)); // about 4.9 GB, nearly all holes
    const uint32_t far_block = 590000;          // byte 4 833 280 000
    f.put(far_block, tagged_block(f, far_block, 0xfa5));
    f.write("sparse.dbf");
    load_control("4 7 7 sparse.dbf\n");
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->blocks, 600000u);
    std::vector<ub1> buffer(4 * 8192);
    ASSERT_EQ(read_blocks(item, far_block - 1, 4, buffer.data(), 0), 4u);
    EXPECT_EQ(object_id_of(&buffer[8192]), 0xfa5u);
    ASSERT_EQ(read_buffered_block(item, far_block, buffer.data(), file_block_rdba(7, far_block)), 1);
    EXPECT_EQ(object_id_of(buffer.data()), 0xfa5u);
    EXPECT_EQ(read_blocks(item, 600000, 8, buffer.data(), 0), 1u);
}

TEST_F(BlockReaderTest, CacheEvictsTheLeastRecentlyUsed)
{
    release_block_buffer_cache(&block_buffer_cache);
    init_block_buffer_cache(&block_buffer_cache, 8192, 2);
    zb::DatafileImage f(file_desc(4, 7, 7, 10));
    for (uint32_t b : {2, 3, 4})
        f.put(b, tagged_block(f, b, b));
    f.write("f.dbf");
    load_control("4 7 7 f.dbf\n");
    PDATAFILE_ITEM item = get_datafile_item_fn(7);
    ub1 block[8192];
    auto read = [&](ub4 b) {
        EXPECT_EQ(read_buffered_block(item, b, block, file_block_rdba(7, b)), 1);
        return object_id_of(block);
    };
    auto cached = [&](ub4 b) { return search_block_buffer_cache(&block_buffer_cache, 4, file_block_rdba(7, b), 8192); };
    EXPECT_EQ(read(2), 2u); // A
    EXPECT_EQ(read(3), 3u); // B
    EXPECT_EQ(read(2), 2u); // A again: now the most recent
    EXPECT_EQ(read(4), 4u); // C evicts B
    EXPECT_NE(cached(2), nullptr);
    EXPECT_EQ(cached(3), nullptr);
    EXPECT_NE(cached(4), nullptr);

    // A hit is served from the cache even after the file changed on disk.
    zb::DatafileImage changed(file_desc(4, 7, 7, 10));
    changed.put(2, tagged_block(changed, 2, 222));
    changed.put(3, tagged_block(changed, 3, 333));
    changed.write("f.dbf");
    reopen_data_files();
    EXPECT_EQ(read(2), 2u);
    EXPECT_EQ(read(3), 333u); // B missed and was read again
}

TEST_F(BlockReaderTest, CacheKeyIncludesTheTablespace)
{
    zb::DatafileImage one(file_desc(1, 5, 5, 10));
    one.put(3, tagged_block(one, 3, 111));
    one.write("one.dbf");
    zb::DatafileImage two(file_desc(2, 6, 5, 10));
    two.put(3, tagged_block(two, 3, 222));
    two.write("two.dbf");
    load_control("1 5 5 one.dbf\n2 6 5 two.dbf\n");
    ub1 block[8192];
    ASSERT_EQ(read_buffered_block(get_datafile_item_rfn(1, 5), 3, block, file_block_rdba(5, 3)), 1);
    EXPECT_EQ(object_id_of(block), 111u);
    ASSERT_EQ(read_buffered_block(get_datafile_item_rfn(2, 5), 3, block, file_block_rdba(5, 3)), 1);
    EXPECT_EQ(object_id_of(block), 222u);
    ASSERT_EQ(read_buffered_block(get_datafile_item_rfn(1, 5), 3, block, file_block_rdba(5, 3)), 1);
    EXPECT_EQ(object_id_of(block), 111u);
    EXPECT_EQ(block_buffer_cache.used_block_count, 2u);

    // Loading a new list empties the cache: the same key may name other data.
    load_control("1 5 5 two.dbf\n");
    EXPECT_EQ(block_buffer_cache.used_block_count, 0u);
    ASSERT_EQ(read_buffered_block(get_datafile_item_rfn(2, 5), 3, block, file_block_rdba(5, 3)), 1);
    EXPECT_EQ(object_id_of(block), 222u);
}

TEST_F(BlockReaderTest, ClosedFilesAndMissingAsmRecords)
{
    DATAFILE_ITEM item = {};
    item.block_size = 8192;
    copy_str(item.file_name, sizeof(item.file_name), "x.dbf");
    ub1 block[8192];
    std::string out = capture_stdout([&] {
        EXPECT_EQ(read_blocks(&item, 1, 1, block, 0), 0u);
        EXPECT_EQ(read_buffered_block(&item, 1, block, 0), 0);
        item.is_asm = 1;
        EXPECT_EQ(read_blocks(&item, 1, 1, block, 0), 0u);
        EXPECT_EQ(read_buffered_block(&item, 1, block, 0), 0);
    });
    EXPECT_EQ(out, "can not read from a closed file.\ncan not read from a closed file.\n"
                   "can not read from diskgroup.\ncan not read from diskgroup.\n");
    EXPECT_EQ(block_buffer_cache.used_block_count, 0u);
}
