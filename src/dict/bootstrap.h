#pragma once
// Finding the bootstrap segment and the dictionary segments it names.

#include "base/zem_list.h"

extern const ub4 system_ts_no;

ub4 get_bootstrap_rdba();
void unload_bootstrap(ub4 rdba, PZEM_LIST rows);
// Looks for the bootstrap row whose SQL text begins with `prefix` and reads
// the segment address from its final "EXTENTS (FILE f BLOCK b)".
int search_bootstrap_obj(const char* prefix, const ZEM_LIST* rows, ub4* obj_no, ub4* file_no, ub4* block_no);
// Skips to the first digit, reads at most 20 digits; the position after them,
// or null when there is no digit.
const char* search_str_number(const char* text, ub8* value);
