#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "convert_test_util.h"

namespace {

using FloatText = ConvertTest;

// The stored form, worked out from the value: sign bit flipped when clear,
// every bit inverted when set.
std::vector<ub1> stored_float(float value)
{
    ub4 bits;
    memcpy(&bits, &value, 4);
    bits = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
    return {(ub1)(bits >> 24), (ub1)(bits >> 16), (ub1)(bits >> 8), (ub1)bits};
}

std::vector<ub1> stored_double(double value)
{
    ub8 bits;
    memcpy(&bits, &value, 8);
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    std::vector<ub1> b;
    for (int i = 7; i >= 0; i--)
        b.push_back((ub1)(bits >> (8 * i)));
    return b;
}

std::string printf_text(double value)
{
    char text[400];
    snprintf(text, sizeof(text), "%.10f", value);
    return text;
}

TEST_F(FloatText, StoredValuesAndTheirTexts)
{
    const struct {
        ub1 type;
        std::vector<ub1> bytes;
        std::string text;
    } cases[] = {
        {ORA_BINARY_FLOAT, hex_bytes("BF C0 00 00"), "1.5000000000"},
        // -134.45 is stored with every bit inverted.
        {ORA_BINARY_FLOAT, hex_bytes("3C F9 8C CC"), "-134.4499969482"},
        {ORA_BINARY_FLOAT, stored_float(-0.0f), "-0.0000000000"},
        {ORA_BINARY_FLOAT, stored_float(INFINITY), "Inf"},
        {ORA_BINARY_FLOAT, stored_float(-INFINITY), "-Inf"},
        {ORA_BINARY_FLOAT, stored_float(NAN), "Nan"},
        {ORA_BINARY_FLOAT, stored_float(-FLT_TRUE_MIN), "-0.0000000000"},
        {ORA_BINARY_FLOAT, stored_float(FLT_MAX), "340282346638528859811704183484516925440.0000000000"},
        {ORA_BINARY_DOUBLE, stored_double(-134.45), "-134.4500000000"},
        {ORA_BINARY_DOUBLE, stored_double(-INFINITY), "-Inf"},
        {ORA_BINARY_DOUBLE, stored_double(NAN), "Nan"},
        {ORA_BINARY_DOUBLE, stored_double(DBL_MAX), printf_text(DBL_MAX)},
        {ORA_BINARY_DOUBLE, stored_double(-DBL_MAX), printf_text(-DBL_MAX)},
        {ORA_BINARY_DOUBLE, stored_double(DBL_TRUE_MIN), "0.0000000000"},
        // Halfway cases round to the even tenth decimal.
        {ORA_BINARY_DOUBLE, stored_double(std::ldexp(1.0, -11)), "0.0004882812"},
        {ORA_BINARY_DOUBLE, stored_double(std::ldexp(3.0, -11)), "0.0014648438"},
        // Wrong lengths give the empty text.
        {ORA_BINARY_FLOAT, hex_bytes("BF C0 00"), ""},
        {ORA_BINARY_DOUBLE, hex_bytes("BF C0 00 00"), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert_value(c.type, c.bytes), c.text) << testing::PrintToString(c.bytes);
}

TEST_F(FloatText, MatchesPrintfOverManyBitPatterns)
{
    std::mt19937_64 random(7);
    for (int i = 0; i < 60000; i++) {
        ub8 bits = random();
        // Also every exponent, with short and long mantissas.
        if (i % 4 == 0)
            bits = ((ub8)(i / 4 % 2047) << 52) | (bits >> (i % 52 + 12));
        double value;
        memcpy(&value, &bits, 8);
        if (!std::isfinite(value))
            continue;
        char out[FLOAT_TEXT_LEN];
        ub4 n = get_binary_double_text(value, out);
        ASSERT_EQ(std::string(out, n), printf_text(value)) << std::hex << bits;
    }
    for (int i = 0; i < 30000; i++) {
        ub4 bits = (ub4)random();
        float value;
        memcpy(&value, &bits, 4);
        if (!std::isfinite(value))
            continue;
        ASSERT_EQ(convert_value(ORA_BINARY_FLOAT, stored_float(value)), printf_text(value)) << std::hex << bits;
    }
}

TEST_F(FloatText, ChecksAcceptOnlyFiniteValuesOfTheirLength)
{
    for (float f : {0.0f, -0.0f, 1.5f, -134.45f, FLT_MAX, -FLT_TRUE_MIN, INFINITY, -INFINITY, NAN}) {
        std::vector<ub1> b = stored_float(f);
        EXPECT_EQ(check_binary_float(b.data(), 4), std::isfinite(f) ? 1 : 0) << f;
        EXPECT_EQ(check_binary_float(b.data(), 3), 0);
    }
    for (double d : {0.0, -1e300, DBL_MAX, DBL_TRUE_MIN, (double)INFINITY, (double)-INFINITY, (double)NAN}) {
        std::vector<ub1> b = stored_double(d);
        EXPECT_EQ(check_binary_double(b.data(), 8), std::isfinite(d) ? 1 : 0) << d;
        EXPECT_EQ(check_binary_double(b.data(), 4), 0);
    }
}

} // namespace
