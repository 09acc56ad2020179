#pragma once
// Column lists of dictionary tables, in the shape the unload engine takes.

#include "base/zem_list.h"
#include "engine/unload_model.h"

void get_column_info(PZEM_LIST list, ub4 object_id);
int comp_column_info_segcol(const void* a, const void* b);
int comp_column_info_colno(const void* a, const void* b);
void column_list_to_table(PTABLE table, const ZEM_LIST* list);
void set_columns_unloadable(PTABLE table);
