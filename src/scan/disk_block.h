#pragma once
// Telling an Oracle block from any other bytes on a raw disk, with nothing to
// go by but the block itself: its cache header, its tail word and, when the
// block claims one, its checksum.

#include "blocks/block_header.h"

// What a disk scan expects of every block: the configured block size and the
// format byte blocks of that size carry.
typedef struct _tag_disk_scan_context {
    ub4 block_size;
    ub1 block_format;
    ub1 verify_checksum; // db_block_checksum
} DISK_SCAN_CONTEXT, *PDISK_SCAN_CONTEXT;

// A block found on a disk: its cache header, the relative file and block its
// rdba names, and the data object that owns it (0 when its type records none).
typedef struct _tag_disk_block_info {
    BLOCK_HEADER header;
    ub4 file_no;
    ub4 block_no;
    ub4 data_object_id;
} DISK_BLOCK_INFO, *PDISK_BLOCK_INFO;

// The format byte blocks of this size carry: 0x02 up to release 9 (compatible
// 9 or less), then 0x62, 0x82, 0xA2, 0xC2, 0xE2 for 2, 4, 8, 16, 32 KiB.
ub1 get_disk_scan_block_format(ub2 compatible, ub4 block_size);
// FALSE unless the context's block_size bytes at `block` form a plausible
// block: known type (1..40, not a sort or temporary block), expected format,
// nonzero rdba naming a nonzero file and block, a file header at block 1, an
// SCN outside file 1, a tail that agrees with the head and, when checked, a
// consistent checksum. `info` is filled either way.
int get_disk_block_info(const DISK_SCAN_CONTEXT* context, const ub1* block, PDISK_BLOCK_INFO info);
