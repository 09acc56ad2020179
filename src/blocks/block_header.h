#pragma once
// The common cache header at the start of every block, and the tail word
// that must agree with it.

#include "blocks/block_types.h"

typedef struct _tag_block_header {
    ub1 block_type;
    ub1 block_format;
    ub1 spare1;
    ub1 spare2;
    ub4 rdba;
    ub4 scn_base;
    ub2 scn_wrap;
    ub1 seq;
    ub1 flag;
    ub2 chkval;
    ub2 spare3;
    ub4 tail;
} BLOCK_HEADER, *PBLOCK_HEADER;

// Fills the record; FALSE (record cleared) when block_size cannot hold a
// header and a tail.
int get_block_header(const ub1* buffer, PBLOCK_HEADER header, ub4 block_size);
// The same in the order given rather than the configured one.
int get_block_header_order(const ub1* buffer, PBLOCK_HEADER header, ub4 block_size, int byte_order);
int block_tail_match(const BLOCK_HEADER* header);
// ERR_NONE, ERR_BLOCK_FORMAT for a format byte no release writes, or
// ERR_BLOCK_TYPE when the type is not the one expected.
int check_block_header(const BLOCK_HEADER* header, ub1 expected_type);
