#pragma once
// dump datafile <file#> block <block#> [header]

#include "base/splitter.h"
#include "storage/datafile_registry.h"

void do_oradump(LINE_ARRAY tokens, int count);
// Reads one block of the datafile and dumps it; nothing when the read fails
// (the reader has said why).
void ora_dump_file(PDATAFILE_ITEM datafile, ub4 block_no, int header_only);
// ora_dump_block, and after the file header of file 1 the address of the
// bootstrap segment the dictionary is read from.
void ora_dump_block_with_bootstrap(const ub1* buffer, ub4 block_size, int header_only);
