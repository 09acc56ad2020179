#pragma once
// Raw reads from ASM disks: metadata blocks (checksummed), whole AUs, runs of
// blocks, and blocks of an ASM file with fail-over to its mirror copies.
// Every position is header_offset + AU x au_size + block x block size, in
// 64 bits.

#include "storage/asm_types.h"

// One metadata block of the disk's meta_block_size bytes; 1, or 0 after a
// message (closed disk, seek, short read, checksum).
int read_asm_meta_block(PASMDISK_ITEM disk, ub4 au, ub4 block, ub1* buffer);
// As above by disk number within the group; the buffer holds the group's
// meta_block_size bytes. Unreadable places (invalid AU or disk number, an
// empty slot, a closed disk, a disk whose block size differs from the
// group's) give 0 without a message.
int read_asm_meta_block_by_dn(PASM_DISKGROUP_ITEM group, ub4 disk_no, ub4 au, ub4 block, ub1* buffer);
ub2 read_au(PASMDISK_ITEM disk, ub4 au, ub2 count, ub1* buffer);
ub2 read_asm_disk_blocks(PASMDISK_ITEM disk, ub4 au, ub2 block, ub2 block_size, ub2 count, ub1* buffer);
// Up to `count` blocks of blkSize bytes from file block `block_no`, never
// past the contiguous run that starts there; the number of blocks read.
ub2 read_asmfile_blocks(PKFFFDB kfffdb, ub4 block_no, ub2 count, ub1* buffer);
