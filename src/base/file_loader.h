#pragma once
// Loaders of the comma-separated dictionary and scan files.

#include <cstdio>

#include "base/splitter.h"
#include "base/zem_hash.h"

// Returns a newly allocated record, or null for a line it rejects.
typedef void* (*CONVERT_LINE_FUNC)(SMALL_LINE_ARRAY fields, int field_count);

typedef struct _tag_grid_item {
    ub4 cols;
    char** data;
} GRID_ITEM, *PGRID_ITEM;

// Opens a text file the program loads (configuration, datafile and disk
// lists, dictionary and scan results) for reading. Anything but a regular
// file is refused (null, errno EINVAL): a device or pipe put in its place
// could feed the line loop without end.
FILE* open_text_file(const char* filename);

void load_file_to_hash_table(const char* filename, PZEM_HASH_TABLE table, CONVERT_LINE_FUNC convert);
void load_file_to_rows(const char* filename, PZEM_LIST list, ub4 columns);
void free_grid_item(void* data);
