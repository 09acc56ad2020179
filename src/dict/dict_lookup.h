#pragma once
// Lookups over the dictionary store. Each search returns the first match in
// cache-file order, or null.

#include "base/zem_list.h"
#include "dict/dict_types.h"

PDICT_USER search_dict_user(const char* name);
PDICT_OBJ search_dict_obj(const char* name, ub4 owner, ub4 type);
PDICT_OBJ search_dict_obj_id(ub4 object_id);
PDICT_TAB search_dict_tab(ub4 object_id);
PDICT_IND search_dict_ind(ub4 base_object_id, ub4 index_type);
PDICT_LOB search_dict_lob(ub4 object_id, ub4 col_id);
PDICT_LOBFRAG search_dict_lobfrag_part(ub4 parent_object_id, ub4 tab_frag_object_id);

char* transform_schema_name(char* text);
// 0, or -1 (not "user.table"), -2 (no such user), -3 (no such table).
// user_name/table_name, when not null, receive the normalised names and must
// hold DICTNAME_LEN + 1 characters (longer names are cut there).
int parse_user_table(const char* text, ub4* user_id, ub4* object_id, char* user_name, char* table_name,
                     int keep_table_case);
ub4 get_obj_type_from_name(const char* text);
ub4 get_partition_list(PZEM_LIST list, ub4 owner, const char* name, int subpartitions);
ub4 get_partition_id(ub4 owner, const char* name, const char* subname);
int get_iot_info(ub4 table_object_id, ub4* index_object_id, char* index_name);
int get_storage_info(STORAGE_INFO* info, ub4 object_id);
int get_col_type_from_name(const char* word, ub4* type, ub4* charset_form, ub4* length, ub4* scale);
