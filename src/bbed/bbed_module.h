#pragma once
// The block editor module.

#include "base/splitter.h"

void init_bbed_module();
void clean_bbed_module();
void do_bbed_help(LINE_ARRAY tokens, int count);
