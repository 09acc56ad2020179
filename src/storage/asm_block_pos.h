#pragma once
// Where a block of an ASM file lies: physical extent, block within that
// extent and the number of blocks that follow it contiguously.

#include "storage/asm_types.h"

// Variable-size extents (compatibility 11.1 and 11.2): virtual extents below
// zone 1 are one AU, those below zone 2 X1 AUs, later ones X2 AUs.
constexpr ub4 VARIABLE_SIZE_EXTENT_ZONE1 = 20000;
constexpr ub4 VARIABLE_SIZE_EXTENT_ZONE2 = 40000;
constexpr ub4 VARIABLE_SIZE_EXTENT_AU_CNT11 = 8;
constexpr ub4 VARIABLE_SIZE_EXTENT_AU_CNT12 = 64;
constexpr ub4 VARIABLE_SIZE_EXTENT_AU_CNT21 = 4;
constexpr ub4 VARIABLE_SIZE_EXTENT_AU_CNT22 = 16;
constexpr ub4 INVALID_ASM_EXTENT_ID = 0xFFFFFFFFu;
// Larger file blocks are taken for damage: no ASM file uses them, and readers
// size their buffers by the block.
constexpr ub4 ASM_FILE_MAX_BLOCK_SIZE = 1u << 20;

// The file's geometry as the position arithmetic sees it.
typedef struct _tag_asm_block_geometry {
    ub4 block_size;            // blkSize
    ub4 stripe_width;          // strpwdth
    ub4 stripe_size;           // strpsz, log2 of bytes
    ub4 extent_copys;
    ub4 au_size;
    ub4 variable_size_extent;
} ASM_BLOCK_GEOMETRY;

// Pure 32-bit unsigned arithmetic. A geometry that cannot address blocks
// (see check_asmfile_geometry) gives extent INVALID_ASM_EXTENT_ID, block 0,
// count 0 instead of dividing by zero.
void calc_asm_block_pos(const ASM_BLOCK_GEOMETRY* geometry, ub4 block_no, ub4* extent_id, ub4* block_in_extent,
                        ub4* continue_blocks);
void calc_asm_file_block_pos(const KFFFDB* kfffdb, ub4 block_no, ub4* extent_id, ub4* block_in_extent,
                             ub4* continue_blocks);
// True when every block of the file can be located: a block size that is
// nonzero, at most ASM_FILE_MAX_BLOCK_SIZE and not above the AU and, for a striped file, a stripe chunk that
// holds at least one block. Otherwise reports why and returns false.
bool check_asmfile_geometry(const KFFFDB* kfffdb);
