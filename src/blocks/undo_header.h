#pragma once
// Undo segment headers (types 14 and 38): the transaction control area, the
// free block pool and the transaction table. Their extent control part is
// an FLM_HEADER (segment_header.h).

#include "blocks/block_types.h"

constexpr ub4 TRANS_CONTROL_SIZE = 44;
constexpr ub4 FREE_BLOCK_POOL_ENTRY_SIZE = 12;
constexpr ub4 FREE_BLOCK_POOL_ENTRIES = 5;
constexpr ub4 TRANS_TABLE_ENTRY_SIZE = 40;
constexpr ub4 TRANS_TABLE_MAX_ENTRIES = 255;

typedef struct _tag_trans_control_header {
    ub4 control_scn_base;
    ub2 control_scn_wrap;
    ub4 control_uba_rdba;
    ub2 control_uba_seq;
    ub1 control_uba_rec;
    ub2 flag;
    ub2 seq;
    ub2 nbf;
    ub4 inc;
    ub2 commit_header;
    ub2 commit_tail;
    ub2 magic_number;
    ub2 version;
    ub2 xts;
    ub2 free_block_pool;
    ub4 optimal;
} TRANS_CONTROL_HEADER, *PTRANS_CONTROL_HEADER;

typedef struct _tag_free_block_pool_entry {
    ub4 uba_dba;
    ub2 uba_seq;
    ub1 uba_rec;
    ub2 extent;
    ub2 space;
} FREE_BLOCK_POOL_ENTRY, *PFREE_BLOCK_POOL_ENTRY;

typedef struct _tag_trans_table_entry {
    ub2 wrap_no; // 0 ends the table
    ub4 dba;
    ub4 scn_base;
    ub2 scn_wrap;
    ub1 state;
    ub1 cflags;
    ub2 uel;
    ub2 parent_xid_usn;
    ub2 parent_xid_slot;
    ub4 parent_xid_wrap;
    ub4 stmt_num;
    ub4 nub;
} TRANS_TABLE_ENTRY, *PTRANS_TABLE_ENTRY;

// Where the transaction control area of an undo segment header lies, or 0
// when it has none (a type-38 header of a block size without one, or an
// area that would run into the tail).
ub4 get_undo_trans_control_offset(ub1 block_type, ub2 map_offset, ub4 block_size);
// The transaction table follows the control area and the free block pool.
ub4 get_trans_table_offset(ub4 trans_control_offset);
// Records are cleared first; FALSE when the area does not lie before the tail.
int get_trans_control_header(PTRANS_CONTROL_HEADER record, const ub1* buffer, ub4 offset, ub4 block_size);
int get_free_block_pool_entry(PFREE_BLOCK_POOL_ENTRY record, const ub1* buffer, ub4 trans_control_offset,
                              ub4 index, ub4 block_size);
int get_trans_table_entry(PTRANS_TABLE_ENTRY record, const ub1* buffer, ub4 offset, ub4 block_size);
// Commit time of extent `index` in a type-38 header's retention table.
int get_retention_commit_time(const ub1* buffer, ub2 map_offset, ub4 index, ub4* commit_time, ub4 block_size);
