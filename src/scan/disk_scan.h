#pragma once
// scan disk: the raw ASM disks of the disk list read AU by AU without any ASM
// metadata, every Oracle block found listed in "asmblocks.zem" and, with
// extraction, copied into rebuilt datafiles (disk_rebuild.h).
//
// asmblocks.zem: three header lines, then one line per block found, in disk
// list order and disk order:
//   data_obj#,block_type,scn_base,scn_wrap,group#,disk#,au#,offset in AU,rdba

#include "base/splitter.h"
#include "base/types.h"

extern const char scan_disk_blocks_filename[];

constexpr ub4 SCAN_ALL_GROUPS = 0;
constexpr ub4 SCAN_ALL_DISKS = 0xFFFFFFFFu;
// ASM allocates in AUs of 1 to 64 MiB; a disk list line claiming more is
// not trusted with a buffer.
constexpr ub4 MAX_SCAN_AU_SIZE = 64u << 20;

typedef struct _tag_disk_scan_request {
    ub4 group_no;        // SCAN_ALL_GROUPS or a disk group number
    ub4 disk_no;         // SCAN_ALL_DISKS or a disk number within the group
    int extract;         // rebuild the datafiles
    ub4 au_limit;        // AUs scanned per disk; 0: the whole disk
    int overwrite;       // force: rebuilt files replace existing ones
    ub4 max_file_blocks; // 0: MAX_DISK_SCAN_BLOCKS
} DISK_SCAN_REQUEST, *PDISK_SCAN_REQUEST;

typedef struct _tag_disk_scan_result {
    ub4 disks;
    ub8 aus_read;
    ub8 aus_unreadable;
    ub8 blocks_found;
    ub8 lines_written;
    int listing_written; // asmblocks.zem created and written completely
} DISK_SCAN_RESULT, *PDISK_SCAN_RESULT;

// Scans the disks the request selects; FALSE when the listing could not be
// created (nothing scanned).
int scan_disk(const DISK_SCAN_REQUEST* request, PDISK_SCAN_RESULT result);

// scan disk [group <group#>] [disk <disk#>] [extract file] [limit <au count>]
// [force]; FALSE on a wrong form (the caller shows the usage).
int do_scan_disk(LINE_ARRAY tokens, int count);
