#pragma once
// Scratch files of a table split over worker processes: each worker's part
// of the data file and its messages go to a file that has no name (created
// and unlinked at once in the output directory), so that nothing is left
// behind whatever happens to the processes. A worker's part file holds only
// the text of a run too long for its memory, until the worker places it; its
// messages are printed by the parent in run order.

#include <cstddef>
#include <sys/types.h>

// A new empty file in `dir` ("" for the working directory) that is already
// unlinked; its descriptor, or -1 with errno set.
int open_part_file(const char* dir);
// Copies `length` bytes of part file `part` from offset `from` into `out` at
// offset `at`; neither file's position moves. 0, or the errno of the failure.
int copy_part_file(int out, off_t at, int part, off_t from, off_t length);
// Prints the part file's text from offset `from` up to `to` (-1: its end)
// through sp_printf, so that it reaches the spool.
void print_part_file(int part, off_t from, off_t to);
