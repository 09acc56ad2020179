#pragma once
// Scratch files of a table split over worker processes: each worker's part
// of the data file and its messages go to a file that has no name (created
// and unlinked at once in the output directory), so that nothing is left
// behind whatever happens to the processes; the parent copies the parts onto
// the data file in order and prints the messages.

#include <cstddef>
#include <sys/types.h>

// A new empty file in `dir` ("" for the working directory) that is already
// unlinked; its descriptor, or -1 with errno set.
int open_part_file(const char* dir);
// Copies the first `length` bytes of part file `part` into `out` at offset
// `at`; neither file's position moves. 0, or the errno of the failure.
int copy_part_file(int out, off_t at, int part, off_t length);
// The part file's size, -1 on failure.
off_t get_part_file_size(int part);
// Prints the part file's text through sp_printf (so that it reaches the
// spool), from its start.
void print_part_file(int part);
