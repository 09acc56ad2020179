#pragma once
// scan extent | scan disk: the scan command's first word picks the scan.

#include "base/splitter.h"

void do_scan(LINE_ARRAY tokens, int count);
