#pragma once
// LOB retrieval: a CLOB or BLOB value found from its locator, its inode and
// its chunk addresses (in the row, in the LOB index, or in the results of a
// LOB scan), read chunk by chunk, converted (CLOB text) and handed to the
// column callback one LOB block at a time. Memory never follows a size read
// from disk: blocks stream to the callback through fixed buffers.

#include <vector>

#include "blocks/lob_locator.h"
#include "engine/extent_list.h"
#include "engine/unload_model.h"

constexpr ub4 TRIM_BLOB_MIN_BYTES = 20;
// Index levels a descent passes at most; deeper is a loop.
constexpr ub4 MAX_LOB_INDEX_DEPTH = 24;

typedef struct _tag_lob_chunk_item {
    ub4 start_rdba;
    ub4 page_no;
} LOB_CHUNK_ITEM, *PLOB_CHUNK_ITEM;

typedef std::vector<EXTENT_LIST_ITEM> LOB_CHUNK_LIST;

// One value on its way: the request, what has been delivered, and the
// first reason it ended early.
typedef struct _tag_lob_value {
    PCOL_DATA col_data;
    PCOLUMN column;
    PUNLOAD_PARAMS params;
    const UNLOAD_CALLBACKS* callbacks;
    const ROW_DATA* row; // null when the caller has none
    int byte_order;      // of the datafiles
    ub1 flags;           // carried by every call: IS_LOB_PIECE, IS_FIRST_COLUMN
    ub1 first_sent;      // a content call has been made
    ub1 last_sent;       // a call carried IS_LOB_LAST_PIECE
    ub1 two_byte;        // CLOB text in two-byte units
    ub1 swap;            // ... stored little-endian: swap each unit
    ub1 cut;             // the value ended before its end
    ub8 bytes;           // value bytes delivered
    char reason[192];
} LOB_VALUE, *PLOB_VALUE;

// Records why the value ends early (the first reason is kept).
void note_lob_cut(PLOB_VALUE value, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Records trouble on the way (a damaged LOB index) as the reason to give
// should the value end early; the value may still come back whole.
void note_lob_trouble(PLOB_VALUE value, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Appends a chunk address list (big-endian ub4 addresses, ended by 0 or the
// end of the bytes) as chunks of chunk_blocks blocks; returns how many.
ub4 get_lob_chunks(const ub1* bytes, ub4 length, ub4 chunk_blocks, LOB_CHUNK_LIST* list);
// Reads the chunks' blocks and delivers them. With size_known, the inode's
// blocks and bytes say where the value ends, and a value that ends sooner is
// cut; otherwise the first block that is not the value's ends it.
void unload_lob_chunks(PLOB_VALUE value, const LOB_CHUNK_LIST& chunks, ub4 ts_no, const LOB_INODE* inode,
                       int size_known);
// Delivers bytes of the value (converted for a CLOB) in one content call.
void deliver_lob_piece(PLOB_VALUE value, ub1* data, ub4 length, int last);

// The LOB index (lob_index_search.cpp).
ub4 get_index_root_dba(const LOB_STORAGE* storage);
// Leaf block holding the first entry at or after (lobid, page_no), read into
// `leaf` (BLOCK_MAX_SIZE bytes); its address, or 0.
ub4 search_lob_leaf_block(ub4 page_no, const COLUMN* column, const ub1* lobid, ub1* leaf, PLOB_VALUE value);
// The inode (when an entry of page 0 holds it) and the chunks of the value
// from page_no on; TRUE when the inode was found.
int parse_lob_ind_data(ub4 page_no, const COLUMN* column, const ub1* lobid, PLOB_INODE inode,
                       LOB_CHUNK_LIST* list, PLOB_VALUE value);

// Results of a LOB scan (lob_scanned.cpp).
int get_scanned_lob_inode(const ub1* lobid, PLOB_INODE inode, int order);
// The value's scanned pages in page order, one block each; returns how many
// and sets *ts_no (INVALID_TS_NO when none).
ub4 get_scanned_lob_chunks(LOB_CHUNK_LIST* list, const ub1* lobid, const LOB_INODE* inode, ub4* ts_no,
                           PLOB_VALUE value);
// Cuts trailing blocks without content; sets the inode's blocks and bytes.
void trim_scanned_lob_chunks(LOB_CHUNK_LIST* list, ub4 ts_no, const COLUMN* column, PLOB_INODE inode,
                             int two_byte);
ub4 get_clob_end_offset(const ub1* data, ub4 length, int two_byte);
ub4 get_blob_end_offset(const ub1* data, ub4 length);
int comp_lob_chunk_order(const LOB_CHUNK_ITEM& a, const LOB_CHUNK_ITEM& b);
