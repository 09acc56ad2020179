#pragma once
// The block editor module: one block of one registered datafile is read
// into a working copy, looked at, changed, checksummed and written back.
// Only the write commands (sum apply, rollback of a written block, mark
// undo) open a datafile for writing, only after the user confirmed, and
// only at the one block they name.
//
// Cache-header bytes the editor touches: 14 the sequence byte (255 marks a
// block corrupt), 15 the flag byte (0x04: a checksum is stored), 16 the ub2
// checksum.

#include "base/splitter.h"
#include "storage/datafile_registry.h"

constexpr int FIND_STRING_MAX_LEN = 40;
constexpr ub2 INVALID_FOUND_OFFSET = 0xffff;
constexpr ub4 BBED_DUMP_MAX_LINES = 10;
constexpr ub4 BBED_SEQ_OFFSET = 14;
constexpr ub1 BBED_CORRUPT_SEQ = 255;

typedef struct _tag_bbed_env {
    ub4 file_no;       // absolute file number, 0 = none selected
    ub4 block_no;
    ub4 block_offset;  // start of hex dumps and of modify
    ub2 block_size;
    int byte_order;
    PDATAFILE_ITEM datafile_item;
    ub1* block_buffer;    // the block as last read or written
    ub1* modified_buffer; // the working copy every edit changes
    char last_find_string[FIND_STRING_MAX_LEN + 1];
    ub2 last_found_offset;
    // The datafile's image of the block before the editor first wrote it,
    // kept from the first write attempt on so that rollback can put it back
    // (also after a write that failed half way).
    ub1* saved_buffer;
    ub1 block_read;    // the block was read; a block that was not is never written
    ub1 disk_changed;  // a write reached (or may have reached) the file
} BBED_ENV, *PBBED_ENV;

extern BBED_ENV bbed_env;

void init_bbed_module();
void clean_bbed_module();
bool alloc_bbed_buffers();
void free_bbed_buffers();
void read_current_block();
// Writes block_size bytes of `buffer` at the block's place in the datafile;
// every failure is printed with the system's reason. True when the whole
// block reached the file.
bool write_block(const ub1* buffer, PDATAFILE_ITEM datafile, ub4 block_no);
bool write_current_block();
void dump_block_hex(const ub1* buffer, ub4 offset, ub4 block_size);
// Asks "Would you like to continue? (y/n) " and reads the answer from the
// program's standard input (never from a command file). True for "y" or
// "yes" in any case, blanks around it ignored.
bool ask_to_continue();

void do_bbed_help(LINE_ARRAY tokens, int count);
void do_bbed_show(LINE_ARRAY tokens, int count);
void do_bbed_set(LINE_ARRAY tokens, int count);
void do_bbed_set_datafile(const char* value);
void do_bbed_set_block(const char* value);
void do_bbed_set_offset(const char* value);
void do_bbed_dump(LINE_ARRAY tokens, int count);
void do_bbed_modify(LINE_ARRAY tokens, int count);
void do_bbed_sum(LINE_ARRAY tokens, int count);
void do_bbed_corrupt(LINE_ARRAY tokens, int count);
void do_bbed_rollback(LINE_ARRAY tokens, int count);
void do_bbed_find(LINE_ARRAY tokens, int count);
void do_bbed_verify(LINE_ARRAY tokens, int count);
void do_mark_undo_segment(LINE_ARRAY tokens, int count);
void do_bbed_clean(LINE_ARRAY tokens, int count);
