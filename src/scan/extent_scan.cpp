// The extent scan of a block range, and the scan in the shell process.
//
// A run is the current stretch of consecutive blocks that share data object
// and block type; first block 1 means no run yet (block 1 is a file header,
// so no run of interest starts there). A run is written to ext.zem when it
// ends: at a block of another object or type, at a damaged block, at a read
// that failed, and after the last block scanned.

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "base/config.h"
#include "base/printer.h"
#include "base/progress_line.h"
#include "scan/extent_scan.h"
#include "scan/scanned_extent.h"
#include "storage/block_reader.h"
#include "storage/readable_block.h"

namespace {

// read_blocks counts blocks in 16 bits.
constexpr ub4 MAX_SCAN_READ_COUNT = 65535;

struct SCAN_RUN {
    ub8 first;
    ub4 object_id;
    ub4 block_type;
};

const SCAN_RUN NO_RUN = {1, 0, BT_INVALID};

bool is_open_datafile(const DATAFILE_ITEM* item)
{
    return item->is_asm ? item->asm_file != nullptr : item->fp != nullptr;
}

// Whole blocks a plain file holds, or 0 when its size does not tell (a
// device, an ASM file, a failed stat).
ub8 get_real_block_count(const DATAFILE_ITEM* item)
{
    struct stat st;
    if (item->is_asm || item->fp == nullptr || fstat(fileno(item->fp), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    ub8 size = (ub8)st.st_size;
    return size > item->header_offset ? (size - item->header_offset) / (ub8)item->block_size : 0;
}

bool close_run(PSCAN_CONTEXT context, const DATAFILE_ITEM* item, const SCAN_RUN* run, ub8 end)
{
    ub4 filter = context->filter.data_object_id;
    if (filter != 0 && run->object_id != filter)
        return true;
    if (write_scanned_extent(&context->files[SCAN_EXT], run->object_id, (ub4)item->ts_no, (ub4)item->rfile_no,
                             run->first, end, run->block_type))
        return true;
    context->failed = TRUE;
    return false;
}

void note_damaged(SCAN_STATS* stats, ub4 file_no, ub4 block_no)
{
    if (stats->damaged_blocks++ == 0) {
        stats->first_damaged_file = file_no;
        stats->first_damaged_block = block_no;
    }
}

void note_unreadable(SCAN_STATS* stats, ub4 file_no, ub8 block_no, ub8 count)
{
    if (stats->unreadable_blocks == 0) {
        stats->first_unreadable_file = file_no;
        stats->first_unreadable_block = (ub4)block_no;
    }
    stats->unreadable_blocks += count;
}

// Reads up to `count` blocks at b into the scan buffer; 0 when the read
// failed. A worker traces every read.
ub4 read_scan_blocks(PSCAN_CONTEXT context, PDATAFILE_ITEM item, ub8 b, ub8 count)
{
    ub4 got = read_blocks(item, (ub4)b, (ub2)count, context->buffer, get_datafile_block_rdba(item, (ub4)b));
    if (context->is_slave && config_data.trace_level > 2)
        sp_printf("pid %d scan file_id %u start_block %u block_cnt %u\n", (int)getpid(), (ub4)item->file_no, (ub4)b,
                  got);
    if (got == 0 && context->is_slave && config_data.trace_level > 1)
        sp_printf("scan extent read block retuning block_cnt=0\n");
    return got > count ? (ub4)count : got;
}

struct SCAN_PROBE {
    PSCAN_CONTEXT context;
    PDATAFILE_ITEM item;
};

bool read_scan_probe(void* probe_context, ub8 block_no)
{
    SCAN_PROBE* probe = (SCAN_PROBE*)probe_context;
    return read_scan_blocks(probe->context, probe->item, block_no, 1) != 0;
}

// Blocks the scan is done with, read or not, for the progress line.
void note_progress(PSCAN_CONTEXT context, ub8 blocks, ub8 bytes)
{
    if (context->progress != nullptr)
        add_progress_done(context->progress, blocks, bytes, 0);
    if (context->shared_done != nullptr)
        context->shared_done->fetch_add(blocks, std::memory_order_relaxed);
}

// One block at p: records what it says and moves the run along.
void scan_one_block(PSCAN_CONTEXT context, const DATAFILE_ITEM* item, const ub1* block, ub4 p, SCAN_RUN* run)
{
    ub4 block_size = (ub4)item->block_size;
    ub4 ts = (ub4)item->ts_no, rfile = (ub4)item->rfile_no;
    ub4 filter = context->filter.data_object_id;
    SCANNED_BLOCK scanned;
    get_scanned_block(block, block_size, context->check_tail, &scanned);
    context->stats.blocks_scanned++;
    int ok = TRUE;
    switch (scanned.kind) {
    case SCAN_BLOCK_DAMAGED:
        note_damaged(&context->stats, (ub4)item->file_no, p);
        // A damaged block never forms a run of its own.
        close_run(context, item, run, p);
        *run = {p, 0, BT_INVALID};
        return;
    case SCAN_BLOCK_SEGMENT_HEADER:
        if (filter == 0 || scanned.object_id == filter)
            ok = write_scanned_segment(&context->files[SCAN_SEGMENT], scanned.object_id, ts, rfile, p);
        break;
    case SCAN_BLOCK_DATA:
        if (scanned.lob_index_candidate)
            ok = write_scanned_lobindex(&context->files[SCAN_LOBIND], block, block_size, ts, rfile, p,
                                        &scanned.data_header);
        break;
    case SCAN_BLOCK_LOB_PAGE:
        ok = write_scanned_lobpage(&context->files[SCAN_LOBPAGE], block, block_size, ts, rfile, p);
        break;
    default:
        break;
    }
    if (!ok)
        context->failed = TRUE;
    ub4 object_id = filter != 0 && scanned.object_id != filter ? 0 : scanned.object_id;
    if (object_id == run->object_id && scanned.block_type == run->block_type)
        return;
    close_run(context, item, run, p);
    *run = {p, object_id, scanned.block_type};
}

} // namespace

ub4 get_scan_read_count()
{
    int n = config_data.block_read_count;
    if (n < 1)
        return 1;
    return (ub4)n > MAX_SCAN_READ_COUNT ? MAX_SCAN_READ_COUNT : (ub4)n;
}

std::vector<SCAN_FILE> get_scan_files(const SCAN_FILTER* filter)
{
    std::vector<SCAN_FILE> files;
    for (PDATAFILE_ITEM item = datafile_list; item != nullptr; item = item->next) {
        if (!is_open_datafile(item) || item->block_size < (int)BLOCK_MIN_SIZE ||
            item->block_size > (int)BLOCK_MAX_SIZE)
            continue;
        if (filter->ts_no != SCAN_NO_TS && (ub4)item->ts_no != filter->ts_no)
            continue;
        if (filter->rfile_no != 0 && (ub4)item->rfile_no != filter->rfile_no)
            continue;
        SCAN_FILE file = {item, item->blocks, FALSE};
        // Blocks 0 .. real - 1 are there to read.
        ub8 real = get_real_block_count(item);
        if (real != 0 && (item->blocks == 0 || real - 1 < item->blocks)) {
            file.last_block = real - 1 < UB4_MAX ? (ub4)(real - 1) : UB4_MAX;
            file.cut = item->blocks != 0;
        }
        files.push_back(file);
    }
    return files;
}

ub4 get_scan_max_block_size(const std::vector<SCAN_FILE>& files)
{
    ub4 size = BLOCK_MIN_SIZE;
    for (const SCAN_FILE& file : files)
        if ((ub4)file.item->block_size > size)
            size = (ub4)file.item->block_size;
    return size;
}

void show_cut_scan_files(const std::vector<SCAN_FILE>& files)
{
    for (const SCAN_FILE& file : files)
        if (file.cut)
            sp_printf("file '%s' ends after block %u, its header counts %u blocks: the rest is not scanned.\n",
                      file.item->file_name, file.last_block, file.item->blocks);
}

int init_scan_buffer(PSCAN_CONTEXT context, ub4 block_size)
{
    context->buffer = nullptr;
    for (ub4 n = context->read_count; n >= 1; n /= 2) {
        context->buffer = (ub1*)malloc((size_t)n * block_size);
        if (context->buffer != nullptr) {
            context->read_count = n;
            return TRUE;
        }
    }
    return FALSE;
}

int scan_block_range(PSCAN_CONTEXT context, PDATAFILE_ITEM item, ub4 first, ub4 last)
{
    ub4 block_size = (ub4)item->block_size;
    SCAN_RUN run = NO_RUN;
    ub8 b = first;
    ub8 end = (ub8)last + 1;
    ub8 retry_end = 0; // blocks before it are read one at a time
    ub4 failed_reads = 0;
    while (b < end && !context->failed) {
        if (run.first == 1)
            run.first = b;
        ub8 want = b < retry_end ? 1 : end - b < context->read_count ? end - b : context->read_count;
        ub4 got = read_scan_blocks(context, item, b, want);
        if (got == 0) {
            close_run(context, item, &run, b);
            run = NO_RUN;
            // A batch fails as a whole when any part of it cannot be read:
            // read it again block by block to keep the blocks that can.
            if (want > 1) {
                retry_end = b + want;
                continue;
            }
            ub8 next = b + 1;
            if (++failed_reads >= SCAN_MAX_FAILED_READS) {
                SCAN_PROBE probe = {context, item};
                next = find_readable_block(b, end, context->read_count, read_scan_probe, &probe);
                failed_reads = 0;
                retry_end = next; // from a block that reads, whole batches again
            }
            note_unreadable(&context->stats, (ub4)item->file_no, b, next - b);
            note_progress(context, next - b, 0);
            b = next;
            continue;
        }
        failed_reads = 0;
        for (ub4 i = 0; i < got && !context->failed; i++)
            scan_one_block(context, item, context->buffer + (size_t)i * block_size, (ub4)(b + i), &run);
        b += got;
        note_progress(context, got, (ub8)got * block_size);
    }
    close_run(context, item, &run, b);
    return context->failed ? FALSE : TRUE;
}

int scan_extent(ub4 ts, ub4 rfile, ub4 data_object_id, SCAN_STATS* stats)
{
    sp_printf("scanning extent...\n");
    release_scanned_data_list();
    init_scanned_data_list();
    SCAN_RESULT_FILE* files = (SCAN_RESULT_FILE*)malloc(sizeof(SCAN_RESULT_FILE) * SCAN_FILE_COUNT);
    if (files == nullptr)
        return FALSE;
    if (!open_scan_result_files(files, "", "can not open file '%s' for writing, error message:%s.\n")) {
        free(files);
        return FALSE;
    }
    SCAN_CONTEXT context = {};
    context.filter = {ts, rfile, data_object_id};
    context.check_tail = config_data.db_block_checksum;
    context.read_count = get_scan_read_count();
    context.files = files;
    if (!write_scanned_segment_header(&files[SCAN_SEGMENT]))
        context.failed = TRUE;

    std::vector<SCAN_FILE> scan_files = get_scan_files(&context.filter);
    show_cut_scan_files(scan_files);
    if (!context.failed && !init_scan_buffer(&context, get_scan_max_block_size(scan_files))) {
        sp_printf("can not allocate memory for scanning.\n");
        context.failed = TRUE;
    }
    PROGRESS_LINE progress;
    begin_progress_line(&progress, "scan extent", nullptr);
    for (const SCAN_FILE& file : scan_files)
        add_progress_total(&progress, file.last_block);
    context.progress = &progress;
    for (const SCAN_FILE& file : scan_files)
        if (context.failed || !scan_block_range(&context, file.item, 1, file.last_block))
            break;
    end_progress_line(&progress);
    free(context.buffer);
    int complete = close_scan_result_files(files) && !context.failed;
    free(files);
    load_scanned_data_list();
    *stats = context.stats;
    sp_printf("scanning extent finished.\n");
    return complete;
}
