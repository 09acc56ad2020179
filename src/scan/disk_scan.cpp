// A disk is read one AU at a time into a buffer that also keeps the bytes
// left over from the AU before, so that a block straddling two AUs is seen
// whole. Candidates lie disk_scan_unit bytes apart, or a block apart after a
// block handed to the rebuild. Positions are byte offsets from the ASM disk's
// start (after its header offset); a candidate at offset o is reported as AU
// o / au_size, offset o mod au_size.

#include "scan/disk_scan.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include "base/config.h"
#include "base/printer.h"
#include "base/progress_line.h"
#include "base/trace.h"
#include "scan/disk_block.h"
#include "scan/disk_rebuild.h"
#include "storage/asm_disk_list.h"
#include "storage/asm_read.h"
#include "storage/evidence_file.h"

const char scan_disk_blocks_filename[] = "asmblocks.zem";

namespace {

// The listing is written through a large stream buffer: one line per block.
constexpr size_t LISTING_BUFFER_SIZE = 256 * 1024;

typedef struct _tag_disk_scan_state {
    DISK_SCAN_CONTEXT context;
    const DISK_SCAN_REQUEST* request;
    PDISK_SCAN_RESULT result;
    ub4 scan_unit;
    int trace_level;
    FILE* listing;
    PDISK_SCAN_FILE_TABLE files; // null without extraction
    // The read buffer: bytes `start` .. `start + filled` of the disk; `next`
    // is the offset of the next candidate.
    ub1* buffer;
    size_t buffer_size;
    ub8 start;
    size_t filled;
    ub8 next;
    PROGRESS_LINE progress;
} DISK_SCAN_STATE;

bool write_listing_header(FILE* fp)
{
    char line[96];
    memset(line, '#', 88);
    line[88] = '\n';
    fwrite(line, 1, 89, fp);
    fputs("##  data_obj#,block_type, scn_base,scn_wrap,group_no,disk_no,au_no,au_offset,rdba#####\n", fp);
    memset(line, '#', 89);
    line[89] = '\n';
    fwrite(line, 1, 90, fp);
    return ferror(fp) == 0;
}

// The whole AUs the disk holds after its header offset: the file size of an
// image, the device size of a block device, UB4_MAX when neither is known.
ub4 get_disk_au_capacity(const ASMDISK_ITEM* disk)
{
    int fd = fileno(disk->fp);
    struct stat st;
    ub8 size;
    if (fstat(fd, &st) != 0)
        return UB4_MAX;
    if (S_ISREG(st.st_mode))
        size = (ub8)st.st_size;
    else if (!S_ISBLK(st.st_mode) || ioctl(fd, BLKGETSIZE64, &size) != 0)
        return UB4_MAX;
    if (size <= disk->header_offset)
        return 0;
    ub8 aus = (size - disk->header_offset) / disk->au_size;
    return aus < UB4_MAX ? (ub4)aus : UB4_MAX;
}

void take_disk_block(DISK_SCAN_STATE* s, const ASMDISK_ITEM* disk, const DISK_BLOCK_INFO* info, const ub1* block,
                     ub4* step)
{
    s->result->blocks_found++;
    const BLOCK_HEADER* h = &info->header;
    if (info->data_object_id != 0 || s->trace_level >= TL_DETAIL) {
        fprintf(s->listing, "%u,%u,%u,%u,%u,%u,%u,%u,%u\n", info->data_object_id, h->block_type, h->scn_base,
                h->scn_wrap, disk->disk_group_no, disk->disk_no, (ub4)(s->next / disk->au_size),
                (ub4)(s->next % disk->au_size), h->rdba);
        s->result->lines_written++;
    }
    if (s->files == nullptr || info->file_no > MAX_DISK_SCAN_FILES || info->block_no > MAX_DISK_SCAN_BLOCKS)
        return;
    const ub4 bs = s->context.block_size;
    const ub1* preceding = s->next - s->start >= bs ? block - bs : nullptr;
    copy_block_to_file(s->files, info->file_no, info->block_no, block, preceding, h);
    *step = bs;
}

// Examines every candidate that lies wholly in the buffer.
void scan_disk_buffer(DISK_SCAN_STATE* s, const ASMDISK_ITEM* disk)
{
    const ub4 bs = s->context.block_size;
    const ub8 end = s->start + s->filled;
    DISK_BLOCK_INFO info;
    while (s->next + bs <= end) {
        const ub1* block = s->buffer + (s->next - s->start);
        ub4 step = s->scan_unit;
        if (get_disk_block_info(&s->context, block, &info))
            take_disk_block(s, disk, &info, block, &step);
        s->next += step;
    }
    if (s->files != nullptr)
        flush_scan_file_writes(s->files);
}

// Keeps the bytes of a candidate not yet wholly read (fewer than a block) at
// the buffer start, where the next AU continues them.
void keep_disk_tail(DISK_SCAN_STATE* s)
{
    const ub8 end = s->start + s->filled;
    if (s->next >= end) {
        s->filled = 0;
        return;
    }
    size_t keep = (size_t)(end - s->next);
    memmove(s->buffer, s->buffer + (s->next - s->start), keep);
    s->start = s->next;
    s->filled = keep;
}

bool prepare_disk_buffer(DISK_SCAN_STATE* s, ub4 au_size)
{
    size_t need = (size_t)au_size + s->context.block_size;
    if (need <= s->buffer_size)
        return true;
    free(s->buffer);
    s->buffer_size = 0;
    s->buffer = (ub1*)malloc(need);
    if (s->buffer == nullptr)
        return false;
    s->buffer_size = need;
    return true;
}

// The AUs of the disk the scan reads: the limit asked for or the size the
// disk list gives, never more than the disk holds.
ub4 get_scan_au_count(const DISK_SCAN_REQUEST* request, const ASMDISK_ITEM* disk, ub4 capacity)
{
    ub4 count = request->au_limit != 0 ? request->au_limit : disk->disk_size;
    return count == 0 || count > capacity ? capacity : count;
}

void scan_one_disk(DISK_SCAN_STATE* s, PASMDISK_ITEM disk)
{
    const ub4 au = disk->au_size;
    if (au == 0 || au > MAX_SCAN_AU_SIZE) {
        sp_printf("can not scan disk '%s': invalid au size %u.\n", disk->path, au);
        return;
    }
    if (!prepare_disk_buffer(s, au)) {
        sp_printf("can not scan disk '%s': out of memory.\n", disk->path);
        return;
    }
    // A header, or a list line, may claim more AUs than the disk holds; one
    // whose header is lost may claim none. The disk itself decides.
    ub4 capacity = get_disk_au_capacity(disk);
    if (s->request->au_limit == 0 && disk->disk_size > capacity)
        sp_printf("disk '%s' ends after %u AUs.\n", disk->path, capacity);
    ub4 count = get_scan_au_count(s->request, disk, capacity);
    s->result->disks++;
    s->start = 0;
    s->filled = 0;
    s->next = 0;
    for (ub4 a = 0; a < count; a++) {
        const ub8 au_start = (ub8)a * au;
        if (s->next >= au_start + au)
            continue; // a scan unit larger than an AU steps over it
        if (s->filled == 0)
            s->start = au_start;
        if (read_au(disk, a, 1, s->buffer + s->filled) != 1) {
            // Bytes on either side of an unreadable AU never form a block.
            s->result->aus_unreadable++;
            s->filled = 0;
            if (s->next < au_start + au)
                s->next = au_start + au;
            if (feof(disk->fp))
                break;
            continue;
        }
        s->result->aus_read++;
        s->filled += au;
        scan_disk_buffer(s, disk);
        keep_disk_tail(s);
        add_progress_done(&s->progress, s->context.block_size != 0 ? au / s->context.block_size : 0, au,
                          s->result->blocks_found);
    }
}

bool is_disk_selected(const DISK_SCAN_REQUEST* request, const ASMDISK_ITEM* disk)
{
    if (disk->fp == nullptr)
        return false;
    if (request->group_no != SCAN_ALL_GROUPS && disk->disk_group_no != request->group_no)
        return false;
    return request->disk_no == SCAN_ALL_DISKS || disk->disk_no == request->disk_no;
}

bool close_listing(FILE* fp)
{
    bool ok = fflush(fp) == 0 && ferror(fp) == 0;
    int saved = errno;
    if (fclose(fp) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok)
        sp_printf("can not write file '%s', error message:%s.\n", scan_disk_blocks_filename, strerror(saved));
    return ok;
}

} // namespace

int scan_disk(const DISK_SCAN_REQUEST* request, PDISK_SCAN_RESULT result)
{
    memset(result, 0, sizeof(*result));
    sp_printf("scanning disk...\n");
    if (is_evidence_file(scan_disk_blocks_filename)) {
        sp_printf("can not overwrite datafile '%s'.\n", scan_disk_blocks_filename);
        return FALSE;
    }
    FILE* listing = fopen(scan_disk_blocks_filename, "wb");
    if (listing == nullptr) {
        sp_printf("can not open file '%s' for write, error message:%s.\n", scan_disk_blocks_filename,
                  strerror(errno));
        return FALSE;
    }
    setvbuf(listing, nullptr, _IOFBF, LISTING_BUFFER_SIZE);
    DISK_SCAN_STATE s;
    memset(&s, 0, sizeof(s));
    s.request = request;
    s.result = result;
    s.listing = listing;
    s.trace_level = config_data.trace_level;
    s.context.block_size = (ub4)config_data.block_size;
    s.context.block_format = get_disk_scan_block_format(config_data.compatible, s.context.block_size);
    s.context.verify_checksum = config_data.db_block_checksum;
    s.scan_unit = config_data.disk_scan_unit != 0 ? config_data.disk_scan_unit : s.context.block_size;
    bool ok = write_listing_header(listing);
    if (request->extract) {
        s.files = init_scan_file_list(s.context.block_size, config_data.asmfile_extract_path, request->overwrite);
        if (s.files == nullptr) {
            sp_printf("can not rebuild datafiles: out of memory.\n");
            ok = false;
        } else if (request->max_file_blocks != 0 && request->max_file_blocks < MAX_DISK_SCAN_BLOCKS)
            s.files->max_blocks = request->max_file_blocks;
    }
    begin_progress_line(&s.progress, "scan disk", "blocks found");
    for (PZEM_LIST_ITEM node = asmdisk_list.header; ok && node != nullptr; node = node->next) {
        const ASMDISK_ITEM* disk = (const ASMDISK_ITEM*)node->data;
        if (is_disk_selected(request, disk) && disk->au_size != 0 && s.context.block_size != 0)
            add_progress_total(&s.progress, (ub8)get_scan_au_count(request, disk, get_disk_au_capacity(disk)) *
                                                (disk->au_size / s.context.block_size));
    }
    for (PZEM_LIST_ITEM node = asmdisk_list.header; ok && node != nullptr; node = node->next) {
        PASMDISK_ITEM disk = (PASMDISK_ITEM)node->data;
        if (is_disk_selected(request, disk))
            scan_one_disk(&s, disk);
    }
    end_progress_line(&s.progress);
    if (s.files != nullptr)
        flush_scan_file_writes(s.files);
    free(s.buffer);
    result->listing_written = close_listing(listing) && ok;
    if (s.files != nullptr) {
        write_scan_file_blanks(s.files);
        close_scan_files(s.files);
        show_scan_files(s.files);
        release_scan_file_list(s.files);
    }
    if (result->disks == 0)
        sp_printf("no asm disk scanned.\n");
    sp_printf("scanning disk finished.\n");
    return TRUE;
}
