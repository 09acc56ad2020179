// The one-pass conversions of the commonest types (NUMBER, DATE, VARCHAR2 and
// CHAR: checked and converted together, written straight into the value)
// against the plain forms on many values, valid and not: texts worked out
// digit by digit here, the validators' rules restated, and the general
// dispatch (check_col_data, then raw_to_data_char) for raw_to_data_with_check.

#include <random>

#include "base/trace.h"
#include "convert_test_util.h"

namespace {

// Two digits of n taken modulo 100, as the pair table gives them.
std::string two_digits(int n)
{
    n %= 100;
    if (n < 0)
        n += 100;
    return std::string(1, (char)('0' + n / 10)) + (char)('0' + n % 10);
}

// The NUMBER text digit by digit: the counter k runs from the exponent down,
// the point comes where k reaches -1, zeros pad an integer part that is not
// stored and a fraction loses its trailing zeros. Digit bytes out of range
// still give a text (their pairs taken modulo 100).
std::string reference_number_text(const std::vector<ub1>& d)
{
    size_t length = d.size();
    if (length == 0 || length > 22)
        return "";
    ub1 first = d[0];
    if (length == 1 && first == 0x80)
        return "0";
    if (length == 1 && first == 0x00)
        return "-~";
    if (length == 2 && first == 0xFF && d[1] == 0x65)
        return "~";
    bool positive = first >= 128;
    int e = positive ? first - 193 : 62 - first;
    size_t cnt = length - 1;
    if (!positive && cnt > 0 && d[length - 1] == 102)
        cnt--;
    if (e < -65 || e > 62 || cnt == 0)
        return "";
    std::string t = positive ? "" : "-";
    int k = e;
    for (size_t i = 0; i < cnt; i++) {
        int pair = positive ? d[1 + i] - 1 : 101 - d[1 + i];
        if (k == -1 && e >= 0)
            t += '.';
        if (i == 0 && e < 0)
            t += "0." + std::string(2 * -e - 2, '0');
        if (i == 0 && e >= 0 && pair >= 0 && pair < 10)
            t += (char)('0' + pair);
        else
            t += two_digits(pair);
        k--;
    }
    if (k >= 0) {
        t += std::string(2 * k + 2, '0');
    } else if (k < -1) {
        while (!t.empty() && t.back() == '0')
            t.pop_back();
        if (!t.empty() && t.back() == '.')
            t.pop_back();
    }
    return t;
}

bool reference_check_number(const std::vector<ub1>& d)
{
    size_t length = d.size();
    if (length == 0 || length > 22)
        return false;
    if (d[0] == 0x80 && length == 1)
        return true;
    bool positive = d[0] >= 128;
    int e = positive ? d[0] - 193 : 62 - d[0];
    if (e < -65 || e > 62)
        return false;
    size_t cnt = length - 1;
    bool terminated = !positive && cnt > 0 && d[length - 1] == 102;
    if (terminated)
        cnt--;
    if (cnt == 0 || (!positive && !terminated && cnt != 20))
        return false;
    for (size_t i = 1; i <= cnt; i++)
        if (positive ? (d[i] < 1 || d[i] > 100) : (d[i] < 2 || d[i] > 101))
            return false;
    return true;
}

bool reference_check_date(const std::vector<ub1>& d)
{
    if (d.size() < 7)
        return false;
    return d[0] >= 100 && d[0] <= 199 && d[1] >= 100 && d[1] <= 199 && d[2] >= 1 && d[2] <= 12 && d[3] >= 1 &&
           d[3] <= 31 && d[4] >= 1 && d[4] <= 24 && d[5] >= 1 && d[5] <= 60 && d[6] >= 1 && d[6] <= 60;
}

std::string reference_date_text(const std::vector<ub1>& d)
{
    if (d.size() != 7 || !reference_check_date(d))
        return "";
    char text[32];
    snprintf(text, sizeof(text), "%02d%02d-%02d-%02d %02d:%02d:%02d", d[0] - 100, d[1] - 100, d[2], d[3], d[4] - 1,
             d[5] - 1, d[6] - 1);
    return text;
}

// Stored numbers of every shape: valid ones of any sign, exponent and length,
// and the same with one byte changed, cut short or made longer.
std::vector<ub1> random_number(std::mt19937& random)
{
    std::vector<ub1> d;
    switch (random() % 4) {
    case 0: { // valid
        bool negative = random() % 2;
        int e = -65 + (int)(random() % 128);
        int cnt = 1 + (int)(random() % 20);
        d.push_back((ub1)(negative ? 62 - e : 193 + e));
        for (int i = 0; i < cnt; i++) {
            int pair = (int)(random() % 100);
            d.push_back((ub1)(negative ? 101 - pair : pair + 1));
        }
        if (negative && cnt < 20)
            d.push_back(102);
        break;
    }
    case 1: { // small values, the usual case
        bool negative = random() % 4 == 0;
        int e = (int)(random() % 6) - 1;
        int cnt = 1 + (int)(random() % 5);
        d.push_back((ub1)(negative ? 62 - e : 193 + e));
        for (int i = 0; i < cnt; i++) {
            int pair = (i == 0 || i == cnt - 1) ? 1 + (int)(random() % 99) : (int)(random() % 100);
            d.push_back((ub1)(negative ? 101 - pair : pair + 1));
        }
        if (negative)
            d.push_back(102);
        break;
    }
    case 2: { // anything
        size_t length = random() % 24;
        for (size_t i = 0; i < length; i++)
            d.push_back((ub1)random());
        break;
    }
    default: { // a valid one damaged
        d = {0xC3, 0x0D, 0x23, 0x39};
        if (random() % 2)
            d = {0x3C, 0x59, 0x43, 0x2D, 0x66};
        size_t at = random() % d.size();
        d[at] = (ub1)random();
        if (random() % 4 == 0)
            d.pop_back();
        if (random() % 4 == 0)
            d.push_back((ub1)random());
        break;
    }
    }
    return d;
}

std::vector<ub1> random_date(std::mt19937& random)
{
    std::vector<ub1> d;
    if (random() % 4 == 0) {
        size_t length = random() % 12;
        for (size_t i = 0; i < length; i++)
            d.push_back((ub1)random());
        return d;
    }
    // Each field near or inside its range.
    const int low[] = {100, 100, 1, 1, 1, 1, 1};
    const int high[] = {199, 199, 12, 31, 24, 60, 60};
    for (int i = 0; i < 7; i++)
        d.push_back((ub1)(low[i] - 2 + (int)(random() % (high[i] - low[i] + 5))));
    return d;
}

// The converted value as the writer sees it, or NULL_TEXT; the value must
// be a terminated text when it is one.
std::string value_of(const COL_DATA& cd)
{
    std::string value = col_value(cd);
    if (!cd.is_null && cd.common_data.data != nullptr) {
        EXPECT_EQ(cd.common_data.str_data[cd.data_len], '\0');
    }
    return value;
}

// Runs a conversion on a COL_DATA holding an earlier value of `earlier_len`
// bytes (inline or allocated), so that dropping it is exercised too.
template <typename F>
std::string convert_over(ub1 ora_type, size_t earlier_len, F convert, int* result = nullptr)
{
    COL_DATA cd;
    init_col_data(&cd);
    cd.ora_type = ora_type;
    std::string earlier(earlier_len, 'e');
    set_col_text(&cd, earlier.c_str(), (ub4)earlier_len);
    int r = convert(&cd);
    if (result != nullptr)
        *result = r;
    std::string value = value_of(cd);
    release_col_data(&cd);
    return value;
}

class OnePass : public ZoneTest {};
INSTANTIATE_ZONE_TESTS(OnePass);

TEST_P(OnePass, NumbersAgreeWithTheDigitByDigitText)
{
    std::mt19937 random(4321);
    int plausible = 0;
    for (int n = 0; n < 60000; n++) {
        std::vector<ub1> d = random_number(random);
        // The bytes alone in a buffer of their length: reading past them
        // trips AddressSanitizer.
        std::vector<ub1> exact(d);
        const ub1* bytes = exact.data();
        ub4 length = (ub4)exact.size();
        std::string expected = reference_number_text(d);
        bool valid = reference_check_number(d);
        plausible += valid;

        char out[NUMBER_TEXT_LEN];
        ASSERT_EQ(get_number_text(bytes, length, out), expected.size());
        ASSERT_EQ(std::string(out), expected);
        ASSERT_EQ(check_number(bytes, length), valid ? 1 : 0);
        size_t earlier = random() % 2 ? 3 : 100;
        ASSERT_EQ(convert_over(ORA_NUMBER, earlier, [&](PCOL_DATA cd) {
                      raw_to_number(bytes, length, cd);
                      return 1;
                  }),
                  expected);
        for (int checking : {0, 1}) {
            int converted = -1;
            std::string value = convert_over(
                ORA_NUMBER, earlier, [&](PCOL_DATA cd) { return raw_to_number_checked(bytes, length, cd, checking); },
                &converted);
            ASSERT_EQ(converted, checking && !valid ? 0 : 1);
            if (converted) {
                ASSERT_EQ(value, expected);
            }
        }
    }
    EXPECT_GT(plausible, 20000);
}

TEST_P(OnePass, DatesAgreeWithThePrintedFields)
{
    std::mt19937 random(8765);
    int plausible = 0;
    for (int n = 0; n < 40000; n++) {
        std::vector<ub1> d = random_date(random);
        std::vector<ub1> exact(d);
        const ub1* bytes = exact.data();
        ub4 length = (ub4)exact.size();
        std::string expected = reference_date_text(d);
        bool valid = d.size() == 7 && reference_check_date(d);
        plausible += valid;
        ASSERT_EQ(check_date(bytes, length), reference_check_date(d) ? 1 : 0);
        char out[DATETIME_TEXT_LEN];
        ASSERT_EQ(std::string(out, get_date_text(bytes, length, out)), expected);
        size_t earlier = random() % 2 ? 3 : 100;
        ASSERT_EQ(convert_over(ORA_DATE, earlier, [&](PCOL_DATA cd) {
                      raw_to_date(bytes, length, cd);
                      return 1;
                  }),
                  expected);
        for (int checking : {0, 1}) {
            int converted = -1;
            std::string value = convert_over(
                ORA_DATE, earlier, [&](PCOL_DATA cd) { return raw_to_date_checked(bytes, length, cd, checking); },
                &converted);
            ASSERT_EQ(converted, checking && !valid ? 0 : 1);
            if (converted) {
                ASSERT_EQ(value, expected);
            }
        }
    }
    EXPECT_GT(plausible, 5000);
}

// raw_to_data_with_check as the general dispatch makes it: check_col_data
// when data checking is on, then raw_to_data_char, or a NULL when rejected.
int general_with_check(const ub1* data, ub4 length, PCOL_DATA cd, const COLUMN* column)
{
    if (config_data.db_block_checking && !check_col_data(data, length, cd, column)) {
        clear_col_value(cd);
        cd->is_null = 1;
        return 0;
    }
    raw_to_data_char(data, length, cd, column->precision, column->scale, column->charset_form);
    return 1;
}

TEST_P(OnePass, CheckedConversionMatchesTheGeneralDispatch)
{
    std::mt19937 random(2468);
    const ub1 types[] = {ORA_NUMBER, ORA_DATE, ORA_VARCHAR2, ORA_CHAR, ORA_VARCHAR2, ORA_CHAR, ORA_RAW};
    const ub4 forms[] = {1, 1, 1, 1, 2, 2, 1};
    for (int n = 0; n < 30000; n++) {
        int t = (int)(random() % 7);
        std::vector<ub1> d;
        if (types[t] == ORA_NUMBER) {
            d = random_number(random);
        } else if (types[t] == ORA_DATE) {
            d = random_date(random);
        } else {
            // Text with an occasional zero byte, of any length up to past 4000.
            size_t length = random() % 8 == 0 ? 3990 + random() % 20 : random() % 80;
            for (size_t i = 0; i < length; i++)
                d.push_back(random() % 50 == 0 ? 0 : (ub1)(32 + random() % 95));
        }
        COLUMN column;
        init_column(&column, "C", types[t], 1);
        column.charset_form = forms[t];
        column.length = random() % 3 == 0 ? 0 : (ub4)(random() % 100);
        config_data.db_block_checking = (ub1)(random() % 2);
        config_data.trace_level = TL_NO_TRACE;
        std::vector<ub1> exact(d);
        size_t earlier = random() % 2 ? 3 : 100;
        int one_pass = -1;
        int general = -1;
        std::string a = convert_over(
            types[t], earlier,
            [&](PCOL_DATA cd) { return raw_to_data_with_check(exact.data(), (ub4)exact.size(), cd, &column); },
            &one_pass);
        std::string b = convert_over(
            types[t], earlier,
            [&](PCOL_DATA cd) { return general_with_check(exact.data(), (ub4)exact.size(), cd, &column); },
            &general);
        ASSERT_EQ(one_pass, general) << "type " << (int)types[t] << " length " << d.size();
        ASSERT_EQ(a, b) << "type " << (int)types[t] << " length " << d.size();
    }
    init_config_data();
}

} // namespace
