#pragma once
// Table data blocks of every shape the row decoder meets, for fuzz seeds and
// corruption sweeps: ordinary rows of every common type with NULLs and long
// values, deleted rows, row dependencies, the pieces of a chained row, the
// head and body of a migrated row, a cluster block, an ASSM block, and
// blocks the decoder hands on (compressed, index-organized).
//
// Their rows have the columns NUMBER, VARCHAR2, DATE, RAW, TIMESTAMP,
// TIMESTAMP WITH TIME ZONE, BINARY_DOUBLE, ROWID, LONG; rows of the cluster
// block's table 1 store two key columns (NUMBER, VARCHAR2) in the key rows
// of table 0 and then the same columns.

#include <vector>

#include "builder/block_image.h"

namespace zb {

constexpr uint32_t SAMPLE_TABLE_OBJECT = 71000;

std::vector<BlockImage> make_sample_table_blocks(uint32_t block_size, int order);

} // namespace zb
