#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "asmcmd/asmcmd_module.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "base/trace.h"
#include "shell/shell.h"
#include "storage/asm_block_pos.h"
#include "storage/asm_extent_map.h"
#include "storage/asm_file_directory.h"
#include "storage/asm_name.h"

namespace {

// Reads the run at (extent_id, block) from the first copy that delivers and
// writes it to dst. Returns the blocks consumed, 0 when no copy delivered,
// -1 when writing failed.
long extract_run(PKFFFDB kfffdb, ub4 extent_id, ub4 block, ub4 n, ub1* buffer, FILE* dst, const char* dst_name,
                 ub8* remaining)
{
    PASM_DISKGROUP_ITEM group = kfffdb->disk_group;
    ub4 B = kfffdb->blkSize;
    for (ub4 c = 0; c < kfffdb->extent_copys && extent_id + c < kfffdb->fact_extent_count; c++) {
        const ASMFILE_EXTENT* extent = &kfffdb->file_extents[extent_id + c];
        if (extent->au >= INVALID_ASMDISK_AUN || extent->disk >= INVALID_ASMDISK_DISKNUM ||
            extent->disk >= group->disk_count)
            continue;
        PASMDISK_ITEM disk = group->disk_list[extent->disk];
        if (disk == nullptr || disk->fp == nullptr)
            continue;
        ub8 position = (ub8)disk->header_offset + (ub8)extent->au * group->au_size + (ub8)block * B;
        if (fseeko(disk->fp, (off_t)position, SEEK_SET) != 0 || feof(disk->fp)) {
            sp_printf("has already arrived disk %s's end.\n", disk->disk_name);
            continue;
        }
        errno = 0;
        size_t got = fread(buffer, 1, (size_t)n * B, disk->fp);
        if (got == 0 || got % B != 0) {
            sp_printf("read data error from diskgroup %s disk# %u block# %u. error message:%s\n",
                      group->disk_group_name, extent->disk, block, strerror(errno));
            continue;
        }
        size_t write_len = got < *remaining ? got : (size_t)*remaining;
        if (fwrite(buffer, 1, write_len, dst) != write_len) {
            sp_printf("write file %s error,error message: %s\n\n", dst_name, strerror(errno));
            return -1;
        }
        *remaining -= write_len;
        return (long)(got / B);
    }
    return 0;
}

void extract_blocks(PKFFFDB kfffdb, ub1* buffer, ub4 batch, FILE* dst, const char* dst_name)
{
    ub4 B = kfffdb->blkSize;
    ub8 block_count = (kfffdb->bytes + B - 1) / B;
    ub8 remaining = kfffdb->bytes;
    ub8 b = 0;
    // Block numbers are 32-bit on disk; a size claiming more blocks stops there.
    while (b < block_count && b <= UB4_MAX) {
        ub4 extent_id, block, continue_blocks;
        calc_asm_file_block_pos(kfffdb, (ub4)b, &extent_id, &block, &continue_blocks);
        if (config_data.trace_config.trace_asm > 2)
            write_trace("extract file calculate block position: block_no=%u,extent_id=%u,extent_block_no=%u,"
                        "continue_blocks=%u.\n",
                        (ub4)b, extent_id, block, continue_blocks);
        ub4 n = batch < continue_blocks ? batch : continue_blocks;
        if (extent_id >= kfffdb->fact_extent_count || n == 0) {
            sp_printf("Extract asm file error: block# %u's extent# %u > max_extent# %u\n\n", (ub4)b, extent_id,
                      kfffdb->fact_extent_count - 1);
            return;
        }
        long done = extract_run(kfffdb, extent_id, block, n, buffer, dst, dst_name, &remaining);
        if (done <= 0)
            return;
        b += (ub8)done;
    }
}

} // namespace

void do_extract_asmfile(LINE_ARRAY tokens, int count)
{
    if ((count != 5 && count != 6) || !str_case_equal(tokens[1], "asmfile") || !str_case_equal(tokens[3], "to") ||
        (count == 6 && !str_case_equal(tokens[5], "force"))) {
        show_cmd_format(CMD_ASMCMD_EXTRACT);
        return;
    }
    sp_printf("\n");
    const char* dst_name = tokens[4];
    if (count == 5) {
        FILE* existing = fopen(dst_name, "r");
        if (existing != nullptr) {
            fclose(existing);
            sp_printf("file exists. you can not overwrite it.\n\n");
            return;
        }
    }
    static char src[ASM_FULLPATH_MAX_LEN + 1];
    expand_asm_full_name(tokens[2], src);
    PASM_DISKGROUP_ITEM group = nullptr;
    ub4 file_number = 0, incarnation = 0;
    parse_asmfile_name(src, &group, &file_number, &incarnation);
    if (group == nullptr) {
        sp_printf("Can not found asm file's diskgroup information\n\n");
        return;
    }
    if (file_number == 0) {
        sp_printf("The file does not exist.\n\n");
        return;
    }
    KFFFDB kfffdb;
    get_asmfile_info(group, &kfffdb, file_number, incarnation);
    if (kfffdb.file_number != file_number) {
        sp_printf("Can not get asm file's information.\n\n");
        return;
    }
    if (group->disk_list == nullptr) {
        sp_printf("NULL disk_list\n\n");
        return;
    }
    if (get_asmfile_extent_map(&kfffdb) == 0) {
        release_asm_file(&kfffdb);
        sp_printf("Asm file has not extents information.\n\n");
        return;
    }
    FILE* dst = fopen(dst_name, "wb");
    if (dst == nullptr) {
        sp_printf("can not open file '%s' for writing,error message:%s.\n", dst_name, strerror(errno));
        release_asm_file(&kfffdb);
        return;
    }
    int read_count = config_data.block_read_count;
    ub4 batch = read_count < 1 ? 1 : read_count > (int)UB2_MAX ? UB2_MAX : (ub4)read_count;
    ub1* buffer = (ub1*)get_buffer(batch, kfffdb.blkSize);
    sp_printf("starting extract asm file '%s' to '%s',file size is %llu\n", src, dst_name,
              (unsigned long long)kfffdb.bytes);
    if (buffer != nullptr)
        extract_blocks(&kfffdb, buffer, batch, dst, dst_name);
    free(buffer);
    release_asm_file(&kfffdb);
    fclose(dst);
    sp_printf("asm file extract completed.\n\n");
}
