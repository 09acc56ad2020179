#include <random>

#include "convert_test_util.h"

namespace {

class NumberText : public ZoneTest {};
INSTANTIATE_ZONE_TESTS(NumberText);

std::string number_text(const std::string& hex)
{
    return convert_hex(ORA_NUMBER, hex);
}

// Stored bytes of a number from its sign, base-100 exponent and pairs.
std::vector<ub1> encode_number(bool negative, int e, const std::vector<int>& pairs)
{
    std::vector<ub1> bytes;
    bytes.push_back((ub1)(negative ? 62 - e : 193 + e));
    for (int p : pairs)
        bytes.push_back((ub1)(negative ? 101 - p : p + 1));
    if (negative && pairs.size() < 20)
        bytes.push_back(102);
    return bytes;
}

// The decimal text worked out another way: all pair digits in a row, the
// point 2 * (e + 1) digits from their start.
std::string expected_text(bool negative, int e, const std::vector<int>& pairs)
{
    std::string digits;
    for (int p : pairs) {
        digits += (char)('0' + p / 10);
        digits += (char)('0' + p % 10);
    }
    long point = 2L * (e + 1);
    std::string whole, fraction;
    if (point >= (long)digits.size()) {
        whole = digits + std::string(point - digits.size(), '0');
    } else if (point <= 0) {
        whole = "0";
        fraction = std::string(-point, '0') + digits;
    } else {
        whole = digits.substr(0, point);
        fraction = digits.substr(point);
    }
    while (whole.size() > 1 && whole[0] == '0')
        whole.erase(0, 1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return (negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

TEST_P(NumberText, ReferenceValues)
{
    EXPECT_EQ(number_text("80"), "0");
    EXPECT_EQ(number_text("C1 02"), "1");
    EXPECT_EQ(number_text("C2 02 03"), "102");
    EXPECT_EQ(number_text("C1 0B"), "10");
    EXPECT_EQ(number_text("C1 02 33"), "1.5");
    EXPECT_EQ(number_text("3E 5F 66"), "-6");
    EXPECT_EQ(number_text("C0 0B 0B"), "0.101");
    EXPECT_EQ(number_text("C1 06"), "5");
    EXPECT_EQ(number_text("C1 06 33"), "5.5");
    EXPECT_EQ(number_text("C2 02"), "100");
    EXPECT_EQ(number_text("C0 0B"), "0.1");
    EXPECT_EQ(number_text("3E 60 66"), "-5");
    EXPECT_EQ(number_text("BF 02"), "0.0001");
}

TEST_P(NumberText, TwentyDigitNegativeHasNoTerminator)
{
    // -1/3: exponent byte 3F and twenty digit bytes 0x44 (pair 33), no 102.
    std::vector<ub1> bytes = hex_bytes("3F");
    bytes.insert(bytes.end(), 20, 0x44);
    EXPECT_EQ(convert_value(ORA_NUMBER, bytes), "-0." + std::string(40, '3'));
    EXPECT_EQ(check_number(bytes.data(), (ub4)bytes.size()), 1);

    // +1/3 and a 20-digit negative integer keep every digit too.
    std::vector<ub1> third = hex_bytes("C0");
    third.insert(third.end(), 20, 0x22);
    EXPECT_EQ(convert_value(ORA_NUMBER, third), "0." + std::string(40, '3'));
    std::vector<ub1> big_negative = hex_bytes("2A"); // e = 20
    big_negative.insert(big_negative.end(), 20, 0x02);
    EXPECT_EQ(convert_value(ORA_NUMBER, big_negative), "-" + std::string(40, '9') + "00");
    EXPECT_EQ(check_number(big_negative.data(), (ub4)big_negative.size()), 1);

    // With the terminator as 21st byte, the twenty digits are kept as well.
    bytes.push_back(102);
    EXPECT_EQ(convert_value(ORA_NUMBER, bytes), "-0." + std::string(40, '3'));
    EXPECT_EQ(check_number(bytes.data(), (ub4)bytes.size()), 1);
}

TEST_P(NumberText, ExponentByte80WithDigitsIsTinyNumber)
{
    EXPECT_EQ(number_text("80 02"), "0." + std::string(129, '0') + "1"); // 1E-130
    EXPECT_EQ(number_text("80 0B"), "0." + std::string(128, '0') + "1"); // 1E-129
    std::vector<ub1> bytes = hex_bytes("80 02");
    EXPECT_EQ(check_number(bytes.data(), 2), 1);
    // -1E-130: exponent byte 7F, pair 01 stored as 100, terminator.
    EXPECT_EQ(number_text("7F 64 66"), "-0." + std::string(129, '0') + "1");
}

TEST_P(NumberText, LargestMagnitudes)
{
    std::vector<ub1> largest = hex_bytes("FF");
    largest.insert(largest.end(), 20, 100); // twenty 99 pairs at e = 62
    EXPECT_EQ(convert_value(ORA_NUMBER, largest), std::string(40, '9') + std::string(86, '0'));
    EXPECT_EQ(check_number(largest.data(), (ub4)largest.size()), 1);

    std::vector<ub1> most_negative = hex_bytes("00");
    most_negative.insert(most_negative.end(), 20, 2);
    EXPECT_EQ(convert_value(ORA_NUMBER, most_negative), "-" + std::string(40, '9') + std::string(86, '0'));
    EXPECT_EQ(check_number(most_negative.data(), (ub4)most_negative.size()), 1);

    // The longest text: 21 digit bytes at e = -65.
    std::vector<ub1> longest = hex_bytes("7F");
    longest.insert(longest.end(), 21, 90);
    std::string text = convert_value(ORA_NUMBER, longest);
    EXPECT_EQ(text, "-0." + std::string(128, '0') + std::string(42, '1'));
    EXPECT_LT(text.size(), NUMBER_TEXT_LEN);
}

TEST_P(NumberText, EveryExponentAndDigitCount)
{
    std::mt19937 random(1234);
    int checked = 0;
    for (int negative = 0; negative < 2; negative++)
        for (int e = -65; e <= 62; e++)
            for (int cnt = 1; cnt <= 20; cnt++) {
                std::vector<int> pairs;
                for (int i = 0; i < cnt; i++)
                    pairs.push_back((i == 0 || i == cnt - 1) ? 1 + (int)(random() % 99) : (int)(random() % 100));
                std::vector<ub1> bytes = encode_number(negative, e, pairs);
                ASSERT_EQ(convert_value(ORA_NUMBER, bytes), expected_text(negative, e, pairs))
                    << "negative " << negative << " e " << e << " digits " << cnt;
                ASSERT_EQ(check_number(bytes.data(), (ub4)bytes.size()), 1);
                checked++;
            }
    EXPECT_EQ(checked, 2 * 128 * 20);
}

TEST_P(NumberText, UnusualStoredForms)
{
    EXPECT_EQ(number_text("FF 65"), "~");   // plus infinity
    EXPECT_EQ(number_text("00"), "-~");     // minus infinity
    EXPECT_EQ(number_text("C1 02 01"), "1"); // a stored zero pair at the end
    EXPECT_EQ(number_text("C0 01"), "0");
    EXPECT_EQ(number_text("C1"), "");        // no digits at all
    EXPECT_EQ(number_text(""), "");
    std::vector<ub1> too_long(23, 0xC1);
    EXPECT_EQ(convert_value(ORA_NUMBER, too_long), "");
    // Digit bytes out of range still give a bounded text.
    EXPECT_EQ(number_text("C1 00"), "99");
    EXPECT_EQ(number_text("C2 FF FF"), "5454");
}

TEST_P(NumberText, CheckNumberRejectsImpossibleBytes)
{
    const char* bad[] = {
        "",               // empty
        "80 00",          // digit byte 0
        "C1 65",          // positive digit 101
        "C1 00",          // positive digit 0
        "3E 01 66",       // negative digit 1
        "3E 67 66",       // negative digit 102 before the terminator
        "3E 5F",          // negative, short, no terminator
        "C1",             // exponent without digits
        "3E 66",          // terminator without digits
        "00",             // minus infinity
        "FF 65",          // plus infinity
    };
    for (const char* hex : bad) {
        std::vector<ub1> bytes = hex_bytes(hex);
        EXPECT_EQ(check_number(bytes.data(), (ub4)bytes.size()), 0) << hex;
    }
    std::vector<ub1> too_long(23, 0x02);
    too_long[0] = 0xC1;
    EXPECT_EQ(check_number(too_long.data(), (ub4)too_long.size()), 0);
    const char* good[] = {"80", "C1 02", "3E 5F 66", "C0 0B 0B", "FF 64", "80 02"};
    for (const char* hex : good) {
        std::vector<ub1> bytes = hex_bytes(hex);
        EXPECT_EQ(check_number(bytes.data(), (ub4)bytes.size()), 1) << hex;
    }
}

} // namespace
