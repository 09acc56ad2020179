// LOB locator, 20 bytes, big-endian:
//   off size field          off size field
//     0    2 len              2    2 version
//     4    4 flag             8    2 byte_len
//    10   10 lobid (raw)
// LOB inode, 16 bytes, big-endian:
//     0    2 size             2    1 flag
//     3    1 future           4    4 blocks
//     8    2 bytes           10    6 version (raw)

#include "blocks/lob_locator.h"

#include <cstring>

#include "base/byte_order.h"

int get_lob_locator(const ub1* bytes, ub4 length, PLOB_LOCATOR locator)
{
    memset(locator, 0, sizeof(*locator));
    if (bytes == nullptr || length < LOB_LOCATOR_LEN)
        return FALSE;
    locator->len = get_ub2_big(bytes, 0);
    locator->version = get_ub2_big(bytes, 2);
    locator->flag = get_ub4_big(bytes, 4);
    locator->byte_len = get_ub2_big(bytes, 8);
    memcpy(locator->lobid, bytes + 10, LOBID_LEN);
    return TRUE;
}

int get_lob_inode(const ub1* bytes, ub4 length, PLOB_INODE inode)
{
    memset(inode, 0, sizeof(*inode));
    if (bytes == nullptr || length < LOB_INODE_LEN)
        return FALSE;
    inode->size = get_ub2_big(bytes, 0);
    inode->flag = bytes[2];
    inode->future = bytes[3];
    inode->blocks = get_ub4_big(bytes, 4);
    inode->bytes = get_ub2_big(bytes, 8);
    memcpy(inode->version, bytes + 10, LOB_INODE_VER_LEN);
    return TRUE;
}

LOB_ID_PARTS get_lob_id_parts(const ub1* lobid)
{
    return LOB_ID_PARTS{get_ub2_big(lobid, 0), get_ub4_big(lobid, 2), get_ub4_big(lobid, 6)};
}
