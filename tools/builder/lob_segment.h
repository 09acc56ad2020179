#pragma once
// BasicFile LOB segments: the LOB data blocks of a set of values, the LOB
// index that finds their chunks (a B-tree with leaf and branch levels), the
// segment headers of both, and the bytes each value leaves in its row.
//
// A LOB column in a row (every field big-endian whatever the file's order):
//   locator  0 len ub2 (bytes after this field), 2 version ub2, 4 flag ub4,
//            8 byte_len ub2 (2 for a two-byte CLOB), 10 LOB id (10 bytes)
//   inode   20 size ub2, 22 flag ub1 (0x01 valid, 0x02 kept in the index,
//            0x04 out of row), 23 future, 24 blocks ub4 (pages before the
//            last), 28 bytes ub2 (bytes in the last page), 30 version (6)
//   then the value itself (in row), or the addresses of its first chunks.
// With storage in row disabled the row keeps only the locator; the inode
// then lives in the LOB index.
//
// LOB data block: the cache header, the LOB segment's data object ub4 at 20,
// the LOB id at 24, version ub4 at 36 and ub2 at 40, page number ub4 at 44
// (the page's place in its value, from 0), the value's bytes from 56 up to
// the tail: block size - 60 bytes a page.
//
// LOB index: an index segment whose entries are keyed by (LOB id, page).
// Leaf row: flag, lock, key_size bytes of row data, then the key columns
// (length byte 10 and the id, length byte 4 and the page, big-endian). The
// page of an entry counts the chunks of the value before it; the row data
// holds big-endian chunk addresses, zero-padded, and in the entry of page 0
// of a value whose inode lives in the index it starts with that inode.
// Branch row: the child's address (file order), then the key of the first
// entry below that child; the leftmost child sits in the branch header.
//
// The data segment's first extent begins with its header (and, in an ASSM
// segment, one more block standing for the bitmap blocks); the index root is
// the first block after those, where the auxiliary map of an ASSM header
// points.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/datafile_image.h"

namespace zb {

enum class ClobForm { single_byte, ucs2_big, ucs2_little };

struct LobStorageDef {
    bool in_row = true;           // ENABLE STORAGE IN ROW
    uint32_t chunk_blocks = 1;    // blocks of a chunk (LOB$.CHUNK)
    uint32_t in_row_limit = 3964; // longest value kept in the row
    uint32_t row_chunks = 12;     // chunk addresses the row keeps after the inode
    uint8_t key_size = 32;        // leaf row data bytes (a multiple of 4, at least 20)
    uint32_t leaf_rows = 0;       // entries per leaf at most (0: as many as fit)
    uint32_t branch_rows = 0;     // rows per branch block at most, leftmost child aside (0: as many as fit)
    uint8_t data_block_type = 40; // 27 or 40
    uint8_t header_type = 16;     // 16 freelist or 35 ASSM, both segments
    uint32_t extent_blocks = 8;
    ClobForm clob_form = ClobForm::ucs2_big; // how CLOB text is stored
    bool reverse_chunks = false;  // a value's chunks laid out last to first
};

struct LobSegmentDef {
    uint32_t data_object = 0;  // LOB segment
    uint32_t index_object = 0; // LOB index
    LobStorageDef storage;
    uint32_t first_lob_id = 1; // last four bytes of the first value's id; the others count up
};

// One value as stored (a CLOB already in its stored form).
struct LobContent {
    std::vector<uint8_t> bytes;
    bool two_byte = false; // a two-byte CLOB: locator byte_len 2
};

struct PlacedLob {
    std::vector<uint8_t> column; // the bytes the row keeps
    std::array<uint8_t, 10> lob_id{};
    bool in_row = false;
    uint32_t blocks = 0, bytes = 0; // as in the inode
    uint32_t version_base = 0;
    uint16_t version_wrap = 0;
    std::vector<uint32_t> chunks; // first block of each chunk, in value order
    std::vector<uint32_t> pages;  // block of each page, in value order
    uint32_t inode_leaf = 0;      // leaf holding the inode, when it lives in the index
};

struct LobSegmentResult {
    uint32_t header_block = 0;       // LOB segment header
    uint32_t index_header_block = 0; // LOB index segment header
    uint32_t index_root = 0;
    uint32_t index_levels = 1;             // 1: the root is a leaf
    std::vector<uint32_t> leaf_blocks;     // in key order
    std::vector<uint32_t> branch_blocks;   // every branch block, the root first when it is one
    std::vector<uint32_t> data_blocks;     // every LOB data block
    std::vector<PlacedLob> lobs;           // one per value, in order
    uint32_t next_block = 0;               // first block after both segments
};

// Blocks both segments take for these values.
uint32_t lob_segments_blocks(uint32_t block_size, const LobSegmentDef& def, const std::vector<LobContent>& values);
// The bytes each value leaves in its row, with stand-in chunk addresses:
// as long as the real ones, for sizing rows before the segments are placed.
std::vector<std::vector<uint8_t>> lob_columns_for_size(uint32_t block_size, const LobSegmentDef& def,
                                                       const std::vector<LobContent>& values);
// Writes both segments into the file from first_block on, contiguously.
LobSegmentResult add_lob_segments(DatafileImage& file, uint32_t first_block, const LobSegmentDef& def,
                                  const std::vector<LobContent>& values);

// CLOB text in its stored form: single-byte text as given, or the UTF-8
// text as UCS-2 in either order.
std::vector<uint8_t> clob_bytes(const std::string& text, ClobForm form);

// The lines an extent scan of these segments writes: "lobpage.zem" (one per
// LOB data block) and "lobind.zem" (one per index entry of a first page whose
// inode lives in the index).
std::string lobpage_lines(const DatafileImage& file, const LobSegmentDef& def, const LobSegmentResult& placed);
std::string lobind_lines(const DatafileImage& file, const LobSegmentDef& def, const LobSegmentResult& placed);

} // namespace zb
