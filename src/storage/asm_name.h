#pragma once
// ASM file names: an alias path +GROUP/dir/.../name (the last part may carry
// .fnum.finc), or the numeric forms +GROUP.fnum and +GROUP/...name.fnum.finc.

#include "storage/asm_types.h"

// By alias path only. On failure the group found (if any) stays set and the
// file number is 0.
int parse_asmfile_name_by_alias(const char* name, PASM_DISKGROUP_ITEM* group, ub4* file_number, ub4* incarnation);
// Alias path first, then the numeric form. Returns TRUE when both a group and
// a nonzero file number were found; on failure the group is none or the file
// number 0.
int parse_asmfile_name(const char* name, PASM_DISKGROUP_ITEM* group, ub4* file_number, ub4* incarnation);
