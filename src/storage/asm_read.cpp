#include "storage/asm_read.h"

#include <cerrno>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/trace.h"
#include "storage/asm_block_pos.h"
#include "storage/asm_disk_header.h"

namespace {

ub8 disk_position(const ASMDISK_ITEM* disk, ub4 au, ub4 au_size, ub8 byte_in_au)
{
    return (ub8)disk->header_offset + (ub8)au * au_size + byte_in_au;
}

bool seek_disk(PASMDISK_ITEM disk, ub8 position)
{
    return fseeko(disk->fp, (off_t)position, SEEK_SET) == 0 && !feof(disk->fp);
}

} // namespace

int read_asm_meta_block(PASMDISK_ITEM disk, ub4 au, ub4 block, ub1* buffer)
{
    if (disk->fp == nullptr) {
        sp_printf("can not read from a closed disk.\n");
        return 0;
    }
    ub4 size = disk->meta_block_size;
    if (!is_valid_asm_meta_block_size(size))
        return 0;
    if (!seek_disk(disk, disk_position(disk, au, disk->au_size, (ub8)block * size))) {
        sp_printf("has already arrived disk end.\n");
        return 0;
    }
    errno = 0;
    if (fread(buffer, 1, size, disk->fp) != size) {
        sp_printf("read data error from diskgroup# %u disk# %u block# %u. error message:%s\n", disk->disk_group_no,
                  disk->disk_no, block, strerror(errno));
        return 0;
    }
    if (!check_asmdisk_block_checksum(buffer, size)) {
        sp_printf("asm meta data checksum error,diskgroup# %u disk# %u block# %u.", disk->disk_group_no,
                  disk->disk_no, block);
        return 0;
    }
    return 1;
}

int read_asm_meta_block_by_dn(PASM_DISKGROUP_ITEM group, ub4 disk_no, ub4 au, ub4 block, ub1* buffer)
{
    if (au >= INVALID_ASMDISK_AUN || disk_no >= INVALID_ASMDISK_DISKNUM || disk_no >= group->disk_count ||
        group->disk_list == nullptr)
        return 0;
    PASMDISK_ITEM disk = group->disk_list[disk_no];
    if (disk == nullptr || disk->fp == nullptr)
        return 0;
    // The caller's buffer is sized by the group; a disk claiming another
    // block size would overrun it.
    if (disk->meta_block_size != group->meta_block_size || disk->au_size != group->au_size)
        return 0;
    return read_asm_meta_block(disk, au, block, buffer);
}

ub2 read_au(PASMDISK_ITEM disk, ub4 au, ub2 count, ub1* buffer)
{
    if (disk->fp == nullptr) {
        sp_printf("can not read from a closed disk.\n");
        return 0;
    }
    if (disk->au_size == 0 || count == 0)
        return 0;
    if (!seek_disk(disk, disk_position(disk, au, disk->au_size, 0))) {
        sp_printf("has already arrived disk end.\n");
        return 0;
    }
    size_t want = (size_t)count * disk->au_size;
    errno = 0;
    size_t got = fread(buffer, 1, want, disk->fp);
    if (got == 0 || got % disk->au_size != 0) {
        sp_printf("read data error from diskgroup# %u disk# %u. error message:%s\n", disk->disk_group_no,
                  disk->disk_no, strerror(errno));
        return 0;
    }
    return (ub2)(got / disk->au_size);
}

ub2 read_asm_disk_blocks(PASMDISK_ITEM disk, ub4 au, ub2 block, ub2 block_size, ub2 count, ub1* buffer)
{
    if (disk->fp == nullptr) {
        sp_printf("can not read from a closed disk.\n");
        return 0;
    }
    if (block_size == 0 || count == 0)
        return 0;
    if (!seek_disk(disk, disk_position(disk, au, disk->au_size, (ub8)block * block_size))) {
        sp_printf("has already arrived disk end.\n");
        return 0;
    }
    errno = 0;
    size_t got = fread(buffer, 1, (size_t)count * block_size, disk->fp);
    if (got < block_size) {
        sp_printf("read data error from diskgroup# %u disk# %u. error message:%s\n", disk->disk_group_no,
                  disk->disk_no, strerror(errno));
        return 0;
    }
    return (ub2)(got / block_size);
}

ub2 read_asmfile_blocks(PKFFFDB kfffdb, ub4 block_no, ub2 count, ub1* buffer)
{
    PASM_DISKGROUP_ITEM group = kfffdb->disk_group;
    if (group == nullptr || kfffdb->file_extents == nullptr || group->disk_list == nullptr) {
        sp_printf("read_asmfile_blocks: NULL disk_group,file_extents or disk_list.\n");
        return 0;
    }
    ub4 extent_id, block, continue_blocks;
    calc_asm_file_block_pos(kfffdb, block_no, &extent_id, &block, &continue_blocks);
    if (config_data.trace_config.trace_asm > 3)
        write_trace("read_asmfile_blocks: calc_asm_file_block_pos: asm file no=%u,input: block_no=%u,output:"
                    "extent_id=%u,block_no=%u,continue_blocks=%u\n",
                    kfffdb->file_number, block_no, extent_id, block, continue_blocks);
    if (extent_id >= kfffdb->fact_extent_count) {
        sp_printf("read_asmfile_blocks: extent_id %u >= fact_extent_count %u.\n", extent_id,
                  kfffdb->fact_extent_count);
        return 0;
    }
    if (count > continue_blocks)
        count = (ub2)continue_blocks;
    if (count == 0 || kfffdb->blkSize == 0)
        return 0;
    for (ub4 c = 0; c < kfffdb->extent_copys && extent_id + c < kfffdb->fact_extent_count; c++) {
        const ASMFILE_EXTENT* extent = &kfffdb->file_extents[extent_id + c];
        if (extent->au >= INVALID_ASMDISK_AUN || extent->disk >= group->disk_count)
            continue;
        PASMDISK_ITEM disk = group->disk_list[extent->disk];
        if (disk == nullptr || disk->fp == nullptr)
            continue;
        if (!seek_disk(disk, disk_position(disk, extent->au, group->au_size, (ub8)block * kfffdb->blkSize))) {
            sp_printf("has already arrived disk end.\n");
            continue;
        }
        errno = 0;
        size_t got = fread(buffer, 1, (size_t)count * kfffdb->blkSize, disk->fp);
        if (got >= kfffdb->blkSize)
            return (ub2)(got / kfffdb->blkSize);
        // A short read without an error is the disk's end: an extent map
        // entry pointing past it (a lost or damaged map), not "Success".
        const char* reason = ferror(disk->fp) && errno != 0 ? strerror(errno) : "beyond the end of the disk";
        clearerr(disk->fp);
        sp_printf("read data error from diskgroup# %u disk# %u au# %u block# %u. error message:%s\n",
                  group->disk_group_no, extent->disk, extent->au, block_no, reason);
    }
    return 0;
}
