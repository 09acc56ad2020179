#pragma once
// Leaf blocks of an index-organized table. Offsets from the data header
// offset, after the index header:
//   36  row directory: row_count ub2 offsets (from the data header offset)
//       at 40 when lock_opcode has KDXOKCMP (prefix-compressed keys), and
//       6 bytes later again when the index flag has INDEX_ROWDEPENDENCIES;
//       a prefix-compressed block follows it with prefix_row_count pairs of
//       ub2: the prefix row's offset and the number of the first row that
//       prefix no longer covers (prefixes in row order).
// Leaf row: flag (KDXODEL 0x01 deleted), lock, the key columns not held in
// a prefix in index key encoding, then a data row piece: flag, lock, column
// count, a 6-byte row dependency SCN when the index flag has
// INDEX_ROWDEPENDENCIES, the 6-byte head rowid when F is set and H clear,
// the 6-byte big-endian next piece when L is clear (the rest of the row is
// in the overflow segment), then the non-key columns as in a table row.
// Prefix row: flag (KDXOPREFIX 0x08), lock, prefix_col_count key columns.
// Index key encoding: a length byte; 0xFF is NULL; a byte above 127 begins
// a big-endian ub2 whose low 12 bits are the length; else the byte is the
// length.

#include "blocks/index_header.h"
#include "engine/row_decode.h"

constexpr ub4 LEAF_PREFIX_HEADER_SIZE = 40;
constexpr ub4 IOT_ROWDEP_SIZE = 6;
constexpr ub1 KEY_LEN_NULL = 0xFF;

typedef struct _tag_iot_leaf {
    INDEX_HEADER index;
    ub4 row_dir;   // absolute offset of the row directory
    ub4 row_cnt;   // directory entries that fit before the tail
    ub4 prefix_dir; // absolute offset of the prefix pairs
    ub4 prefix_cnt; // prefix pairs that fit
} IOT_LEAF, *PIOT_LEAF;

// The leaf's directories, bounded by the block. FALSE when the index header
// does not fit.
int get_iot_leaf(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header, PIOT_LEAF leaf);

// One key column at *pos, which moves past it. FALSE when it runs past end.
inline int get_index_key_column(const ub1* block, ub4* pos, ub4 end, const ub1** data, ub4* length, bool* is_null)
{
    *data = nullptr;
    *length = 0;
    *is_null = false;
    if (*pos >= end)
        return FALSE;
    ub1 b = block[(*pos)++];
    if (b == KEY_LEN_NULL) {
        *is_null = true;
        return TRUE;
    }
    ub4 n = b;
    if (b > 127) {
        if (*pos >= end)
            return FALSE;
        n = (((ub4)b << 8) | block[(*pos)++]) & 0x0FFF;
    }
    if (n > end - *pos)
        return FALSE;
    *data = block + *pos;
    *length = n;
    *pos += n;
    return TRUE;
}

// The data row piece of an IOT leaf row at `offset`, after the key. FALSE
// when its header runs past the block.
int get_iot_row_piece(const ub1* block, ub4 offset, ub4 block_size, const INDEX_HEADER* index, PROW_PIECE piece);
