#pragma once
// ASM files opened as datafiles: a name beginning with "+" resolved to a disk
// group and file, its directory entry and extent map loaded into a KFFFDB
// that the caller owns.

#include "storage/asm_types.h"

constexpr int ASMFILE_OPEN_OK = 0;
constexpr int ASMFILE_NO_DISKGROUP = -5;
constexpr int ASMFILE_NO_FILE_INFO = -6;
constexpr int ASMFILE_NO_EXTENT_MAP = -7;

// Resolves `file_name` and loads the file into a new record stored in
// *asm_file; an entry without a block size gets `block_size`. Returns one of
// the codes above; on failure *asm_file is null and nothing stays allocated.
int open_asm_datafile(const char* file_name, ub4 block_size, PKFFFDB* asm_file);
// Frees the extent map and the record; sets *asm_file null.
void close_asm_datafile(PKFFFDB* asm_file);
// Up to block_cnt blocks (at most 65535 per call) from file block block_no
// into a buffer of block_cnt x block_size bytes; fewer when the contiguous run
// ends. 0 on failure (printed), also when the file's own block size is not
// block_size, which would overrun the buffer.
ub4 read_asm_datafile(PKFFFDB asm_file, ub4 block_size, ub4 block_no, ub4 block_cnt, ub1* buffer);
