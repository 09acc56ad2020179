#include "scan/scan_join.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr size_t JOIN_CHUNK = 1024 * 1024;

bool touches_boundary(const SCAN_BOUNDARIES& boundaries, const DICT_EXTENT& e)
{
    ub8 end = (ub8)e.block_no + e.length;
    return boundaries.count({e.tablespace_no, e.file_no, e.block_no}) != 0 ||
           (end <= UB4_MAX && boundaries.count({e.tablespace_no, e.file_no, (ub4)end}) != 0);
}

// One complete line (with its line feed) of a worker's file.
bool join_line(PSCAN_RESULT_FILE file, int index, const char* line, size_t length, SCAN_JOIN* join)
{
    DICT_EXTENT extent;
    if (index == SCAN_EXT && parse_scanned_extent_line(line, length - 1, &extent) &&
        touches_boundary(*join->boundaries, extent)) {
        join->held.push_back(extent);
        return true;
    }
    return add_scan_result_line(file, line, length) != 0;
}

// Appends the complete lines of one worker file; the file is removed.
bool join_file(PSCAN_RESULT_FILE file, int index, const char* name, SCAN_JOIN* join, char* chunk)
{
    int fd = open(name, O_RDONLY);
    if (fd < 0)
        return true;
    size_t kept = 0; // bytes of an unfinished line at the start of chunk
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, chunk + kept, JOIN_CHUNK - kept);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        size_t have = kept + (size_t)n;
        size_t start = 0;
        for (size_t i = 0; i < have && ok; i++)
            if (chunk[i] == '\n') {
                ok = join_line(file, index, chunk + start, i + 1 - start, join);
                start = i + 1;
            }
        kept = have - start;
        if (!ok)
            break;
        if (kept == JOIN_CHUNK) {
            join->cut_lines++; // no line is this long: not ours
            kept = 0;
        } else
            memmove(chunk, chunk + start, kept);
    }
    if (kept > 0)
        join->cut_lines++;
    close(fd);
    unlink(name);
    return ok;
}

} // namespace

int parse_scanned_extent_line(const char* line, size_t length, PDICT_EXTENT extent)
{
    ub4 fields[6] = {};
    int field = 0;
    bool digits = false;
    ub8 value = 0;
    for (size_t i = 0; i <= length; i++) {
        char c = i < length ? line[i] : ',';
        if (c >= '0' && c <= '9') {
            value = value * 10 + (ub8)(c - '0');
            if (value > UB4_MAX)
                return FALSE;
            digits = true;
        } else if (c == ',' && digits && field < 6) {
            fields[field++] = (ub4)value;
            value = 0;
            digits = false;
        } else
            return FALSE;
    }
    if (field != 6)
        return FALSE;
    *extent = {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    return TRUE;
}

int join_slave_results(PSCAN_RESULT_FILE files, const char* suffix, SCAN_JOIN* join)
{
    char* chunk = (char*)malloc(JOIN_CHUNK);
    if (chunk == nullptr)
        return FALSE;
    bool ok = true;
    for (int i = 0; i < SCAN_FILE_COUNT; i++) {
        char name[FILENAME_MAXLEN];
        snprintf(name, sizeof(name), "%s%s", scan_result_filenames[i], suffix);
        if (ok)
            ok = join_file(&files[i], i, name, join, chunk);
        else
            unlink(name);
    }
    free(chunk);
    return ok ? TRUE : FALSE;
}

int write_joined_extents(PSCAN_RESULT_FILE ext, SCAN_JOIN* join)
{
    std::vector<DICT_EXTENT>& held = join->held;
    std::sort(held.begin(), held.end(), [](const DICT_EXTENT& a, const DICT_EXTENT& b) {
        return std::tie(a.tablespace_no, a.file_no, a.block_no) < std::tie(b.tablespace_no, b.file_no, b.block_no);
    });
    std::vector<DICT_EXTENT> runs;
    for (const DICT_EXTENT& e : held) {
        if (!runs.empty()) {
            DICT_EXTENT& last = runs.back();
            bool same = last.tablespace_no == e.tablespace_no && last.file_no == e.file_no &&
                        last.data_object_id == e.data_object_id && last.block_type == e.block_type;
            if (same && (ub8)last.block_no + last.length == e.block_no &&
                join->boundaries->count({e.tablespace_no, e.file_no, e.block_no}) != 0) {
                last.length += e.length;
                continue;
            }
        }
        runs.push_back(e);
    }
    for (const DICT_EXTENT& e : runs)
        if (!write_scanned_extent(ext, e.data_object_id, e.tablespace_no, e.file_no, e.block_no,
                                  (ub8)e.block_no + e.length, e.block_type))
            return FALSE;
    return TRUE;
}
