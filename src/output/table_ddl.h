#pragma once
// The CREATE TABLE script and the SQL*Loader control file of an unloaded
// table, and the type texts they use.

#include <cstddef>

#include "base/zem_list.h"
#include "engine/unload_model.h"
#include "output/text_fields.h"

constexpr size_t COL_TYPE_TEXT_LEN = 128;

char* get_col_type_fullname(const COLUMN* column, char* text);
char* get_col_ctl_fullname(const COLUMN* column, char* text);
char* get_col_sample_fullname(ub1 type, char* text, ub4 charset_form);
// Both return 0 when the file was written, else the errno of the failure
// (an open failure is reported here).
int generate_table_sql(const char* path, const char* schema, const char* table, const ZEM_LIST* columns);
// With `fields` of a table whose values were enclosed, or whose records end
// with the three-byte terminator, the control file says so.
int generate_table_ctlfile(const char* path, const char* schema, const char* table, const char* text_file,
                           const TABLE* table_info, const TEXT_FIELDS* fields = nullptr);
