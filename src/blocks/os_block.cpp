// Operating-system block, block 0 of a datafile:
//   off size field
//     0    1 block type, always 0
//     1    1 block format, as in the other blocks of the file
//     4    4 0xFFC00000, a mark where other blocks hold their rdba
//    20    4 block size in bytes
//    24    4 blocks in the file after block 0
//    28    4 0x7A7B7C7D, a mark
// Both marks are written in the file's own byte order, so the order in which
// they read back is the order of every block of the file.

#include "blocks/os_block.h"

#include <cstring>

#include "base/byte_order.h"

namespace {

bool has_marks(const ub1* buffer, int byte_order)
{
    return get_ub4_order(buffer, 4, byte_order) == OS_BLOCK_RDBA_MARK &&
           get_ub4_order(buffer, 28, byte_order) == OS_BLOCK_MARK;
}

} // namespace

int get_os_block_header(const ub1* buffer, size_t length, POS_BLOCK_HEADER header)
{
    memset(header, 0, sizeof(*header));
    if (length < OS_BLOCK_HEADER_SIZE || buffer[0] != 0)
        return FALSE;
    int order;
    if (has_marks(buffer, BO_LITTLE))
        order = BO_LITTLE;
    else if (has_marks(buffer, BO_BIG))
        order = BO_BIG;
    else
        return FALSE;
    header->block_format = buffer[1];
    header->byte_order = order;
    header->block_size = get_ub4_order(buffer, 20, order);
    header->blocks = get_ub4_order(buffer, 24, order);
    return TRUE;
}
