#pragma once
// Display names of block codes and the letter strings of flag bytes, shared
// by the block dump and the block editor. The set_*_name functions fill a
// caller's buffer of LEN + 1 characters and return it.

#include "base/types.h"

constexpr int ROW_FLAGNAME_LEN = 8;
constexpr int ITL_FLAGNAME_LEN = 4;
constexpr int IOT_FLAGNAME_LEN = 3;
constexpr int KDBH_FLAGNAME_LEN = 8;
constexpr int INDEX_ROW_FLAGNAME_LEN = 5;
constexpr int KDBH_9IR2_FLAGNAME_LEN = 8;

const char* get_block_type_name(ub1 type);
const char* get_block_format_name(ub1 format);
const char* get_file_type_name(ub2 type);
const char* get_datablock_type_name(ub1 kind);
const char* get_fl_flag_name(ub1 fl_flag);

char* set_row_flag_name(ub1 flag, char* name);
char* set_datablock_hflag_name(ub1 flag, char* name);
char* set_kdbh_flag_name(ub1 flag, char* name);
char* set_kdbh_9ir2_flag_name(ub1 flag, char* name);
char* set_iot_flag_name(ub1 flag, char* name);
char* set_index_row_flag_name(ub1 flag, char* name);
