#pragma once
// Joining the result files of parallel scan workers into the shared ones.
//
// Each worker writes its lines to files of its own ("ext.zem.<pid>" ...),
// so that a worker that dies in the middle of a write cannot leave part of
// a line between the lines of others. The master appends the complete lines
// of each worker's files to the shared files and drops a cut last line.
//
// Workers scan block ranges, and a run of blocks that crosses from one
// range into the next comes back as two ext.zem lines, one ending and one
// starting at the range boundary. The master holds back every line that
// touches a boundary and joins the pieces of one run, so that the lines are
// those of a scan in one process.

#include <set>
#include <tuple>
#include <vector>

#include "scan/extent_scan.h"
#include "scan/scanned_extent.h"

// Tablespace, relative file and first block of every range but the first of
// its file.
typedef std::set<std::tuple<ub4, ub4, ub4>> SCAN_BOUNDARIES;

typedef struct _tag_scan_join {
    const SCAN_BOUNDARIES* boundaries;
    std::vector<DICT_EXTENT> held; // ext.zem lines touching a boundary
    ub8 cut_lines;                 // incomplete last lines dropped
} SCAN_JOIN;

// Appends the complete lines of the four files named with `suffix` to the
// open shared files and removes the worker's files. A worker file that is
// missing adds nothing. FALSE when a shared file could not be written.
int join_slave_results(PSCAN_RESULT_FILE files, const char* suffix, SCAN_JOIN* join);
// Joins the held pieces of each run and writes them to ext.zem.
int write_joined_extents(PSCAN_RESULT_FILE ext, SCAN_JOIN* join);
// Parses an ext.zem line (without its line feed); FALSE when malformed.
int parse_scanned_extent_line(const char* line, size_t length, PDICT_EXTENT extent);
