#include "storage/asm_disk_header.h"

#include <cstring>

#include "base/byte_order.h"

namespace {

// A 32-byte name field, not necessarily terminated on disk.
void get_asm_name(const ub1* buffer, size_t offset, char* name)
{
    memcpy(name, buffer + offset, ASM_NAME_MAXLEN);
    name[ASM_NAME_MAXLEN] = '\0';
}

} // namespace

void get_kfbh(const ub1* buffer, PKFBH kfbh)
{
    memset(kfbh, 0, sizeof(*kfbh));
    kfbh->endian = get_ub1(buffer, 0);
    kfbh->hard = get_ub1(buffer, 1);
    kfbh->type = get_ub1(buffer, 2);
    kfbh->datfmt = get_ub1(buffer, 3);
    kfbh->block_blk = get_ub4(buffer, 4);
    kfbh->block_obj = get_ub4(buffer, 8);
    kfbh->check = get_ub4(buffer, 12);
    kfbh->fcn_base = get_ub4(buffer, 16);
    kfbh->fcn_wrap = get_ub4(buffer, 20);
    kfbh->fspare1 = get_ub4(buffer, 24);
    kfbh->fspare2 = get_ub4(buffer, 28);
}

void get_kfdhbh(const ub1* buffer, PKFDHBH kfdhbh)
{
    get_kfdhbh_order(buffer, kfdhbh, config_data.byte_order);
}

void get_kfdhbh_order(const ub1* buffer, PKFDHBH kfdhbh, int byte_order)
{
    memset(kfdhbh, 0, sizeof(*kfdhbh));
    kfdhbh->compat = get_ub4_order(buffer, 64, byte_order);
    kfdhbh->dsknum = get_ub2_order(buffer, 68, byte_order);
    kfdhbh->grptyp = get_ub1(buffer, 70);
    kfdhbh->hdrsts = get_ub1(buffer, 71);
    get_asm_name(buffer, 72, kfdhbh->dskname);
    get_asm_name(buffer, 104, kfdhbh->grpname);
    get_asm_name(buffer, 136, kfdhbh->fgname);
    get_asm_name(buffer, 168, kfdhbh->capname);
    kfdhbh->crestmp_hi = get_ub4_order(buffer, 200, byte_order);
    kfdhbh->crestmp_lo = get_ub4_order(buffer, 204, byte_order);
    kfdhbh->mntstmp_hi = get_ub4_order(buffer, 208, byte_order);
    kfdhbh->mntstmp_lo = get_ub4_order(buffer, 212, byte_order);
    kfdhbh->secsize = get_ub2_order(buffer, 216, byte_order);
    kfdhbh->blksize = get_ub2_order(buffer, 218, byte_order);
    kfdhbh->ausize = get_ub4_order(buffer, 220, byte_order);
    kfdhbh->mfact = get_ub4_order(buffer, 224, byte_order);
    kfdhbh->dsksize = get_ub4_order(buffer, 228, byte_order);
    kfdhbh->pmcnt = get_ub4_order(buffer, 232, byte_order);
    kfdhbh->fstlocn = get_ub4_order(buffer, 236, byte_order);
    kfdhbh->altlocn = get_ub4_order(buffer, 240, byte_order);
    kfdhbh->f1b1locn = get_ub4_order(buffer, 244, byte_order);
}

bool check_asmdisk_block_header(const KFBH* kfbh)
{
    return (kfbh->hard & 0x0F) == KFBH_HARD;
}

// The exclusive-or of all 32-bit words is zero. Words are combined in memory
// order; a zero result does not depend on the byte order.
bool check_asmdisk_block_checksum(const ub1* buffer, ub4 length)
{
    ub1 lanes[4] = {0, 0, 0, 0};
    ub4 words = length / 4;
    for (ub4 i = 0; i < words; i++)
        for (ub4 j = 0; j < 4; j++)
            lanes[j] ^= buffer[4 * i + j];
    return (lanes[0] | lanes[1] | lanes[2] | lanes[3]) == 0;
}

bool is_valid_asm_meta_block_size(ub4 size)
{
    return size >= ASM_META_BLOCK_MIN_SIZE && size <= ASM_META_BLOCK_MAX_SIZE && size % 4 == 0;
}
