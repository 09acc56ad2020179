#include "storage/asm_extent_map.h"

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/trace.h"
#include "storage/asm_block_pos.h"
#include "storage/asm_disk_header.h"
#include "storage/asm_file_directory.h"
#include "storage/asm_read.h"

namespace {

// A metadata block buffer sized by the group, or null when the group's block
// size is not one the reader accepts.
ub1* get_meta_buffer(const ASM_DISKGROUP_ITEM* group)
{
    if (!is_valid_asm_meta_block_size(group->meta_block_size))
        return nullptr;
    return (ub1*)malloc(group->meta_block_size);
}

// Reads and walks one indirect extent (the pointers at `slot` .. of the
// directory block); false when a block of it served nothing, which ends the
// whole indirect walk.
bool walk_indirect_extent(PKFFFDB kfffdb, const ub1* dir_block, ub4 slot, ub4 copies, ub1* buffer)
{
    PASM_DISKGROUP_ITEM group = kfffdb->disk_group;
    ub4 mbs = group->meta_block_size;
    ASMFILE_EXTENT extents[3];
    ub4 n = 0;
    for (; n < copies && n < 3 && slot + n < kfffdb->xtntblk; n++) {
        ub4 offset = ASMFILE_EXTENT_ARRAY_OFFSET + ASMDISK_EXTENT_SIZE * (slot + n);
        if (offset + ASMDISK_EXTENT_SIZE > mbs)
            break;
        get_asmfile_extent(dir_block, offset, &extents[n]);
    }
    if (n == 0)
        return false;
    if (config_data.trace_config.trace_asm > 2)
        write_trace("get asmfile indirect extent map from diskgroup %s: au#=%u disk#=%u\n", group->disk_group_name,
                    extents[0].au, extents[0].disk);
    ub4 blocks = group->au_size / mbs;
    ub4 served = 0;
    for (ub4 b = 0; b < blocks; b++) {
        bool done = false;
        for (ub4 t = 0; t < n && !done; t++) {
            ub4 c = (served + t) % n;
            if (!read_asm_meta_block_by_dn(group, extents[c].disk, extents[c].au, b, buffer))
                continue;
            KFBH kfbh;
            get_kfbh(buffer, &kfbh);
            if (!check_asmdisk_block_header(&kfbh) || kfbh.type != KFBTYPE_INDIRECT ||
                kfbh.block_obj != kfffdb->file_number)
                continue;
            ub4 added = get_asmfile_indirect_extent_map(kfffdb, buffer, mbs);
            if (added == 0)
                continue;
            kfffdb->fact_extent_count += added;
            served = c;
            done = true;
        }
        if (!done)
            return false;
        if (kfffdb->fact_extent_count >= kfffdb->xtntcnt)
            return true;
    }
    return true;
}

} // namespace

void get_asmfile_f1_info(PASM_DISKGROUP_ITEM group, PKFFFDB kfffdb)
{
    memset(kfffdb, 0, sizeof(*kfffdb));
    ub1* buffer = get_meta_buffer(group);
    if (buffer == nullptr)
        return;
    for (int slot = 0; slot < 3; slot++) {
        ub4 au = group->f1b1locn[slot];
        ub4 disk = group->f1b1locn_disk[slot];
        if (au == 0)
            continue;
        if (!read_asm_meta_block_by_dn(group, disk, au, 1, buffer))
            continue;
        get_kfffdb(kfffdb, group->redundancy_type, buffer);
        if (kfffdb->file_number == ASM_FILE_DIRECTORY_NO) {
            kfffdb->dir_aun = au;
            kfffdb->dir_disk = disk;
            kfffdb->dir_block = 1;
            kfffdb->disk_group = group;
            free(buffer);
            return;
        }
    }
    memset(kfffdb, 0, sizeof(*kfffdb));
    free(buffer);
}

void get_asmfile_info(PASM_DISKGROUP_ITEM group, PKFFFDB kfffdb, ub4 file_number, ub4 /*incarnation*/)
{
    if (file_number == ASM_FILE_DIRECTORY_NO) {
        get_asmfile_f1_info(group, kfffdb);
        return;
    }
    memset(kfffdb, 0, sizeof(*kfffdb));
    const KFFFDB* f1 = group->f1_file;
    if (f1 == nullptr || f1->file_number != ASM_FILE_DIRECTORY_NO || f1->file_extents == nullptr ||
        f1->fact_extent_count == 0)
        return;
    ub4 extent_id, block, continue_blocks;
    calc_asm_file_block_pos(f1, file_number, &extent_id, &block, &continue_blocks);
    if (config_data.trace_config.trace_asm > 3)
        write_trace("get_asmfile_info: calc_asm_file_block_pos: input: file_no=%u,output:extent_id=%u,block_no=%u,"
                    "continue_blocks=%u\n",
                    file_number, extent_id, block, continue_blocks);
    if (extent_id >= f1->fact_extent_count || continue_blocks == 0)
        return;
    ub1* buffer = get_meta_buffer(group);
    if (buffer == nullptr)
        return;
    for (ub4 c = 0; c < f1->extent_copys && extent_id + c < f1->fact_extent_count; c++) {
        const ASMFILE_EXTENT* extent = &f1->file_extents[extent_id + c];
        if (!read_asm_meta_block_by_dn(group, extent->disk, extent->au, block, buffer))
            continue;
        KFBH kfbh;
        get_kfbh(buffer, &kfbh);
        if (!check_asmdisk_block_header(&kfbh) || kfbh.type != KFBTYPE_FILEDIR || kfbh.block_blk != file_number)
            continue;
        get_kfffdb(kfffdb, group->redundancy_type, buffer);
        if (kfffdb->file_number != file_number)
            continue;
        kfffdb->dir_aun = extent->au;
        kfffdb->dir_disk = extent->disk;
        kfffdb->dir_block = block;
        kfffdb->disk_group = group;
        free(buffer);
        return;
    }
    memset(kfffdb, 0, sizeof(*kfffdb));
    free(buffer);
}

ub4 get_asmfile_extent_map(PKFFFDB kfffdb)
{
    release_asm_file(kfffdb);
    PASM_DISKGROUP_ITEM group = kfffdb->disk_group;
    if (group == nullptr)
        return 0;
    ub1* dir_block = get_meta_buffer(group);
    if (dir_block == nullptr)
        return 0;
    if (!read_asm_meta_block_by_dn(group, kfffdb->dir_disk, kfffdb->dir_aun, kfffdb->dir_block, dir_block) ||
        !check_asmfile_geometry(kfffdb)) {
        free(dir_block);
        return 0;
    }
    ub4 mbs = group->meta_block_size;
    get_asmfile_direct_extent_map(kfffdb, dir_block, mbs);
    ub4 icopies = kfffdb->iXrs & 0x0F;
    if (kfffdb->fact_extent_count < kfffdb->xtntcnt && icopies != 0) {
        ub1* buffer = (ub1*)malloc(mbs);
        for (ub4 i = kfffdb->bi_break; buffer != nullptr && i < kfffdb->xtntblk; i += icopies) {
            if (!walk_indirect_extent(kfffdb, dir_block, i, icopies, buffer))
                break;
            if (kfffdb->fact_extent_count >= kfffdb->xtntcnt)
                break;
        }
        free(buffer);
    }
    free(dir_block);
    if (config_data.trace_config.trace_asm > 1)
        trace_asmfile_extent_info(kfffdb);
    return kfffdb->fact_extent_count;
}

void trace_asmfile_extent_info(const KFFFDB* kfffdb)
{
    write_trace("diskgroup name: %s, file_number: %u\n",
                kfffdb->disk_group != nullptr ? kfffdb->disk_group->disk_group_name : "", kfffdb->file_number);
    write_trace("file type: %u, file_size: %llu\n", kfffdb->fileType, (unsigned long long)kfffdb->bytes);
    write_trace("stripe width: %u,stripe size: %u\n", kfffdb->strpwdth, kfffdb->strpsz);
    write_trace("extent count: %u, fact extent count: %u, extent_copys: %u\n", kfffdb->xtntcnt,
                kfffdb->fact_extent_count, kfffdb->extent_copys);
    if (kfffdb->fact_extent_count == 0 || kfffdb->file_extents == nullptr)
        return;
    write_trace("\n%8s %8s %6s\n", "ext#", "au#", "disk#");
    write_trace("-------- -------- ------ \n");
    for (ub4 i = 0; i < kfffdb->fact_extent_count; i++)
        write_trace("%8i %8u %6u\n", (int)i, kfffdb->file_extents[i].au, kfffdb->file_extents[i].disk);
    write_trace("\n");
}
