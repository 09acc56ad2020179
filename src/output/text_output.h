#pragma once
// Delimited text output of a table: the data file, its control file and DDL
// script, and the engine callbacks that write rows into it.

#include <cstdio>

#include "base/zem_list.h"
#include "engine/unload_model.h"

// 1 ready (params->fp open), 0 failed. Sorts `columns` and turns them into
// the table's column array.
int begin_unload_table_txt(const char* schema, const char* table_name, const char* partition, PTABLE table,
                           PZEM_LIST columns, PUNLOAD_PARAMS params);
// Unloads one segment of the table (its header at file_no/block_no) into
// the open data file, adding to the table's row_cnt.
void do_unload_table_txt(PTABLE table, PUNLOAD_PARAMS params);
void end_unload_table_txt(PUNLOAD_PARAMS params);
// Hands everything gathered for the data file to the system (before a fork,
// so that no worker inherits it, and before parts are joined onto it).
// Returns the data file's descriptor, or -1 when the data file is not open or
// a write failed.
int sync_unload_table_txt(PUNLOAD_PARAMS params);
// The table's data file as the writer fills it (null when not open): a
// worker writing part of the table takes its gathered text and places it.
struct _tag_output_file* get_unload_table_txt_file(PUNLOAD_PARAMS params);

void unload_col_to_txt(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags);
void unload_row_to_txt(ub2 reserved, PUNLOAD_PARAMS params, PROW_DATA row);
// The whole-row path of the text writer (text_rows.cpp): TRUE when every
// column of the table is of a type it writes itself, and the piece
// callback that writes such a row.
int can_write_whole_rows(const TABLE* table, const UNLOAD_PARAMS* params);
int unload_whole_row_to_txt(const ub1* block, ub4 pos, ub4 end, ub4 col_cnt, ub4 rdba, ub4 row_no,
                            PUNLOAD_PARAMS params);

// Decoded row lists (dictionary cache files, traces, the screen). A null
// stream prints to the screen and spool; max_rows 0 means all.
void output_row_data_list(const ZEM_LIST* rows, const char* delimiter, int max_cols, ub8 max_rows, FILE* stream);
void unload_data_to_txt(PZEM_LIST rows, PUNLOAD_PARAMS params);
void show_row_data_list(const ZEM_LIST* rows, const char* delimiter, int max_cols);
