#pragma once
// copy datafile <file#> to <dest_file_name> [blocks <blocks>] [force]

#include "base/splitter.h"

void do_copy_datafile(LINE_ARRAY tokens, int count);
