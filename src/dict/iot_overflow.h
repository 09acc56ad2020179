#pragma once
// The overflow segment of an index-organized table: the table
// "SYS_IOT_OVER_<obj#>" of the same owner (or that partition of it), whose
// blocks hold the parts of rows that did not stay in the index leaves.

#include "engine/unload_model.h"

// Clears the table's iot_ts_no and iot_data_obj_id, then fills them from the
// overflow segment's storage when the dictionary knows it. partition_name
// may be null. Returns 1 when found.
int get_iot_overflow_storage(ub4 owner_id, ub4 table_obj_id, const char* partition_name, PTABLE table);
