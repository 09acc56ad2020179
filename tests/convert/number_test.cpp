#include <random>

#include "convert_test_util.h"

namespace {

using NumberText = ConvertTest;

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

// An exponent byte followed by `count` copies of one digit byte, and an
// optional terminator.
std::vector<ub1> repeated(ub1 exponent, ub1 digit, size_t count, bool terminated = false)
{
    std::vector<ub1> bytes(count + 1, digit);
    bytes[0] = exponent;
    if (terminated)
        bytes.push_back(102);
    return bytes;
}

// Stored forms, their text and whether check_number accepts them.
TEST_F(NumberText, StoredFormsTextsAndChecks)
{
    const struct {
        std::vector<ub1> bytes;
        std::string text;
        int valid;
    } cases[] = {
        {hex_bytes("80"), "0", 1},
        {hex_bytes("C1 02"), "1", 1},
        {hex_bytes("C2 02 03"), "102", 1},
        {hex_bytes("C1 0B"), "10", 1},
        {hex_bytes("C1 06 33"), "5.5", 1},
        {hex_bytes("3E 5F 66"), "-6", 1},
        {hex_bytes("C0 0B 0B"), "0.101", 1},
        {hex_bytes("C2 02"), "100", 1},
        {hex_bytes("BF 02"), "0.0001", 1},
        {hex_bytes("3E 60 66"), "-5", 1},
        {hex_bytes("FF 64"), "99" + std::string(124, '0'), 1},
        // 0x80 followed by digits is e = -65: 1E-130, 1E-129, -1E-130.
        {hex_bytes("80 02"), "0." + std::string(129, '0') + "1", 1},
        {hex_bytes("80 0B"), "0." + std::string(128, '0') + "1", 1},
        {hex_bytes("7F 64 66"), "-0." + std::string(129, '0') + "1", 1},
        // Twenty digit bytes: a negative one needs no terminator, and keeps
        // every digit with one.
        {repeated(0x3F, 0x44, 20), "-0." + std::string(40, '3'), 1},
        {repeated(0x3F, 0x44, 20, true), "-0." + std::string(40, '3'), 1},
        {repeated(0xC0, 0x22, 20), "0." + std::string(40, '3'), 1},
        {repeated(0x2A, 0x02, 20), "-" + std::string(40, '9') + "00", 1},
        {repeated(0xFF, 100, 20), std::string(40, '9') + std::string(86, '0'), 1},
        {repeated(0x00, 2, 20), "-" + std::string(40, '9') + std::string(86, '0'), 1},
        // The longest text: 21 digit bytes at e = -65.
        {repeated(0x7F, 90, 21), "-0." + std::string(128, '0') + std::string(42, '1'), 0},
        {hex_bytes("FF 65"), "~", 0},   // plus infinity
        {hex_bytes("00"), "-~", 0},     // minus infinity
        {hex_bytes("C1 02 01"), "1", 1}, // a stored zero pair at the end
        {hex_bytes("C0 01"), "0", 1},
        {hex_bytes("C1"), "", 0},        // exponent without digits
        {hex_bytes("3E 66"), "", 0},     // terminator without digits
        {{}, "", 0},
        {repeated(0xC1, 0x02, 22), "", 0}, // longer than 22 bytes
        // Digit bytes out of range still give a bounded text.
        {hex_bytes("C1 00"), "99", 0},
        {hex_bytes("C2 FF FF"), "5454", 0},
        {hex_bytes("C3 00"), "990000", 0},
        {hex_bytes("C0 FF 01"), "0.54", 0},
        {hex_bytes("C1 65"), "00", 0},
        {hex_bytes("3E 01 66"), "-00", 0},
        {hex_bytes("3E 67 66"), "-98", 0},
        {hex_bytes("3E 5F"), "-6", 0}, // short negative without its terminator
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(convert_value(ORA_NUMBER, c.bytes), c.text);
        EXPECT_LT(c.text.size(), NUMBER_TEXT_LEN);
        EXPECT_EQ(check_number(c.bytes.data(), (ub4)c.bytes.size()), c.valid);
    }
}

TEST_F(NumberText, EveryExponentAndDigitCount)
{
    std::mt19937 random(1234);
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
            }
}

} // namespace
