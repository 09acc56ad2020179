#pragma once
// The unload command: tables, partitions, truncated tables, block ranges and
// whole users, serially or with worker processes.

#include "base/splitter.h"
#include "dict/dict_types.h"

constexpr int MAX_PARALLEL_DEGREE = 32;
constexpr ub4 MAX_TRUNC_DETECT_BLOCKS = 7;

void do_unload(LINE_ARRAY tokens, int count);
// 1 when handled (also with a message), 0 when the form is not valid.
// `degree` worker processes may share each segment of the table.
int do_unload_table(LINE_ARRAY tokens, int count, const char* partition_name, int degree = 1);
void do_unload_truncated_table(LINE_ARRAY tokens, int count, ub4 data_object_id, ub4 ts_no, int degree = 1);
void do_unload_user(LINE_ARRAY tokens, int count);
void do_unload_user_parallel(ub4 user_id, const char* user_name, int degree);
void do_unload_user_slave(int queue_id);
ub4 get_trunc_dataobj_id(const STORAGE_INFO* storage);
void display_unload_rows(ub8 count);

// One table of a user, names exactly as the dictionary stores them.
void unload_user_table(const char* user_name, const char* table_name, int degree = 1);

// Tables of at least this many bytes are split over every worker of a
// parallel user unload, one after the other, before the rest are shared out.
constexpr ub8 PARALLEL_USER_TABLE_MIN_BYTES = 256ull << 20;
// Blocks below the high-water marks of the table's segments (normal mode).
ub8 get_table_blocks(ub4 user_id, const char* table_name);
