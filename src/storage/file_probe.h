#pragma once
// What the first bytes of a file say it is: a datafile (with the byte order,
// block size, header offset and header layout that read it), an ASM disk,
// or neither. Pure functions of a buffer: no file is read, nothing printed.

#include "blocks/file_header.h"
#include "blocks/os_block.h"
#include "storage/asm_disk_header.h"

// Raw devices and volume managers may keep a header of their own before
// block 0; it is searched for in sector steps up to this many bytes.
constexpr ub4 PROBE_MAX_HEADER_OFFSET = 1u << 20;
constexpr ub4 PROBE_OFFSET_STEP = 512;
// Bytes that show every candidate at offset 0, and at any offset.
constexpr size_t PROBE_FIRST_BYTES = 2 * (size_t)BLOCK_MAX_SIZE;
constexpr size_t PROBE_HEAD_BYTES = PROBE_MAX_HEADER_OFFSET + PROBE_FIRST_BYTES;

// Where the checkpoint SCN of the file lies in block 1: base and wrap.
constexpr size_t FILE_HEADER_CHECKPOINT_SCN_BASE = 484;
constexpr size_t FILE_HEADER_CHECKPOINT_SCN_WRAP = 488;

enum {
    PK_UNKNOWN = 0,        // nothing recognised
    PK_DATAFILE = 1,       // block 1 is a file header (of any file type)
    PK_ASM_DISK = 2,
    PK_NO_FILE_HEADER = 3, // block 0 of a datafile, but no file header after it
};

typedef struct _tag_datafile_probe {
    ub4 header_offset;
    ub4 block_size;
    int byte_order;
    int is_tru64;
    ub1 block_format;
    ub8 checkpoint_scn;
    DATAFILE_HEADER header;
} DATAFILE_PROBE, *PDATAFILE_PROBE;

typedef struct _tag_asmdisk_probe {
    ub4 header_offset;
    int byte_order;
    KFDHBH header;
} ASMDISK_PROBE, *PASMDISK_PROBE;

typedef struct _tag_file_probe {
    int kind;
    DATAFILE_PROBE datafile;   // PK_DATAFILE
    ASMDISK_PROBE asm_disk;    // PK_ASM_DISK
    OS_BLOCK_HEADER os_block;  // PK_NO_FILE_HEADER: the first block 0 found
    ub4 os_block_offset;
} FILE_PROBE, *PFILE_PROBE;

// `length` bytes from the start of a file (fewer when the file is shorter).
// Returns the kind, also stored in the record, which is cleared first.
int probe_file_head(const ub1* bytes, size_t length, PFILE_PROBE probe);
// Block 1 of a file whose block size and byte order are known (a file in an
// ASM disk group): TRUE when it is a file header, the record then filled.
int probe_file_header_block(const ub1* block, ub4 block_size, int byte_order, PDATAFILE_PROBE probe);
