#pragma once
// The bytes a CLOB or BLOB column keeps in its row: a 20-byte locator, then
// (when the column is at least 36 bytes long) a 16-byte inode, then the
// in-row value or a list of chunk addresses. Every multi-byte field of the
// locator and the inode is big-endian whatever the datafile's byte order.

#include "base/types.h"

constexpr ub4 LOB_LOCATOR_LEN = 20;
constexpr ub4 LOB_INODE_LEN = 16;
constexpr ub4 LOBID_LEN = 10;
constexpr ub4 LOB_INODE_VER_LEN = 6;

// Inode flag bits.
constexpr ub1 KDLIDINI = 0x01; // the inode is valid
constexpr ub1 KDLIDIDX = 0x02; // the inode is kept in the LOB index
constexpr ub1 KDLINOR = 0x04;  // the value is out of row

typedef struct _tag_lob_locator {
    ub2 len;
    ub2 version;
    ub4 flag;
    ub2 byte_len;
    ub1 lobid[LOBID_LEN];
} LOB_LOCATOR, *PLOB_LOCATOR;

typedef struct _tag_lob_inode {
    ub2 size; // 16 (LOB_INODE_LEN) means an empty in-row value
    ub1 flag;
    ub1 future;
    ub4 blocks; // LOB blocks before the last one
    ub2 bytes;  // bytes used in the last block
    ub1 version[LOB_INODE_VER_LEN];
} LOB_INODE, *PLOB_INODE;

// The three parts a LOB id is looked up by in the scan results: big-endian
// ub2 at 0, ub4 at 2, ub4 at 6.
typedef struct _tag_lob_id_parts {
    ub4 id1;
    ub4 id2;
    ub4 id3;
} LOB_ID_PARTS;

// Both parse from a buffer of `length` bytes; FALSE (record cleared) when
// the buffer is shorter than the structure.
int get_lob_locator(const ub1* bytes, ub4 length, PLOB_LOCATOR locator);
int get_lob_inode(const ub1* bytes, ub4 length, PLOB_INODE inode);
LOB_ID_PARTS get_lob_id_parts(const ub1* lobid);

inline int is_valid_lob(const LOB_INODE* inode) { return (inode->flag & KDLIDINI) != 0; }
inline int inode_in_index(const LOB_INODE* inode) { return (inode->flag & KDLIDIDX) != 0; }
inline int lob_out_of_row(const LOB_INODE* inode) { return (inode->flag & KDLINOR) != 0; }
