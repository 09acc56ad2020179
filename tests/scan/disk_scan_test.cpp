// scan disk on ASM groups whose metadata is destroyed: datafiles made by the
// datafile builder are placed as ASM files, the disk headers and the AUs of
// files 1 and 6 zeroed, stale, newer and damaged copies of blocks put in
// free AUs, and the rebuilt datafiles compared block by block.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/str_util.h"
#include "builder/data_blocks.h"
#include "builder/datafile_image.h"
#include "builder/segment_blocks.h"
#include "scan/disk_scan.h"
#include "storage/asm_fixture.h"
#include "support/e2e.h"
#include "support/order_and_size.h"

namespace {

constexpr ub4 AU = 64 * 1024;

ub1 format_of(ub4 block_size)
{
    return block_size == 2048 ? 0x62 : block_size == 4096 ? 0x82 : 0xa2;
}

// A datafile, what the rebuilt file must hold, and the blocks of it the disks
// carry (copies replaced as the scene places newer ones).
struct SceneFile {
    ub4 rfile;
    std::vector<ub1> bytes;
    std::map<ub4, std::vector<ub1>> expected; // block n -> bytes; absent: blank
    ub4 expected_blocks = 0;                  // 0 .. this
    bool block0_kept = true;
};

class DiskScene {
public:
    DiskScene(int order, ub4 bs, const std::string& group = "DATA") : order_(order), bs_(bs)
    {
        def.name = group;
        def.byte_order = order;
        def.au_size = AU;
    }

    zb::DatafileImage datafile(ub4 rfile, ub4 blocks) const
    {
        zb::DatafileDef d;
        d.block_size = bs_;
        d.order = order_;
        d.format = format_of(bs_);
        d.file_no = d.rfile_no = rfile;
        d.blocks = blocks;
        return zb::DatafileImage(d);
    }
    zb::BlockImage data_block(const zb::DatafileImage& f, ub4 n, ub4 object, ub4 scn_base, ub2 scn_wrap) const
    {
        zb::CacheHeader h = f.cache_header(6, n);
        h.scn_base = scn_base;
        h.scn_wrap = scn_wrap;
        zb::DataBlockDef d;
        d.trans.object_id = object;
        d.trans.itls.resize(2);
        return zb::make_data_block(h, d, bs_, order_);
    }
    // Adds the file as ASM file 256 + k; block 1 is wiped when asked to.
    void add(zb::DatafileImage& f, bool wipe_header = false)
    {
        std::string name = "src" + std::to_string(f.def().rfile_no) + ".dbf";
        f.write(name);
        std::string text = read_file(name);
        SceneFile s;
        s.rfile = f.def().rfile_no;
        s.bytes.assign(text.begin(), text.end());
        if (wipe_header)
            std::fill(s.bytes.begin() + bs_, s.bytes.begin() + 2 * bs_, 0);
        for (ub4 n = 1; n <= f.def().blocks; n++)
            if ((n > 1 && f.has(n)) || (n == 1 && !wipe_header)) {
                s.expected[n] = block_of(s.bytes, n);
                s.expected_blocks = n;
            }
        if (!wipe_header)
            s.expected_blocks = f.def().blocks;
        s.block0_kept = !wipe_header;
        AsmFileDef a;
        a.file_number = 256 + (ub4)files.size();
        a.block_size = bs_;
        a.image = s.bytes;
        def.files.push_back(a);
        files.push_back(s);
    }
    std::vector<ub1> block_of(const std::vector<ub1>& bytes, ub4 n) const
    {
        return std::vector<ub1>(bytes.begin() + (size_t)n * bs_, bytes.begin() + (size_t)(n + 1) * bs_);
    }
    void build()
    {
        image = build_asm_group(def);
        destroy_asm_metadata(image, def);
    }
    void put(ub4 disk, ub4 au, size_t offset, const zb::BlockImage& block)
    {
        put_asm_disk_bytes(image, def, disk, au, offset, block.data(), block.size());
    }
    // Disks listed with a lost header: group, block and AU size, disk size
    // (0 for the disks named: scan to the device's end), no header offset.
    std::string disk_lines(const std::set<ub4>& sizeless = {}) const
    {
        std::vector<std::string> lines = write_asm_group(image, def, ".", "");
        std::string text;
        for (ub4 d = 0; d < lines.size(); d++)
            text += lines[d] + " " + def.name + " 4096 " + std::to_string(AU) + " " +
                    std::to_string(sizeless.count(d) ? 0 : image.disk_size) + " 0 11.2\n";
        return text;
    }
    // Its format is the file header's, or 0x02 when no header was found.
    std::vector<ub1> blank(const SceneFile& s, ub4 n) const
    {
        std::vector<ub1> b(bs_, 0);
        zb::ByteWriter w(b.data(), b.size(), order_);
        w.u8(1, s.block0_kept ? format_of(bs_) : 0x02);
        w.u32(4, (s.rfile << 22) | n);
        w.u8(14, 1);
        w.u8(15, 1);
        w.u32(bs_ - 4, 1);
        return b;
    }

    AsmGroupDef def;
    AsmGroupImage image;
    std::vector<SceneFile> files;

private:
    int order_;
    ub4 bs_;
};

DISK_SCAN_REQUEST request_of(ub4 group, ub4 disk, int extract, ub4 limit)
{
    DISK_SCAN_REQUEST r = {};
    r.group_no = group;
    r.disk_no = disk;
    r.extract = extract;
    r.au_limit = limit;
    return r;
}

std::string run_scan(const DISK_SCAN_REQUEST& request)
{
    DISK_SCAN_RESULT result;
    return capture_stdout([&] { EXPECT_EQ(scan_disk(&request, &result), TRUE); });
}

// The listing's lines after its header, as numbers.
std::vector<std::vector<ub4>> listing_rows()
{
    std::vector<std::vector<ub4>> rows;
    std::istringstream in(read_file("asmblocks.zem"));
    std::string line;
    for (int i = 0; std::getline(in, line); i++) {
        if (i < 3)
            continue;
        std::vector<ub4> row;
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, ',');)
            row.push_back((ub4)std::stoul(f));
        rows.push_back(row);
    }
    return rows;
}

class DiskScanRebuild : public ::testing::TestWithParam<OrderAndSize> {};

} // namespace

// Three datafiles over three mirrored disks; file 7 lost its header block.
// Met before the current copy: an older copy (block 5) and a newer one
// (block 6); met after: a higher wrap (block 9) and an older copy (file 1,
// block 3). Newer copies with a bad tail or checksum, a block 1 that is no
// file header, a block with no SCN outside file 1 and one past the size its
// file header gives are not kept. With a
// 512-byte scan unit, a block 512 bytes into an AU and one across two AUs
// are found.
TEST_P(DiskScanRebuild, NewestCopyOfEveryBlockBlankWhereAbsent)
{
    const auto [order, bs] = GetParam();
    AsmGroupFixture fx("diskscan");
    DiskScene scene(order, bs);
    scene.def.redundancy = 2;
    scene.def.disks.assign(3, AsmDiskDef{});
    zb::DatafileImage f1 = scene.datafile(1, 16);
    zb::DatafileImage f4 = scene.datafile(4, 40);
    zb::DatafileImage f7 = scene.datafile(7, 24);
    zb::FlmHeaderDef flm;
    flm.control.object_id = 18;
    f1.put(2, zb::make_flm_header_block(f1.cache_header(16, 2), flm, bs, order));
    for (ub4 n : {3u, 4u, 5u})
        f1.put(n, scene.data_block(f1, n, 18, 0x1000 + n, 1));
    f1.put(6, scene.data_block(f1, 6, 18, 0, 0));
    zb::AssmHeaderDef assm;
    assm.control.object_id = 5001;
    f4.put(2, zb::make_assm_header_block(f4.cache_header(35, 2), assm, bs, order));
    for (ub4 n : {3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 20u, 21u, 22u})
        f4.put(n, scene.data_block(f4, n, 5001, 0x2000 + n, 2));
    f4.put(23, scene.data_block(f4, 23, 5001, 0, 0));
    for (ub4 n : {9u, 20u})
        f7.put(n, scene.data_block(f7, n, 7001, 0x3000, 1));
    scene.add(f1);
    scene.add(f4);
    scene.add(f7, true);
    scene.files[1].expected.erase(23);
    scene.build();

    SceneFile& s4 = scene.files[1];
    scene.put(0, 1, 0, scene.data_block(f4, 5, 5001, 0x10, 2));
    zb::BlockImage newer6 = scene.data_block(f4, 6, 5002, 0x9000, 2);
    scene.put(0, 1, bs, newer6);
    s4.expected[6] = newer6.bytes();
    zb::BlockImage bad_tail = scene.data_block(f4, 7, 5002, 0x9000, 2);
    zb::damage_block(bad_tail, zb::Damage::bad_tail);
    scene.put(0, 1, 2 * bs, bad_tail);
    zb::BlockImage bad_sum = scene.data_block(f4, 8, 5002, 0x9000, 2);
    zb::damage_block(bad_sum, zb::Damage::bad_checksum);
    scene.put(0, 1, 3 * bs, bad_sum);
    zb::BlockImage not_header = scene.data_block(f4, 1, 5002, 0x9000, 2);
    scene.put(0, 1, 4 * bs, not_header);
    scene.put(1, 1, 4 * bs, scene.data_block(f4, 60, 5001, 0x9000, 2)); // past the header's 40 blocks
    zb::DatafileImage f9 = scene.datafile(9, 8);
    zb::DatafileImage f10 = scene.datafile(10, 8);
    zb::BlockImage at512 = scene.data_block(f9, 3, 9001, 0x500, 1);
    scene.put(1, 1, 512, at512);
    ub4 end = scene.image.disk_size;
    zb::BlockImage wrap9 = scene.data_block(f4, 9, 5003, 0x1, 3);
    scene.put(2, end, 0, wrap9);
    s4.expected[9] = wrap9.bytes();
    scene.put(2, end, bs, scene.data_block(f1, 3, 18, 0x20, 1));
    zb::BlockImage across = scene.data_block(f10, 2, 10001, 0x600, 1);
    scene.put(2, end, AU - bs / 2, across);

    fx.load_text(scene.disk_lines({2}), order);
    config_data.block_size = (int)bs;
    config_data.disk_scan_unit = 512;
    copy_str(config_data.asmfile_extract_path, sizeof(config_data.asmfile_extract_path), "rebuilt/");
    std::string out = run_scan(request_of(SCAN_ALL_GROUPS, SCAN_ALL_DISKS, TRUE, 0));
    EXPECT_NE(out.find("datafile 'rebuilt/4.dbf' rebuilt:"), std::string::npos) << out;

    for (const SceneFile& s : scene.files) {
        std::string text = read_file("rebuilt/" + std::to_string(s.rfile) + ".dbf");
        std::vector<ub1> got(text.begin(), text.end());
        ASSERT_EQ(got.size(), (size_t)(s.expected_blocks + 1) * bs) << "file " << s.rfile;
        std::vector<ub1> block0 = s.block0_kept ? scene.block_of(s.bytes, 0) : std::vector<ub1>(bs, 0);
        EXPECT_EQ(scene.block_of(got, 0), block0) << "file " << s.rfile;
        for (ub4 n = 1; n <= s.expected_blocks; n++) {
            auto it = s.expected.find(n);
            EXPECT_EQ(scene.block_of(got, n), it != s.expected.end() ? it->second : scene.blank(s, n))
                << "file " << s.rfile << " block " << n;
        }
    }
    std::string text9 = read_file("rebuilt/9.dbf"), text10 = read_file("rebuilt/10.dbf");
    EXPECT_EQ(scene.block_of(std::vector<ub1>(text9.begin(), text9.end()), 3), at512.bytes());
    EXPECT_EQ(scene.block_of(std::vector<ub1>(text10.begin(), text10.end()), 2), across.bytes());
    if (bs == 8192)
        EXPECT_GOLDEN("scan/asmblocks.zem", read_file("asmblocks.zem"));
}

INSTANTIATE_TEST_SUITE_P(OrdersAndSizes, DiskScanRebuild,
                         ::testing::Values(OrderAndSize{BO_LITTLE, 2048}, OrderAndSize{BO_BIG, 2048},
                                           OrderAndSize{BO_LITTLE, 8192}, OrderAndSize{BO_BIG, 8192}),
                         order_size_name);

// Two groups: a group filter rebuilds only that group's files; a disk filter
// and an AU limit list only blocks of that disk and of the first AUs.
TEST(DiskScanSelect, GroupDiskAndLimit)
{
    AsmGroupFixture fx("diskscan_select");
    DiskScene data(BO_LITTLE, 8192), fra(BO_LITTLE, 8192, "FRA");
    data.def.disks.assign(3, AsmDiskDef{});
    zb::DatafileImage f4 = data.datafile(4, 40), f12 = fra.datafile(12, 10);
    for (ub4 n = 2; n <= 40; n++)
        f4.put(n, data.data_block(f4, n, 5001, 0x100 + n, 1));
    f12.put(5, fra.data_block(f12, 5, 12001, 0x100, 1));
    data.add(f4);
    fra.add(f12);
    data.build();
    fra.build();
    fx.load_text(data.disk_lines() + fra.disk_lines(), BO_LITTLE);
    config_data.block_size = 8192;
    config_data.disk_scan_unit = 8192;
    copy_str(config_data.asmfile_extract_path, sizeof(config_data.asmfile_extract_path), "g2_");

    run_scan(request_of(2, SCAN_ALL_DISKS, TRUE, 0));
    struct stat st;
    EXPECT_EQ(stat("g2_12.dbf", &st), 0);
    EXPECT_NE(stat("g2_4.dbf", &st), 0);
    std::vector<std::vector<ub4>> rows = listing_rows();
    ASSERT_EQ(rows.size(), 1u);
    const ub4 au = fra.image.extents[256][0].au;
    EXPECT_EQ(rows[0], (std::vector<ub4>{12001, 6, 0x100, 1, 2, 0, au, 5 * 8192, (12u << 22) | 5}));

    run_scan(request_of(1, 1, FALSE, 0));
    rows = listing_rows();
    EXPECT_FALSE(rows.empty());
    for (const auto& row : rows)
        EXPECT_TRUE(row[4] == 1 && row[5] == 1) << row[4] << "," << row[5];

    const ub4 limit = data.image.extents[256][0].au + 1;
    run_scan(request_of(SCAN_ALL_GROUPS, SCAN_ALL_DISKS, FALSE, limit));
    rows = listing_rows();
    EXPECT_FALSE(rows.empty());
    for (const auto& row : rows)
        EXPECT_LT(row[6], limit);
}

// The command as a user meets it: wrong forms, a rebuild, files that are
// never overwritten (one that exists, one that is an ASM disk), a write that
// fails, force, and an output directory that cannot be made.
TEST(DiskScanCommand, Session)
{
    AsmGroupFixture fx("diskscan_cmd");
    DiskScene scene(BO_BIG, 4096);
    scene.def.disks.assign(2, AsmDiskDef{});
    for (ub4 rfile : {4u, 5u, 6u}) {
        zb::DatafileImage f = scene.datafile(rfile, 12);
        f.put(7, scene.data_block(f, 7, 100 + rfile, 0x77, 1));
        scene.add(f);
    }
    scene.build();
    write_file("asmdisk.txt", scene.disk_lines());
    write_file("config.txt", "block_size 4096\nbyte_order big\nasmfile_extract_path rebuilt\n");
    write_file("nodir.txt", "block_size 4096\nbyte_order big\nasmfile_extract_path no/such/dir\n");
    mkdir("rebuilt", 0755);
    ASSERT_EQ(symlink("../DATA_1.dsk", "rebuilt/5.dbf"), 0);
    ASSERT_EQ(symlink("/dev/full", "rebuilt/6.dbf"), 0);
    std::string disk1 = read_file("DATA_1.dsk");

    ZemRun run = run_zem_process(fx.path(),
                                 "scan disk group 0\nscan disk disk 1\nscan disk group 1 disk -1\n"
                                 "scan disk limit 0\nscan disk extract files\nscan disk group 1 group 1\nscan\n"
                                 "scan disk extract file\nscan disk extract file force\nload config nodir.txt\n"
                                 "scan disk group 1 disk 1 extract file limit 13\nexit\n",
                                 e2e_env(), 60);
    EXPECT_EQ(run.status, 0);
    EXPECT_GOLDEN("scan/scan_disk_session.txt", transcript_of(run.out));
    EXPECT_EQ(read_file("DATA_1.dsk"), disk1);
    EXPECT_EQ(read_file("rebuilt/4.dbf").size(), 13u * 4096);
}
