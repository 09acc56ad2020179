// The one-pass conversions of the commonest types (NUMBER, DATE, VARCHAR2 and
// CHAR: checked and converted together, written straight into the value)
// against the plain forms on many values, valid and not: get_number_text,
// get_date_text and the validators, and the general dispatch (check_col_data,
// then raw_to_data_char) for raw_to_data_with_check.

#include <random>

#include "base/trace.h"
#include "convert_test_util.h"

namespace {

// Stored numbers of every shape: valid ones of any sign, exponent and length,
// and the same with one byte changed, cut short or made longer.
std::vector<ub1> random_number(std::mt19937& random)
{
    std::vector<ub1> d;
    switch (random() % 4) {
    case 0:   // valid, of any size
    case 1: { // small values, the usual case
        bool small = random() % 2;
        bool negative = random() % (small ? 4 : 2) == 0;
        int e = small ? (int)(random() % 6) - 1 : -65 + (int)(random() % 128);
        int cnt = 1 + (int)(random() % (small ? 5 : 20));
        d.push_back((ub1)(negative ? 62 - e : 193 + e));
        for (int i = 0; i < cnt; i++) {
            int pair = (int)(random() % 100);
            d.push_back((ub1)(negative ? 101 - pair : pair + 1));
        }
        if (negative && cnt < 20)
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
        d[random() % d.size()] = (ub1)random();
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

// Runs a conversion on a COL_DATA holding an earlier value of `earlier_len`
// bytes (inline or allocated), so that dropping it is exercised too. The
// value must be a terminated text when it is one.
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
    std::string value = col_value(cd);
    if (!cd.is_null && cd.common_data.data != nullptr) {
        EXPECT_EQ(cd.common_data.str_data[cd.data_len], '\0');
    }
    release_col_data(&cd);
    return value;
}

// Both one-pass forms of a type against its plain text and validator.
template <typename PLAIN, typename CONVERT, typename CHECKED>
void expect_one_pass(ub1 ora_type, const std::vector<ub1>& d, size_t earlier, PLAIN plain, int valid,
                     CONVERT convert, CHECKED checked)
{
    // The bytes alone in a buffer of their length: reading past them trips
    // AddressSanitizer.
    std::vector<ub1> exact(d);
    const ub1* bytes = exact.data();
    ub4 length = (ub4)exact.size();
    std::string expected = plain(bytes, length);
    ASSERT_EQ(convert_over(ora_type, earlier, [&](PCOL_DATA cd) {
                  convert(bytes, length, cd);
                  return 1;
              }),
              expected);
    for (int checking : {0, 1}) {
        int converted = -1;
        std::string value = convert_over(
            ora_type, earlier, [&](PCOL_DATA cd) { return checked(bytes, length, cd, checking); }, &converted);
        ASSERT_EQ(converted, checking && !valid ? 0 : 1);
        ASSERT_EQ(value, converted ? expected : NULL_TEXT);
    }
}

using OnePass = ConvertTest;

TEST_F(OnePass, NumbersAndDatesAgreeWithTheirPlainForms)
{
    std::mt19937 random(4321);
    int short_numbers = 0;
    for (int n = 0; n < 60000; n++) {
        std::vector<ub1> d = random_number(random);
        size_t earlier = random() % 2 ? 3 : 100;
        auto text = [](const ub1* bytes, ub4 length) {
            char out[NUMBER_TEXT_LEN];
            return std::string(out, get_number_text(bytes, length, out));
        };
        int valid = check_number(d.data(), (ub4)d.size());
        expect_one_pass(ORA_NUMBER, d, earlier, text, valid, raw_to_number, raw_to_number_checked);
        // The short form, into a writer's own buffer: the same text or none.
        char short_text[COL_DATA_INLINE_LEN];
        ub4 got = get_short_number_text(d.data(), (ub4)d.size(), short_text);
        std::string plain = text(d.data(), (ub4)d.size());
        bool everyday = valid && d.size() >= 2 && d.size() <= 11 && d[0] >= 0xC1 && d[0] <= 0xCA;
        if (got != 0 || everyday) {
            ASSERT_EQ(std::string(short_text, got), plain) << testing::PrintToString(d);
        }
        short_numbers += got != 0;
    }
    EXPECT_GT(short_numbers, 20000);
    for (int n = 0; n < 40000; n++) {
        std::vector<ub1> d = random_date(random);
        size_t earlier = random() % 2 ? 3 : 100;
        auto text = [](const ub1* bytes, ub4 length) {
            char out[DATETIME_TEXT_LEN];
            return std::string(out, get_date_text(bytes, length, out));
        };
        int valid = d.size() == 7 && check_date(d.data(), 7);
        expect_one_pass(ORA_DATE, d, earlier, text, valid, raw_to_date, raw_to_date_checked);
        char plain_date[DATE_PLAIN_TEXT_LEN];
        ub4 got = get_plain_date_text(d.data(), (ub4)d.size(), plain_date);
        ASSERT_EQ(got != 0, valid != 0);
        if (valid) {
            ASSERT_EQ(std::string(plain_date, got), text(d.data(), (ub4)d.size()));
        }
    }
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

TEST_F(OnePass, CheckedConversionMatchesTheGeneralDispatch)
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
}

} // namespace
