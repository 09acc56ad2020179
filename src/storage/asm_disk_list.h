#pragma once
// The ASM disk list file, the global disk and disk group lists, and opening
// the disks (always read-only).
//
// asmdisk.txt, one disk a line, blank- or tab-separated; "#" starts a comment:
//   1 disk number          2 path (required)
//   3 disk group name      4 metadata block size   5 AU size in bytes
//   6 disk size in AUs     7 header offset in bytes (always used)
//   8 compatibility: a version such as 11.2 or 11.2.0.3, or a raw word 0x0b200000
// Columns 1 and 3-6, 8 are used only when the disk header is bad.

#include "storage/asm_types.h"

extern const char default_asmdisk_fn[];
extern ZEM_LIST asmdisk_list;
extern ZEM_LIST asm_diskgroup_list;

void init_asmdisk_list();
void release_asmdisk_list();
void release_asmdisk_item(void* disk);
void release_asm_diskgroup_item(void* group);
void load_asmdisk_file(const char* file_name);
void show_asmdisk_list_info(const ZEM_LIST* disk_list);
// Opens the disk and reads its header into the item: 0, or -1 (open), -2
// (seek), -3 (short read). A bad header is still success, with status 2.
int fill_asmdisk_item(PASMDISK_ITEM disk);
void reopen_diskgroup_disks();
PASM_DISKGROUP_ITEM search_asm_diskgroup_by_name(const char* name);
PASMDISK_ITEM search_asmdisk(ub4 disk_group_no, ub4 disk_no);
// The compatibility column: "11.2" gives 0x0b200000; "0x..." is the word.
ub4 get_asm_compat_from_text(const char* text);
