#pragma once
// Data and index blocks: the transaction header with its ITL list, the data
// header with the optional compression extension, and the table and row
// directories.

#include "blocks/block_types.h"

constexpr ub1 KDBH_FLAG_CLUSTER_BLOCK = 0x01;
constexpr ub1 KDBH_FLAG_ROWDEPENDENCIES = 0x20;
constexpr ub1 KDBH_FLAG_COMPRESS_TABLE = 0x40;
constexpr ub1 KDBH_CT_FLAG_C = 0x01;
constexpr ub1 KDBH_CT_FLAG_O = 0x02;
constexpr ub1 KDBH_CT_FLAG_R = 0x20;

constexpr ub4 ITL_LIST_OFFSET = 44;
constexpr ub2 ROW_DIR_EMPTY_SLOT = 0xffff;

typedef struct _tag_datablock_header {
    // Transaction header.
    ub1 block_type; // DBT_DATA or DBT_INDEX
    ub4 object_id;
    ub4 csc_base;
    ub2 csc_wrap;
    ub1 itl_cnt;
    ub1 fl_flag;
    ub1 ver;
    ub1 has_object;
    ub1 fsl;
    ub4 fnx;
    // Where the data (or index) header starts; every row offset is based here.
    ub4 data_header_offset;
    // Data header.
    ub1 kdbh_flag;
    ub1 tab_cnt;
    ub2 row_cnt;
    sb2 first_free_row;
    ub2 free_space_begin;
    ub2 free_space_end;
    ub2 avail_space;
    ub2 total_space;
    // Compression extension.
    ub1 r0_9ir2;
    ub2 mec_kdbh9ir2;
    ub1 r1_9ir2;
    ub1 fcls_9ir2_cnt;
    ub1 perm_9ir2_cnt;
    ub1 flag_9ir2;
    ub4 fcls_9ir2_pos;
    ub4 perm_9ir2_pos;
} DATABLOCK_HEADER, *PDATABLOCK_HEADER;

typedef struct _tag_itl_entry {
    ub2 xid_usn;
    ub2 xid_slot;
    ub4 xid_seq;
    ub4 uba_dba;
    ub2 uba_seq;
    ub1 uba_rec;
    ub2 flag_lock; // bits 12-15 flags, 0-11 lock count
    ub2 scn_wrap;  // or the free space credit
    ub4 scn_base;
} ITL_ENTRY, *PITL_ENTRY;

// The transaction part is always filled. FALSE when the data header or the
// compression arrays do not lie wholly before the tail; the fields that do
// not fit stay 0.
int get_datablock_header(const ub1* buffer, PDATABLOCK_HEADER header, ub4 block_size);
bool is_assm_datablock(const DATABLOCK_HEADER* header);
bool is_compressed_table(const DATABLOCK_HEADER* header);
ub4 calc_kdbh_9ir2_size(const DATABLOCK_HEADER* header);
int get_itl_entry(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, PITL_ENTRY entry, ub4 block_size);
// fcls and perm values of a compressed block; FALSE past the array or block.
int get_fcls_9ir2(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, ub2* value, ub4 block_size);
int get_perm_9ir2(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, ub1* value, ub4 block_size);

// Absolute offsets of the table and row directories.
ub4 get_tab_dir_offset(const DATABLOCK_HEADER* header);
ub4 get_row_dir_offset(const DATABLOCK_HEADER* header);
int get_tab_dir_entry(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 table, ub2* first_row,
                      ub2* row_count, ub4 block_size);
// Entry `index` of the row directory (an offset from the data header, a
// free-slot link or ROW_DIR_EMPTY_SLOT); FALSE past row_cnt or the tail.
int get_row_dir_entry(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, ub2* offset, ub4 block_size);
bool check_row_pos(ub4 offset, const DATABLOCK_HEADER* header, ub4 block_size);
