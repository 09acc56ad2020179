#pragma once
// Extent scanning: every block of the selected datafiles is classified from
// its headers, and the results go to four files in the working directory:
//   "segment.txt"  three header lines, then one line per segment header:
//                  data object, tablespace, relative file, block
//   "ext.zem"      one line per maximal run of consecutive blocks sharing
//                  data object and block type: data object, tablespace,
//                  relative file, first block, blocks, block type
//   "lobind.zem"   one line per first-page LOB index entry
//   "lobpage.zem"  one line per LOB data block
// All lines are decimal numbers separated by ",". The scan runs in the shell
// process or, with a parallel degree above 1, in forked workers that each
// write files of their own, which the master then joins line by line.

#include <atomic>
#include <vector>

#include "blocks/data_block.h"
#include "scan/scan_block.h"
#include "scan/scan_result_file.h"
#include "storage/datafile_registry.h"

constexpr ub4 SCAN_NO_TS = 0xFFFFFFFFu;
// A failed batch is read again block by block; after this many failures in
// a row the scan probes ahead for the end of the unreadable stretch.
constexpr ub4 SCAN_MAX_FAILED_READS = 4;

extern const char scan_segment_filename[];

// The four result files, in the order they are created.
enum { SCAN_EXT = 0, SCAN_SEGMENT = 1, SCAN_LOBIND = 2, SCAN_LOBPAGE = 3, SCAN_FILE_COUNT = 4 };
extern const char* const scan_result_filenames[SCAN_FILE_COUNT];

typedef struct _tag_scan_filter {
    ub4 ts_no;          // SCAN_NO_TS: every tablespace
    ub4 rfile_no;       // 0: every file
    ub4 data_object_id; // 0: every object
} SCAN_FILTER;

// What a scan met besides its results; file numbers are absolute.
typedef struct _tag_scan_stats {
    ub8 blocks_scanned;
    ub8 damaged_blocks;
    ub4 first_damaged_file;
    ub4 first_damaged_block;
    ub8 unreadable_blocks;
    ub4 first_unreadable_file;
    ub4 first_unreadable_block;
} SCAN_STATS;

typedef struct _tag_scan_context {
    SCAN_FILTER filter;
    int check_tail;           // db_block_checksum: damaged blocks split runs
    int is_slave;             // a worker traces its reads
    ub4 read_count;           // blocks per read
    ub1* buffer;              // read_count blocks of the largest block size
    PSCAN_RESULT_FILE files;  // SCAN_FILE_COUNT open result files
    SCAN_STATS stats;
    int failed;               // a result file could not be written
    struct _tag_progress_line* progress; // told of every read; null: none
    std::atomic<ub8>* shared_done; // a worker's blocks read, in memory its master reads; null: none
} SCAN_CONTEXT, *PSCAN_CONTEXT;

// A datafile the scan reads, and its last block. The last block is the
// file's block count, or where a plain file really ends when it holds fewer
// blocks (cut set) or its header did not tell.
typedef struct _tag_scan_file {
    PDATAFILE_ITEM item;
    ub4 last_block;
    int cut;
} SCAN_FILE;

// Datafiles in registry order that are open and pass the filter.
std::vector<SCAN_FILE> get_scan_files(const SCAN_FILTER* filter);
// Blocks per read from block_read_count, within what read_blocks takes.
ub4 get_scan_read_count();
// The largest block size among the files (BLOCK_MIN_SIZE when none).
ub4 get_scan_max_block_size(const std::vector<SCAN_FILE>& files);
// Prints the files that end before their header says.
void show_cut_scan_files(const std::vector<SCAN_FILE>& files);
// Allocates the read buffer, halving read_count while memory is short.
int init_scan_buffer(PSCAN_CONTEXT context, ub4 block_size);

// Scans blocks first .. last of a file; FALSE when a result file could not
// be written (context->failed).
int scan_block_range(PSCAN_CONTEXT context, PDATAFILE_ITEM item, ub4 first, ub4 last);

// Each writes one result line; FALSE when the file could not be written.
// A run [start, end) is written only when ts is not SCAN_NO_TS, start is not
// 1 (no run), the object is nonzero, the type below 255 and start < end.
int write_scanned_extent(PSCAN_RESULT_FILE file, ub4 data_object_id, ub4 ts, ub4 rfile, ub8 start_block,
                         ub8 end_block, ub4 block_type);
int write_scanned_segment(PSCAN_RESULT_FILE file, ub4 data_object_id, ub4 ts, ub4 rfile, ub4 block_no);
int write_scanned_lobpage(PSCAN_RESULT_FILE file, const ub1* block, ub4 block_size, ub4 ts, ub4 rfile,
                          ub4 block_no);
int write_scanned_lobindex(PSCAN_RESULT_FILE file, const ub1* block, ub4 block_size, ub4 ts, ub4 rfile,
                           ub4 block_no, const DATABLOCK_HEADER* data_block_header);
// The three header lines of segment.txt.
int write_scanned_segment_header(PSCAN_RESULT_FILE file);

// Opens (truncating) the four files under their names plus `suffix`; on a
// failure prints it (ext.zem: `ext_message`), closes what was open and
// returns FALSE.
int open_scan_result_files(PSCAN_RESULT_FILE files, const char* suffix, const char* ext_message);
// Closes all four; FALSE (printed) when any could not be written.
int close_scan_result_files(PSCAN_RESULT_FILE files);
// Prints a result file that could not be written.
void show_scan_write_error(const SCAN_RESULT_FILE* file);
void add_scan_stats(SCAN_STATS* total, const SCAN_STATS* part);

// scan extent in the shell process; TRUE when every file was scanned and
// every result written.
int scan_extent(ub4 ts, ub4 rfile, ub4 data_object_id, SCAN_STATS* stats);
// The same with `degree` worker processes.
int scan_extent_parallel(ub4 ts, ub4 rfile, ub4 data_object_id, int degree, SCAN_STATS* stats);
// A worker: reads its block ranges from the pipe, scans them into result
// files of its own named with `suffix`, sends its statistics on stats_fd.
// Returns the worker's exit status (0 when everything was written).
// shared_done (null: none) counts the blocks the worker has read, for the
// master's progress line.
int scan_extent_slave(ub4 data_object_id, int pipe_read_end, int stats_fd, const char* suffix,
                      std::atomic<ub8>* shared_done = nullptr);
