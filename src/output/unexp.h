#pragma once
// The export dump re-reading command: its form is checked, nothing is read.

#include "base/splitter.h"

void do_unexp(LINE_ARRAY tokens, int count);
