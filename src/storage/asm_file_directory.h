#pragma once
// File directory entries (blocks of ASM file 1) and indirect extent blocks.
//
// File directory entry, block type KFBTYPE_FILEDIR; block_blk of the block
// header is the number of the file described:
//   off size field          off size field
//    32    4 node_incarn     44    4 hibytes (file size, high word)
//    48    4 lobytes         52    4 xtntcnt (physical extents, copies included)
//    56    4 xtnteof         60    4 blkSize
//    64    1 flags           65    1 fileType
//    66    1 dXrs (low nibble: copies of a data extent)
//    67    1 iXrs (low nibble: copies of an indirect extent)
//    92    2 xtntblk (used pointer slots)    94    2 bi_break (first indirect slot)
//    96    1 priZn           97    1 secZn
//   100    8 alias[2]       108    1 strpwdth (extents striped over)
//   109    1 strpsz (stripe size, log2 bytes)
//   112   16 crets_hi, crets_lo, modts_hi, modts_lo
//  1216    8 x n extent pointer array (0x4C0)
// Slots 0 .. bi_break-1 are data extents in physical order, the copies of one
// virtual extent adjacent; slots bi_break .. xtntblk-1 name indirect extents,
// each taking (iXrs & 0x0F) adjacent slots for its copies.
//
// Extent pointer, 8 bytes: AU number ub4 at +0, disk number ub2 at +4, 2 more
// bytes not read.
//
// Indirect extent block KFFIXB, block type KFBTYPE_INDIRECT, one per metadata
// block of an indirect extent:
//    32    4 dxsn (first virtual extent described here)
//    36    2 xtntblk (pointers in this block)
//    38    1 dXrs
//    44    8 x n extent pointers

#include "storage/asm_types.h"

constexpr ub4 ASMDISK_EXTENT_SIZE = 8;
constexpr ub4 ASMFILE_EXTENT_ARRAY_OFFSET = 0x4C0;
constexpr ub4 ASMFILE_INDIRECT_EXTENT_OFFSET = 44;
// The fixed part of a directory entry ends here.
constexpr ub4 ASMFILE_DIRECTORY_FIXED_SIZE = 128;

typedef struct _tag_kffixb {
    ub4 dxsn;
    ub2 xtntblk;
    ub1 dXrs;
} KFFIXB, *PKFFIXB;

// Fills the record from a directory entry block (at least
// ASMFILE_DIRECTORY_FIXED_SIZE bytes); anything but a valid file directory
// block leaves it zeroed. Invalid redundancy bytes are reported and replaced
// by the group's defaults.
void get_kfffdb(PKFFFDB kfffdb, ub1 redundancy_type, const ub1* buffer);
void get_kffixb(PKFFIXB kffixb, const ub1* buffer);
void get_asmfile_extent(const ub1* buffer, ub4 offset, PASMFILE_EXTENT extent);

// Makes room for `count` extent slots (never more than xtntcnt); new slots
// have all bits set. False when the file cannot hold that many or memory is
// short.
bool reserve_asmfile_extents(PKFFFDB kfffdb, ub4 count);
// Copies the direct extent pointers of a directory entry block of `length`
// bytes into the map; returns fact_extent_count.
ub4 get_asmfile_direct_extent_map(PKFFFDB kfffdb, const ub1* buffer, ub4 length);
// Appends the pointers of one indirect block of `length` bytes when it
// continues the map; returns the number appended (the caller adds it to
// fact_extent_count).
ub4 get_asmfile_indirect_extent_map(PKFFFDB kfffdb, const ub1* buffer, ub4 length);
// Frees the extent map only; the record itself belongs to the caller.
void release_asm_file(PKFFFDB kfffdb);
