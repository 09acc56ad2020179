#pragma once
// What the datafile registry and the block readers need from ASM: a datafile
// whose name begins with "+" lives in a disk group and is read through the
// ASM file reader. The registry stores the file's directory entry and extent
// map as DATAFILE_ITEM.asm_file, a `struct _tag_kfffdb` owned by the entry.
// The ASM side (asm_datafile.h, asm_disk_list.h) does the work; these keep
// the registry and the readers in terms of the datafile entry.

#include "base/types.h"

typedef struct _tag_datafile_item* PDATAFILE_ITEM;

constexpr int ASMDF_OK = 0;
constexpr int ASMDF_NO_DISKGROUP = -5;   // no disk group for the name
constexpr int ASMDF_NO_FILE_INFO = -6;   // directory entry missing or for another file
constexpr int ASMDF_NO_EXTENT_MAP = -7;  // no extent map, or no extents

// Resolves item->file_name, loads the file's directory entry and extent map
// into item->asm_file and, when the entry records no block size, gives it
// item->block_size. On failure nothing stays attached. Prints nothing: the
// registry reports the result.
int attach_asm_datafile(PDATAFILE_ITEM item);
// Releases item->asm_file and sets it null; safe when nothing is attached.
void detach_asm_datafile(PDATAFILE_ITEM item);
// Up to block_cnt blocks of item->block_size bytes from file block block_no;
// the number of whole blocks read, 0 on failure (the ASM reader prints why).
ub4 read_asm_datafile_blocks(PDATAFILE_ITEM item, ub4 block_no, ub4 block_cnt, ub1* buffer);
// Reloads the ASM disk list for the open command; a null name means the
// default "asmdisk.txt".
void reload_asm_disk_list(const char* filename);
