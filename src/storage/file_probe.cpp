// Telling datafiles and ASM disks from other files by their first bytes.
//
// A datafile is block 0 (the operating-system block, see os_block.h) and
// block 1 (the file header) at the file's block size, both after any bytes a
// raw device or volume keeps in front. Block 0 gives the byte order and block
// size when it is intact; without it every block size from 2 to 32 KiB is
// tried in both orders, at offset 0 only. Block 1 is believed when its type
// is 11, its format one a release writes and its tail agrees with its head,
// as the datafile list believes it.
//
// Two header layouts exist (the usual one and Tru64's, see file_header.cpp).
// The layout chosen is the one whose fields agree with the block: the block
// size recorded at 48 (56 on Tru64) equals the size the block was found at,
// and the file type at 54 (66) is one of the six known.
//
// The checkpoint SCN, which tells the newer of two copies of a file, is a ub4
// base at 484 and a ub2 wrap at 488 of block 1 in every layout.
//
// An ASM disk begins with a disk header block: type 1, the low nibble of the
// second byte 2, 32-bit words that XOR to zero. Its first byte names the byte
// order (1 little, 0 big), which the metadata sizes must confirm.

#include "storage/file_probe.h"

#include <cstring>

#include "base/byte_order.h"
#include "base/config.h"

namespace {

constexpr ub4 PROBE_MIN_BLOCK_SIZE = 2048;

int layout_score(const ub1* block, ub4 block_size, int byte_order, int tru64)
{
    int score = 0;
    if (get_ub4_order(block, tru64 ? 56 : 48, byte_order) == block_size)
        score += 2;
    ub2 file_type = get_ub2_order(block, tru64 ? 66 : 54, byte_order);
    if (file_type >= FILETYPE_CONTROL && file_type <= FILETYPE_TEMPORARY)
        score += 1;
    return score;
}

bool is_disk_header_sound(const KFDHBH* header)
{
    return is_valid_asm_meta_block_size(header->blksize) && header->ausize >= header->blksize &&
           header->ausize % header->blksize == 0;
}

bool probe_asm_disk_at(const ub1* bytes, size_t length, ub4 offset, PASMDISK_PROBE probe)
{
    if (length < ASMDISK_HEADER_SIZE)
        return false;
    if (bytes[2] != KFBTYPE_DISKHEAD || (bytes[1] & 0x0F) != KFBH_HARD || bytes[0] > KFBH_LITTLE_ENDIAN)
        return false;
    if (!check_asmdisk_block_checksum(bytes, ASMDISK_HEADER_SIZE))
        return false;
    int order = bytes[0] == KFBH_LITTLE_ENDIAN ? BO_LITTLE : BO_BIG;
    get_kfdhbh_order(bytes, &probe->header, order);
    if (!is_disk_header_sound(&probe->header)) {
        order = order == BO_LITTLE ? BO_BIG : BO_LITTLE;
        get_kfdhbh_order(bytes, &probe->header, order);
        if (!is_disk_header_sound(&probe->header))
            return false;
    }
    probe->header_offset = offset;
    probe->byte_order = order;
    return true;
}

bool probe_header_at(const ub1* bytes, size_t length, ub4 offset, ub4 block_size, int byte_order,
                     PDATAFILE_PROBE probe)
{
    if ((size_t)offset + 2 * (size_t)block_size > length)
        return false;
    if (!probe_file_header_block(bytes + offset + block_size, block_size, byte_order, probe))
        return false;
    probe->header_offset = offset;
    return true;
}

// Block 0 names the size and order to try first; the other sizes follow in
// that order, so a damaged size in block 0 does not hide the file.
bool probe_datafile_at(const ub1* bytes, size_t length, ub4 offset, const OS_BLOCK_HEADER* os_block,
                       PDATAFILE_PROBE probe)
{
    if (os_block != nullptr && is_valid_bs((int)os_block->block_size) &&
        probe_header_at(bytes, length, offset, os_block->block_size, os_block->byte_order, probe))
        return true;
    for (ub4 size = PROBE_MIN_BLOCK_SIZE; size <= BLOCK_MAX_SIZE; size *= 2) {
        int first = os_block != nullptr ? os_block->byte_order : BO_LITTLE;
        if (probe_header_at(bytes, length, offset, size, first, probe) ||
            probe_header_at(bytes, length, offset, size, first == BO_LITTLE ? BO_BIG : BO_LITTLE, probe))
            return true;
    }
    return false;
}

} // namespace

int probe_file_header_block(const ub1* block, ub4 block_size, int byte_order, PDATAFILE_PROBE probe)
{
    memset(probe, 0, sizeof(*probe));
    if (block_size < BLOCK_MIN_SIZE || block_size > BLOCK_MAX_SIZE)
        return FALSE;
    BLOCK_HEADER block_header;
    get_block_header_order(block, &block_header, block_size, byte_order);
    if (block_header.block_type != BT_FILE_HEADER || !is_valid_block_format(block_header.block_format) ||
        !block_tail_match(&block_header))
        return FALSE;
    int tru64 = layout_score(block, block_size, byte_order, 1) > layout_score(block, block_size, byte_order, 0);
    get_datafile_header_order(block, &probe->header, &block_header, block_size, byte_order, tru64);
    probe->block_size = block_size;
    probe->byte_order = byte_order;
    probe->is_tru64 = tru64;
    probe->block_format = block_header.block_format;
    probe->checkpoint_scn = ((ub8)get_ub2_order(block, FILE_HEADER_CHECKPOINT_SCN_WRAP, byte_order) << 32) |
                            get_ub4_order(block, FILE_HEADER_CHECKPOINT_SCN_BASE, byte_order);
    return TRUE;
}

int probe_file_head(const ub1* bytes, size_t length, PFILE_PROBE probe)
{
    memset(probe, 0, sizeof(*probe));
    for (ub4 offset = 0; offset <= PROBE_MAX_HEADER_OFFSET && offset < length; offset += PROBE_OFFSET_STEP) {
        const ub1* at = bytes + offset;
        size_t left = length - offset;
        if (probe_asm_disk_at(at, left, offset, &probe->asm_disk))
            return probe->kind = PK_ASM_DISK;
        OS_BLOCK_HEADER os_block;
        bool has_os_block = get_os_block_header(at, left, &os_block) != 0;
        // Away from offset 0 only a block 0 makes a place worth trying: a
        // header copied into some other file (a backup piece) is not a datafile.
        if (!has_os_block && offset != 0)
            continue;
        if (probe_datafile_at(bytes, length, offset, has_os_block ? &os_block : nullptr, &probe->datafile))
            return probe->kind = PK_DATAFILE;
        if (has_os_block && probe->kind == PK_UNKNOWN) {
            probe->kind = PK_NO_FILE_HEADER;
            probe->os_block = os_block;
            probe->os_block_offset = offset;
        }
    }
    return probe->kind;
}
