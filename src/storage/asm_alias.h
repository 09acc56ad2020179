#pragma once
// Alias directories: the blocks of ASM file 6. Block 0 is the root directory
// of the group; a directory continues in the block named at offset 44.
//
// Alias directory block, type KFBTYPE_ALIASDIR:
//     0   32 block header (block_blk: block number in file 6, block_obj: 6)
//    32   36 directory header; only the ub4 at 44 is read: next block of the
//            same directory, all bits set when none
//    68   76 x n entries, n = (block size - 68) / 76
// Entry:
//    +0    4 incarnation (0: free)     +8    4 refer_number (first block of
//   +12    4 refer_incarn                       the sub-directory named)
//   +16   48 name, not necessarily terminated
//   +64    4 fnum (file number)        +68    4 finc (file incarnation)
//   +72    1 flags: 0x10 file, 0x04 system directory, 0x08 user directory,
//            0x02 system file, 0x01 user file (alias)

#include "storage/asm_types.h"

constexpr ub4 ASMDISK_ALIAS_HEADER_SIZE = 36;
constexpr ub4 ASMDISK_ALIAS_OFFSET = 68;
constexpr ub4 ASMDISK_ALIAS_SIZE = 76;
constexpr ub4 ASMDISK_ALIAS_NEXT_OFFSET = 44;
constexpr ub4 ASM_ALIAS_NO_NEXT_BLOCK = 0xFFFFFFFFu;

constexpr ub1 ALIAS_FLAG_USER_FILE = 0x01;
constexpr ub1 ALIAS_FLAG_SYS_FILE = 0x02;
constexpr ub1 ALIAS_FLAG_SYS_DIR = 0x04;
constexpr ub1 ALIAS_FLAG_USER_DIR = 0x08;
constexpr ub1 ALIAS_FLAG_FILE = 0x10;

#define alias_is_file(alias) (((alias)->flags & ALIAS_FLAG_FILE) != 0)
#define alias_is_sys_dir(alias) (((alias)->flags & ALIAS_FLAG_SYS_DIR) != 0)
#define alias_is_user_dir(alias) (((alias)->flags & ALIAS_FLAG_USER_DIR) != 0)
#define alias_is_dir(alias) (alias_is_sys_dir(alias) || alias_is_user_dir(alias))
#define alias_is_sys_file(alias) (alias_is_file(alias) && ((alias)->flags & ALIAS_FLAG_SYS_FILE) != 0)

// The root of a group's tree: named after the group, level 0, not loaded,
// refer_number 0 (block 0 of file 6).
PASM_ALIAS new_root_asm_alias(const ASM_DISKGROUP_ITEM* group);
// Frees the children of an alias (recursively), not the alias itself.
void release_asm_alias(void* alias);
// Appends the in-use entries of one alias block (the group's metadata block
// size) to `list` as children of `parent`; returns how many.
ub4 get_asm_alias(const ub1* buffer, const ASM_DISKGROUP_ITEM* group, PZEM_LIST list, PASM_ALIAS parent);
// Loads the children of a directory alias once; the result is in
// alias->dir_load_status.
void get_asm_alias_subdir(PASM_DISKGROUP_ITEM group, PASM_ALIAS alias);
