#include "builder/dict_values.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace zb {

namespace {

std::string two(int n)
{
    char text[16];
    snprintf(text, sizeof(text), "%02d", n);
    return text;
}

std::string date_text(int year, int month, int day, int hour, int minute, int second)
{
    char text[64];
    snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return text;
}

std::string fraction_text(uint32_t nanos, int scale)
{
    if (scale <= 0)
        return "";
    char text[16];
    snprintf(text, sizeof(text), "%09u", nanos);
    std::string fraction = ".";
    fraction.append(text, (size_t)std::min(scale, 9));
    return fraction;
}

std::string float_text(double value)
{
    if (std::isnan(value))
        return "Nan";
    if (std::isinf(value))
        return value < 0 ? "-Inf" : "Inf";
    char text[512];
    snprintf(text, sizeof(text), "%.10f", value);
    return text;
}

std::vector<uint8_t> bytes_of(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

Value make(Cell cell, std::string text)
{
    Value v;
    v.cell = std::move(cell);
    v.text = std::move(text);
    return v;
}

} // namespace

std::string canonical_decimal(const std::string& decimal)
{
    std::string s = decimal;
    bool negative = !s.empty() && s[0] == '-';
    if (negative || (!s.empty() && s[0] == '+'))
        s.erase(0, 1);
    size_t dot = s.find('.');
    std::string whole = dot == std::string::npos ? s : s.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : s.substr(dot + 1);
    while (whole.size() > 1 && whole[0] == '0')
        whole.erase(0, 1);
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    std::string out = negative ? "-" : "";
    out += whole.empty() ? std::string(1, '0') : whole;
    if (!frac.empty()) {
        out += '.';
        out += frac;
    }
    return out == "-0" ? "0" : out;
}

std::string hex_upper(const std::vector<uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string utf16be_from_utf8(const std::string& utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        uint8_t c = (uint8_t)utf8[i];
        uint32_t code = 0;
        size_t n = 1;
        if (c < 0x80)
            code = c;
        else if ((c & 0xe0) == 0xc0)
            code = c & 0x1f, n = 2;
        else if ((c & 0xf0) == 0xe0)
            code = c & 0x0f, n = 3;
        else
            throw std::invalid_argument("only characters of the basic plane are written");
        if (i + n > utf8.size())
            throw std::invalid_argument("truncated UTF-8 text");
        for (size_t k = 1; k < n; k++)
            code = (code << 6) | ((uint8_t)utf8[i + k] & 0x3f);
        out += (char)(code >> 8);
        out += (char)(code & 0xff);
        i += n;
    }
    return out;
}

Value v_null()
{
    return make(null_cell(), "");
}

Value v_number(const std::string& decimal)
{
    return make(bytes_cell(number_bytes(decimal)), canonical_decimal(decimal));
}

Value v_int(int64_t value)
{
    return make(bytes_cell(number_bytes(value)), std::to_string(value));
}

Value v_text(const std::string& text)
{
    return make(text_cell(text), text);
}

Value v_char(const std::string& text, uint32_t width)
{
    std::string padded = text;
    if (padded.size() < width)
        padded.append(width - padded.size(), ' ');
    return make(text_cell(padded), padded);
}

Value v_ntext(const std::string& utf8)
{
    return make(bytes_cell(bytes_of(utf16be_from_utf8(utf8))), utf8);
}

Value v_nchar(const std::string& utf8, uint32_t width_chars)
{
    std::string padded = utf8;
    uint32_t chars = (uint32_t)(utf16be_from_utf8(utf8).size() / 2);
    if (chars < width_chars)
        padded.append(width_chars - chars, ' ');
    return v_ntext(padded);
}

Value v_date(int year, int month, int day, int hour, int minute, int second)
{
    return make(bytes_cell(date_bytes(year, month, day, hour, minute, second)),
                date_text(year, month, day, hour, minute, second));
}

Value v_timestamp(int year, int month, int day, int hour, int minute, int second, uint32_t nanos, int scale)
{
    return make(bytes_cell(timestamp_bytes(year, month, day, hour, minute, second, nanos)),
                date_text(year, month, day, hour, minute, second) + fraction_text(nanos, scale));
}

Value v_timestamp_tz(int year, int month, int day, int hour, int minute, int second, uint32_t nanos, int scale,
                     int tz_minutes)
{
    int zone = tz_minutes < 0 ? -tz_minutes : tz_minutes;
    std::string text = date_text(year, month, day, hour, minute, second) + fraction_text(nanos, scale) + " " +
                       (tz_minutes < 0 ? "-" : "+") + two(zone / 60) + ":" + two(zone % 60);
    return make(bytes_cell(timestamp_tz_bytes(year, month, day, hour, minute, second, nanos, tz_minutes)), text);
}

Value v_raw(const std::vector<uint8_t>& bytes)
{
    return make(bytes_cell(bytes), hex_upper(bytes));
}

Value v_rowid(uint32_t data_object, uint32_t rfile, uint32_t block, uint16_t row)
{
    // Extended rowid text: data object (6), relative file (3), block (6),
    // row (3), each a base-64 number with the digits A-Z a-z 0-9 + /.
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto put = [](std::string& out, uint64_t value, int width) {
        for (int i = width - 1; i >= 0; i--)
            out += digits[(value >> (6 * i)) & 63];
    };
    std::string text;
    put(text, data_object, 6);
    put(text, rfile, 3);
    put(text, block, 6);
    put(text, row, 3);
    uint32_t rdba = (rfile << 22) | block;
    return make(bytes_cell(rowid_bytes(data_object, rdba, row)), text);
}

Value v_binary_float(float value)
{
    return make(bytes_cell(binary_float_bytes(value)), float_text((double)value));
}

Value v_binary_double(double value)
{
    return make(bytes_cell(binary_double_bytes(value)), float_text(value));
}

Value v_clob(const std::string& text)
{
    Value v = make(Cell{}, text);
    v.cell.is_null = false;
    v.is_lob = true;
    v.lob_data = text;
    return v;
}

Value v_blob(const std::string& bytes)
{
    return v_clob(bytes);
}

DictRow row_of(std::vector<Value> values)
{
    DictRow row;
    row.values = std::move(values);
    return row;
}

} // namespace zb
