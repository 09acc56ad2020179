#pragma once
// Relative data block addresses. In a small-file tablespace the high
// rdba_file_bits bits are the relative file number and the low rdba_block_bits
// bits the block number; in a big-file tablespace the whole word is the block
// number and the relative file number is BIG_FILE_RFN.

#include "base/types.h"

constexpr ub4 BIG_FILE_RFN = 1024;
constexpr ub4 MAX_TS_COUNT = 65536;
// Callers without a tablespace pass this to mean "none": never big-file.
constexpr ub4 NO_TS = 0x10000;

// One flag per tablespace number, 1 for a big-file tablespace. Owned by the
// datafile registry; null until start-up allocates it.
extern ub1* bigfile_ts_array;

ub4 rdba_file_no(ub4 rdba, ub4 ts_no);
ub4 rdba_block_no(ub4 rdba, ub4 ts_no);
ub4 file_block_rdba(ub4 rfile_no, ub4 block_no);
bool is_bigfile_ts(ub4 ts_no);
