// A rebuilt datafile holds block n at byte n x block size, block 0 (the
// operating-system block) included. A blank block stands for a block no
// disk held:
//   off size value
//     1    1 the file's format byte
//     4    4 rdba of (relative file, n)
//    14    1 sequence 1
//    15    1 flag 1 (new block)
//   bs-4   4 tail 1
// type and SCN 0, everything else zero; block 0 is all zeros.

#include "scan/disk_rebuild.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "base/byte_order.h"
#include "base/printer.h"
#include "base/rdba.h"

namespace {

// The formats a blank block may carry: those of release 8 on.
bool is_blank_format(ub1 format)
{
    return format == BF_V8 || is_above10g_block(format);
}

bool has_scan_block(const DISK_SCAN_FILE* file, ub4 block_no)
{
    PDISK_SCAN_BLOCK slot = find_scan_block(file, block_no);
    return slot != nullptr && slot->has_block != 0;
}

// Sets the bytes of a blank block; the rest of the buffer stays as it is
// (zero: formatting only ever sets these same bytes).
void format_blank_block(ub1* blank, ub4 block_size, ub4 rfile, ub4 block_no, ub1 format)
{
    blank[1] = format;
    set_ub4(blank, 4, file_block_rdba(rfile, block_no));
    blank[14] = 1;
    blank[15] = 1;
    set_ub4(blank, block_size - 4, 1);
}

// Writes blank blocks first .. last - 1, formatted a batch at a time.
bool write_blank_run(PDISK_SCAN_FILE_TABLE table, ub4 rfile, ub4 first, ub4 last, ub1 format)
{
    const ub4 bs = table->block_size;
    PDISK_SCAN_FILE file = &table->files[rfile - 1];
    while (first < last) {
        ub4 n = last - first < SCAN_BLANK_BATCH ? last - first : SCAN_BLANK_BATCH;
        for (ub4 i = 0; i < n; i++) {
            ub1* blank = table->blank_buffer + (size_t)i * bs;
            if (table->trace_level > 3)
                sp_printf("write blank block to file# %u,block#=%u\n", rfile, first + i);
            format_blank_block(blank, bs, rfile, first + i, format);
        }
        if (!write_scan_file_bytes(table, rfile, first, table->blank_buffer, (size_t)n * bs))
            return false;
        file->blank_blocks += n;
        first += n;
    }
    return true;
}

// The newest file header found gives the file's size; copies of block
// numbers past it (left by an earlier file of the same number, or damaged
// beyond what the checks catch) are cut off rather than kept.
bool drop_blocks_beyond_header(PDISK_SCAN_FILE_TABLE table, ub4 rfile)
{
    PDISK_SCAN_FILE file = &table->files[rfile - 1];
    if (file->blocks == 0 || file->blocks >= MAX_DISK_SCAN_BLOCKS || !has_scan_block(file, 1))
        return true;
    ub4 dropped = 0;
    for (ub4 n = file->blocks + 1; n <= MAX_DISK_SCAN_BLOCKS; n++) {
        PDISK_SCAN_BLOCK slot = find_scan_block(file, n);
        if (slot == nullptr) {
            n = ((n - 1) / SCAN_BLOCK_LIST_ITEM_COUNT + 1) * SCAN_BLOCK_LIST_ITEM_COUNT; // next chunk
            continue;
        }
        if (slot->has_block) {
            slot->has_block = 0;
            dropped++;
        }
    }
    if (dropped == 0)
        return true;
    file->blocks_found -= dropped;
    sp_printf("file# %u: %u blocks beyond the %u blocks of its file header dropped.\n", rfile, dropped,
              file->blocks);
    if (ftruncate(fileno(file->fp), (off_t)(((ub8)file->blocks + 1) * table->block_size)) == 0)
        return true;
    char name[PATH_FIELD_LEN + 16];
    get_scan_file_name(table, rfile, name, sizeof(name));
    sp_printf("can not truncate file '%s', error message:%s.\n", name, strerror(errno));
    file->file_state = DSFS_WRITE_FAILED;
    return false;
}

void write_file_blanks(PDISK_SCAN_FILE_TABLE table, ub4 rfile)
{
    PDISK_SCAN_FILE file = &table->files[rfile - 1];
    if (!drop_blocks_beyond_header(table, rfile))
        return;
    sp_printf("get files's blocks, file_no=%u\n", rfile);
    ub4 count = get_scan_file_blocks(file, table->max_blocks);
    ub1 format = is_blank_format(file->block_format) ? file->block_format : 0x02;
    if (!has_scan_block(file, 1) && !write_scan_file_single_blank(table, table->blank_buffer, rfile, 0, format))
        return;
    memset(table->blank_buffer, 0, (size_t)SCAN_BLANK_BATCH * table->block_size);
    ub4 n = 1;
    while (n <= count) {
        if (has_scan_block(file, n)) {
            n++;
            continue;
        }
        ub4 end = n + 1;
        while (end <= count && !has_scan_block(file, end))
            end++;
        if (!write_blank_run(table, rfile, n, end, format))
            return;
        n = end;
    }
}

} // namespace

ub4 get_scan_file_blocks(const DISK_SCAN_FILE* entry, ub4 max_blocks)
{
    ub4 blocks = 0;
    if (entry->blocks != 0 && has_scan_block(entry, 1)) {
        blocks = entry->blocks;
        sp_printf("get_scan_file_blocks, from file header,blocks: %u\n", blocks);
    } else {
        for (ub4 c = SCAN_BLOCK_LIST_COUNT; entry->block_list != nullptr && c > 0 && blocks == 0; c--) {
            const DISK_SCAN_BLOCK* chunk = entry->block_list[c - 1];
            for (ub4 i = SCAN_BLOCK_LIST_ITEM_COUNT; chunk != nullptr && i > 0; i--)
                if (chunk[i - 1].has_block) {
                    blocks = (c - 1) * SCAN_BLOCK_LIST_ITEM_COUNT + i;
                    break;
                }
        }
        sp_printf("get_scan_file_blocks, estimated blocks: %u\n", blocks);
    }
    return blocks < max_blocks ? blocks : max_blocks;
}

void write_scan_file_blanks(PDISK_SCAN_FILE_TABLE table)
{
    for (ub4 i = 0; i < MAX_DISK_SCAN_FILES; i++)
        if (table->files[i].file_state == DSFS_CREATED && table->files[i].block_list != nullptr)
            write_file_blanks(table, i + 1);
}

int write_scan_file_single_blank(PDISK_SCAN_FILE_TABLE table, ub1* buffer, ub4 rfile, ub4 block_no,
                                 ub1 block_format)
{
    const ub4 bs = table->block_size;
    if (table->trace_level > 3)
        sp_printf("write blank block to file# %u,block#=%u\n", rfile, block_no);
    memset(buffer, 0, bs);
    if (block_no != 0)
        format_blank_block(buffer, bs, rfile, block_no, block_format);
    if (!write_scan_file_bytes(table, rfile, block_no, buffer, bs))
        return FALSE;
    if (block_no != 0)
        table->files[rfile - 1].blank_blocks++;
    return TRUE;
}
