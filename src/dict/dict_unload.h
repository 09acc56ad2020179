#pragma once
// unload dict: the dictionary tables rebuilt from the SYSTEM tablespace into
// the cache files and the in-memory store.

#include "base/splitter.h"
#include "base/zem_list.h"
#include "engine/unload_model.h"

extern const char dict_user_filename[];
extern const char dict_obj_filename[];
extern const char dict_col_filename[];
extern const char dict_tab_filename[];
extern const char dict_ind_filename[];
extern const char dict_lob_filename[];
extern const char dict_lobfrag_filename[];

// 1 when the tokens are an unload dict form (whatever the outcome), else 0.
int do_unload_dict(LINE_ARRAY tokens, int count);

void unload_dict_user(const ZEM_LIST* bootstrap_rows);
void unload_dict_obj(const ZEM_LIST* bootstrap_rows);
void unload_dict_col(const ZEM_LIST* bootstrap_rows);
void unload_dict_tab(const ZEM_LIST* bootstrap_rows);
void unload_dict_ind_type(const ZEM_LIST* bootstrap_rows);
void unload_dict_lob(const ZEM_LIST* bootstrap_rows);
void unload_dict_lobfrag(const ZEM_LIST* bootstrap_rows);
void unload_dict_ind(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
void unload_dict_tabpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
void unload_dict_indpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
void unload_dict_tabsubpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
void unload_dict_indsubpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
