#pragma once
// The one settings record, its defaults, and the configuration file loader.

#include <cstdio>

#include "base/types.h"

constexpr ub4 DEFAULT_CHARSET_ID = 852;       // ZHS16GBK
constexpr ub4 DEFAULT_NCHARSET_ID = 2000;     // AL16UTF16
constexpr ub4 DEFAULT_CLOB_CHARSET_ID = 2000;
constexpr int DEFAULT_BLOCK_SIZE = 4096;
constexpr int DEFAULT_BLOCK_READ_COUNT = 128;
constexpr ub4 DEFAULT_BLOCK_BUFFERS = 1024;
constexpr int DELIMITER_MAX_LEN = 10;
constexpr int PATH_FIELD_LEN = 260;
constexpr int OUTPUT_TEXT = 1;
constexpr int OUTPUT_DMP = 2;
constexpr int OUTPUT_CSV = 3; // CSV for PostgreSQL with a psql script
constexpr int LS_NONE = 0;
constexpr int LS_FILE = 1;
constexpr int LS_INFILE = 2;
constexpr ub8 DEFAULT_LOB_SWITCH_DIR_ROWS = 50000;
constexpr ub8 MIN_LOB_SWITCH_DIR_ROWS = 1000;
constexpr int MAX_TIMEZONE = 14;
constexpr int MIN_TIMEZONE = 12;

extern const char default_data_delimiter[];
extern const char default_config_file[];

typedef struct _tag_trace_config {
    ub1 bootstrap;
    ub1 build_hash_table;
    ub1 trace_asm;
    char trace_filename[PATH_FIELD_LEN];
    FILE* fp;
} TRACE_CONFIG;

typedef struct _tag_config_data {
    ub4 charset_id;
    ub4 ncharset_id;
    ub4 clob_charset_id;
    int convert_clob_charset;
    int block_size;
    int byte_order;
    ub4 file_header_offset;
    int block_read_count;
    ub4 block_buffers;
    int trace_level;
    char delimiter[DELIMITER_MAX_LEN];
    char data_path[PATH_FIELD_LEN];
    char lob_path[PATH_FIELD_LEN];
    char asmfile_extract_path[PATH_FIELD_LEN];
    char iconv_code_name[PATH_FIELD_LEN];
    int db_timezone_hour;
    int db_timezone_min;
    int client_timezone_hour;
    int client_timezone_min;
    int db_timezone_east;
    int client_timezone_east;
    int output_format;
    int clob_byte_order;
    int lob_storage;
    int fix_interleaved_block;
    int unload_deleted;
    int is_tru64;
    ub8 max_rows;
    int record_row_addr;
    int use_scanned_lob;
    int trim_scanned_blob;
    ub8 lob_switch_dir_rows;
    ub1 db_block_checksum;
    ub1 db_block_checking;
    ub2 rdba_file_bits;
    ub2 rdba_block_bits;
    ub2 compatible;
    ub2 disk_scan_unit;
    ub1 use_scanned_extent;
    TRACE_CONFIG trace_config;
} CONFIG_DATA, *PCONFIG_DATA;

extern CONFIG_DATA config_data;

void init_config_data();
void load_config(const char* filename);
bool is_valid_bs(int block_size);
int str_to_timezone(const char* text, int* hour, int* minute, int* east);
