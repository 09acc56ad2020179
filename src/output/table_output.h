#pragma once
// The writer of a table unload, chosen by the configured output format:
// delimited text (with its control and DDL files), CSV for PostgreSQL (with
// its psql script) or an export dump. Every
// command that writes tables opens, fills and closes its output through
// these three.

#include "base/zem_list.h"
#include "engine/unload_model.h"

// 1 ready, 0 failed (the writer printed why; nothing to unload).
int begin_unload_table_output(const char* schema, const char* table_name, const char* partition, PTABLE table,
                              PZEM_LIST columns, PUNLOAD_PARAMS params);
// One segment of the table into the open output.
void do_unload_table_output(PTABLE table, PUNLOAD_PARAMS params);
// 1 when the output was written whole; 0 when it failed (reported by the
// writer), and the table must not be reported as unloaded.
int end_unload_table_output(PUNLOAD_PARAMS params);
