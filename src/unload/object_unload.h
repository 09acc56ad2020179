#pragma once
// unload object: a data object found by an extent scan, without the
// dictionary. With a list of column types it unloads like a table into
// "ZEM_%010u" files; with "sample" it samples the object's blocks, guesses
// each column's type and writes the guessed rows and the report
// "sample.txt", whose COMMAND line is the column-list form for the object.

#include "base/splitter.h"
#include "base/zem_list.h"
#include "engine/unload_model.h"

extern const char sample_info_filename[];

// 1 handled (also with a message), 0 when the tokens do not form a valid
// unload object command (the caller prints the usage).
int do_unload_object(LINE_ARRAY tokens, int count);
// The column list receives owned COLUMN records for the "column" form.
int parse_unload_object_params(LINE_ARRAY tokens, int count, ub4* data_object_id, ub4* ts_no, ub4* cluster,
                               int* is_sample, PZEM_LIST columns);
int do_unload_object_sample(ub4 data_object_id, ub4 ts_no, ub4 cluster, int append);
int do_unload_allobject_sample(ub4 ts_no);

// Sampling (sample_unload.cpp).
void generate_sample_column_list(PZEM_LIST list);
int begin_unload_table_sample(const char* schema, const char* table_name, PTABLE table, PZEM_LIST columns,
                              PUNLOAD_PARAMS params, int append);
void do_unload_table_sample(PTABLE table, PUNLOAD_PARAMS params);
// Closes both files; FALSE when one of them could not be written.
int end_unload_table_sample(PUNLOAD_PARAMS params);
void unload_block_to_sample(PZEM_LIST rows, PUNLOAD_PARAMS params);
void do_sample_data(PUNLOAD_PARAMS params);
