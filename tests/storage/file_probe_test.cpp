// Telling datafiles and ASM disks by their first bytes: every header layout,
// both byte orders, block sizes from 2 to 32 KiB, bytes in front of block 0,
// a lost block 0 or block 1.
#include <gtest/gtest.h>

#include <string>

#include "builder/asm_builder.h"
#include "builder/datafile_image.h"
#include "storage/file_probe.h"
#include "support/capture.h"
#include "support/order_and_size.h"
#include "support/process.h"

namespace {

struct ProbeCase {
    const char* name;
    uint8_t format;
    bool tru64;
    zb::NameLayout layout;
    uint32_t header_offset;
    bool big_file;
};

const ProbeCase probe_cases[] = {
    {"v10", 0xa2, false, zb::NameLayout::counted, 0, false},
    {"v10_offset", 0xa2, false, zb::NameLayout::counted, 4096, false},
    {"v10_big_file", 0xc2, false, zb::NameLayout::counted, 0, true},
    {"v10_tru64", 0xe2, true, zb::NameLayout::counted, 0, false},
    {"v8_counted", 0x02, false, zb::NameLayout::counted, 0, false},
    {"v8_long", 0x02, false, zb::NameLayout::long_form, 0, false},
    {"v8_tru64", 0x02, true, zb::NameLayout::counted, 65536, false},
    {"v7", 0x01, false, zb::NameLayout::counted, 0, false},
};

std::string write_case(const ProbeCase& c, int order, uint32_t block_size)
{
    zb::DatafileDef d;
    d.block_size = block_size;
    d.order = order;
    d.format = c.format;
    d.tru64 = c.tru64;
    d.header_offset = c.header_offset;
    d.ts_no = 6;
    d.file_no = 9;
    d.rfile_no = c.big_file ? 1024 : 9;
    d.big_file = c.big_file;
    d.blocks = 40;
    zb::DatafileImage image(d);
    image.header().name_layout = c.layout;
    image.header().ts_name = "ARCHIVE";
    image.header().checkpoint_scn = 0x000212345678ull;
    image.write("probe.dbf");
    return read_file("probe.dbf");
}

int probe(const std::string& bytes, FILE_PROBE* result)
{
    return probe_file_head((const ub1*)bytes.data(), bytes.size(), result);
}

} // namespace

class FileProbeTest : public ::testing::TestWithParam<OrderAndSize> {
protected:
    ScopedWorkDir dir_{"probe"};
};

TEST_P(FileProbeTest, DatafilesOfEveryLayoutAreRecognised)
{
    auto [order, block_size] = GetParam();
    for (const ProbeCase& c : probe_cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = write_case(c, order, block_size);
        FILE_PROBE p;
        ASSERT_EQ(probe(bytes, &p), PK_DATAFILE);
        const DATAFILE_PROBE& d = p.datafile;
        EXPECT_EQ(d.byte_order, order);
        EXPECT_EQ(d.block_size, block_size);
        EXPECT_EQ(d.header_offset, c.header_offset);
        EXPECT_EQ(d.is_tru64, c.tru64 ? 1 : 0);
        EXPECT_EQ(d.block_format, c.format);
        EXPECT_EQ(d.header.tbs_no, 6u);
        EXPECT_EQ(d.header.file_no, 9u);
        EXPECT_EQ(d.header.relative_fn, c.big_file ? 1024u : 9u);
        EXPECT_STREQ(d.header.tbs_name, "ARCHIVE");
        EXPECT_EQ(d.header.file_size, 40u);
        EXPECT_EQ(d.header.file_type, FILETYPE_DATA);
        EXPECT_EQ(d.checkpoint_scn, 0x000212345678ull);

        // Block 0 lost: found all the same by trying every size and order.
        if (c.header_offset == 0) {
            std::string no_block0 = bytes;
            no_block0.replace(0, block_size, block_size, '\0');
            ASSERT_EQ(probe(no_block0, &p), PK_DATAFILE);
            EXPECT_EQ(p.datafile.block_size, block_size);
            EXPECT_EQ(p.datafile.byte_order, order);
        }
        // Block 1 lost: block 0 still says what the file was.
        std::string no_header = bytes;
        no_header.replace(c.header_offset + block_size, block_size, block_size, '\0');
        ASSERT_EQ(probe(no_header, &p), PK_NO_FILE_HEADER);
        EXPECT_EQ(p.os_block.block_size, block_size);
        EXPECT_EQ(p.os_block.byte_order, order);
        EXPECT_EQ(p.os_block_offset, c.header_offset);
    }
}

TEST_P(FileProbeTest, AsmDisksAndOtherFiles)
{
    auto [order, block_size] = GetParam();
    AsmGroupDef group;
    group.byte_order = order;
    group.au_size = 1u << 16;
    group.disks.resize(2);
    group.disks[1].header_offset = block_size;
    AsmGroupImage image = build_asm_group(group);
    for (ub4 disk = 0; disk < 2; disk++) {
        FILE_PROBE p;
        const std::vector<ub1>& bytes = image.disks[disk];
        ASSERT_EQ(probe_file_head(bytes.data(), bytes.size(), &p), PK_ASM_DISK);
        EXPECT_EQ(p.asm_disk.byte_order, order);
        EXPECT_EQ(p.asm_disk.header_offset, disk == 0 ? 0u : block_size);
        EXPECT_EQ(p.asm_disk.header.dsknum, disk);
        EXPECT_STREQ(p.asm_disk.header.grpname, "DATA");
        EXPECT_EQ(p.asm_disk.header.ausize, 1u << 16);
    }

    FILE_PROBE p;
    EXPECT_EQ(probe(std::string(3 * block_size, 'x'), &p), PK_UNKNOWN);
    EXPECT_EQ(probe("", &p), PK_UNKNOWN);
    // Only the start of a datafile: no block 1 to read.
    std::string bytes = write_case(probe_cases[0], order, block_size);
    EXPECT_EQ(probe(bytes.substr(0, block_size + 100), &p), PK_NO_FILE_HEADER);
}

INSTANTIATE_TEST_SUITE_P(OrdersAndSizes, FileProbeTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);
