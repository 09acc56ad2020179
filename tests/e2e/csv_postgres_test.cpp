// CSV output loaded into a live PostgreSQL server: every table of the demo
// database (one column of every unloadable type among them) and a table of
// edge cases are unloaded with output_format csv, each loaded by running
// its .pg.sql with psql in the data directory, and what SELECT returns is
// compared with the values the builder stored. The value rules that no
// builder table reaches (years BC, NUMBER infinities, the "\." text) are
// loaded the same way from fields written by the CSV value writer.
//
// Outside CI, a machine without the PostgreSQL server programs skips these
// tests with a message; with CI set they must run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "builder/demo_schema.h"
#include "output/csv_values.h"
#include "support/capture.h"
#include "support/e2e.h"
#include "support/postgres.h"

namespace {

#define REQUIRE_SERVER(pg)                                                                                             \
    do {                                                                                                               \
        if (!(pg).problem().empty()) {                                                                                 \
            if (getenv("CI") != nullptr)                                                                               \
                FAIL() << "PostgreSQL is needed in CI: " << (pg).problem();                                            \
            GTEST_SKIP() << "PostgreSQL tests skipped: " << (pg).problem();                                            \
        }                                                                                                              \
    } while (0)

using Rows = std::vector<std::vector<std::string>>;

// The identifier rule of the .pg.sql files.
std::string pg_ident(const std::string& name)
{
    bool has_lower = std::any_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    std::string out = "\"";
    for (char c : name) {
        out += !has_lower && c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

// Days from 1970-01-01 in the proleptic Gregorian calendar.
long long days_from_civil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = (unsigned)(y - era * 400);
    unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

// "yyyy-mm-dd hh:mi:ss[.f][ +hh:mm]" as seconds since 1970 UTC.
std::string epoch_of(const std::string& text, const char* default_zone)
{
    int y, mo, d, h, mi, s, n = 0;
    if (sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%n", &y, &mo, &d, &h, &mi, &s, &n) != 6)
        return "?" + text;
    double fraction = 0;
    std::string rest = text.substr((size_t)n);
    if (!rest.empty() && rest[0] == '.') {
        size_t end = rest.find(' ');
        fraction = atof(("0" + rest.substr(0, end)).c_str());
        rest = end == std::string::npos ? "" : rest.substr(end);
    }
    std::string zone = rest.empty() ? default_zone : rest.substr(1);
    int zh = atoi(zone.substr(1, 2).c_str()), zm = atoi(zone.substr(4, 2).c_str());
    int offset = (zone[0] == '-' ? -1 : 1) * (zh * 3600 + zm * 60);
    double seconds = (double)days_from_civil(y, (unsigned)mo, (unsigned)d) * 86400 + h * 3600 + mi * 60 + s - offset;
    char out[64];
    snprintf(out, sizeof(out), "%.6f", seconds + fraction);
    return out;
}

std::string float_norm(const std::string& text, bool single)
{
    double v = strtod(text.c_str(), nullptr);
    if (std::isnan(v))
        return "NaN";
    char out[64];
    snprintf(out, sizeof(out), "%.17g", single ? (double)(float)v : v);
    return out;
}

// The SELECT expression of a column, and the same normal form of a value
// for both sides.
std::string select_of(const zb::DictColumn& c)
{
    std::string id = pg_ident(c.name);
    switch (c.type) {
    case zb::TY_DATE: return "to_char(" + id + ", 'YYYY-MM-DD HH24:MI:SS')";
    case zb::TY_TIMESTAMP:
        return c.scale <= 0
                   ? "to_char(" + id + ", 'YYYY-MM-DD HH24:MI:SS')"
                   : "to_char(" + id + ", 'YYYY-MM-DD HH24:MI:SS.FF" + std::to_string(std::min(c.scale, 6)) + "')";
    case zb::TY_TIMESTAMP_TZ:
    case zb::TY_TIMESTAMP_LTZ: return "extract(epoch from " + id + ")";
    case zb::TY_RAW:
    case zb::TY_LONG_RAW:
    case zb::TY_BLOB: return "upper(encode(" + id + ", 'hex'))";
    case zb::TY_CHAR: return id; // as text it would lose its blanks
    default: return id + "::text";
    }
}

std::string norm(const zb::DictColumn& c, const std::string& value, bool from_pg)
{
    if (value.empty())
        return value;
    switch (c.type) {
    case zb::TY_NUMBER: return zb::canonical_decimal(value);
    case zb::TY_BINARY_FLOAT: return float_norm(value, true);
    case zb::TY_BINARY_DOUBLE: return float_norm(value, false);
    case zb::TY_BLOB: {
        // The builder keeps a BLOB's bytes as its text.
        if (from_pg)
            return value;
        std::string hex;
        for (unsigned char b : value) {
            char pair[3];
            snprintf(pair, sizeof(pair), "%02X", b);
            hex += pair;
        }
        return hex;
    }
    case zb::TY_TIMESTAMP_TZ:
    case zb::TY_TIMESTAMP_LTZ: {
        if (!from_pg)
            return epoch_of(value, "+05:30");
        char out[64];
        snprintf(out, sizeof(out), "%.6f", strtod(value.c_str(), nullptr));
        return out;
    }
    default: return value;
    }
}

Rows select_rows(const PgServer& pg, const std::string& dir, const std::string& query)
{
    CommandRun q = pg.psql(dir, {"-A", "-t", "-F", "\x1f", "-R", "\x1e", "-c", query});
    EXPECT_EQ(q.status, 0) << query << "\n" << q.out;
    Rows rows;
    std::string out = q.out;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    for (size_t at = 0; at < out.size();) {
        size_t end = out.find('\x1e', at);
        std::string record = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        std::vector<std::string> fields;
        for (size_t f = 0;;) {
            size_t g = record.find('\x1f', f);
            fields.push_back(record.substr(f, g == std::string::npos ? std::string::npos : g - f));
            if (g == std::string::npos)
                break;
            f = g + 1;
        }
        rows.push_back(fields);
        at = end == std::string::npos ? out.size() : end + 1;
    }
    return rows;
}

// Texts a delimited file finds hard, names that must stay quoted, digits
// beyond microseconds, infinities, and a date of the Julian calendar that
// the Gregorian one lacks.
zb::DictTable edge_table()
{
    zb::DictTable t;
    t.owner = "SCOTT";
    t.name = "Edge Cases";
    zb::DictColumn n = zb::c_number("N_NEG_SCALE", 5, -2), small = zb::c_number("N_SMALL", 2, 5);
    t.columns = {zb::c_number("ID"),
                 zb::c_varchar2("Quoted \"Col\"", 40),
                 zb::c_timestamp("TS9", 9),
                 zb::c_binary_float("BF"),
                 zb::c_binary_double("BD"),
                 n,
                 small,
                 zb::c_date("D")};
    t.rows = {
        zb::row_of({zb::v_int(1), zb::v_text("a,b \"c\"\r\nd"), zb::v_timestamp(2024, 5, 6, 7, 8, 9, 123456789, 9),
                    zb::v_binary_float(INFINITY), zb::v_binary_double(-INFINITY), zb::v_number("12300"),
                    zb::v_number("0.00012"), zb::v_date(1500, 2, 29, 10, 0, 0)}),
        zb::row_of({zb::v_int(2), zb::v_text("\\."), zb::v_timestamp(2024, 5, 6, 7, 8, 9, 5, 9),
                    zb::v_binary_float(NAN), zb::v_binary_double(NAN), zb::v_null(), zb::v_null(),
                    zb::v_date(1600, 2, 29)}),
        zb::row_of({zb::v_int(3), zb::v_text("  spaced  "), zb::v_null(), zb::v_null(), zb::v_null(), zb::v_null(),
                    zb::v_null(), zb::v_null()})};
    return t;
}

} // namespace

TEST(CsvPostgres, EveryTableLoadsAndSelectsTheStoredValues)
{
    zb::DictionaryDef def = zb::demo_dictionary();
    def.tables.push_back(edge_table());
    E2eDatabase db("csv", def, "output_format csv\ndb_timezone +05:30\n");
    ZemRun r = db.run("unload dict\nunload user scott\nunload user hr\n");
    ASSERT_EQ(r.status, 0);
    EXPECT_GOLDEN("e2e/csv/SCOTT_ALL_TYPES.pg.sql", db.output("SCOTT_ALL_TYPES.pg.sql"));
    EXPECT_GOLDEN("e2e/csv/SCOTT_ALL_TYPES.csv", db.output("SCOTT_ALL_TYPES.csv"));
    PgServer pg;
    REQUIRE_SERVER(pg);
    std::string out = db.path("out");
    size_t values = 0;
    for (const zb::DictTable& t : def.tables) {
        std::string base = output_base(t);
        SCOPED_TRACE(base);
        CommandRun load = pg.psql(out, {"-f", base + ".pg.sql"});
        ASSERT_EQ(load.status, 0) << load.out;
        std::string list;
        std::vector<const zb::DictColumn*> columns;
        for (const zb::DictColumn& c : t.columns) {
            if (c.hidden)
                continue;
            list += (list.empty() ? "" : ", ") + select_of(c);
            columns.push_back(&c);
        }
        Rows actual = select_rows(pg, out, "SELECT " + list + " FROM " + pg_ident(t.owner) + "." + pg_ident(t.name));
        Rows expected;
        for (const zb::DictRow& row : live_rows(t)) {
            std::vector<std::string> values_of_row;
            size_t shown = 0;
            for (size_t i = 0; i < t.columns.size(); i++) {
                if (t.columns[i].hidden)
                    continue;
                std::string v = i < row.values.size() ? row.values[i].text : "";
                // Digits beyond the sixth are rounded; a day the Gregorian
                // calendar lacks moves to March 1.
                if (t.columns[i].type == zb::TY_TIMESTAMP && t.columns[i].scale > 6 && !v.empty())
                    v = v == "2024-05-06 07:08:09.123456789" ? "2024-05-06 07:08:09.123457" : v.substr(0, v.size() - 3);
                if (v == "1500-02-29 10:00:00")
                    v = "1500-03-01 10:00:00";
                values_of_row.push_back(norm(*columns[shown++], v, false));
            }
            expected.push_back(values_of_row);
        }
        for (std::vector<std::string>& row : actual)
            for (size_t i = 0; i < row.size() && i < columns.size(); i++)
                row[i] = norm(*columns[i], row[i], true);
        std::sort(actual.begin(), actual.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(actual, expected);
        values += expected.size() * columns.size();
    }
    EXPECT_GT(values, 300u);
}

// Fields the value writer gives for texts no builder table holds, loaded by
// the server: what it reads back is what the values mean.
TEST(CsvPostgres, ValueRulesReadBackByTheServer)
{
    PgServer pg;
    REQUIRE_SERVER(pg);
    ScopedWorkDir dir("csv_values");
    init_config_data();
    str_to_timezone("+05:30", &config_data.db_timezone_hour, &config_data.db_timezone_min,
                    &config_data.db_timezone_east);
    struct Case {
        ub1 type;
        const char* pg_type;
        const char* text;
        const char* select;
        const char* expected;
    };
    const Case cases[] = {
        {ORA_DATE, "timestamp(0)", "-0044-03-15 12:00:00", "to_char(v, 'YYYY-MM-DD HH24:MI:SS BC')",
         "0044-03-15 12:00:00 BC"},
        {ORA_DATE, "timestamp(0)", "-0005-02-29 00:00:00", "to_char(v, 'YYYY-MM-DD BC')", "0005-02-29 BC"},
        {ORA_TIMESTAMP_TZ, "timestamptz(6)", "-0001-12-31 23:00:00.5 -01:00",
         "to_char(v AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.US BC')", "0001-01-01 00:00:00.500000 AD"},
        {ORA_TIMESTAMP_LTZ, "timestamptz(6)", "2024-01-01 10:00:00.000000",
         "to_char(v AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS')", "2024-01-01 04:30:00"},
        {ORA_NUMBER, "numeric", "~", "v::text", "Infinity"},
        {ORA_NUMBER, "numeric", "-~", "v::text", "-Infinity"},
        {ORA_BINARY_DOUBLE, "double precision", "-Inf", "v::text", "-Infinity"},
        {ORA_BINARY_FLOAT, "real", "Nan", "v::text", "NaN"},
        {ORA_VARCHAR2, "text", "\\.", "v", "\\."},
        {ORA_RAW, "bytea", "00FF0A", "encode(v, 'hex')", "00ff0a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        OUTPUT_FILE out;
        ASSERT_TRUE(open_output_file(&out, "v.csv", "w", 0));
        CSV_VALUES values;
        init_csv_values(&values);
        COLUMN column;
        memset(&column, 0, sizeof(column));
        column.ora_type = c.type;
        column.charset_form = 1;
        COL_DATA value;
        memset(&value, 0, sizeof(value));
        value.common_data.str_data = (char*)c.text;
        value.data_len = (ub4)strlen(c.text);
        put_csv_value(&out, &values, &column, &value);
        put_output_text(&out, "\r\n");
        release_csv_values(&values);
        ASSERT_EQ(close_output_file(&out), 0);
        std::string table = std::string("CREATE TEMP TABLE t (v ") + c.pg_type + ");";
        write_file("load.sql", table + "\n\\copy t FROM 'v.csv' WITH (FORMAT csv)\nSET TIME ZONE 'UTC';\nSELECT " +
                                   c.select + " FROM t;\n");
        CommandRun q = pg.psql(dir.path(), {"-A", "-t", "-f", "load.sql"});
        EXPECT_EQ(q.status, 0) << q.out;
        EXPECT_EQ(q.out, std::string(c.expected) + "\n");
    }
    init_config_data();
}
