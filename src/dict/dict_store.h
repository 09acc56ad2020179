#pragma once
// The in-memory dictionary: eight hash tables filled from the cache files.

#include "base/splitter.h"
#include "base/zem_hash.h"
#include "dict/dict_types.h"

extern const char default_col_delimiter[];

extern ZEM_HASH_TABLE dict_user_hash_table;
extern ZEM_HASH_TABLE dict_obj_hash_table;
extern ZEM_HASH_TABLE dict_objname_hash_table;
extern ZEM_HASH_TABLE dict_col_hash_table;
extern ZEM_HASH_TABLE dict_tab_hash_table;
extern ZEM_HASH_TABLE dict_ind_hash_table;
extern ZEM_HASH_TABLE dict_lob_hash_table;
extern ZEM_HASH_TABLE dict_lobfrag_hash_table;

void init_dict_list();
void release_dict_list();
void load_all_dict_list();
// Fills the object table and its by-name index from an object cache file.
void load_dict_obj_file(const char* filename);

void* convert_row_to_dict_user(SMALL_LINE_ARRAY fields, int count);
void* convert_row_to_dict_obj(SMALL_LINE_ARRAY fields, int count);
void* convert_row_to_dict_col(SMALL_LINE_ARRAY fields, int count);
void* convert_row_to_dict_tab(SMALL_LINE_ARRAY fields, int count);
void* convert_row_to_dict_ind(SMALL_LINE_ARRAY fields, int count);
void* convert_row_to_dict_lob(SMALL_LINE_ARRAY fields, int count);
void* convert_row_to_dict_lobfrag(SMALL_LINE_ARRAY fields, int count);

// Reads a cache-file number: base-10 unsigned, an empty field is 0.
ub4 dict_field_number(const char* field);
