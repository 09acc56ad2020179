#pragma once
// hexdump datafile <file#> block <block#> [offset <offset>]

#include <cstdio>

#include "base/splitter.h"

constexpr int HEX_DUMP_BYTES = 16;
constexpr int HEX_DUMP_LINES = 40;

void do_hexdump(LINE_ARRAY tokens, int count);
// Dumps `lines` lines of 16 bytes from position + offset of an open file.
void hex_dump_file(FILE* stream, ub8 position, ub4 offset, ub4 lines);
