// The texts discover writes, in the forms the loaders read:
//   control.txt   ts# file# rfile# path block_size big(Y/N) offset blocks
//   asmdisk.txt   disk# path group meta_block_size au_size disk_size offset compat
//   config.txt    key value
// Every column is written, so each line still says everything about its file
// when the header that told it is damaged later.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/config.h"
#include "base/rdba.h"
#include "base/str_util.h"
#include "storage/discover.h"

namespace {

std::string format_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string format_line(const char* format, ...)
{
    char line[LINE_MAX_SIZE + FILENAME_MAXLEN];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    return line;
}

std::vector<const DISCOVERED_FILE*> kept_files(const DISCOVERED_FILES& files, bool (*is_kind)(const DISCOVERED_FILE&))
{
    std::vector<const DISCOVERED_FILE*> kept;
    for (const DISCOVERED_FILE& f : files)
        if (is_kind(f) && f.status == DS_KEPT)
            kept.push_back(&f);
    return kept;
}

struct CONFIG_KEY {
    const char* key;
    std::string value;
    const char* default_value;
};

std::vector<std::string> words_of(const std::string& line)
{
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = line.find_first_not_of(" \t\r\n", at)) != std::string::npos) {
        size_t end = line.find_first_of(" \t\r\n", at);
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

} // namespace

std::string make_discovered_control_text(const DISCOVERED_FILES& files)
{
    std::vector<const DISCOVERED_FILE*> kept = kept_files(files, is_discovered_datafile);
    std::stable_sort(kept.begin(), kept.end(), [](const DISCOVERED_FILE* a, const DISCOVERED_FILE* b) {
        return a->probe.datafile.header.file_no < b->probe.datafile.header.file_no;
    });
    std::string text = "# ts fn rfn path bsize big offset blocks\n";
    for (const DISCOVERED_FILE* f : kept) {
        const DATAFILE_PROBE& d = f->probe.datafile;
        text += format_line("%u %u %u %s %u %s %u %u\n", d.header.tbs_no, (ub4)d.header.file_no, d.header.relative_fn,
                            f->path.c_str(), d.block_size, d.header.relative_fn == BIG_FILE_RFN ? "Y" : "N",
                            d.header_offset, d.header.file_size);
    }
    return text;
}

std::string make_discovered_asmdisk_text(const DISCOVERED_FILES& files)
{
    std::vector<const DISCOVERED_FILE*> kept = kept_files(files, is_discovered_asm_disk);
    std::stable_sort(kept.begin(), kept.end(), [](const DISCOVERED_FILE* a, const DISCOVERED_FILE* b) {
        const KFDHBH& x = a->probe.asm_disk.header;
        const KFDHBH& y = b->probe.asm_disk.header;
        int by_group = strcmp(x.grpname, y.grpname);
        return by_group != 0 ? by_group < 0 : x.dsknum < y.dsknum;
    });
    std::string text = "# disk path group bsize ausize disksize offset compat\n";
    for (const DISCOVERED_FILE* f : kept) {
        const KFDHBH& h = f->probe.asm_disk.header;
        text += format_line("%u %s %s %u %u %u %u %u.%u\n", (ub4)h.dsknum, f->path.c_str(), h.grpname,
                            (ub4)h.blksize, h.ausize, h.dsksize, f->probe.asm_disk.header_offset,
                            (ub4)VSNNUMVSN(h.compat), (ub4)VSNNUMRLS(h.compat));
    }
    return text;
}

std::string merge_discovered_config_text(const std::string& existing, const DISCOVER_SETTINGS& settings)
{
    std::vector<CONFIG_KEY> keys = {
        {"block_size", std::to_string(settings.block_size), "4096"},
        {"byte_order", settings.byte_order == BO_BIG ? "big" : "little", "little"},
        {"is_tru64", settings.is_tru64 ? "yes" : "no", "no"},
        {"compatible", std::to_string(settings.compatible), "10"},
    };
    std::vector<bool> present(keys.size(), false);
    std::string text;
    size_t at = 0;
    while (at < existing.size()) {
        size_t end = existing.find('\n', at);
        end = end == std::string::npos ? existing.size() : end + 1;
        std::string line = existing.substr(at, end - at);
        at = end;
        std::vector<std::string> words = words_of(line);
        if (line[0] != '#' && words.size() == 2)
            for (size_t k = 0; k < keys.size(); k++)
                if (str_case_equal(words[0].c_str(), keys[k].key)) {
                    line = std::string(keys[k].key) + " " + keys[k].value + "\n";
                    present[k] = true;
                }
        text += line;
    }
    if (!text.empty() && text.back() != '\n')
        text += "\n";
    for (size_t k = 0; k < keys.size(); k++)
        if (!present[k] && keys[k].value != keys[k].default_value)
            text += std::string(keys[k].key) + " " + keys[k].value + "\n";
    return text;
}
