#include "builder/rows.h"

#include <cstring>
#include <stdexcept>

#include "builder/byte_writer.h"

namespace zb {

namespace {

void put_u16(std::vector<uint8_t>& out, uint16_t value, int order)
{
    if (order == BIG) {
        out.push_back((uint8_t)(value >> 8));
        out.push_back((uint8_t)value);
    } else {
        out.push_back((uint8_t)value);
        out.push_back((uint8_t)(value >> 8));
    }
}

void put_u32(std::vector<uint8_t>& out, uint32_t value, int order)
{
    for (int i = 0; i < 4; i++) {
        int shift = order == BIG ? 24 - 8 * i : 8 * i;
        out.push_back((uint8_t)(value >> shift));
    }
}

void put_rid(std::vector<uint8_t>& out, const Rid& rid)
{
    put_u32(out, rid.rdba, BIG);
    put_u16(out, rid.slot, BIG);
}

void put_cell(std::vector<uint8_t>& out, const Cell& cell, int order)
{
    if (cell.placeholder)
        return;
    if (cell.is_null) {
        out.push_back(0xff);
        return;
    }
    size_t n = cell.bytes.size();
    if (n > 0xffff)
        throw std::length_error("column value longer than 65535 bytes");
    if (n > 250 || cell.long_form) {
        out.push_back(0xfe);
        put_u16(out, (uint16_t)n, order);
    } else {
        out.push_back((uint8_t)n);
    }
    out.insert(out.end(), cell.bytes.begin(), cell.bytes.end());
}

int64_t days_from_civil(int64_t y, int m, int d)
{
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int* y, int* m, int* d)
{
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    *d = (int)(doy - (153 * mp + 2) / 5 + 1);
    *m = (int)(mp < 10 ? mp + 3 : mp - 9);
    *y = (int)(yoe + era * 400 + (*m <= 2));
}

void put_nanos(std::vector<uint8_t>& out, uint32_t nanos)
{
    put_u32(out, nanos, BIG);
}

} // namespace

Cell null_cell()
{
    return Cell{};
}

Cell placeholder_cell()
{
    Cell c;
    c.placeholder = true;
    return c;
}

Cell bytes_cell(std::vector<uint8_t> bytes)
{
    Cell c;
    c.is_null = false;
    c.bytes = std::move(bytes);
    return c;
}

Cell text_cell(const std::string& text)
{
    return bytes_cell(std::vector<uint8_t>(text.begin(), text.end()));
}

uint32_t cell_size(const Cell& cell)
{
    if (cell.placeholder)
        return 0;
    if (cell.is_null)
        return 1;
    uint32_t n = (uint32_t)cell.bytes.size();
    return n + (n > 250 || cell.long_form ? 3 : 1);
}

std::vector<uint8_t> number_bytes(const std::string& decimal)
{
    std::string text = decimal;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    for (char c : whole + fraction)
        if (c < '0' || c > '9')
            throw std::invalid_argument("not a decimal number: " + decimal);
    size_t lead = whole.find_first_not_of('0');
    whole = lead == std::string::npos ? std::string() : whole.substr(lead);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (whole.empty() && fraction.empty())
        return {0x80};
    // Base-100 digits, paired from the decimal point outwards; the exponent
    // is the position of the first one.
    std::vector<int> decimal_digits;
    if (whole.size() % 2)
        decimal_digits.push_back(0);
    for (char c : whole)
        decimal_digits.push_back(c - '0');
    for (char c : fraction)
        decimal_digits.push_back(c - '0');
    if (fraction.size() % 2)
        decimal_digits.push_back(0);
    int exponent = (int)(whole.size() + 1) / 2 - 1;
    std::vector<int> digits;
    for (size_t i = 0; i + 1 < decimal_digits.size(); i += 2)
        digits.push_back(decimal_digits[i] * 10 + decimal_digits[i + 1]);
    while (digits.front() == 0) {
        digits.erase(digits.begin());
        exponent--;
    }
    while (digits.back() == 0)
        digits.pop_back();
    if (digits.size() > 20)
        throw std::invalid_argument("more than 40 significant digits: " + decimal);
    std::vector<uint8_t> out;
    if (!negative) {
        out.push_back((uint8_t)(exponent + 193));
        for (int d : digits)
            out.push_back((uint8_t)(d + 1));
    } else {
        out.push_back((uint8_t)(62 - exponent));
        for (int d : digits)
            out.push_back((uint8_t)(101 - d));
        out.push_back(102);
    }
    return out;
}

std::vector<uint8_t> number_bytes(int64_t value)
{
    return number_bytes(std::to_string(value));
}

std::vector<uint8_t> date_bytes(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1 || year > 9999)
        throw std::invalid_argument("year outside 1..9999");
    return {(uint8_t)(year / 100 + 100), (uint8_t)(year % 100 + 100), (uint8_t)month, (uint8_t)day,
            (uint8_t)(hour + 1),         (uint8_t)(minute + 1),       (uint8_t)(second + 1)};
}

std::vector<uint8_t> timestamp_bytes(int year, int month, int day, int hour, int minute, int second,
                                     uint32_t nanos)
{
    std::vector<uint8_t> out = date_bytes(year, month, day, hour, minute, second);
    put_nanos(out, nanos);
    return out;
}

std::vector<uint8_t> timestamp_tz_bytes(int year, int month, int day, int hour, int minute, int second,
                                        uint32_t nanos, int tz_minutes)
{
    // The date bytes hold UTC.
    int64_t seconds = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second -
                      (int64_t)tz_minutes * 60;
    int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    int64_t rest = seconds - days * 86400;
    int y, m, d;
    civil_from_days(days, &y, &m, &d);
    std::vector<uint8_t> out = timestamp_bytes(y, m, d, (int)(rest / 3600), (int)(rest / 60 % 60), (int)(rest % 60),
                                               nanos);
    int magnitude = tz_minutes < 0 ? -tz_minutes : tz_minutes;
    if (tz_minutes < 0) {
        out.push_back((uint8_t)(20 - magnitude / 60));
        out.push_back((uint8_t)(60 - magnitude % 60));
    } else {
        out.push_back((uint8_t)(20 + magnitude / 60));
        out.push_back((uint8_t)(60 + magnitude % 60));
    }
    return out;
}

std::vector<uint8_t> binary_float_bytes(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    bits = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
    std::vector<uint8_t> out;
    put_u32(out, bits, BIG);
    return out;
}

std::vector<uint8_t> binary_double_bytes(double value)
{
    uint64_t bits;
    memcpy(&bits, &value, sizeof(bits));
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    std::vector<uint8_t> out;
    put_u32(out, (uint32_t)(bits >> 32), BIG);
    put_u32(out, (uint32_t)bits, BIG);
    return out;
}

std::vector<uint8_t> rowid_bytes(uint32_t data_object, uint32_t rdba, uint16_t row)
{
    std::vector<uint8_t> out;
    put_u32(out, data_object, BIG);
    put_u32(out, rdba, BIG);
    put_u16(out, row, BIG);
    return out;
}

std::vector<uint8_t> short_rowid_bytes(uint32_t rdba, uint16_t row)
{
    std::vector<uint8_t> out;
    put_u32(out, rdba, BIG);
    put_u16(out, row, BIG);
    return out;
}

std::vector<uint8_t> encode_piece(const PieceLayout& piece, int order)
{
    if (piece.cells.size() > 255)
        throw std::invalid_argument("a row piece holds at most 255 columns");
    uint8_t flag = piece.flag;
    if (piece.cluster_key_index >= 0)
        flag |= ROW_C;
    std::vector<uint8_t> out{flag, piece.lock, (uint8_t)piece.cells.size()};
    if (piece.cluster_key_index >= 0)
        out.push_back((uint8_t)piece.cluster_key_index);
    if (piece.dscn && (flag & ROW_H)) {
        put_u16(out, piece.dscn_wrap, order);
        put_u32(out, piece.dscn_base, order);
    }
    if ((flag & ROW_F) && !(flag & ROW_H))
        put_rid(out, piece.head);
    if (!(flag & ROW_L))
        put_rid(out, piece.next);
    for (const Cell& cell : piece.cells)
        put_cell(out, cell, order);
    return out;
}

std::vector<uint8_t> encode_key_row(const KeyRowLayout& key, int order)
{
    if (key.cells.size() > 255)
        throw std::invalid_argument("a key row holds at most 255 columns");
    std::vector<uint8_t> out{key.flag, key.lock, (uint8_t)key.cells.size()};
    put_u16(out, key.rows_in_cluster, order);
    put_u16(out, key.counter2, order);
    put_rid(out, key.prev);
    put_rid(out, key.next_key);
    if (!(key.flag & ROW_L))
        put_rid(out, key.next);
    for (const Cell& cell : key.cells)
        put_cell(out, cell, order);
    return out;
}

} // namespace zb
