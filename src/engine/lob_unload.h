#pragma once
// Before a table's rows are read: the LOB index root of every LOB column,
// read once and kept in the column for all its values.

#include "engine/unload_model.h"

// Drops the column's cached root and reads it again when the column has a
// LOB and a LOB index; the root is kept only when it is a block of that
// index.
void get_lob_ind_buffer(PCOLUMN column);
void get_columns_ind_buffer(PTABLE table);
