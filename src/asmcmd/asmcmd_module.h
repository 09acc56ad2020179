#pragma once
// The ASM command module.

#include "base/splitter.h"

void init_asmcmd_module();
void clean_asmcmd_module();
void do_asmcmd_help(LINE_ARRAY tokens, int count);
