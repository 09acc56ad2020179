#pragma once
// Loaders of the comma-separated dictionary and scan files.

#include "base/splitter.h"
#include "base/zem_hash.h"

// Returns a newly allocated record, or null for a line it rejects.
typedef void* (*CONVERT_LINE_FUNC)(SMALL_LINE_ARRAY fields, int field_count);

typedef struct _tag_grid_item {
    ub4 cols;
    char** data;
} GRID_ITEM, *PGRID_ITEM;

void load_file_to_hash_table(const char* filename, PZEM_HASH_TABLE table, CONVERT_LINE_FUNC convert);
void load_file_to_rows(const char* filename, PZEM_LIST list, ub4 columns);
void free_grid_item(void* data);
