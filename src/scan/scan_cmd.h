#pragma once
// scan extent | scan disk: the scan command's first word picks the scan.

#include "base/splitter.h"

void do_scan(LINE_ARRAY tokens, int count);
// scan extent [tablespace <ts#> [datafile <rfile#>] ] [object <data_object_id>]
// [parallel <parallel_degree>]; FALSE when the form is not valid (the
// caller prints the usage).
int do_scan_extent(LINE_ARRAY tokens, int count);
