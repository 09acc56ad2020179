// Every converter and validator, over a fixed corpus of values, gives the
// same results whatever the process time zone.

#include <random>

#include "convert_test_util.h"

namespace {

// A line per conversion and check: type, scale, bytes, text, check results.
std::string conversion_transcript()
{
    const ub1 types[] = {ORA_NUMBER, ORA_DATE, ORA_TIMESTAMP, ORA_TIMESTAMP_LTZ, ORA_TIMESTAMP_TZ,
                         ORA_INTERVAL_YM, ORA_INTERVAL_DS, ORA_BINARY_FLOAT, ORA_BINARY_DOUBLE, ORA_ROWID,
                         ORA_RAW, ORA_VARCHAR2};
    std::mt19937 random(2024);
    std::vector<std::vector<ub1>> values;
    for (int i = 0; i < 3000; i++) {
        std::vector<ub1> v(random() % 14);
        for (ub1& b : v)
            b = (ub1)random();
        values.push_back(v);
    }
    // Plausible dates and zones, so the time arithmetic is exercised.
    for (int i = 0; i < 3000; i++) {
        std::vector<ub1> v = {(ub1)(100 + random() % 100), (ub1)(100 + random() % 100), (ub1)(1 + random() % 12),
                              (ub1)(1 + random() % 31), (ub1)(1 + random() % 24), (ub1)(1 + random() % 60),
                              (ub1)(1 + random() % 60), (ub1)random(), (ub1)random(), (ub1)random(), (ub1)random()};
        bool west = random() % 2;
        v.push_back((ub1)(west ? 8 + random() % 13 : 20 + random() % 15));
        v.push_back((ub1)(west ? 1 + random() % 60 : 60 + random() % 60));
        if (i % 7 == 0)
            v[11] |= 0x80;
        values.push_back(v);
        values.push_back(std::vector<ub1>(v.begin(), v.begin() + 7));
        values.push_back(std::vector<ub1>(v.begin(), v.begin() + 11));
    }
    std::string out;
    char hex[3];
    for (const auto& v : values) {
        std::string bytes;
        for (ub1 b : v) {
            fill_2_hex(hex, b);
            bytes.append(hex, 2);
        }
        for (ub1 type : types)
            for (ub4 scale : {0u, 3u, 9u})
                out += std::to_string(type) + "/" + std::to_string(scale) + " " + bytes + " = " +
                       convert_value(type, v, scale, 2) + "\n";
        const ub1* p = v.data();
        ub4 n = (ub4)v.size();
        out += "checks " + bytes + " " + std::to_string(check_number(p, n)) + std::to_string(check_date(p, n)) +
               std::to_string(check_timestamp(p, n)) + std::to_string(check_timestamp_tz(p, n)) +
               std::to_string(check_rowid(p, n)) + std::to_string(check_binary_float(p, n)) +
               std::to_string(check_binary_double(p, n)) + std::to_string(check_gb_str(p, n)) +
               std::to_string(check_utf8_str(p, n)) + std::to_string(check_utf16_str(p, n)) + "\n";
    }
    return out;
}

std::string transcript_in_zone(const char* zone)
{
    const char* old = getenv("TZ");
    std::string saved = old != nullptr ? old : "";
    setenv("TZ", zone, 1);
    tzset();
    std::string out = conversion_transcript();
    if (old != nullptr)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    return out;
}

TEST(ConvertZones, SameResultsInEveryProcessTimeZone)
{
    init_config_data();
    std::string utc = transcript_in_zone("UTC");
    EXPECT_GT(utc.size(), 1000000u);
    const char* zones[] = {"America/New_York", "Asia/Kathmandu", "Pacific/Kiritimati", "<-1130>11:30",
                           "EST5EDT,M3.2.0,M11.1.0"};
    for (const char* zone : zones)
        EXPECT_TRUE(transcript_in_zone(zone) == utc) << "results differ under TZ=" << zone;
}

} // namespace
