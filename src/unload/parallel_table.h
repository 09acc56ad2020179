#pragma once
// One table across several processes: each segment big enough is cut into
// short contiguous runs of blocks in extent order, which forked workers
// (each reopening the datafiles and ASM disks) take in turn and write into
// the data file in run order (parallel_workers.h), so the data file is the
// one a single process writes. A row belongs to the run holding the block
// where the engine starts it (its first piece with data), wherever its other
// pieces lie, so every row comes out once and in place.

#include "base/progress_line.h"
#include "engine/unload_model.h"
#include "unload/parallel_workers.h"

constexpr int MAX_TABLE_PARALLEL_DEGREE = 32;
// Fewer blocks than this per worker are read by one process; no run is
// shorter.
constexpr ub8 PARALLEL_MIN_WORKER_BLOCKS = 8;

typedef struct _tag_table_split {
    int degree;
    SPLIT_WRITER writer;
    UNLOAD_SPLITTER splitter; // context: this record
} TABLE_SPLIT, *PTABLE_SPLIT;

// The degree the table can be unloaded with: `requested`, or 1 (with a
// message saying why) when its output cannot be joined from parts: LOB
// values written to files numbered in row order, a row limit, an output
// format other than text.
int get_table_parallel_degree(const TABLE* table, const UNLOAD_PARAMS* params, const char* table_name,
                              int requested);
// Makes params->splitter split the table's segments over `degree` workers.
void init_table_split(PTABLE_SPLIT split, int degree, const SPLIT_WRITER* writer, PUNLOAD_PARAMS params);

// A PROGRESS_LINE fed by the engine (UNLOAD_PROGRESS with the line as its
// context).
void init_table_progress(PUNLOAD_PROGRESS progress, PPROGRESS_LINE line);
