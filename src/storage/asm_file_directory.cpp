#include "storage/asm_file_directory.h"

#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "base/printer.h"
#include "storage/asm_disk_header.h"

namespace {

ub1 default_dxrs(ub1 redundancy_type, ub4 file_number)
{
    if (redundancy_type == KFDGTP_NORMAL)
        return file_number == ASM_FILE_DIRECTORY_NO ? 0x13 : 0x12;
    if (redundancy_type == KFDGTP_HIGH)
        return 0x13;
    return 0x11;
}

ub1 default_ixrs(ub1 redundancy_type)
{
    return redundancy_type == KFDGTP_NORMAL || redundancy_type == KFDGTP_HIGH ? 0x13 : 0x11;
}

bool valid_copies(ub1 xrs)
{
    return (xrs & 0x0F) != 0 && (xrs & 0x0F) <= 3;
}

} // namespace

void get_kfffdb(PKFFFDB kfffdb, ub1 redundancy_type, const ub1* buffer)
{
    memset(kfffdb, 0, sizeof(*kfffdb));
    KFBH kfbh;
    get_kfbh(buffer, &kfbh);
    if (!check_asmdisk_block_header(&kfbh) || kfbh.type != KFBTYPE_FILEDIR)
        return;
    kfffdb->file_number = kfbh.block_blk;
    kfffdb->node_incarn = get_ub4(buffer, 32);
    kfffdb->hibytes = get_ub4(buffer, 44);
    kfffdb->lobytes = get_ub4(buffer, 48);
    kfffdb->bytes = ((ub8)kfffdb->hibytes << 32) | kfffdb->lobytes;
    kfffdb->xtntcnt = get_ub4(buffer, 52);
    kfffdb->xtnteof = get_ub4(buffer, 56);
    kfffdb->blkSize = get_ub4(buffer, 60);
    kfffdb->flags = get_ub1(buffer, 64);
    kfffdb->fileType = get_ub1(buffer, 65);
    kfffdb->dXrs = get_ub1(buffer, 66);
    kfffdb->iXrs = get_ub1(buffer, 67);
    kfffdb->xtntblk = get_ub2(buffer, 92);
    kfffdb->bi_break = get_ub2(buffer, 94);
    kfffdb->priZn = get_ub1(buffer, 96);
    kfffdb->secZn = get_ub1(buffer, 97);
    kfffdb->alias[0] = get_ub4(buffer, 100);
    kfffdb->alias[1] = get_ub4(buffer, 104);
    kfffdb->strpwdth = get_ub1(buffer, 108);
    kfffdb->strpsz = get_ub1(buffer, 109);
    kfffdb->crets_hi = get_ub4(buffer, 112);
    kfffdb->crets_lo = get_ub4(buffer, 116);
    kfffdb->modts_hi = get_ub4(buffer, 120);
    kfffdb->modts_lo = get_ub4(buffer, 124);

    if (!valid_copies(kfffdb->dXrs)) {
        sp_printf("Invalid dXrs value:%u, file number:%u\n", kfffdb->dXrs, kfffdb->file_number);
        kfffdb->dXrs = default_dxrs(redundancy_type, kfffdb->file_number);
    }
    kfffdb->extent_copys = asmfile_extent_redundancy(kfffdb);
    if (!valid_copies(kfffdb->iXrs)) {
        sp_printf("Invalid iXrs value:%u, file number:%u\n", kfffdb->iXrs, kfffdb->file_number);
        kfffdb->iXrs = default_ixrs(redundancy_type);
    }
}

void get_kffixb(PKFFIXB kffixb, const ub1* buffer)
{
    kffixb->dxsn = get_ub4(buffer, 32);
    kffixb->xtntblk = get_ub2(buffer, 36);
    kffixb->dXrs = get_ub1(buffer, 38);
}

void get_asmfile_extent(const ub1* buffer, ub4 offset, PASMFILE_EXTENT extent)
{
    extent->au = get_ub4(buffer, offset);
    extent->disk = get_ub2(buffer, offset + 4);
}

bool reserve_asmfile_extents(PKFFFDB kfffdb, ub4 count)
{
    if (count > kfffdb->xtntcnt)
        return false;
    if (count <= kfffdb->extent_slot_count)
        return true;
    ub8 slots = (ub8)kfffdb->extent_slot_count * 2;
    if (slots < 64)
        slots = 64;
    if (slots < count)
        slots = count;
    if (slots > kfffdb->xtntcnt)
        slots = kfffdb->xtntcnt;
    PASMFILE_EXTENT grown =
        (PASMFILE_EXTENT)realloc(kfffdb->file_extents, (size_t)slots * sizeof(ASMFILE_EXTENT));
    if (grown == nullptr) {
        sp_printf("can't allocate %llu bytes memory.\n", (unsigned long long)(slots * sizeof(ASMFILE_EXTENT)));
        return false;
    }
    memset(grown + kfffdb->extent_slot_count, 0xFF,
           (size_t)(slots - kfffdb->extent_slot_count) * sizeof(ASMFILE_EXTENT));
    kfffdb->file_extents = grown;
    kfffdb->extent_slot_count = (ub4)slots;
    return true;
}

ub4 get_asmfile_direct_extent_map(PKFFFDB kfffdb, const ub1* buffer, ub4 length)
{
    ub4 i = 0;
    for (; i < kfffdb->xtntblk && i < kfffdb->bi_break && i < kfffdb->xtntcnt; i++) {
        ub4 offset = ASMFILE_EXTENT_ARRAY_OFFSET + ASMDISK_EXTENT_SIZE * i;
        if (offset + ASMDISK_EXTENT_SIZE > length)
            break;                      // the slot count runs past the block
        if (!reserve_asmfile_extents(kfffdb, i + 1))
            break;
        get_asmfile_extent(buffer, offset, &kfffdb->file_extents[i]);
    }
    kfffdb->fact_extent_count = i;
    return i;
}

ub4 get_asmfile_indirect_extent_map(PKFFFDB kfffdb, const ub1* buffer, ub4 length)
{
    KFFIXB kffixb;
    get_kffixb(&kffixb, buffer);
    // Each indirect block must start exactly where the map ends so far.
    if ((ub8)kffixb.dxsn * kfffdb->extent_copys != kfffdb->fact_extent_count) {
        sp_printf("kffixb.dxsn %u is not consistent with kfffdb.fact_extent_count %u\n", kffixb.dxsn,
                  kfffdb->fact_extent_count);
        return 0;
    }
    if (kffixb.dXrs != kfffdb->dXrs) {
        sp_printf("kffixb.dXrs %u <> kfffdb.dXrs %u", kffixb.dXrs, kfffdb->dXrs);
        return 0;
    }
    ub4 added = 0;
    for (ub4 j = 0; j < kffixb.xtntblk; j++) {
        ub4 slot = kfffdb->fact_extent_count + added;
        ub4 offset = ASMFILE_INDIRECT_EXTENT_OFFSET + ASMDISK_EXTENT_SIZE * j;
        if (slot >= kfffdb->xtntcnt || offset + ASMDISK_EXTENT_SIZE > length)
            break;
        if (!reserve_asmfile_extents(kfffdb, slot + 1))
            break;
        get_asmfile_extent(buffer, offset, &kfffdb->file_extents[slot]);
        added++;
    }
    return added;
}

void release_asm_file(PKFFFDB kfffdb)
{
    if (kfffdb == nullptr)
        return;
    free(kfffdb->file_extents);
    kfffdb->file_extents = nullptr;
    kfffdb->extent_slot_count = 0;
    kfffdb->fact_extent_count = 0;
}
