// Delimited text that must load back: arbitrary values written by the text
// field rules (enclosure, doubled enclosure characters, the three-byte
// record end and the rewrite of the records before the first line feed),
// read again the way the control file tells the loader, and compared. The
// first byte picks the delimiter and how small the gathering buffer is; the
// rest is three-column rows of values separated by NUL bytes (a text value
// never holds NUL).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "output/text_fields.h"
#include "support_seeds.h"

namespace {

const char* const DELIMITERS[] = {"|", "||", ",|", "\"", "\x1e", "ab"};
constexpr size_t COLUMNS = 3;

using Row = std::vector<std::string>;

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

// The loader's reading of the file: records end at the record end; a field
// that begins (after blanks) with the enclosure ends at the enclosure not
// followed by another; otherwise at the delimiter, its leading blanks
// dropped when an enclosure is declared; an all-blank one is NULL.
std::vector<Row> read_back(const std::string& text, const TEXT_FIELDS& f)
{
    std::string end(f.record_end, f.record_end_len);
    std::string d(f.delimiter);
    char q = f.enclosure;
    bool enclosed = f.enclosed;
    std::vector<Row> rows;
    for (size_t start = 0; start < text.size();) {
        size_t stop = text.find(end, start);
        std::string record = text.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
        start = stop == std::string::npos ? text.size() : stop + end.size();
        Row row;
        for (size_t at = 0;;) {
            size_t first = at;
            while (enclosed && first < record.size() && is_blank(record[first]))
                first++;
            std::string value;
            size_t next;
            if (enclosed && first < record.size() && record[first] == q) {
                size_t pos = first + 1;
                while (pos < record.size()) {
                    if (record[pos] == q) {
                        if (pos + 1 < record.size() && record[pos + 1] == q) {
                            value += q;
                            pos += 2;
                            continue;
                        }
                        pos++;
                        break;
                    }
                    value += record[pos++];
                }
                next = record.find(d, pos);
            } else {
                size_t from = enclosed ? first : at;
                next = record.find(d, at);
                value = record.substr(from, next == std::string::npos ? std::string::npos : next - from);
                bool blank = true;
                for (char c : value)
                    blank = blank && is_blank(c);
                if (blank)
                    value.clear();
            }
            row.push_back(value);
            if (next == std::string::npos)
                break;
            at = next + d.size();
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char plain[] = "\x00" "a\0b\0c\0d\0e\0f";
    const char nasty[] = "\x10" "x|y\0\"q\"\0two\nlines\0 lead\0\x1e\"\n\0end";
    write_seed("text_fields_fuzz", "plain", std::string(plain, sizeof(plain) - 1));
    write_seed("text_fields_fuzz", "nasty", std::string(nasty, sizeof(nasty) - 1));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char* delimiter = DELIMITERS[data[0] % (sizeof(DELIMITERS) / sizeof(DELIMITERS[0]))];
    std::vector<std::string> values(1);
    for (size_t i = 1; i < size; i++) {
        if (data[i] == 0)
            values.emplace_back();
        else
            values.back() += (char)data[i];
    }
    while (values.size() % COLUMNS != 0)
        values.emplace_back();

    OUTPUT_FILE out;
    init_output_file(&out);
    out.fp = tmpfile();
    if (out.fp == nullptr)
        return 0;
    static char buffer[64];
    out.text = buffer;
    out.size = 1 + (data[0] >> 4) % sizeof(buffer); // small: hands over often
    TEXT_FIELDS fields;
    init_text_fields(&fields, delimiter);
    std::vector<Row> written;
    for (size_t r = 0; r < values.size(); r += COLUMNS) {
        Row row(values.begin() + (long)r, values.begin() + (long)(r + COLUMNS));
        for (size_t c = 0; c < COLUMNS; c++) {
            if (c > 0)
                put_output_text(&out, delimiter);
            put_text_value(&out, &fields, row[c].data(), row[c].size());
        }
        put_record_end(&out, &fields);
        written.push_back(row);
    }
    flush_output_file(&out);
    if (out.error != 0)
        abort();
    std::string text;
    rewind(out.fp);
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), out.fp)) > 0)
        text.append(chunk, n);
    fclose(out.fp);
    std::vector<Row> read = read_back(text, fields);
    if (read.size() != written.size())
        abort();
    for (size_t r = 0; r < read.size(); r++) {
        read[r].resize(COLUMNS);
        if (read[r] != written[r])
            abort();
    }
    return 0;
}
