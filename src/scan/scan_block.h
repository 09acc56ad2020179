#pragma once
// What an extent scan learns from one block, from its headers only: whether
// it is damaged, which data object it belongs to, whether it is a segment
// header, and the LOB index entries and LOB page it describes.

#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "scan/scanned_lob.h"

enum {
    SCAN_BLOCK_DAMAGED = 1,        // tail disagrees with the head
    SCAN_BLOCK_SEGMENT_HEADER = 2, // types 16, 17 and 35
    SCAN_BLOCK_DATA = 3,           // type 6, data or index
    SCAN_BLOCK_LOB_PAGE = 4,       // types 27 and 40
    SCAN_BLOCK_OTHER = 5
};

typedef struct _tag_scanned_block {
    int kind;
    ub1 block_type;
    // The segment's data object number for segment headers, data and index
    // blocks; 0 for every other kind.
    ub4 object_id;
    // An index block of a nonzero object: it may hold LOB index entries.
    int lob_index_candidate;
    BLOCK_HEADER block_header;
    DATABLOCK_HEADER data_header; // filled for SCAN_BLOCK_DATA only
} SCANNED_BLOCK, *PSCANNED_BLOCK;

// Classifies a block of block_size bytes (1024 to 32768); check_tail makes a
// block whose tail disagrees with its head SCAN_BLOCK_DAMAGED.
void get_scanned_block(const ub1* block, ub4 block_size, int check_tail, PSCANNED_BLOCK result);

// The first nine fields of a lobpage.zem line and the page number, from a
// LOB data block; the place fields (tablespace, file, block) are left 0.
void get_scanned_lobpage(const ub1* block, ub4 block_size, PDICT_LOBPAGE page);

// Receives one first-page entry of a LOB index leaf; the place fields
// (tablespace, file, block) are left 0.
typedef void (*LOBIND_ENTRY_FUNC)(void* context, const DICT_LOBIND* entry);

// Walks the rows of a LOB index leaf block and hands every live entry of a
// LOB's first page to func. Blocks that are not such leaves give nothing;
// the walk ends at the first row whose key is not a LOB id and a page
// number. Returns the number of entries handed over.
ub4 get_scanned_lobindex_entries(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* data_header,
                                 LOBIND_ENTRY_FUNC func, void* context);
