#pragma once
// The closing lines of a table unload: the row count, or the failure of its
// output; one summary of what could not be read; and why a segment gave
// nothing.

#include "dict/dict_types.h"
#include "engine/unload_model.h"

// "Damage in table T[,partition P]: ..." and the first damaged addresses,
// when there is anything to tell.
void show_unload_damage(const char* table_name, const char* partition, const UNLOAD_DAMAGE* damage);
// "\nTable T N rows unloaded\n" when the output is `complete` (or "\nTable T
// failed: write file F error! error message:E.\n" and the like), the damage
// summary, "At <time> \n\n". A failure is noted for the exit status.
void show_table_result(const TABLE* table, const char* table_name, const char* partition,
                       const UNLOAD_PARAMS* params, bool complete);
// After a segment whose header could not be read.
void show_segment_error(const TABLE* table);
