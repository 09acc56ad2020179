#include <gtest/gtest.h>

#include <cstring>

#include "blocks/block_fixture.h"
#include "blocks/block_names.h"
#include "blocks/file_header.h"
#include "builder/file_blocks.h"

namespace {

struct LayoutCase {
    const char* name;
    uint8_t format;
    bool tru64;
    zb::NameLayout layout;
    uint16_t long_name_length;
    size_t tbs_at; // where the tablespace number lies in real files
};

const LayoutCase layout_cases[] = {
    {"v7", 0x01, false, zb::NameLayout::counted, 0, 332},
    {"v8counted", 0x02, false, zb::NameLayout::counted, 0, 244},
    {"v8len0", 0x02, false, zb::NameLayout::long_form, 0, 492},
    {"v8len31", 0x02, false, zb::NameLayout::long_form, 31, 492},
    {"v8tru64", 0x02, true, zb::NameLayout::counted, 0, 260},
    {"v10_62", 0x62, false, zb::NameLayout::counted, 0, 332},
    {"v10_82", 0x82, false, zb::NameLayout::counted, 0, 332},
    {"v10_a2", 0xa2, false, zb::NameLayout::counted, 0, 332},
    {"v11_c2", 0xc2, true, zb::NameLayout::counted, 0, 332},
    {"v12_e2", 0xe2, false, zb::NameLayout::counted, 0, 332},
};

zb::FileHeaderDef header_for(const LayoutCase& c)
{
    zb::FileHeaderDef s;
    s.cache.format = c.format;
    s.cache.rdba = 0x01c00001;
    s.tru64 = c.tru64;
    s.name_layout = c.layout;
    s.long_name_length = c.long_name_length;
    s.db_id = 0x89abcdef;
    s.db_name = "ORCLPROD";
    s.version = 0x0a200300;
    s.compat_version = 0x0a200000;
    s.control_seq = 0x01020304;
    s.file_size = 0x00123456;
    s.block_size = 8192;
    s.file_no = 0x0207;
    s.file_type = 3;
    s.root_dba = 0x00400179;
    s.creation_scn_base = 0x11223344;
    s.creation_scn_wrap = 0x5566;
    s.ts_name = "EXACTLY_THIRTY_CHARACTERS_LONG";
    s.ts_no = 0x00001234;
    s.rfile_no = 0x0000017f;
    return s;
}

} // namespace

using FileHeaderTest = BlockParserTest;

TEST_P(FileHeaderTest, EveryLayoutRoundTrips)
{
    for (const LayoutCase& c : layout_cases) {
        SCOPED_TRACE(c.name);
        config_data.is_tru64 = c.tru64;
        zb::FileHeaderDef s = header_for(c);
        zb::BlockImage b = zb::make_file_header_block(s, bs(), order());
        // The builder puts the fields where real files have them (the root
        // block address of Oracle 7 and Tru64 files at 112).
        EXPECT_EQ(b.u32(c.tbs_at), s.ts_no);
        EXPECT_EQ(memcmp(b.data() + c.tbs_at + 6, s.ts_name.data(), 30), 0);
        EXPECT_EQ(b.u32(c.format == 0x01 || c.tru64 ? 112 : 96), s.root_dba);
        BLOCK_HEADER bh;
        get_block_header(b.data(), &bh, bs());
        DATAFILE_HEADER h;
        ASSERT_TRUE(get_datafile_header(b.data(), &h, &bh, bs()));
        // Oracle 7 has no relative file numbers.
        EXPECT_EQ(fields(h.db_id, h.version, h.compat_version, h.control_seq, h.file_size, h.block_size, h.file_no,
                         h.file_type, h.root_dba, h.creation_scn_base, h.creation_scn_wrap, h.tbs_no, h.relative_fn),
                  fields(s.db_id, s.version, s.compat_version, s.control_seq, s.file_size, 8192, s.file_no, 3,
                         s.root_dba, s.creation_scn_base, s.creation_scn_wrap, s.ts_no,
                         c.format == 0x01 ? (ub4)s.file_no : s.rfile_no));
        EXPECT_STREQ(h.db_name, "ORCLPROD");
        EXPECT_STREQ(h.tbs_name, "EXACTLY_THIRTY_CHARACTERS_LONG");
        EXPECT_STREQ(get_file_type_name(h.file_type), "data file");
    }
}

TEST_P(FileHeaderTest, ShortNamesAreTerminated)
{
    zb::FileHeaderDef s = header_for(layout_cases[1]);
    s.ts_name = "SYSTEM";
    s.db_name = "DB";
    zb::BlockImage b = zb::make_file_header_block(s, bs(), order());
    BLOCK_HEADER bh;
    get_block_header(b.data(), &bh, bs());
    DATAFILE_HEADER h;
    get_datafile_header(b.data(), &h, &bh, bs());
    EXPECT_STREQ(h.tbs_name, "SYSTEM");
    EXPECT_STREQ(h.db_name, "DB");
}

TEST_P(FileHeaderTest, UnknownFormatOrOtherTypeGivesClearedRecord)
{
    zb::FileHeaderDef s = header_for(layout_cases[7]);
    zb::BlockImage b = zb::make_file_header_block(s, bs(), order());
    b.writer().u8(1, 0x03);
    BLOCK_HEADER bh;
    get_block_header(b.data(), &bh, bs());
    DATAFILE_HEADER h;
    memset(&h, 0x5a, sizeof(h));
    EXPECT_FALSE(get_datafile_header(b.data(), &h, &bh, bs()));
    EXPECT_EQ(h.file_no, 0);
    EXPECT_EQ(h.db_name[0], '\0');

    b.writer().u8(1, 0xa2);
    b.writer().u8(0, 16);
    get_block_header(b.data(), &bh, bs());
    EXPECT_FALSE(get_datafile_header(b.data(), &h, &bh, bs()));
    EXPECT_EQ(h.tbs_no, 0u);
}

INSTANTIATE_TEST_SUITE_P(Orders, FileHeaderTest, ::testing::ValuesIn(orders_and_sizes()), order_size_name);
