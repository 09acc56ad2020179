// copy datafile: block n of the source goes to byte n * block size of the
// destination, block 0 included and no header offset. Unreadable blocks
// become a marked bad-block image; with fix_interleaved_block each readable
// block goes where its own rdba says.

#include "storage/copy_datafile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/str_util.h"
#include "blocks/block_header.h"
#include "storage/block_reader.h"
#include "storage/checksum.h"

namespace {

typedef struct _tag_copy_request {
    int file_no;
    const char* destination;
    bool has_blocks;
    ub4 blocks;
    bool force;
} COPY_REQUEST;


bool parse_copy_request(LINE_ARRAY tokens, int count, COPY_REQUEST* request)
{
    memset(request, 0, sizeof(*request));
    if (count < 5 || count > 8 || !str_case_equal(tokens[1], "datafile") || !str_case_equal(tokens[3], "to"))
        return false;
    request->destination = tokens[4];
    if (count == 6 || count == 8) {
        if (!str_case_equal(tokens[count - 1], "force"))
            return false;
        request->force = true;
    }
    if (count >= 7) {
        if (!str_case_equal(tokens[5], "blocks") || !parse_decimal_ub4(tokens[6], &request->blocks))
            return false;
        request->has_blocks = true;
    }
    ub4 file_no = 0;
    request->file_no = parse_decimal_ub4(tokens[2], &file_no) && file_no <= 0x7fffffff ? (int)file_no : 0;
    return true;
}

// A copy never replaces a registered datafile, whatever name leads to it.
bool is_registered_datafile(const char* path)
{
    struct stat target;
    if (stat(path, &target) != 0)
        return false;
    for (PDATAFILE_ITEM item = datafile_list; item != nullptr; item = item->next) {
        struct stat source;
        if (item->fp != nullptr && fstat(fileno(item->fp), &source) == 0 && source.st_dev == target.st_dev &&
            source.st_ino == target.st_ino)
            return true;
    }
    return false;
}

bool write_block_at(FILE* out, const char* name, ub8 block_no, const ub1* block, size_t block_size)
{
    if (fseeko(out, (off_t)(block_no * block_size), SEEK_SET) == 0 && fwrite(block, 1, block_size, out) == block_size)
        return true;
    sp_printf("write data error to file '%s'.error message:%s\n", name, strerror(errno));
    return false;
}

void make_bad_block_image(ub1* image, size_t block_size)
{
    memset(image, 0, block_size);
    image[14] = 0xff;
    image[BLOCK_FLAG_OFFSET] = KCBHFCKV;
    set_ub2(image, BLOCK_CHECKSUM_OFFSET, 0xf0f0);
}

typedef struct _tag_copy_job {
    PDATAFILE_ITEM item;
    FILE* out;
    const char* out_name;
    ub8 last_block; // B: blocks 0 .. B are copied
    size_t block_size;
    ub1* bad_block;
    // Fixing mode: one bit per target position holding a block whose own
    // header put it there. A block that cannot be placed never replaces one.
    ub1* placed;
} COPY_JOB;

bool is_placed(const COPY_JOB* job, ub8 n)
{
    return job->placed != nullptr && (job->placed[n >> 3] & (1u << (n & 7))) != 0;
}

void mark_placed(COPY_JOB* job, ub8 n)
{
    if (job->placed != nullptr)
        job->placed[n >> 3] |= (ub1)(1u << (n & 7));
}

// Writes a block read at position n where it belongs: where its header says
// when the header can be trusted and names a block of the copy, else at n.
bool place_block(COPY_JOB* job, ub8 n, const ub1* block)
{
    ub8 at = n;
    if (n != 0) {
        BLOCK_HEADER header;
        get_block_header(block, &header, (ub4)job->block_size);
        ub4 h = rdba_block_no(header.rdba, (ub4)job->item->ts_no);
        if (!block_tail_match(&header) || h < 1 || h > job->last_block) {
            sp_printf("writing bad block# : %u\n", (ub4)n);
            if (is_placed(job, n))
                return true;
        } else {
            if (h != n)
                sp_printf("writing interleave block# : %u but in header : %u\n", (ub4)n, h);
            at = h;
            mark_placed(job, at);
        }
    }
    return write_block_at(job->out, job->out_name, at, block, job->block_size);
}

bool copy_blocks(COPY_JOB* job, bool fixing)
{
    ub4 batch = config_data.block_read_count > 0 ? (ub4)config_data.block_read_count : 1;
    if (batch > UB2_MAX)
        batch = UB2_MAX;
    ub1* buffer = (ub1*)malloc(job->block_size * batch);
    if (buffer == nullptr)
        return false;
    bool ok = true;
    for (ub8 n = 0; ok && n <= job->last_block;) {
        ub8 left = job->last_block - n + 1;
        ub2 want = (ub2)(left < batch ? left : batch);
        ub4 got = read_blocks(job->item, (ub4)n, want, buffer, get_datafile_block_rdba(job->item, (ub4)n));
        if (got == 0) {
            // Either way the block's position keeps the bad-block image.
            sp_printf("read block# error: %u\n", (ub4)n);
            if (!fixing)
                ok = write_block_at(job->out, job->out_name, n, job->bad_block, job->block_size);
            n++;
            continue;
        }
        for (ub4 i = 0; ok && i < got; i++, n++) {
            const ub1* block = buffer + (size_t)i * job->block_size;
            ok = fixing ? place_block(job, n, block) : write_block_at(job->out, job->out_name, n, block, job->block_size);
        }
    }
    free(buffer);
    return ok;
}

bool fill_with_bad_blocks(const COPY_JOB* job)
{
    for (ub8 n = 0; n <= job->last_block; n++)
        if (fwrite(job->bad_block, 1, job->block_size, job->out) != job->block_size) {
            sp_printf("write data error to file '%s'.error message:%s\n", job->out_name, strerror(errno));
            return false;
        }
    return fseeko(job->out, 0, SEEK_SET) == 0;
}

} // namespace

void do_copy_datafile(LINE_ARRAY tokens, int count)
{
    sp_printf("\n");
    COPY_REQUEST request;
    if (!parse_copy_request(tokens, count, &request)) {
        sp_printf("copy datafile <file#> to <dest_file_name> [blocks <blocks>] [force]\n\n");
        return;
    }
    if (request.file_no == 0) {
        sp_printf("invalid file#\n\n");
        return;
    }
    PDATAFILE_ITEM item = get_datafile_item_fn(request.file_no);
    if (item == nullptr) {
        sp_printf("file# %d is not exist.\n", request.file_no);
        return;
    }
    if (item->is_asm ? item->asm_file == nullptr : item->fp == nullptr) {
        sp_printf("file# %d not opened.\n", request.file_no);
        return;
    }
    if (!request.force && file_exists(request.destination)) {
        sp_printf("file exists. you can not overwrite it.\n\n");
        return;
    }
    if (is_registered_datafile(request.destination)) {
        sp_printf("can not overwrite datafile '%s'.\n\n", request.destination);
        return;
    }
    FILE* out = fopen(request.destination, "wb");
    if (out == nullptr) {
        sp_printf("can not open file '%s' for writing.\n", request.destination);
        return;
    }
    COPY_JOB job;
    job.item = item;
    job.out = out;
    job.out_name = request.destination;
    job.last_block = request.has_blocks ? request.blocks : item->blocks;
    job.block_size = (size_t)item->block_size;
    job.bad_block = (ub1*)malloc(job.block_size);
    bool fixing = config_data.fix_interleaved_block != 0;
    job.placed = fixing ? (ub1*)calloc((size_t)(job.last_block / 8 + 1), 1) : nullptr;
    if (job.bad_block != nullptr) {
        make_bad_block_image(job.bad_block, job.block_size);
        sp_printf("starting copy datafile '%s' to '%s'\n", item->file_name, request.destination);
        if (!fixing || fill_with_bad_blocks(&job)) {
            if (fixing)
                sp_printf("finish generating target file.\n");
            copy_blocks(&job, fixing);
        }
    }
    free(job.bad_block);
    free(job.placed);
    fclose(out);
    sp_printf("datafile copy completed.\n\n");
}
