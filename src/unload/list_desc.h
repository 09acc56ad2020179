#pragma once
// Listing the rebuilt dictionary and the datafile registry.

#include "base/splitter.h"

void do_list_schema(LINE_ARRAY tokens, int count);
void do_list_user();
int do_list_schema_obj(const char* user_name, const char* type_name);
void do_list_partition(const char* qualified_name);
void do_desc_table(LINE_ARRAY tokens, int count);
