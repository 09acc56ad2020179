#include <gtest/gtest.h>

#include <cstring>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/rdba.h"
#include "base/rowid.h"
#include "base/str_util.h"

namespace {

class ByteOrderTest : public ::testing::Test {
protected:
    void SetUp() override { init_config_data(); }
    void TearDown() override
    {
        init_config_data();
        free(bigfile_ts_array);
        bigfile_ts_array = nullptr;
    }
};

} // namespace

TEST_F(ByteOrderTest, ConfiguredOrderTakesEffectAtOnce)
{
    const ub1 bytes[] = {0x00, 0x00, 0x01, 0x02, 0xfe};
    config_data.byte_order = BO_BIG;
    EXPECT_EQ(get_ub4(bytes, 0), 258u);
    EXPECT_EQ(get_ub2(bytes, 2), 0x0102u);
    config_data.byte_order = BO_LITTLE;
    EXPECT_EQ(get_ub4(bytes, 0), 0x02010000u);
    EXPECT_EQ(get_ub2(bytes, 2), 0x0201u);
    EXPECT_EQ(get_ub1(bytes, 4), 0xfeu);

    ub1 out[8] = {};
    for (int order : {BO_LITTLE, BO_BIG}) {
        config_data.byte_order = order;
        set_ub4(out, 1, 0xdeadbeef);
        set_ub2(out, 5, 0x1234);
        EXPECT_EQ(get_ub4(out, 1), 0xdeadbeefu);
        EXPECT_EQ(get_ub2(out, 5), 0x1234u);
    }
    set_ub4_big(out, 0, 0x01020304);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(get_ub4_little(out, 0), 0x04030201u);
    set_ub4_little(out, 4, 0x05060708);
    ub8 wide = 0;
    get_ub8_big(out, 0, &wide);
    EXPECT_EQ(wide, 0x0102030408070605ull);
    set_ub2_little(out, 0, 0xabcd);
    EXPECT_EQ(get_ub2_big(out, 0), 0xcdabu);
}

TEST_F(ByteOrderTest, RdbaSplitAndBigFile)
{
    EXPECT_EQ(rdba_file_no(0x01000005, NO_TS), 4u);
    EXPECT_EQ(rdba_block_no(0x01000005, NO_TS), 5u);
    EXPECT_EQ(file_block_rdba(4, 5), 0x01000005u);
    EXPECT_EQ(file_block_rdba(1024, 5), 5u);

    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
    bigfile_ts_array[7] = 1;
    EXPECT_EQ(rdba_file_no(0x01000005, 7), BIG_FILE_RFN);
    EXPECT_EQ(rdba_block_no(0x01000005, 7), 0x01000005u);
    EXPECT_EQ(rdba_file_no(0x01000005, 6), 4u);
    EXPECT_EQ(rdba_file_no(0x01000005, 0x10000), 4u); // "no tablespace" is never big-file

    config_data.rdba_file_bits = 12;
    config_data.rdba_block_bits = 20;
    EXPECT_EQ(rdba_file_no(0x00300001, NO_TS), 3u);
    EXPECT_EQ(rdba_block_no(0x00300001, NO_TS), 1u);
    EXPECT_EQ(file_block_rdba(3, 1), 0x00300001u);
}

TEST(Rowid, EncodeDecodeAndRejects)
{
    char text[EXT_ROWID_STR_LEN + 1];
    encode_rowid(text, 1, 1, 1, 0);
    EXPECT_STREQ(text, "AAAAABAABAAAAABAAA");
    ub4 obj, blk;
    ub2 file, slot;
    ASSERT_EQ(decode_rowid("AAAR3sAAEAAAACXAAA", &obj, &file, &blk, &slot), 0);
    EXPECT_EQ(obj, 73196u);
    EXPECT_EQ(file, 4u);
    EXPECT_EQ(blk, 151u);
    EXPECT_EQ(slot, 0u);
    encode_rowid(text, obj, file, blk, 63);
    EXPECT_STREQ(text, "AAAR3sAAEAAAACXAA/");
    EXPECT_EQ(decode_rowid("AAAAABAABAAAAABAA", &obj, &file, &blk, &slot), -1);
    EXPECT_EQ(decode_rowid("AAAAABAABAAAAABAAAA", &obj, &file, &blk, &slot), -1);
    EXPECT_EQ(decode_rowid("AAAAABAABAAAA-BAAA", &obj, &file, &blk, &slot), -1);

    ub4 value = 0;
    EXPECT_EQ(decode_base64("/+9za", 5, &value), 0);
    char digits[6] = {};
    encode_base64(digits, 5, value);
    EXPECT_STREQ(digits, "/+9za");
    encode_base64(digits, 2, 64 * 64 + 65); // higher bits dropped
    EXPECT_EQ(std::string(digits, 2), "BB");

    char short_text[EXT_ROWID_STR_LEN + 1];
    memset(short_text, 'x', sizeof(short_text));
    encode_short_rowid(short_text, 5, 0x1000010, 2);
    EXPECT_EQ(strlen(short_text), 18u);
    EXPECT_EQ(std::string(short_text, 8), "AAAAAAAF");
    EXPECT_EQ(short_text[8], '.');
    EXPECT_EQ(std::string(short_text + 9, 4), "AAAQ"); // low 24 bits of the block
    EXPECT_EQ(std::string(short_text + 15, 3), "AAC");
}

TEST(StrUtil, NumbersHexAndCompare)
{
    ub4 v = 99;
    EXPECT_EQ(base10_16_to_num("ff", &v), 1);
    EXPECT_EQ(v, 255u);
    EXPECT_EQ(base10_16_to_num("10", &v), 1);
    EXPECT_EQ(v, 10u);
    EXPECT_EQ(base10_16_to_num("0X1f", &v), 1);
    EXPECT_EQ(v, 31u);
    EXPECT_EQ(base10_16_to_num("", &v), 1);
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(base10_16_to_num("0x", &v), 0);
    EXPECT_EQ(base10_16_to_num("12g", &v), 0);
    EXPECT_EQ(base10_16_to_num("-1", &v), 0);
    EXPECT_EQ(base10_16_to_num("4294967296", &v), 1); // unsigned 32-bit wrap
    EXPECT_EQ(v, 0u);

    EXPECT_EQ(hex_char_to_num('B'), 11);
    EXPECT_EQ(hex_char_to_num('z'), 0);
    EXPECT_TRUE(has_hex_prefix_str("0x"));
    EXPECT_FALSE(has_hex_prefix_str("0"));
    EXPECT_TRUE(is_hex_str(""));
    EXPECT_FALSE(is_hex_str("0x1"));

    char out[32];
    EXPECT_STREQ(trim_str(" \t a b \r\n", out), "a b");
    EXPECT_STREQ(trim_str(" \t\r\n", out), "");
    EXPECT_EQ(mem_cmp("ab", "abc", 2, 3), -1);
    EXPECT_EQ(mem_cmp("abc", "ab", 3, 2), 1);
    EXPECT_EQ(mem_cmp("ab", "ab", 2, 2), 0);
    EXPECT_EQ(mem_cmp("\x80", "\x7f", 1, 1), 1); // unsigned bytes
    EXPECT_STREQ(ltoa(-42, out, 16), "-42");

    char small[4];
    EXPECT_FALSE(copy_str(small, sizeof(small), "abcdef"));
    EXPECT_STREQ(small, "abc");
}
