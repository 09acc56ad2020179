#pragma once
// Output file names and directories.

#include <cstddef>

#include "engine/unload_model.h"

constexpr char file_path_delimiter = '/';

// Bytes 1 to 127 other than digits, letters, "." and "_" become "_"; bytes
// of 128 and above (multi-byte names) are kept.
char* transform_table_filename(char* name);
// "S_T_P.ext", "S_T.ext", "T_P.ext" or "T.ext" (schema or partition count as
// absent when null or empty), transformed.
void get_table_file_name(char* out, size_t size, const char* schema, const char* table, const char* partition,
                         const char* extension);
// 1 created or already there, 0 failed (with a message; errno says why).
int create_directory(const char* path);
// The directory of data_path, made when missing; 1 when it is there, 0 when
// it could not be made (with a message naming the system error).
int create_data_directory();
// The directory of the LOB column's current subdirectory (lob_dir_name),
// creating the column directory first for subdirectory 1. A failure is
// reported with the system's reason.
int create_lob_file_dir(PCOLUMN column);
// Moves the column to the subdirectory of its n-th LOB value when n starts a
// new one, and gives the value's file names: `name` as written into the text
// and `full` as opened. 0 when the directory could not be created. Both the
// directory and the file are named after lob_storage.lob_obj_id: the LOB's
// object, or for a partition the LOB fragment's, so that partitions
// unloaded apart never share a file name.
int get_lob_file_name(PCOLUMN column, ub4 n, char* full, size_t full_size, char* name, size_t name_size);
