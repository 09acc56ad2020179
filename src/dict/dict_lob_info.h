#pragma once
// Where a table's LOB columns keep their values: the LOB segment, its data
// object and chunk size, and the LOB index segment, from LOB$ (lob.zem) for
// a whole table and from LOBFRAG$ (lobfrag.zem) for a partition or
// subpartition.

#include "engine/unload_model.h"

// Presets (the table's object number, chunk 1, first LOB directory), then
// the column's LOB$ entry when it names a LOB object.
void get_lob_info(ub4 table_obj_no, PCOLUMN column);
// get_lob_info for every unloadable CLOB and BLOB column of the table.
void get_table_lobs_info(PTABLE table);
// The LOB segment's data object (and name, unless keep_names), the LOB
// index's data object, name and segment header.
void get_lob_base_info(PCOLUMN column, int keep_names);
// The storage of the LOB fragment of a table partition, or of a table
// subpartition (found through the LOB's partitions).
void get_lob_part_info(ub4 part_obj_no, PCOLUMN column);
void get_lob_subpart_info(ub4 owner, ub4 subpart_obj_no, PCOLUMN column);
// Index-organized tables are unloaded by their index partitions: the table
// partition of the same name is looked up first.
void get_iot_lob_part_info(ub4 owner, const char* table_name, const char* part_name, PCOLUMN column);
void get_iot_lob_subpart_info(ub4 owner, const char* table_name, const char* subpart_name, PCOLUMN column);
void get_lob_part_storage(PCOLUMN column, ub4 part_obj_no, int is_subpart, int is_iot, ub4 owner,
                          const char* table_name, const char* part_name);
// get_lob_part_storage for every column whose LOB$ entry was found.
void get_table_lobpart_storage(PTABLE table, ub4 part_obj_no, int is_subpart, int is_iot, ub4 owner,
                               const char* table_name, const char* part_name);
