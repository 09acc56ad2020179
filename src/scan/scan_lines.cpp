// The lines of the four scan result files, and opening and closing them as
// a set.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/printer.h"
#include "scan/extent_scan.h"
#include "scan/scanned_extent.h"

const char scan_segment_filename[] = "segment.txt";
const char* const scan_result_filenames[SCAN_FILE_COUNT] = {dict_ext_filename, scan_segment_filename,
                                                            scan_lobind_filename, scan_lobpage_filename};

namespace {

// Each header line is 40 bytes with its line feed.
const char SEGMENT_HEADER_LINES[] = "=======================================\n"
                                    "==data_obj#,tablespace#,rfile#,block#==\n"
                                    "=======================================\n";

struct LOBIND_LINE_CONTEXT {
    PSCAN_RESULT_FILE file;
    ub4 ts, rfile, block_no;
    int ok;
};

int add_line(PSCAN_RESULT_FILE file, const char* line, int length)
{
    if (length <= 0 || (size_t)length >= SCAN_RESULT_LINE_MAX)
        return FALSE;
    return add_scan_result_line(file, line, (size_t)length);
}

void write_lobind_line(void* context, const DICT_LOBIND* e)
{
    LOBIND_LINE_CONTEXT* c = (LOBIND_LINE_CONTEXT*)context;
    char line[SCAN_RESULT_LINE_MAX];
    int n = snprintf(line, sizeof(line), "%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u\n", c->ts, c->rfile, c->block_no,
                     e->data_object_id, e->lob_id1, e->lob_id2, e->lob_id3, e->version1, e->version2, e->blocks,
                     e->bytes);
    if (c->ok && !add_line(c->file, line, n))
        c->ok = FALSE;
}

} // namespace

int write_scanned_extent(PSCAN_RESULT_FILE file, ub4 data_object_id, ub4 ts, ub4 rfile, ub8 start_block,
                         ub8 end_block, ub4 block_type)
{
    if (ts == SCAN_NO_TS || start_block == 1 || data_object_id == 0 || block_type >= BT_INVALID ||
        start_block >= end_block)
        return TRUE;
    char line[SCAN_RESULT_LINE_MAX];
    int n = snprintf(line, sizeof(line), "%u,%u,%u,%u,%u,%u\n", data_object_id, ts, rfile, (ub4)start_block,
                     (ub4)(end_block - start_block), block_type);
    return add_line(file, line, n);
}

int write_scanned_segment(PSCAN_RESULT_FILE file, ub4 data_object_id, ub4 ts, ub4 rfile, ub4 block_no)
{
    char line[SCAN_RESULT_LINE_MAX];
    int n = snprintf(line, sizeof(line), "%u,%u,%u,%u\n", data_object_id, ts, rfile, block_no);
    return add_line(file, line, n);
}

int write_scanned_lobpage(PSCAN_RESULT_FILE file, const ub1* block, ub4 block_size, ub4 ts, ub4 rfile,
                          ub4 block_no)
{
    DICT_LOBPAGE p;
    get_scanned_lobpage(block, block_size, &p);
    char line[SCAN_RESULT_LINE_MAX];
    int n = snprintf(line, sizeof(line), "%u,%u,%u,%u,%u,%u,%u,%u,%u,%u\n", ts, rfile, block_no, p.data_object_id,
                     p.lob_id1, p.lob_id2, p.lob_id3, p.version1, p.version2, p.page_no);
    return add_line(file, line, n);
}

int write_scanned_lobindex(PSCAN_RESULT_FILE file, const ub1* block, ub4 block_size, ub4 ts, ub4 rfile,
                           ub4 block_no, const DATABLOCK_HEADER* data_block_header)
{
    LOBIND_LINE_CONTEXT context = {file, ts, rfile, block_no, TRUE};
    get_scanned_lobindex_entries(block, block_size, data_block_header, write_lobind_line, &context);
    return context.ok;
}

int write_scanned_segment_header(PSCAN_RESULT_FILE file)
{
    return add_scan_result_line(file, SEGMENT_HEADER_LINES, sizeof(SEGMENT_HEADER_LINES) - 1);
}

int open_scan_result_files(PSCAN_RESULT_FILE files, const char* suffix, const char* ext_message)
{
    for (int i = 0; i < SCAN_FILE_COUNT; i++)
        files[i].fd = -1;
    for (int i = 0; i < SCAN_FILE_COUNT; i++) {
        char name[FILENAME_MAXLEN];
        snprintf(name, sizeof(name), "%s%s", scan_result_filenames[i], suffix);
        if (open_scan_result_file(&files[i], name, TRUE))
            continue;
        const char* message = i == SCAN_EXT ? ext_message
                                            : "can not open file '%s' for writing, error message:%s.\n";
        sp_printf(message, name, strerror(files[i].error));
        for (int j = 0; j < i; j++)
            close_scan_result_file(&files[j]);
        return FALSE;
    }
    return TRUE;
}

void show_scan_write_error(const SCAN_RESULT_FILE* file)
{
    sp_printf("can not write file '%s', error message:%s.\n", file->name, strerror(file->error));
}

int close_scan_result_files(PSCAN_RESULT_FILE files)
{
    int ok = TRUE;
    for (int i = 0; i < SCAN_FILE_COUNT; i++)
        if (!close_scan_result_file(&files[i])) {
            show_scan_write_error(&files[i]);
            ok = FALSE;
        }
    return ok;
}

void add_scan_stats(SCAN_STATS* total, const SCAN_STATS* part)
{
    total->blocks_scanned += part->blocks_scanned;
    if (total->damaged_blocks == 0 && part->damaged_blocks != 0) {
        total->first_damaged_file = part->first_damaged_file;
        total->first_damaged_block = part->first_damaged_block;
    }
    total->damaged_blocks += part->damaged_blocks;
    if (total->unreadable_blocks == 0 && part->unreadable_blocks != 0) {
        total->first_unreadable_file = part->first_unreadable_file;
        total->first_unreadable_block = part->first_unreadable_block;
    }
    total->unreadable_blocks += part->unreadable_blocks;
}
