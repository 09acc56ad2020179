#pragma once
// The CREATE TABLE script and the SQL*Loader control file of an unloaded
// table, and the type texts they use.

#include <cstddef>

#include "base/zem_list.h"
#include "engine/unload_model.h"

constexpr size_t COL_TYPE_TEXT_LEN = 128;

char* get_col_type_fullname(const COLUMN* column, char* text);
char* get_col_ctl_fullname(const COLUMN* column, char* text);
char* get_col_sample_fullname(ub1 type, char* text, ub4 charset_form);
void generate_table_sql(const char* path, const char* schema, const char* table, const ZEM_LIST* columns);
void generate_table_ctlfile(const char* path, const char* schema, const char* table, const char* text_file,
                            const TABLE* table_info);
