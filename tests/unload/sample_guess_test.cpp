// Type guessing measured: 1,000 generated columns of every guessable type
// (values encoded by the builder's own encoders, NULLs mixed in) are
// guessed and the confusion matrix printed; columns whose type is not in
// doubt — NUMBER ids, dates, plain text — must all be guessed right.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/config.h"
#include "builder/rows.h"
#include "convert/ora_types.h"
#include "output/table_ddl.h"
#include "unload/sample_guess.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Kind {
    const char* name;
    ub1 type;
    ub1 form;
};

const Kind KINDS[] = {
    {"NUMBER id", ORA_NUMBER, 1},    {"NUMBER", ORA_NUMBER, 1},          {"DATE", ORA_DATE, 1},
    {"TIMESTAMP", ORA_TIMESTAMP, 1}, {"TIMESTAMP_TZ", ORA_TIMESTAMP_TZ, 1}, {"ROWID", ORA_ROWID, 1},
    {"VARCHAR2", ORA_VARCHAR2, 1},   {"NVARCHAR2", ORA_VARCHAR2, 2},     {"BINARY_FLOAT", ORA_BINARY_FLOAT, 1},
    {"BINARY_DOUBLE", ORA_BINARY_DOUBLE, 1}, {"RAW", ORA_RAW, 1},        {"LONG", ORA_LONG, 1},
    {"LONG_RAW", ORA_LONG_RAW, 1},   {"VARCHAR2 code", ORA_VARCHAR2, 1},
};

std::string word_of(ub1 type, ub1 form)
{
    char text[32];
    return get_col_sample_fullname(type, text, form);
}

Bytes text_bytes(std::mt19937& rng, size_t min, size_t max)
{
    static const char* const words[] = {"alpha", "north", "order", "paid", "Smith", "road", "42", "box", "Main St"};
    std::string s;
    size_t target = std::uniform_int_distribution<size_t>(min, max)(rng);
    while (s.size() < target)
        s += std::string(s.empty() ? "" : " ") + words[rng() % 9];
    return Bytes(s.begin(), s.begin() + (long)std::max(target, (size_t)1));
}

Bytes random_bytes(std::mt19937& rng, size_t min, size_t max)
{
    Bytes b(std::uniform_int_distribution<size_t>(min, max)(rng));
    for (uint8_t& x : b)
        x = (uint8_t)rng();
    return b;
}

Bytes value_of(int kind, std::mt19937& rng, int row)
{
    switch (kind) {
    case 0: return zb::number_bytes((int64_t)(1000 + row));
    case 1: return zb::number_bytes(std::to_string((int)(rng() % 2000000) - 1000000) + "." +
                                    std::to_string(rng() % 100));
    case 2: return zb::date_bytes(1950 + (int)(rng() % 80), 1 + (int)(rng() % 12), 1 + (int)(rng() % 28),
                                  (int)(rng() % 24), (int)(rng() % 60), (int)(rng() % 60));
    case 3: return zb::timestamp_bytes(1990 + (int)(rng() % 40), 1 + (int)(rng() % 12), 1 + (int)(rng() % 28),
                                       (int)(rng() % 24), (int)(rng() % 60), (int)(rng() % 60), rng() % 1000000000u);
    case 4: return zb::timestamp_tz_bytes(2000 + (int)(rng() % 30), 1 + (int)(rng() % 12), 1 + (int)(rng() % 28),
                                          (int)(rng() % 24), 0, 0, 0, 60 * ((int)(rng() % 25) - 12));
    case 5: return zb::rowid_bytes(50000 + rng() % 20000, (5u << 22) | (rng() % 100000), (uint16_t)(rng() % 300));
    case 6: return text_bytes(rng, 1, 60);
    case 7: {
        Bytes utf8 = text_bytes(rng, 1, 30), utf16;
        for (uint8_t c : utf8) {
            utf16.push_back(0);
            utf16.push_back(c);
        }
        return utf16;
    }
    case 8: return zb::binary_float_bytes((float)((int)(rng() % 200000) - 100000) / 7.0f);
    case 9: return zb::binary_double_bytes((double)((int)(rng() % 2000000) - 1000000) / 13.0);
    case 10: return random_bytes(rng, 1, 40);
    case 11: return text_bytes(rng, 4001, 6000);
    case 12: return random_bytes(rng, 2001, 3000);
    default: {
        // Short upper-case codes such as state or currency codes.
        Bytes code(2 + rng() % 2);
        for (uint8_t& x : code)
            x = (uint8_t)('A' + rng() % 26);
        return code;
    }
    }
}

TEST(SampleGuess, ConfusionMatrixOverGeneratedColumns)
{
    init_config_data(); // the default block address split, which rowid checking uses
    std::mt19937 rng(20240607);
    const SAMPLE_CONTEXT context = {873, 2000, 1};
    const int columns_per_kind = 1000;
    std::vector<std::string> guessed_names;
    std::map<std::string, std::map<std::string, int>> matrix;
    for (int k = 0; k < (int)(sizeof(KINDS) / sizeof(KINDS[0])); k++) {
        for (int c = 0; c < columns_per_kind; c++) {
            // Long values in fewer rows: the tests read every byte.
            int rows = 3 + (int)(rng() % (k == 11 || k == 12 ? 6 : 40));
            std::vector<Bytes> store;
            std::vector<SAMPLE_VALUE> values;
            for (int r = 0; r < rows; r++)
                store.push_back(rng() % 8 == 0 ? Bytes{} : value_of(k, rng, r + c));
            for (const Bytes& b : store)
                values.push_back(b.empty() ? SAMPLE_VALUE{nullptr, 0, 1} : SAMPLE_VALUE{b.data(), (ub4)b.size(), 0});
            SAMPLE_COLUMN guess;
            do_sample_column(&guess, values.data(), values.size(), &context);
            matrix[KINDS[k].name][word_of(guess.col_type, guess.charset_form)]++;
        }
    }
    std::vector<std::string> words;
    for (const Kind& kind : KINDS)
        if (std::find(words.begin(), words.end(), word_of(kind.type, kind.form)) == words.end())
            words.push_back(word_of(kind.type, kind.form));
    printf("%-14s", "actual\\guess");
    for (const std::string& w : words)
        printf(" %8.8s", w.c_str());
    printf("\n");
    for (const Kind& kind : KINDS) {
        printf("%-14s", kind.name);
        int total = 0;
        for (const std::string& w : words) {
            printf(" %8d", matrix[kind.name][w]);
            total += matrix[kind.name][w];
        }
        EXPECT_EQ(total, columns_per_kind) << kind.name << " has guesses outside the listed types";
        printf("\n");
    }
    EXPECT_EQ(matrix["NUMBER id"]["NUMBER"], columns_per_kind);
    EXPECT_EQ(matrix["NUMBER"]["NUMBER"], columns_per_kind);
    EXPECT_EQ(matrix["DATE"]["DATE"], columns_per_kind);
    EXPECT_EQ(matrix["TIMESTAMP"]["TIMESTAMP"], columns_per_kind);
    EXPECT_EQ(matrix["VARCHAR2"]["VARCHAR2"], columns_per_kind);
    EXPECT_EQ(matrix["LONG"]["LONG"], columns_per_kind);
}

// The rules' boundaries: an invalid date among 7-byte values passes the
// column on to the next rules; only NULLs give RAW; 4-byte values on files
// older than 10g are never binary floats.
TEST(SampleGuess, RuleBoundaries)
{
    const SAMPLE_CONTEXT context = {873, 2000, 1};
    Bytes date = zb::date_bytes(2001, 2, 3), bad = {0x78, 0x65, 0x0d, 0x01, 0x01, 0x01, 0x01};
    std::vector<SAMPLE_VALUE> values = {{date.data(), 7, 0}, {bad.data(), 7, 0}};
    SAMPLE_COLUMN guess;
    do_sample_column(&guess, values.data(), 2, &context);
    EXPECT_NE(guess.col_type, ORA_DATE);
    values = {{nullptr, 0, 1}, {nullptr, 0, 1}};
    do_sample_column(&guess, values.data(), 2, &context);
    EXPECT_EQ(guess.col_type, ORA_RAW);
    Bytes f = zb::binary_float_bytes(1.5f);
    values = {{f.data(), 4, 0}};
    SAMPLE_CONTEXT old = {873, 2000, 0};
    do_sample_column(&guess, values.data(), 1, &old);
    EXPECT_NE(guess.col_type, ORA_BINARY_FLOAT);
}

} // namespace
