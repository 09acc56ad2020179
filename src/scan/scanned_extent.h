#pragma once
// Extents found by an extent scan, by data object number. The unload engine
// reads them for truncated tables and objects without a dictionary entry.
//
// One line of "ext.zem" per run of consecutive blocks sharing object number
// and block type: data object number, tablespace number, relative file
// number, first block, number of blocks, block type.

#include "base/splitter.h"
#include "base/zem_hash.h"

constexpr ub4 SCANNED_HASH_BUCKET_CNT = 65535;

typedef struct _tag_dict_extent {
    ub4 data_object_id;
    ub4 tablespace_no;
    ub4 file_no; // relative
    ub4 block_no;
    ub4 length;
    ub4 block_type;
} DICT_EXTENT, *PDICT_EXTENT;

// "SCANNED_EXTENT", keyed by data_object_id; owns its records.
extern ZEM_HASH_TABLE dict_ext_hash_table;

void init_dict_ext_hash_table();
void release_dict_ext_hash_table();
ub4 calc_dict_extent_hash(const void* data);
extern const char dict_ext_filename[];

void* convert_row_to_dict_ext(SMALL_LINE_ARRAY fields, int count);
// The three scanned-data tables: extents, LOB index entries, LOB pages.
void init_scanned_data_list();
void release_scanned_data_list();
// Reads the extent scan results (ext.zem) into the extent table and, when
// use_scanned_lob is on, lobind.zem and lobpage.zem into the LOB tables; a
// missing file leaves its table empty.
void load_scanned_data_list();
// Adds a copy of the record; FALSE when memory ran out.
int add_dict_extent(const DICT_EXTENT* extent);
// Runs of data blocks (type 6) of the data object, in one tablespace or in
// any (0xFFFFFFFF).
ub4 count_scanned_data_extents(ub4 data_object_id, ub4 ts_no);
