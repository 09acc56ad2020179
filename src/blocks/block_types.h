#pragma once
// Codes and sizes shared by every block parser: block types (byte 0 of a
// block), block formats (byte 1), cache-header flag bits (byte 15), and the
// fixed sizes of the headers that data and index blocks are built from.

#include "base/types.h"

constexpr ub4 BLOCK_HEADER_SIZE = 20;
constexpr ub4 BLOCK_TAIL_SIZE = 4;
// No valid block is smaller; parsers read their fixed fields below this.
constexpr ub4 BLOCK_MIN_SIZE = 1024;
constexpr ub4 BLOCK_MAX_SIZE = 32768;

constexpr ub4 TRANS_FIXED_SIZE = 24;
constexpr ub4 ASSM_TRANS_FIXED_SIZE = 32;
constexpr ub4 ITL_ENTRY_SIZE = 24;
constexpr ub4 KDBH_SIZE = 14;
constexpr ub4 KDBH_9IR2_SIZE = 8;
constexpr ub4 TAB_DIR_ENTRY_SIZE = 4;
constexpr ub4 ROW_DIR_ENTRY_SIZE = 2;
constexpr ub4 BRANCH_HEADER_SIZE = 28;
constexpr ub4 LEAF_HEADER_SIZE = 36;
constexpr ub4 DBNAME_LEN = 8;
constexpr ub4 TBSNAME_LEN = 30;
constexpr ub4 EXTENT_MAP_ENTRY_SIZE = 8;

constexpr int ERR_NONE = 0;
constexpr int ERR_BLOCK_TYPE = -1;
constexpr int ERR_BLOCK_FORMAT = -2;

enum {
    BT_BLANK = 0,
    BT_UNDO_HEADER = 1,
    BT_UNDO_DATA = 2,
    BT_SUNDO_HEADER = 3,
    BT_SUNDO_DATA = 4,
    BT_DATA_HEADER = 5,
    BT_DATA = 6,
    BT_TEMP_DATA = 7,
    BT_SORT_KEY = 8,
    BT_SORT_RUN = 9,
    BT_FREE_LIST = 10,
    BT_FILE_HEADER = 11,
    BT_DATA_HEADER_FLG = 12,
    BT_COMPAT_SEG = 13,
    BT_UUNDO_HEADER = 14,
    BT_SUUNDO_HEADER = 15,
    BT_UDATA_HEADER = 16,
    BT_UDATA_HEADER_FLG = 17,
    BT_EXTENT_MAP = 18,
    BT_BACKUPSET_PIECE_HEADER = 19,
    BT_BACKUPSET_DIRECTORY = 20,
    BT_CONTROL_FILE = 21,
    BT_CFREE = 22,
    BT_LOB_HEADER = 23,
    BT_LOB_FREE = 24,
    BT_LOB_INDEX = 25,
    BT_LOB_BITMAP = 26,
    BT_LOB_DATA = 27,
    BT_LMT_HEADER = 29,
    BT_LMT_MAP = 30,
    BT_ASSM_LEVEL1 = 32,
    BT_ASSM_LEVEL2 = 33,
    BT_ASSM_LEVEL3 = 34,
    BT_ASSM_HEADER = 35,
    BT_ASSM_EXTENT_MAP = 36,
    BT_SYS_UNDO_HEADER = 38,
    BT_MLOB_DATA = 40,
    BT_MAX_VALID = 40,
    BT_INVALID = 255
};

// Oracle 7 blocks are 0x01, 8 and 9 share 0x02; the 10g family sets
// higher bits (0x62, 0x82, 0xa2, 0xc2, 0xe2).
constexpr ub1 BF_V7 = 0x01;
constexpr ub1 BF_V8 = 0x02;
constexpr ub1 BF_V9 = 0x02;
constexpr ub1 BF_V10 = 0xa2;
constexpr ub1 BF_V11 = 0xc2;

constexpr ub2 FILETYPE_CONTROL = 1;
constexpr ub2 FILETYPE_REDO = 2;
constexpr ub2 FILETYPE_DATA = 3;
constexpr ub2 FILETYPE_BACKUP_CONTROL = 4;
constexpr ub2 FILETYPE_BACKUP_PIECE = 5;
constexpr ub2 FILETYPE_TEMPORARY = 6;

// Byte 20 of a data or index block.
constexpr ub1 DBT_DATA = 1;
constexpr ub1 DBT_INDEX = 2;

constexpr ub1 KCBHFNEW = 0x01;
constexpr ub1 KCBHFDLC = 0x02;
constexpr ub1 KCBHFCKV = 0x04; // a checksum is stored at offset 16
constexpr ub1 KCBHFTMP = 0x08;

bool is_valid_block_format(ub1 format);
bool is_above10g_block(ub1 format);
