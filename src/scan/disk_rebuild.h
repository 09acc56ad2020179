#pragma once
// Datafiles rebuilt from the blocks a disk scan finds: one file per relative
// file number, named <asmfile_extract_path><rfile#>.dbf, block n at byte
// n x block size. For every block number the copy with the highest SCN is
// kept; after the scan the numbers never found get blank blocks.

#include <cstdio>

#include "base/config.h"
#include "blocks/block_header.h"

constexpr ub4 MAX_DISK_SCAN_FILES = 1023;
constexpr ub4 SCAN_BLOCK_LIST_COUNT = 4096;
constexpr ub4 SCAN_BLOCK_LIST_ITEM_COUNT = 1024;
constexpr ub4 MAX_DISK_SCAN_BLOCKS = 0x3FFFFF;
// Blank blocks are formatted this many at a time and written with one call.
constexpr ub4 SCAN_BLANK_BATCH = 64;

constexpr ub2 DSFS_NOT_CREATE = 0;
constexpr ub2 DSFS_CREATED = 1;
constexpr ub2 DSFS_CREATE_FAILED = 2;
// Created, but a write failed: the file is incomplete and left alone.
constexpr ub2 DSFS_WRITE_FAILED = 3;

typedef struct _tag_disk_scan_block {
    ub4 scn_base;
    ub2 scn_wrap;
    ub2 has_block;
} DISK_SCAN_BLOCK, *PDISK_SCAN_BLOCK;

typedef struct _tag_disk_scan_file {
    FILE* fp;
    ub2 file_state;
    ub1 block_format; // of the file header block, when found
    ub4 blocks;       // from the file header block, 0 when not found
    // SCAN_BLOCK_LIST_COUNT chunks of SCAN_BLOCK_LIST_ITEM_COUNT records,
    // each allocated when a block of its range is first met; block n is item
    // (n - 1) mod 1024 of chunk (n - 1) / 1024.
    PDISK_SCAN_BLOCK* block_list;
    ub4 blocks_found;  // block numbers written from the disks
    ub4 newer_copies;  // copies that replaced an older one
    ub4 blank_blocks;
} DISK_SCAN_FILE, *PDISK_SCAN_FILE;

typedef struct _tag_disk_scan_file_table {
    DISK_SCAN_FILE files[MAX_DISK_SCAN_FILES]; // entry i: relative file i + 1
    ub4 block_size;
    // The highest block number a file is filled up to, whatever its header
    // claims (MAX_DISK_SCAN_BLOCKS unless a caller needs less).
    ub4 max_blocks;
    int overwrite;   // force: an existing file is replaced
    int trace_level;
    int directory_made;
    char path_prefix[PATH_FIELD_LEN];
    ub1* blank_buffer;
    // Blocks taken but not yet written: pending_count blocks of one file
    // from pending_block on, lying one after another at pending_data in the
    // scan's buffer, so that a run of blocks is written with one call.
    ub4 pending_rfile;
    ub4 pending_block;
    ub4 pending_count;
    const ub1* pending_data;
} DISK_SCAN_FILE_TABLE, *PDISK_SCAN_FILE_TABLE;

// Null when memory ran out.
PDISK_SCAN_FILE_TABLE init_scan_file_list(ub4 block_size, const char* path_prefix, int overwrite);
// Closes every rebuilt file; a failed close marks the file incomplete.
void close_scan_files(PDISK_SCAN_FILE_TABLE table);
// One line per file met: rebuilt (with its counts), incomplete, or not written.
void show_scan_files(const DISK_SCAN_FILE_TABLE* table);
// Closes what is still open and frees the table; null is allowed.
void release_scan_file_list(PDISK_SCAN_FILE_TABLE table);
void get_scan_file_name(const DISK_SCAN_FILE_TABLE* table, ub4 rfile, char* name, size_t size);

// Takes the block when no copy of its number was taken yet or its SCN is
// higher than that of the copy taken. `preceding`, when not null, holds the
// block_size bytes that lay before block 1 on the disk: the file's block 0.
// The block may stay in the caller's buffer until flush_scan_file_writes.
// 1 taken, 0 not (an older copy, or a file that could not be created or
// written); write failures mark the file incomplete.
int copy_block_to_file(PDISK_SCAN_FILE_TABLE table, ub4 rfile, ub4 block_no, const ub1* block,
                       const ub1* preceding, const BLOCK_HEADER* block_header);
// Writes the blocks taken and not yet written; call before the buffer that
// holds them changes. FALSE when the write failed.
int flush_scan_file_writes(PDISK_SCAN_FILE_TABLE table);
// The record of block n of a file; null while its range was never met.
PDISK_SCAN_BLOCK find_scan_block(const DISK_SCAN_FILE* file, ub4 block_no);
// Writes `length` bytes at block_no x block size. A failure names the file
// and the block and leaves the file incomplete for the rest of the scan.
int write_scan_file_bytes(PDISK_SCAN_FILE_TABLE table, ub4 rfile, ub4 block_no, const ub1* data, size_t length);
// The block count of a rebuilt file: its header's, else the highest block
// number written; never above max_blocks.
ub4 get_scan_file_blocks(const DISK_SCAN_FILE* entry, ub4 max_blocks);
// For every file in file order: cuts off copies past the size its newest
// file header gives, then fills every block number never found with a blank
// block.
void write_scan_file_blanks(PDISK_SCAN_FILE_TABLE table);
// Block 0 all zeros; block n: format, rdba, sequence 1, flag 1, tail 1.
int write_scan_file_single_blank(PDISK_SCAN_FILE_TABLE table, ub1* buffer, ub4 rfile, ub4 block_no,
                                 ub1 block_format);
