#pragma once
// Block 0 of a datafile, the operating-system block. It holds no rows; its
// fixed words tell a reader the byte order and block size of a file before
// anything else of it is understood.

#include "base/types.h"

constexpr ub4 OS_BLOCK_RDBA_MARK = 0xffc00000u;
constexpr ub4 OS_BLOCK_MARK = 0x7a7b7c7du;
constexpr ub4 OS_BLOCK_HEADER_SIZE = 32;

typedef struct _tag_os_block_header {
    ub1 block_format;
    int byte_order;
    ub4 block_size;
    ub4 blocks; // after block 0, as the file header counts them
} OS_BLOCK_HEADER, *POS_BLOCK_HEADER;

// TRUE when the first `length` bytes hold an operating-system block: type 0
// and both marks read in one byte order, which is then the record's. The
// record is cleared first; FALSE leaves it cleared.
int get_os_block_header(const ub1* buffer, size_t length, POS_BLOCK_HEADER header);
