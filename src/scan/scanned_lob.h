#pragma once
// LOB index entries and LOB data pages found by an extent scan, keyed by the
// last four bytes of the LOB id (id3). LOB retrieval reads them when a LOB's
// index is lost; they are loaded only when use_scanned_lob is on.
//
// "lobind.zem", one line per first-page LOB index entry: tablespace number,
// relative file number, block number, data object number of the index block,
// LOB id parts 1-3, version parts 1-2, LOB size in blocks, bytes in the last
// block. "lobpage.zem", one line per LOB data block: the same first nine
// fields and the page number.

#include "base/splitter.h"
#include "base/zem_hash.h"

typedef struct _tag_dict_lobind {
    ub4 tablespace_no;
    ub4 file_no;
    ub4 block_no;
    ub4 data_object_id;
    ub4 lob_id1;
    ub4 lob_id2;
    ub4 lob_id3;
    ub4 version1;
    ub4 version2;
    ub4 blocks;
    ub4 bytes;
} DICT_LOBIND, *PDICT_LOBIND;

typedef struct _tag_dict_lobpage {
    ub4 tablespace_no;
    ub4 file_no;
    ub4 block_no;
    ub4 data_object_id;
    ub4 lob_id1;
    ub4 lob_id2;
    ub4 lob_id3;
    ub4 version1;
    ub4 version2;
    ub4 page_no;
} DICT_LOBPAGE, *PDICT_LOBPAGE;

// "SCANNED_LOBIND" and "SCANNED_LOBPAGE"; both own their records.
extern ZEM_HASH_TABLE dict_lobind_hash_table;
extern ZEM_HASH_TABLE dict_lobpage_hash_table;
extern const char scan_lobind_filename[];
extern const char scan_lobpage_filename[];

void init_scanned_lob_tables();
void release_scanned_lob_tables();
// Reads lobind.zem and lobpage.zem into the tables (emptied first); a
// missing file leaves its table empty.
void load_scanned_lob_tables();

void* convert_row_to_dict_lobind(SMALL_LINE_ARRAY fields, int count);
void* convert_row_to_dict_lobpage(SMALL_LINE_ARRAY fields, int count);
int add_dict_lobind(const DICT_LOBIND* entry);
int add_dict_lobpage(const DICT_LOBPAGE* page);
