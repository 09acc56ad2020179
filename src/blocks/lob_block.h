#pragma once
// LOB data blocks (types 27 and 40).

#include "blocks/block_types.h"

constexpr ub4 LOB_ID_LEN = 10;
constexpr ub4 LOB_DATA_OFFSET = 56;
// Data runs from offset 56 to the tail: block size - 60 bytes.
constexpr ub4 LOB_BLOCK_OVERHEAD = 60;

typedef struct _tag_lob_block_header {
    ub4 object_id;
    ub2 lob_id_high; // the 10-byte LOB id as big-endian parts
    ub4 lob_id_mid;
    ub4 lob_id_low;
    ub4 version_base;
    ub2 version_wrap;
    ub4 page_no;
    ub4 pdba;
    ub4 data_offset;
    ub4 data_length;
} LOB_BLOCK_HEADER, *PLOB_BLOCK_HEADER;

int get_lob_block_header(const ub1* buffer, PLOB_BLOCK_HEADER header, ub4 block_size);
