#pragma once
// Directory entries and extent maps of ASM files. File 1 is the file
// directory: block n of file 1 is the entry of file n. Its own entry is block
// 1 of the AU that a disk header names in f1b1locn.

#include "storage/asm_types.h"

// File 1's entry from the group's f1b1locn places; all zero when none reads.
void get_asmfile_f1_info(PASM_DISKGROUP_ITEM group, PKFFFDB kfffdb);
// The entry of any file (file 1 through the f1b1locn places); success shows
// as kfffdb->file_number == file_number, failure as an all-zero record. The
// incarnation is not compared.
void get_asmfile_info(PASM_DISKGROUP_ITEM group, PKFFFDB kfffdb, ub4 file_number, ub4 incarnation);
// Builds the extent map, direct and indirect; returns fact_extent_count, 0
// when the entry cannot be read or the file cannot be addressed.
ub4 get_asmfile_extent_map(PKFFFDB kfffdb);
void trace_asmfile_extent_info(const KFFFDB* kfffdb);
