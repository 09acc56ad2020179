#pragma once
// CSV output for PostgreSQL (output_format csv): for each table "<name>.csv"
// (csv_values.h gives the field rules) and "<name>.pg.sql", which creates the
// table and loads the CSV file (pg_script.h). The same begin/do/end triple as
// the text output, named as its files are.

#include "base/zem_list.h"
#include "engine/unload_model.h"

int begin_unload_table_csv(const char* schema, const char* table_name, const char* partition, PTABLE table,
                           PZEM_LIST columns, PUNLOAD_PARAMS params);
void do_unload_table_csv(PTABLE table, PUNLOAD_PARAMS params);
void end_unload_table_csv(PUNLOAD_PARAMS params);

void unload_col_to_csv(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags);
void unload_row_to_csv(ub2 reserved, PUNLOAD_PARAMS params, PROW_DATA row);
