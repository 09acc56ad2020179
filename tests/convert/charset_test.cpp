#include <gtest/gtest.h>

#include <cstring>

#include "base/config.h"
#include "convert/charset.h"

TEST(Charset, LookupsByNameAndId)
{
    charset_pair cs;
    get_charset_by_name(&cs, "zhs16gbk");
    EXPECT_EQ(cs.charset_id, 852u);
    EXPECT_STREQ(cs.code_name, "GBK");
    get_charset_by_name(&cs, "NOSUCH");
    EXPECT_EQ(cs.charset_id, 0u);
    EXPECT_STREQ(cs.charset_name, "");
    get_charset_by_id(&cs, 560);
    EXPECT_STREQ(cs.charset_name, "AR8MSWIN1256"); // the first of the two names wins
    get_charset_by_name(&cs, "AR8MSAWIN");
    EXPECT_EQ(cs.charset_id, 560u);
    get_charset_by_id(&cs, 12345);
    EXPECT_EQ(cs.charset_id, 0u);
}
TEST(Charset, ConvertersFromTheTableAndTheFallbackName)
{
    init_config_data();
    iconv_t cd = get_iconv(2000, 852);
    ASSERT_NE(cd, nullptr);
    char in[] = {0x00, 0x41, 0x4e, 0x2d}; // "A" and U+4E2D in UCS-2BE
    char out[8] = {};
    char* pin = in;
    char* pout = out;
    size_t inleft = sizeof(in), outleft = sizeof(out);
    ASSERT_NE(iconv(cd, &pin, &inleft, &pout, &outleft), (size_t)-1);
    EXPECT_EQ(std::string(out, sizeof(out) - outleft), "A\xd6\xd0");
    iconv_close(cd);

    EXPECT_EQ(get_iconv(178, 873), nullptr); // WE8MSWIN1252 has no iconv name and no fallback
    strcpy(config_data.iconv_code_name, "CP1252");
    cd = get_iconv(178, 873);
    EXPECT_NE(cd, nullptr);
    if (cd)
        iconv_close(cd);
    EXPECT_EQ(get_iconv(4242, 873), nullptr);
    init_config_data();
    EXPECT_NE(cs_iconv, nullptr);
    clean_iconv();
    EXPECT_EQ(cs_iconv, nullptr);
    EXPECT_EQ(clob_iconv, nullptr);
}
