#include "support/e2e.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>

#include "builder/demo_schema.h"

namespace {

std::string between(const std::string& text, const std::string& open, char close)
{
    size_t from = text.find(open);
    if (from == std::string::npos)
        return "";
    from += open.size();
    size_t to = text.find(close, from);
    return to == std::string::npos ? "" : text.substr(from, to - from);
}

std::string from_hex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += (char)strtol(hex.substr(i, 2).c_str(), nullptr, 16);
    return bytes;
}

const char* const CACHE_FILES[] = {"user.zem", "obj.zem", "col.zem", "tab.zem", "ind.zem", "lob.zem", "lobfrag.zem"};

} // namespace

E2eDatabase::E2eDatabase(const std::string& tag, const zb::DictionaryDef& def, const std::string& extra_config,
                         const std::function<void(zb::BuiltDatabase&)>& adjust)
    : dir_(make_temp_dir(tag)), def_(def), db_(zb::build_database(def))
{
    if (adjust)
        adjust(db_);
    db_.image.write(dir_);
    write_file(dir_ + "/config.txt", zb::demo_config(def_, "out") + extra_config);
    mkdir((dir_ + "/out").c_str(), 0755);
}

E2eDatabase::~E2eDatabase()
{
    if (getenv("ZEM_KEEP_E2E") == nullptr)
        remove_tree(dir_);
    else
        fprintf(stderr, "kept %s\n", dir_.c_str());
}

ZemRun E2eDatabase::run(const std::string& commands, int timeout_seconds) const
{
    ZemRun r = run_zem_process(dir_, commands + "exit\n", e2e_env(), timeout_seconds);
    r.out = transcript_of(r.out);
    return r;
}

std::vector<std::string> E2eDatabase::output_names() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ + "/out"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> E2eDatabase::outputs() const
{
    std::map<std::string, std::string> files;
    for (const std::string& name : output_names())
        files[name] = output(name);
    return files;
}

std::map<std::string, std::string> E2eDatabase::dictionary_cache() const
{
    std::map<std::string, std::string> files;
    for (const char* name : CACHE_FILES)
        if (path_exists(path(name)))
            files[name] = read_file(path(name));
    return files;
}

void E2eDatabase::clear_output() const
{
    remove_tree(dir_ + "/out");
    mkdir((dir_ + "/out").c_str(), 0755);
}

std::map<std::string, std::string> e2e_env()
{
    // The clock library comes before the sanitizer runtime in the load
    // order; tell the runtime that this is intended.
    const char* asan = getenv("ASAN_OPTIONS");
    std::string options = std::string(asan != nullptr ? asan : "");
    options += (options.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
    return {{"LD_PRELOAD", ZEM_FIXED_CLOCK_LIB}, {"ASAN_OPTIONS", options}, {"ZEM_FIXED_TIME", "1735732800"}};
}

std::string transcript_of(const std::string& out)
{
    size_t first_prompt = out.find("ZEM> ");
    return first_prompt == std::string::npos ? out : out.substr(first_prompt);
}

std::string file_digest(const std::string& path)
{
    std::string bytes = read_file(path);
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[64];
    snprintf(text, sizeof(text), "%016llx/%zu", (unsigned long long)h, bytes.size());
    return text;
}

size_t count_of(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

size_t remove_worker_logs(const std::string& dir)
{
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("zem_slave_", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".log") {
            std::filesystem::remove(entry.path());
            count++;
        }
    }
    return count;
}

std::vector<zb::DictRow> live_rows(const zb::DictTable& t)
{
    std::vector<zb::DictRow> rows = t.rows;
    for (const zb::DictPartition& p : t.partitions) {
        rows.insert(rows.end(), p.rows.begin(), p.rows.end());
        for (const zb::DictPartition& s : p.subpartitions)
            rows.insert(rows.end(), s.rows.begin(), s.rows.end());
    }
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const zb::DictRow& r) { return r.deleted; }), rows.end());
    return rows;
}

std::string output_base(const zb::DictTable& t)
{
    std::string base = t.owner + "_" + t.name;
    for (char& c : base)
        if (!isalnum((unsigned char)c) && c != '.' && c != '_' && (unsigned char)c < 128)
            c = '_';
    return base;
}

std::string extent_line(uint32_t dataobj, uint32_t first, size_t blocks, int type)
{
    return std::to_string(dataobj) + ",4,4," + std::to_string(first) + "," + std::to_string(blocks) + "," +
           std::to_string(type) + "\n";
}

std::string extent_lines(const zb::BuiltSegment& s)
{
    std::string text = extent_line(s.dataobj, s.block, 1, 16);
    for (size_t i = 0; i < s.data_blocks.size();) {
        size_t j = i + 1;
        while (j < s.data_blocks.size() && s.data_blocks[j] == s.data_blocks[j - 1] + 1)
            j++;
        text += extent_line(s.dataobj, s.data_blocks[i], j - i);
        i = j;
    }
    return text;
}

void drop_cache_lines(const std::string& path, uint32_t obj)
{
    std::string kept;
    for (const std::string& line : lines_of(read_file(path)))
        if (line.rfind(std::to_string(obj) + ",", 0) != 0)
            kept += line + "\n";
    write_file(path, kept);
}

ControlFile parse_control_file(const std::string& text)
{
    ControlFile ctl;
    bool in_list = false;
    for (const std::string& line : lines_of(text)) {
        if (line.rfind("INFILE", 0) == 0) {
            ctl.infile = between(line, "'", '\'');
            ctl.record_end = from_hex(between(line, "STR X'", '\''));
        }
        if (line.rfind("FIELDS TERMINATED BY X'", 0) == 0) {
            ctl.delimiter = from_hex(between(line, "X'", '\''));
            ctl.enclosure = from_hex(between(line, "OPTIONALLY ENCLOSED BY X'", '\''));
        }
        if (line == "(") {
            in_list = true;
            continue;
        }
        if (line == ")")
            in_list = false;
        if (!in_list)
            continue;
        if (line.find(" FILLER ") != std::string::npos) {
            size_t begin = line.find_first_not_of(' ');
            ctl.fields.push_back(line.substr(begin, line.find(" FILLER ") - begin));
            continue;
        }
        std::string name = between(line, "\"", '"');
        std::string filler = between(line, "LOBFILE(", ')');
        if (filler.empty()) {
            ctl.fields.push_back(name);
        } else {
            std::replace(ctl.fields.begin(), ctl.fields.end(), filler, name);
            ctl.lob_files.push_back(name);
        }
    }
    return ctl;
}

std::vector<std::vector<std::string>> load_text_rows(const std::string& text, const ControlFile& ctl,
                                                     const std::string& lob_dir)
{
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const std::string& d = ctl.delimiter;
    const std::string& q = ctl.enclosure;
    std::vector<std::vector<std::string>> rows;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(ctl.record_end, start);
        std::string record = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + ctl.record_end.size();
        std::vector<std::string> fields;
        for (size_t at = 0;;) {
            size_t first = at;
            while (!q.empty() && first < record.size() && blank(record[first]))
                first++;
            std::string value;
            size_t next;
            if (!q.empty() && record.compare(first, q.size(), q) == 0) {
                size_t pos = first + q.size();
                for (;;) {
                    size_t close = record.find(q, pos);
                    if (close == std::string::npos) {
                        value += record.substr(pos);
                        pos = record.size();
                        break;
                    }
                    value += record.substr(pos, close - pos);
                    pos = close + q.size();
                    if (record.compare(pos, q.size(), q) != 0)
                        break;
                    value += q;
                    pos += q.size();
                }
                next = d.empty() ? std::string::npos : record.find(d, pos);
            } else {
                next = d.empty() ? std::string::npos : record.find(d, at);
                size_t from = q.empty() ? at : first;
                value = record.substr(from, next == std::string::npos ? std::string::npos : next - from);
                if (std::all_of(value.begin(), value.end(), blank))
                    value.clear();
            }
            fields.push_back(value);
            if (next == std::string::npos)
                break;
            at = next + d.size();
        }
        fields.resize(std::max(fields.size(), ctl.fields.size()));
        for (size_t i = 0; i < ctl.fields.size() && !lob_dir.empty(); i++)
            if (!fields[i].empty() &&
                std::find(ctl.lob_files.begin(), ctl.lob_files.end(), ctl.fields[i]) != ctl.lob_files.end())
                fields[i] = read_file(lob_dir + "/" + fields[i]);
        rows.push_back(fields);
    }
    return rows;
}

std::vector<std::vector<std::string>> expected_text_rows(const std::vector<zb::DictRow>& rows,
                                                         const zb::DictTable& table, const ControlFile& ctl)
{
    std::vector<size_t> columns;
    for (const std::string& field : ctl.fields) {
        size_t i = 0;
        while (i < table.columns.size() && table.columns[i].name != field)
            i++;
        columns.push_back(i);
    }
    std::vector<std::vector<std::string>> out;
    for (const zb::DictRow& row : rows) {
        std::vector<std::string> values;
        for (size_t i : columns)
            values.push_back(i < row.values.size() ? row.values[i].text : "?");
        out.push_back(values);
    }
    return out;
}
