#include "support/dmp_reader.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

class Cursor {
public:
    Cursor(const std::vector<uint8_t>& bytes, size_t pos) : b_(bytes), pos_(pos) {}
    size_t pos() const { return pos_; }
    bool ub2(uint16_t* value)
    {
        if (b_.size() - pos_ < 2)
            return false;
        *value = (uint16_t)(b_[pos_] | (b_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool take(size_t n, std::vector<uint8_t>* out)
    {
        if (b_.size() - pos_ < n)
            return false;
        out->insert(out->end(), b_.begin() + (long)pos_, b_.begin() + (long)(pos_ + n));
        pos_ += n;
        return true;
    }
    // A line up to its line feed, which is passed.
    bool line(std::string* out)
    {
        const uint8_t* start = b_.data() + pos_;
        const void* nl = memchr(start, '\n', b_.size() - pos_);
        if (nl == nullptr)
            return false;
        size_t n = (size_t)((const uint8_t*)nl - start);
        out->assign((const char*)start, n);
        pos_ += n + 1;
        return true;
    }
    uint8_t peek() const { return pos_ < b_.size() ? b_[pos_] : 0; }
    bool at_end() const { return pos_ >= b_.size(); }
    void skip(size_t n) { pos_ = n < b_.size() - pos_ ? pos_ + n : b_.size(); }
    void seek(size_t pos) { pos_ = pos < b_.size() ? pos : b_.size(); }

private:
    const std::vector<uint8_t>& b_;
    size_t pos_;
};

std::string at(const Cursor& c, const std::string& what)
{
    return what + " at offset " + std::to_string(c.pos());
}

// Offset of `needle` at the start of a line, from `from` on; npos if none.
size_t find_line(const std::vector<uint8_t>& b, size_t from, const std::string& needle)
{
    std::string pattern = "\n" + needle;
    if (from > 0)
        from--;
    for (size_t i = from; i + pattern.size() <= b.size(); i++) {
        const void* p = memchr(b.data() + i, '\n', b.size() - i);
        if (p == nullptr)
            return std::string::npos;
        i = (size_t)((const uint8_t*)p - b.data());
        if (i + pattern.size() <= b.size() && memcmp(b.data() + i, pattern.data(), pattern.size()) == 0)
            return i + 1;
    }
    return std::string::npos;
}

std::string quoted_name(const std::string& line, size_t from)
{
    size_t open = line.find('"', from);
    size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    return close == std::string::npos ? "" : line.substr(open + 1, close - open - 1);
}

bool has_charset(uint16_t type)
{
    return type == 1 || type == 9 || type == 96;
}

bool is_lob(uint16_t type)
{
    return type == 112 || type == 113;
}

bool read_value(Cursor& c, DmpValue* value, std::string* error)
{
    uint16_t len = 0;
    if (!c.ub2(&len)) {
        *error = at(c, "value length past the end");
        return false;
    }
    if (len == 0xFFFE)
        return true;
    value->is_null = false;
    if (len != 0xFFFD) {
        if (len == 0 || len == 0xFFFF) {
            *error = at(c, "marker " + std::to_string(len) + " where a value was due");
            return false;
        }
        if (!c.take(len, &value->bytes)) {
            *error = at(c, "value of " + std::to_string(len) + " bytes past the end");
            return false;
        }
        return true;
    }
    value->chunked = true;
    for (;;) {
        uint16_t n = 0;
        if (!c.ub2(&n)) {
            *error = at(c, "chunk length past the end");
            return false;
        }
        if (n == 0)
            return true;
        if (n >= 0xFFFD || !c.take(n, &value->bytes)) {
            *error = at(c, "bad chunk of " + std::to_string(n) + " bytes");
            return false;
        }
        value->chunks++;
    }
}

// The LOB column list that newer exports put between the descriptors and
// the rows of a table with LOB columns: a ub2 count, then zero bytes and
// names prefixed by a length byte.
void read_lob_names(Cursor& c, const std::vector<uint8_t>& b, DmpTable* table)
{
    c.skip(2);
    while (!c.at_end()) {
        uint8_t n = c.peek();
        if (n == 0) {
            c.skip(1);
            continue;
        }
        if (n > 128 || b.size() - c.pos() < (size_t)n + 1)
            return;
        std::string name((const char*)b.data() + c.pos() + 1, n);
        for (char ch : name)
            if (ch < 0x20 || ch > 0x7e)
                return;
        table->lob_names.push_back(name);
        c.skip((size_t)n + 1);
    }
}

bool read_table_data(Cursor& c, const std::vector<uint8_t>& b, DmpTable* table, std::string* error)
{
    uint16_t n = 0;
    if (!c.ub2(&n) || n == 0) {
        *error = at(c, "no column count");
        return false;
    }
    bool lobs = false;
    for (uint16_t i = 0; i < n; i++) {
        DmpColumn col;
        if (!c.ub2(&col.type) || !c.ub2(&col.length) ||
            (has_charset(col.type) && (!c.ub2(&col.charset_id) || !c.ub2(&col.charset_form)))) {
            *error = at(c, "descriptor past the end");
            return false;
        }
        lobs = lobs || is_lob(col.type);
        table->columns.push_back(col);
    }
    uint16_t z1 = 1, z2 = 1;
    size_t before = c.pos();
    if (c.ub2(&z1) && c.ub2(&z2) && z1 == 0 && z2 == 0) {
        // the descriptors end with 4 zero bytes
    } else if (lobs && z1 == n) {
        c.seek(before);
        read_lob_names(c, b, table);
    } else {
        *error = at(c, "descriptors not ended by 4 zero bytes");
        return false;
    }
    table->data_begin = c.pos();
    for (;;) {
        uint16_t mark = 0;
        size_t row_start = c.pos();
        if (!c.ub2(&mark)) {
            *error = at(c, "rows not ended by 0xFFFF");
            return false;
        }
        if (mark == 0xFFFF)
            break;
        c.seek(row_start);
        std::vector<DmpValue> row(n);
        for (uint16_t i = 0; i < n; i++)
            if (!read_value(c, &row[i], error)) {
                *error += " (table " + table->name + ", row " + std::to_string(table->rows.size() + 1) +
                          ", column " + std::to_string(i + 1) + ")";
                return false;
            }
        uint16_t end = 1;
        if (!c.ub2(&end) || end != 0) {
            *error = at(c, "row " + std::to_string(table->rows.size() + 1) + " of " + table->name +
                               " not ended by 0x0000");
            return false;
        }
        table->rows.push_back(std::move(row));
    }
    table->data_end = c.pos();
    return true;
}

bool read_header(Cursor& c, DmpFile* file, std::string* error)
{
    std::string version, user, mode, length;
    if (c.at_end() || c.peek() != 0x03) {
        *error = "first byte is not 0x03";
        return false;
    }
    c.skip(1);
    uint16_t little = 0;
    if (!c.ub2(&little)) {
        *error = "no character set";
        return false;
    }
    file->charset_id = (uint16_t)((little >> 8) | (little << 8));
    if (!c.line(&version) || version.rfind("EXPORT:", 0) != 0 || !c.line(&user) || user.empty() ||
        !c.line(&mode) || mode.size() < 2 || mode[0] != 'R' || !c.line(&length)) {
        *error = "header lines not as expected";
        return false;
    }
    file->version = version.substr(7);
    file->flag = user[0];
    file->user = user.substr(1);
    file->mode = mode.substr(1);
    file->record_length = (uint32_t)strtoul(length.c_str(), nullptr, 10);
    return true;
}

} // namespace

std::string read_dmp(const std::vector<uint8_t>& bytes, DmpFile* file)
{
    *file = DmpFile();
    Cursor c(bytes, 0);
    std::string error;
    if (!read_header(c, file, &error))
        return error;
    size_t from = c.pos();
    for (;;) {
        size_t table_at = find_line(bytes, from, "TABLE \"");
        if (table_at == std::string::npos)
            break;
        Cursor t(bytes, table_at);
        DmpTable table;
        std::string line;
        t.line(&line);
        table.name = quoted_name(line, 0);
        // A table's section: its TABLE line, then its CREATE TABLE line.
        // Later TABLE lines (constraints, grants) lead other statements.
        Cursor cr(bytes, t.pos());
        if (!cr.line(&table.create_sql) || table.create_sql.rfind("CREATE TABLE \"", 0) != 0) {
            from = t.pos();
            continue;
        }
        size_t insert_at = find_line(bytes, t.pos(), "INSERT INTO \"");
        size_t next_table = find_line(bytes, t.pos(), "TABLE \"");
        if (insert_at == std::string::npos || (next_table != std::string::npos && next_table < insert_at)) {
            // A table exported without rows.
            file->tables.push_back(std::move(table));
            from = t.pos();
            continue;
        }
        Cursor ins(bytes, insert_at);
        ins.line(&table.insert_sql);
        if (quoted_name(table.insert_sql, 0) != table.name)
            return "INSERT of table " + quoted_name(table.insert_sql, 0) + " under TABLE " + table.name;
        if (!read_table_data(ins, bytes, &table, &error))
            return error;
        from = table.data_end;
        file->tables.push_back(std::move(table));
    }
    static const char exit_text[] = "\nEXIT\nEXIT\n";
    size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == 0)
        end--;
    size_t n = sizeof(exit_text) - 1;
    file->ends_with_exit = end >= n && memcmp(bytes.data() + end - n, exit_text, n) == 0;
    return "";
}

std::vector<uint8_t> read_file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string hex_lines(const std::vector<uint8_t>& bytes, size_t begin, size_t end)
{
    std::string out;
    if (end > bytes.size())
        end = bytes.size();
    for (size_t off = begin; off < end; off += 16) {
        size_t n = end - off < 16 ? end - off : 16;
        bool zero = true;
        for (size_t i = 0; i < n; i++)
            zero = zero && bytes[off + i] == 0;
        if (zero)
            continue;
        char line[80];
        int len = snprintf(line, sizeof(line), "%08zx:", off);
        for (size_t i = 0; i < n; i++)
            len += snprintf(line + len, sizeof(line) - (size_t)len, " %02x", bytes[off + i]);
        out.append(line, (size_t)len);
        out += '\n';
    }
    return out;
}
