#pragma once
// The datafile registry: every datafile the program may read, loaded from
// "control.txt". Entries are found by absolute file number or by tablespace
// and relative file number (the form in which block addresses name files).

#include <cstdio>

#include "base/splitter.h"
#include "base/zem_hash.h"

constexpr int DFIS_VALID = 1;
constexpr int DFIS_INVALID_HEADER = 2;
constexpr ub4 DATAFILE_FN_BUCKET_CNT = 8192;
constexpr ub4 DATAFILE_RFN_BUCKET_CNT = 16384;

extern const char default_control_file[];

struct _tag_kfffdb; // an ASM file's directory entry and extent map

typedef struct _tag_datafile_item {
    int file_no;
    int ts_no;
    int rfile_no;
    char file_name[FILENAME_MAXLEN];
    int block_size;
    // Blocks after block 0, as the file header counts them. Unsigned: a
    // big-file datafile may hold up to 2^32 - 1 blocks.
    ub4 blocks;
    FILE* fp;
    int status;
    ub4 root_dba;
    ub1 block_fmt;
    ub1 big_file;
    ub4 header_offset;
    ub1 is_asm;
    struct _tag_kfffdb* asm_file;
    struct _tag_datafile_item* next;
} DATAFILE_ITEM, *PDATAFILE_ITEM;

extern PDATAFILE_ITEM datafile_list;
extern ZEM_HASH_TABLE datafile_fn_hash_table;
extern ZEM_HASH_TABLE datafile_rfn_hash_table;

void init_datafile_list();
void release_datafile_list();
void load_control_file(const char* filename);
// 0 when the entry is usable (also with an unrecognised header), else -1
// (cannot open), -2 (header block unreadable), -5, -6, -7 (ASM, see
// asm_access.h).
int fill_datafile_item(PDATAFILE_ITEM item);
PDATAFILE_ITEM get_datafile_item_fn(int file_no);
PDATAFILE_ITEM get_datafile_item_rfn(int ts_no, int rfile_no);
void show_datafile_list_info(PDATAFILE_ITEM first);
void reopen_data_files();
// Closes the entry's stream and releases its ASM record.
void close_datafile_item(PDATAFILE_ITEM item);
// The rdba the readers expect for a block of this entry: the block number
// itself in a big-file tablespace, else relative file and block combined.
ub4 get_datafile_block_rdba(const DATAFILE_ITEM* item, ub4 block_no);

void do_loadctl(LINE_ARRAY tokens, int count);
