#pragma once
// The output formats a table unload writes through, chosen by
// config_data.output_format: each opens the table's files (begin, 0 when
// nothing can be written), unloads one segment into them (once per
// partition, all into the same files) and closes them (end). Failures are
// kept in the unload parameters (output_error).

#include "base/zem_list.h"
#include "engine/unload_model.h"

typedef struct _tag_table_writer {
    int output_format;
    int (*begin)(const char* schema, const char* table_name, const char* partition, PTABLE table, PZEM_LIST columns,
                 PUNLOAD_PARAMS params);
    void (*do_segment)(PTABLE table, PUNLOAD_PARAMS params);
    void (*end)(PUNLOAD_PARAMS params);
    // Hands what is gathered to the system and returns the data file's
    // descriptor, -1 when it cannot be written; null for a format that one
    // process writes (the table is then never split over workers).
    int (*sync)(PUNLOAD_PARAMS params);
} TABLE_WRITER;

// The writer of a format, or null when none is built in.
const TABLE_WRITER* get_table_writer(int output_format);
