#pragma once
// Export dump output of a table: one file in the layout of the export
// utility of release 8.1, which the import utility reads. A fixed header,
// the table's DDL, the INSERT statement with its column descriptors, the
// rows with every value in its stored internal form, and the trailer.

#include "base/zem_list.h"
#include "engine/unload_model.h"
#include "output/dmp_writer.h"

constexpr size_t DMP_HEADER_LEN = 200; // room of the first header record; 134 bytes are used
constexpr ub4 DMP_BLOCK_LEN = 2048;    // the header area, and the unit the file is padded to

// 1 ready (params->fp open, params->writer set), 0 failed with a message.
// Sorts `columns` and turns them into the table's column array.
int begin_unload_table_dmp(const char* schema, const char* table_name, const char* partition, PTABLE table,
                           PZEM_LIST columns, PUNLOAD_PARAMS params);
// Unloads one segment of the table into the open file; nothing once the
// file has failed.
void do_unload_table_dmp(PTABLE table, PUNLOAD_PARAMS params);
// Writes the trailer and closes the file: 1 when the whole file was
// written. A file that failed is reported with the system's error and
// removed, so that no partial dump is left looking complete.
int end_unload_table_dmp(PUNLOAD_PARAMS params);

// The parts of the file (dmp_header.cpp). write_dmp_header refuses (FALSE,
// with a message) a schema name too long for its field.
int write_dmp_header(PDMP_WRITER writer, const char* schema);
void write_dmp_sql(PDMP_WRITER writer, const char* table_name, const ZEM_LIST* columns);
// The INSERT statement and the column descriptors of the unloadable
// columns; sets writer->col_cnt. FALSE, with a message and nothing written,
// when a column's length or character set does not fit its field.
int write_dmp_insert_sql(PDMP_WRITER writer, const char* table_name, const TABLE* table);
void write_dmp_tail(PDMP_WRITER writer);

// The engine callbacks (dmp_values.cpp).
void unload_col_to_dmp(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags);
void unload_clob_col_to_dmp(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                            PUNLOAD_PARAMS params, ub1 flags);
void unload_blob_col_to_dmp(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                            PUNLOAD_PARAMS params, ub1 flags);
void unload_row_to_dmp(ub2 reserved, PUNLOAD_PARAMS params, PROW_DATA row);
