#pragma once
// ASM disk groups, their disks, open ASM files and alias directories as the
// reader keeps them in memory. The on-disk layouts are described next to their
// parsers (asm_disk_header.h, asm_file_directory.h, asm_alias.h).

#include <cstdio>

#include "base/types.h"
#include "base/zem_list.h"

constexpr int ASM_NAME_MAXLEN = 32;
constexpr int ASM_ALIAS_NAME_MAXLEN = 48;
constexpr int ASM_DISK_PATH_MAXLEN = 260;
constexpr ub4 DISKGROUP_MAX_DISK_COUNT = 4096;
// An AU number at or above this, or a disk number at or above the next, is
// never read: all bits set marks an unfilled extent slot.
constexpr ub4 INVALID_ASMDISK_AUN = 0xfffffff0u;
constexpr ub4 INVALID_ASMDISK_DISKNUM = 0xfff0u;
constexpr ub2 ASM_DIR_MAX_DEPTH = 20;

constexpr ub4 ASM_FILE_DIRECTORY_NO = 1;
constexpr ub4 ASM_ALIAS_DIRECTORY_NO = 6;

// Compatibility words (compat >> 16) that switch variable-size extents on.
constexpr ub4 NO_VARIABLE_SIZE_EXTENT = 0;
constexpr ub4 VARIABLE_SIZE_EXTENT_VER1110 = 0x0b10;
constexpr ub4 VARIABLE_SIZE_EXTENT_VER1120 = 0x0b20;

// Load status of an alias directory's children.
constexpr ub2 DLS_NOT_LOADED = 0;
constexpr ub2 DLS_LOADED = 1;
constexpr ub2 DLS_LOAD_FAILED = 2;

// Disk header status of an ASMDISK_ITEM.
constexpr int ASMDISK_NOT_EXAMINED = 0;
constexpr int ASMDISK_HEADER_VALID = 1;
constexpr int ASMDISK_HEADER_BAD = 2;

struct _tag_asm_diskgroup_item;

typedef struct _tag_asmfile_extent {
    ub4 au;
    ub4 disk;
} ASMFILE_EXTENT, *PASMFILE_EXTENT;

// One ASM file: its directory entry and, once built, its extent map.
typedef struct _tag_kfffdb {
    ub4 file_number;
    ub8 bytes;
    ub1 extent_copys;
    ub4 dir_aun;
    ub4 dir_disk;
    ub4 dir_block;
    ub4 node_incarn;
    ub4 hibytes;
    ub4 lobytes;
    ub4 xtntcnt;
    ub4 xtnteof;
    ub4 blkSize;
    ub1 flags;
    ub1 fileType;
    ub1 dXrs;
    ub1 iXrs;
    ub2 xtntblk;
    ub2 bi_break;
    ub1 priZn;
    ub1 secZn;
    ub4 alias[2];
    ub1 strpwdth;
    ub1 strpsz;
    ub4 crets_hi;
    ub4 crets_lo;
    ub4 modts_hi;
    ub4 modts_lo;
    ub4 fact_extent_count;
    // Indexed by physical extent number; slots past fact_extent_count have
    // all bits set. The array grows as pointers are read, up to xtntcnt, so
    // a damaged xtntcnt cannot demand memory the disks do not back.
    PASMFILE_EXTENT file_extents;
    ub4 extent_slot_count;
    struct _tag_asm_diskgroup_item* disk_group;
} KFFFDB, *PKFFFDB;

#define asmfile_extent_redundancy(kfffdb) ((ub1)((kfffdb)->dXrs & 0x0F))

typedef struct _tag_asm_alias {
    ub4 incarn;
    ub4 refer_number;
    ub4 refer_incarn;
    ub4 fnum;
    ub4 finc;
    ub1 flags;
    char name[ASM_ALIAS_NAME_MAXLEN + 1];
    ub2 dir_load_status;
    ub2 dir_level;
    ZEM_LIST sub_list;
    struct _tag_asm_alias* parent_alias;
} ASM_ALIAS, *PASM_ALIAS;

typedef struct _tag_asmdisk_item {
    ub4 disk_no;
    ub4 disk_group_no;
    char path[ASM_DISK_PATH_MAXLEN + 1];
    char disk_name[ASM_NAME_MAXLEN + 1];
    char disk_group_name[ASM_NAME_MAXLEN + 1];
    ub4 au_size;
    ub4 disk_size;
    ub1 redundancy_type;
    ub2 meta_block_size;
    FILE* fp;
    int status;
    ub4 header_offset;
    ub4 compat;
    ub4 f1b1locn;
    struct _tag_asm_diskgroup_item* diskgroup_item;
} ASMDISK_ITEM, *PASMDISK_ITEM;

typedef struct _tag_asm_diskgroup_item {
    ub4 disk_group_no;
    ub4 f1b1locn[3];
    ub4 f1b1locn_disk[3];
    ub4 compat;
    ub4 au_size;
    ub4 meta_block_size;
    ub1 redundancy_type;
    ub4 variable_size_extent;
    ub4 disk_count;
    char disk_group_name[ASM_NAME_MAXLEN + 1];
    PKFFFDB f1_file;
    PKFFFDB alias_file;
    PASM_ALIAS root_alias;
    PASMDISK_ITEM* disk_list;
} ASM_DISKGROUP_ITEM, *PASM_DISKGROUP_ITEM;
