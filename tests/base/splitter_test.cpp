#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/splitter.h"

namespace {
LINE_ARRAY tokens;
SMALL_LINE_ARRAY fields;
} // namespace

TEST(Splitter, BlankSplittingDropsSeparatorsAndLineEnd)
{
    EXPECT_EQ(split_line(tokens, "  load \t config   x.txt \r\n"), 3);
    EXPECT_STREQ(tokens[0], "load");
    EXPECT_STREQ(tokens[1], "config");
    EXPECT_STREQ(tokens[2], "x.txt");
    EXPECT_EQ(split_line(tokens, " \t \r\n"), 0);
    EXPECT_EQ(split_line(tokens, ""), 0);
    EXPECT_EQ(split_line_small(fields, "\"a b\"\n"), 2); // no quoting
    EXPECT_STREQ(fields[0], "\"a");
}

TEST(Splitter, DelimitedKeepsEmptyFieldsAndBlanks)
{
    EXPECT_EQ(split_line_delimiter_small(fields, "|", "|"), 2);
    EXPECT_STREQ(fields[0], "");
    EXPECT_STREQ(fields[1], "");
    EXPECT_EQ(split_line_delimiter_small(fields, "1|2\r\n", "|"), 2);
    EXPECT_STREQ(fields[0], "1");
    EXPECT_STREQ(fields[1], "2");
    EXPECT_EQ(split_line_delimiter_small(fields, "a|b|\n", "|"), 3);
    EXPECT_STREQ(fields[2], "");
    EXPECT_EQ(split_line_delimiter_small(fields, "\n\r", ","), 0);
    EXPECT_EQ(split_line_delimiter(tokens, " a , b ", ","), 2);
    EXPECT_STREQ(tokens[0], " a ");
    EXPECT_EQ(split_line_delimiter(tokens, "x::y", "::"), 2); // multi-character delimiter
    EXPECT_STREQ(tokens[1], "y");
}

TEST(Splitter, UserObjectSplitsAtFirstDelimiterOnly)
{
    EXPECT_EQ(split_line_user_object(fields, "SCOTT.EMP.X", "."), 2);
    EXPECT_STREQ(fields[0], "SCOTT");
    EXPECT_STREQ(fields[1], "EMP.X");
    EXPECT_EQ(split_line_user_object(fields, "SCOTT.", "."), 1);
    EXPECT_STREQ(fields[0], "SCOTT");
    EXPECT_EQ(split_line_user_object(fields, "EMP", "."), 1);
}

// Over-long fields are cut to the slot and extra fields dropped; the caller is
// told so it can refuse the line. Nothing is written past the arrays (ASan).
TEST(Splitter, OverflowIsCutAndReported)
{
    bool overflow = false;
    std::string token49(49, 'a');
    EXPECT_EQ(split_line(tokens, ("x " + token49).c_str(), &overflow), 2);
    EXPECT_FALSE(overflow);
    EXPECT_EQ(std::string(tokens[1]), token49); // a 49-character token is stored whole

    std::string token60(60, 'b');
    EXPECT_EQ(split_line(tokens, token60.c_str(), &overflow), 1);
    EXPECT_TRUE(overflow);
    EXPECT_EQ(strlen(tokens[0]), 49u);

    std::string many;
    for (int i = 0; i < 1200; i++)
        many += "t ";
    EXPECT_EQ(split_line(tokens, many.c_str(), &overflow), CMD_MAX_LINES);
    EXPECT_TRUE(overflow);

    std::string wide(1000, 'c');
    EXPECT_EQ(split_line_delimiter_small(fields, (wide + "," + wide).c_str(), ",", &overflow), 2);
    EXPECT_TRUE(overflow);
    EXPECT_EQ(strlen(fields[1]), (size_t)SMALL_LINE_MAX_SIZE - 1);

    std::string commas(100, ',');
    EXPECT_EQ(split_line_delimiter_small(fields, commas.c_str(), ",", &overflow), SMALL_MAX_LINES);
    EXPECT_TRUE(overflow);
}
