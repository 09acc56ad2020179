#include "base/rowid.h"
#include "convert/charset.h"
#include "convert_test_util.h"

namespace {

class CharText : public ConvertTest {
protected:
    // National and CLOB text from `from` into database character set `to`.
    void use_charsets(ub4 from, ub4 to)
    {
        config_data.ncharset_id = from;
        config_data.clob_charset_id = from;
        config_data.charset_id = to;
        init_iconv();
    }
};

using TextCheck = ConvertTest;

std::vector<ub1> text_bytes(const std::string& s)
{
    return std::vector<ub1>(s.begin(), s.end());
}

TEST_F(CharText, StoredBytesUpToFirstZero)
{
    EXPECT_EQ(convert_value(ORA_VARCHAR2, text_bytes("SCOTT")), "SCOTT");
    EXPECT_EQ(convert_value(ORA_CHAR, text_bytes(std::string("AB\0C", 4))), "AB");
    EXPECT_EQ(convert_value(ORA_LONG, text_bytes("")), "");
    std::string long_text(5000, 'x');
    EXPECT_EQ(convert_value(ORA_LONG, text_bytes(long_text)), long_text);
}

TEST_F(CharText, NationalTextIsConverted)
{
    use_charsets(2000, 871); // AL16UTF16 -> UTF8
    ASSERT_NE(cs_iconv, nullptr);
    // "A" U+4E2D in UCS-2BE.
    EXPECT_EQ(convert_value(ORA_VARCHAR2, hex_bytes("00 41 4E 2D"), 0, 0, 2), "A\xE4\xB8\xAD");
    EXPECT_EQ(convert_value(ORA_CHAR, hex_bytes("00 41 4E 2D"), 0, 0, 2), "A\xE4\xB8\xAD");
    // Form 1 is the database character set: bytes as stored.
    EXPECT_EQ(convert_value(ORA_VARCHAR2, hex_bytes("41 42"), 0, 0, 1), "AB");
    // An odd last byte cannot convert: the text is what came before it.
    EXPECT_EQ(convert_value(ORA_VARCHAR2, hex_bytes("00 41 00 42 00"), 0, 0, 2), "AB");
    // Long values take the allocated path.
    std::vector<ub1> many;
    for (int i = 0; i < 3000; i++) {
        many.push_back(0x4E);
        many.push_back(0x2D);
    }
    std::string converted = convert_value(ORA_VARCHAR2, many, 0, 0, 2);
    EXPECT_EQ(converted.size(), 9000u);
    EXPECT_EQ(converted.substr(8997), "\xE4\xB8\xAD");

    use_charsets(2000, 852); // AL16UTF16 -> ZHS16GBK
    EXPECT_EQ(convert_value(ORA_VARCHAR2, hex_bytes("4E 2D"), 0, 0, 2), "\xD6\xD0");
}

TEST_F(CharText, NationalTextWithoutConverterIsStored)
{
    use_charsets(0, 871); // no such character set: no converter
    ASSERT_EQ(cs_iconv, nullptr);
    EXPECT_EQ(convert_value(ORA_VARCHAR2, hex_bytes("41 00 42"), 0, 0, 2), "A");
}

TEST_F(CharText, ClobTextReportsBytesConsumed)
{
    use_charsets(2000, 871);
    ASSERT_NE(clob_iconv, nullptr);
    std::vector<ub1> b = hex_bytes("00 41 4E 2D 00");
    COL_DATA cd;
    init_col_data(&cd);
    cd.ora_type = ORA_CLOB;
    EXPECT_EQ(clob_to_char(b.data(), (ub4)b.size(), &cd, 1), 4u);
    EXPECT_EQ(col_value(cd), "A\xE4\xB8\xAD");
    // A second block replaces the text of the first.
    EXPECT_EQ(clob_to_char(b.data(), 2, &cd, 0), 2u);
    EXPECT_EQ(col_value(cd), "A");
    release_col_data(&cd);

    use_charsets(0, 871);
    init_col_data(&cd);
    EXPECT_EQ(clob_to_char(b.data(), (ub4)b.size(), &cd, 1), 0u);
    EXPECT_EQ(cd.is_null, 1);
    release_col_data(&cd);
}

TEST_F(CharText, RawIsUpperCaseHex)
{
    EXPECT_EQ(convert_hex(ORA_RAW, "00 0A FF"), "000AFF");
    EXPECT_EQ(convert_hex(ORA_LONG_RAW, ""), "");
    std::vector<ub1> many(1000, 0xAB);
    std::string expected;
    for (int k = 0; k < 1000; k++)
        expected += "AB";
    EXPECT_EQ(convert_value(ORA_LONG_RAW, many), expected);
}

TEST_F(CharText, RowidTexts)
{
    // Object 1, file 4, block 1, slot 0 -- block address (4 << 22) | 1.
    EXPECT_EQ(convert_hex(ORA_ROWID, "00 00 00 01 01 00 00 01 00 00"), "AAAAABAAEAAAAABAAA");
    // Object 0x12345, file 7, block 0x10203, slot 258.
    EXPECT_EQ(convert_hex(ORA_ROWID, "00 01 23 45 01 C1 02 03 01 02"), "AAASNFAAHAAAQIDAEC");
    EXPECT_EQ(convert_hex(ORA_ROWID, "01 00 00 01 00 05"), "AAAAAAAE.AAAB..AAF");
    EXPECT_EQ(convert_hex(ORA_ROWID, "01 00 00 01 00 05 00"), NULL_TEXT);
    EXPECT_EQ(convert_hex(ORA_ROWID, ""), NULL_TEXT);
}

TEST_F(CharText, CheckRowid)
{
    std::vector<ub1> good = hex_bytes("00 00 00 01 01 00 00 01 00 05");
    EXPECT_EQ(check_rowid(good.data(), 10), 1);
    std::vector<ub1> no_object = hex_bytes("00 00 00 00 01 00 00 01 00 05");
    EXPECT_EQ(check_rowid(no_object.data(), 10), 0);
    std::vector<ub1> high_row = hex_bytes("00 00 00 01 01 00 00 01 07 D0"); // row 2000
    EXPECT_EQ(check_rowid(high_row.data(), 10), 0);
    high_row[9] = 0xCF; // row 1999
    EXPECT_EQ(check_rowid(high_row.data(), 10), 1);
    std::vector<ub1> restricted = hex_bytes("01 00 00 01 00 05");
    EXPECT_EQ(check_rowid(restricted.data(), 6), 1);
    EXPECT_EQ(check_rowid(restricted.data(), 5), 0);
}

TEST_F(TextCheck, AsciiShareMustExceedRatio)
{
    EXPECT_EQ(check_ascii_chr(31), 0);
    EXPECT_EQ(check_ascii_chr(32), 1);
    EXPECT_EQ(check_ascii_chr(127), 1);
    EXPECT_EQ(check_ascii_chr(128), 0);
    std::vector<ub1> v(20, 'a');
    for (int i = 0; i < 3; i++)
        v[i] = 1;
    EXPECT_EQ(check_ascii_str(v.data(), 20), 0); // exactly 85 %
    v[0] = 'a';
    EXPECT_EQ(check_ascii_str(v.data(), 20), 1); // 90 %
    std::vector<ub1> seven = text_bytes("abcdef\x01");
    EXPECT_EQ(check_ascii_str(seven.data(), 7), 1); // 85.7 %
    EXPECT_EQ(check_ascii_str(seven.data(), 0), 0);
}

TEST_F(TextCheck, GbCharacters)
{
    const struct {
        const char* hex;
        int length;
    } cases[] = {{"41", 1}, {"1F", 0}, {"7F", 1}, {"B0 A1", 2}, {"FE FE", 2}, {"A1 A1", 2},
                 {"B0 41", 0}, {"A0 A1", 0}, {"FF A1", 0}, {"B0 FF", 0}, {"B0", 0}};
    for (const auto& c : cases) {
        std::vector<ub1> b = hex_bytes(c.hex);
        EXPECT_EQ(check_gb_chr(b.data(), (ub4)b.size()), c.length) << c.hex;
    }
    std::vector<ub1> chinese = hex_bytes("D6 D0 CE C4 41 42");
    EXPECT_EQ(check_gb_str(chinese.data(), (ub4)chinese.size()), 1);
    std::vector<ub1> binary = hex_bytes("D6 00 CE 01 41 80 90 02");
    EXPECT_EQ(check_gb_str(binary.data(), (ub4)binary.size()), 0);
    EXPECT_EQ(check_gb_str(binary.data(), 0), 0);
}

TEST_F(TextCheck, Utf8Decoding)
{
    const struct {
        const char* hex;
        int length;
        ub4 code;
    } cases[] = {
        {"41", 1, 0x41},
        {"C3 A9", 2, 0xE9},
        {"E4 B8 AD", 3, 0x4E2D},
        {"F0 9F 98 80", 4, 0x1F600},
        {"F8 88 80 80 80", 5, 0x200000},
        {"FC 84 80 80 80 80", 6, 0x4000000},
        {"FD BF BF BF BF BF", 6, 0x7FFFFFFF},
        {"C0 80", 0, 0},             // overlong
        {"C1 BF", 0, 0},             // overlong
        {"E0 80 80", 0, 0},          // overlong
        {"E0 9F BF", 0, 0},          // overlong
        {"F0 8F BF BF", 0, 0},       // overlong
        {"F8 87 BF BF BF", 0, 0},    // overlong
        {"FC 83 BF BF BF BF", 0, 0}, // overlong
        {"E4 B8", 0, 0},             // cut short
        {"E4 41 AD", 0, 0},          // not a continuation byte
        {"80", 0, 0},
        {"FE", 0, 0},
        {"FF", 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<ub1> b = hex_bytes(c.hex);
        ub4 code = 0;
        EXPECT_EQ(utf8_mbtowc(&code, b.data(), (ub4)b.size()), c.length) << c.hex;
        if (c.length > 0) {
            EXPECT_EQ(code, c.code) << c.hex;
        }
    }
}

TEST_F(TextCheck, Ucs2Decoding)
{
    ub4 code = 0;
    std::vector<ub1> b = hex_bytes("00 41");
    EXPECT_EQ(ucs2be_mbtowc(&code, b.data(), 2), 2);
    EXPECT_EQ(code, 0x41u);
    EXPECT_EQ(ucs2be_mbtowc(&code, b.data(), 1), 0);
    for (const char* surrogate : {"D8 00", "DB FF", "DC 00", "DF FF"}) {
        std::vector<ub1> s = hex_bytes(surrogate);
        EXPECT_EQ(ucs2be_mbtowc(&code, s.data(), 2), 0) << surrogate;
    }
    std::vector<ub1> after = hex_bytes("E0 00");
    EXPECT_EQ(ucs2be_mbtowc(&code, after.data(), 2), 2);
    EXPECT_EQ(code, 0xE000u);
}

TEST_F(TextCheck, WideStrings)
{
    std::vector<ub1> utf8 = text_bytes("\xE4\xB8\xAD\xE6\x96\x87 abc \xC3\xA9");
    EXPECT_EQ(check_utf8_str(utf8.data(), (ub4)utf8.size()), 1);
    std::vector<ub1> emoji = text_bytes("\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
    EXPECT_EQ(check_utf8_str(emoji.data(), (ub4)emoji.size()), 0);
    // Control characters decode but are not good.
    std::vector<ub1> controls = text_bytes("ab\x01\x02\x03\x04");
    EXPECT_EQ(check_utf8_str(controls.data(), (ub4)controls.size()), 0);
    EXPECT_EQ(check_utf8_str(utf8.data(), 0), 0);

    std::vector<ub1> utf16 = hex_bytes("4E 2D 65 87 00 41 00 42");
    EXPECT_EQ(check_utf16_str(utf16.data(), (ub4)utf16.size()), 1);
    std::vector<ub1> surrogates = hex_bytes("D8 3D DE 00 00 41");
    EXPECT_EQ(check_utf16_str(surrogates.data(), (ub4)surrogates.size()), 0);
    // A bad character only steps one byte, so the bytes after it are decoded
    // again: 10 10 (U+1010, not in GBK) is bad at every alignment.
    std::vector<ub1> mixed;
    for (int i = 0; i < 9; i++) {
        mixed.push_back(0x00);
        mixed.push_back(0x41);
    }
    mixed.push_back(0x10);
    mixed.push_back(0x10);
    EXPECT_EQ(check_utf16_str(mixed.data(), 20), 1); // 18 of 20
    EXPECT_EQ(check_utf16_str(mixed.data(), 19), 1); // 18 of 19
    mixed[16] = 0x10;
    mixed[17] = 0x10;
    EXPECT_EQ(check_utf16_str(mixed.data(), 20), 0); // 16 of 20
    // After a bad lead byte the next two bytes can still form a good one.
    std::vector<ub1> shifted = hex_bytes("D8 00 41");
    EXPECT_EQ(check_utf16_str(shifted.data(), 3), 0); // 2 of 3
    std::vector<ub1> resync = hex_bytes("D8 00 41 00 41 00 41 00 41 00 41 00 41 00 41");
    EXPECT_EQ(check_utf16_str(resync.data(), (ub4)resync.size()), 1); // 14 of 15
}

} // namespace
