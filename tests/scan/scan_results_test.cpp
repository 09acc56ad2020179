// What scan extent records of LOB index leaves and LOB pages (blocks made
// with the builder's block primitives), a worker killed in the middle of a
// parallel scan, a result file that cannot be written, and load config
// switching the scanned LOB tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include "base/config.h"
#include "builder/data_blocks.h"
#include "builder/database_image.h"
#include "scan/scan_block.h"
#include "scan/scanned_lob.h"
#include "support/capture.h"
#include "support/held_run.h"
#include "support/process.h"

namespace {

constexpr uint32_t LOBIND_OBJ = 81001;
constexpr uint32_t LOBSEG_OBJ = 81000;
constexpr uint32_t BLOCK_SIZE = 4096;

std::array<uint8_t, 10> lob_id(uint8_t n)
{
    return {0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x10, n};
}

// A leaf row: flag, lock, the row data (a 16-byte inode, big-endian but for
// the version, and one chunk address), then the LOB id and page keys.
std::vector<uint8_t> leaf_row(uint8_t flag, uint8_t id, uint32_t page, int order, uint8_t id_length = 10)
{
    std::vector<uint8_t> row(2 + 20 + 1 + 10 + 1 + 4, 0);
    zb::ByteWriter w(row.data(), row.size(), order);
    w.u8(0, flag);
    w.u16_big(2, 16 + 4);
    w.u8(4, 0x05);
    w.u32_big(6, 3 + id);   // blocks before the last
    w.u16_big(10, 100 + id); // bytes in the last
    w.u32(12, 0x1234);       // version, in the file's order
    w.u16(16, 7);
    w.u32_big(18, 0x01400009);
    w.u8(22, id_length);
    w.raw(23, lob_id(id).data(), 10);
    w.u8(33, 4);
    w.u32_big(34, page);
    return row;
}

// file_size 0: the whole file.
std::string scan_dir_with_lob_blocks(int order, uint32_t lob_pages, uint64_t file_size = 0)
{
    zb::DatafileDef def;
    def.block_size = BLOCK_SIZE;
    def.order = order;
    def.ts_no = 4;
    def.file_no = def.rfile_no = 5;
    def.blocks = 10 + lob_pages;
    zb::DatabaseImage db;
    zb::DatafileImage& file = db.add_file("lobs.dbf", def);
    zb::IndexBlockDef leaf;
    leaf.trans.object_id = LOBIND_OBJ;
    leaf.trans.itls.resize(2);
    leaf.columns_in_key = 2;
    leaf.key_size = 20;
    leaf.rows = {leaf_row(0, 1, 0, order), leaf_row(0x01, 2, 0, order), leaf_row(0, 1, 1, order),
                 leaf_row(0, 3, 0, order), leaf_row(0, 4, 0, order, 5), leaf_row(0, 5, 0, order)};
    file.put(9, zb::make_index_block(file.cache_header(6, 9), leaf, BLOCK_SIZE, order));
    for (uint32_t p = 0; p < lob_pages; p++) {
        zb::LobBlockDef lob;
        lob.object_id = LOBSEG_OBJ;
        lob.lob_id = lob_id(1);
        lob.version_base = 0x1234;
        lob.version_wrap = 7;
        lob.page_no = p;
        file.put(10 + p, zb::make_lob_block(file.cache_header(p % 2 ? 40 : 27, 10 + p), lob, BLOCK_SIZE, order));
    }
    std::string dir = make_temp_dir("scanlob");
    db.write(dir);
    if (file_size != 0)
        file.write(dir + "/lobs.dbf", file_size);
    write_file(dir + "/config.txt", zb::config_text(order, BLOCK_SIZE));
    return dir;
}

void ignore_entry(void*, const DICT_LOBIND*) {}

class ScanLobLines : public ::testing::TestWithParam<int> {};

} // namespace

// Only the live entries of first pages are recorded; the walk ends at a key
// that is no LOB id. Every LOB data block gives a page line.
TEST_P(ScanLobLines, IndexEntriesAndPages)
{
    std::string dir = scan_dir_with_lob_blocks(GetParam(), 2);
    ZemRun r = run_zem_process(dir, "scan extent\nexit\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir + "/lobind.zem"),
              "4,5,9,81001,1,2,4097,4660,7,4,101\n4,5,9,81001,1,2,4099,4660,7,6,103\n");
    EXPECT_EQ(read_file(dir + "/lobpage.zem"), "4,5,10,81000,1,2,4097,4660,7,0\n4,5,11,81000,1,2,4097,4660,7,1\n");
    remove_tree(dir);
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, ScanLobLines, ::testing::Values((int)zb::LITTLE, (int)zb::BIG));

// A file-size limit makes the writes of lobpage.zem fail (the signal that
// limit sends is ignored, as it is inherited by zem): the scan names the
// file, keeps no part of a line and does not call itself complete.
TEST(ScanResultFiles, FileThatCannotBeWritten)
{
    std::string dir = scan_dir_with_lob_blocks(zb::LITTLE, 400);
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit limit = {6000, saved.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    ZemRun serial = run_zem_process(dir, "scan extent\nexit\n");
    std::string serial_lobpage = read_file(dir + "/lobpage.zem");
    ZemRun parallel = run_zem_process(dir, "scan extent parallel 2\nexit\n");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);
    for (const ZemRun* r : {&serial, &parallel}) {
        EXPECT_NE(r->out.find("can not write file 'lobpage.zem', error message:File too large.\n"),
                  std::string::npos) << r->out;
        EXPECT_NE(r->out.find("scan extent ended with errors, its results are incomplete"), std::string::npos);
        EXPECT_EQ(r->out.find("scan extent completed"), std::string::npos);
    }
    for (const std::string& text : {serial_lobpage, read_file(dir + "/lobpage.zem")}) {
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
    }
    remove_tree(dir);
}

// The workers block on a full output pipe (trace_level 3 prints every
// read); one is killed, and the master reports it and the scan incomplete.
TEST(ScanResultFiles, WorkerThatDiesIsReported)
{
    std::string dir = scan_dir_with_lob_blocks(zb::BIG, 4000);
    write_file(dir + "/config.txt", zb::config_text(zb::BIG, BLOCK_SIZE, "trace_level 3\nblock_read_count 1\n"));
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    HeldRun run = start_held_run(dir, "scan extent parallel 2\n", out[1]);
    close(out[1]);
    std::vector<pid_t> workers;
    for (int tries = 0; tries < 1000 && workers.size() < 2; tries++) {
        usleep(10000);
        workers = children_of(run.zem);
    }
    ASSERT_EQ(workers.size(), 2u);
    kill(workers[0], SIGKILL);
    std::string text;
    char buffer[65536];
    for (pollfd p = {out[0], POLLIN, 0}; poll(&p, 1, 60000) > 0;) {
        ssize_t n = read(out[0], buffer, sizeof(buffer));
        if (n <= 0)
            break;
        text.append(buffer, (size_t)n);
    }
    close(out[0]);
    finish_held_run(run); // kills what is left if the run went wrong
    EXPECT_NE(text.find("slave process " + std::to_string(workers[0]) + " terminated abnormal.\n"),
              std::string::npos);
    EXPECT_NE(text.find("1 of 2 slave processes failed: the scan results are incomplete.\n"), std::string::npos);
    EXPECT_NE(text.find("scan extent ended with errors"), std::string::npos);
    // The other worker's lines are kept, whole, and no worker file is left.
    std::string pages = read_file(dir + "/lobpage.zem");
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages.back(), '\n');
    for (pid_t worker : workers)
        EXPECT_FALSE(path_exists(dir + "/lobpage.zem." + std::to_string(worker)));
    remove_tree(dir);
}

// Seeded corruption of a LOB index leaf and a LOB page: the classifier and
// the leaf walk stay inside the block (the sanitizer build checks).
TEST(ScanResultFiles, CorruptedLobBlocksSweep)
{
    for (int order : {(int)zb::LITTLE, (int)zb::BIG}) {
        config_data.byte_order = order;
        zb::IndexBlockDef leaf;
        leaf.trans.object_id = LOBIND_OBJ;
        leaf.columns_in_key = 2;
        leaf.key_size = 20;
        for (uint8_t id = 1; id <= 20; id++)
            leaf.rows.push_back(leaf_row(0, id, 0, order));
        zb::CacheHeader header;
        std::vector<zb::BlockImage> blocks = {zb::make_index_block(header, leaf, 1024, order)};
        header.type = 40;
        blocks.push_back(zb::make_lob_block(header, zb::LobBlockDef{}, 1024, order));
        SCANNED_BLOCK intact;
        get_scanned_block(blocks[0].data(), 1024, TRUE, &intact);
        EXPECT_EQ(get_scanned_lobindex_entries(blocks[0].data(), 1024, &intact.data_header, ignore_entry, nullptr),
                  20u);
        uint32_t seed = 12345;
        for (const zb::BlockImage& clean : blocks)
            for (int round = 0; round < 3000; round++) {
                std::vector<uint8_t> block = clean.bytes();
                for (int flips = 0; flips < 1 + round % 4; flips++) {
                    seed = seed * 1103515245u + 12345u;
                    block[(seed >> 8) % block.size()] = (uint8_t)(seed >> 20);
                }
                SCANNED_BLOCK scanned;
                get_scanned_block(block.data(), 1024, round % 2, &scanned);
                DICT_LOBPAGE page;
                get_scanned_lobpage(block.data(), 1024, &page);
                if (scanned.kind != SCAN_BLOCK_DATA)
                    continue;
                get_scanned_lobindex_entries(block.data(), 1024, &scanned.data_header, ignore_entry, nullptr);
            }
    }
    config_data.byte_order = BO_LITTLE;
}

// A copy cut short (in the middle of block 15) is scanned to its last whole
// block and said to be short once, not read past its end unit by unit.
TEST(ScanResultFiles, ShortFileIsScannedToItsEnd)
{
    std::string dir = scan_dir_with_lob_blocks(zb::LITTLE, 20, 15 * BLOCK_SIZE + BLOCK_SIZE / 2);
    write_file(dir + "/config.txt", zb::config_text(zb::LITTLE, BLOCK_SIZE, "block_read_count 4\n"));
    for (const char* form : {"scan extent\nexit\n", "scan extent parallel 2\nexit\n"}) {
        ZemRun r = run_zem_process(dir, form);
        EXPECT_NE(r.out.find("file 'lobs.dbf' ends after block 14, its header counts 30 blocks: the rest is not "
                             "scanned.\n"),
                  std::string::npos)
            << r.out;
        EXPECT_EQ(r.out.find("file end"), std::string::npos);
        EXPECT_NE(r.out.find("scan extent completed"), std::string::npos);
        std::string pages = read_file(dir + "/lobpage.zem");
        EXPECT_EQ(std::count(pages.begin(), pages.end(), '\n'), 5) << form;
    }
    remove_tree(dir);
}

TEST(ScanResultFiles, NoDatafilesLeaveOnlyTheHeaderLines)
{
    std::string dir = make_temp_dir("scanempty");
    write_file(dir + "/ext.zem", "70001,4,5,9,1,16\n");
    ZemRun r = run_zem_process(dir, "scan extent parallel 4\nexit\n");
    EXPECT_NE(r.out.find("scanning extent...\nscan extent completed"), std::string::npos);
    EXPECT_EQ(read_file(dir + "/ext.zem"), "");
    EXPECT_EQ(read_file(dir + "/segment.txt").size(), 120u);
    remove_tree(dir);
}
