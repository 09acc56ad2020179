// LOB data block (types 27 and 40):
//   off size field
//    20    4 object_id     data object number
//    24   10 LOB id        always big-endian: ub2 at 24, ub4 at 26, ub4 at 30
//    36    4 version base
//    40    2 version wrap
//    44    4 page_no
//    48    4 pdba
//    56    - value bytes up to the tail (block size - 60 bytes)

#include "blocks/lob_block.h"

#include <cstring>

#include "base/byte_order.h"

int get_lob_block_header(const ub1* buffer, PLOB_BLOCK_HEADER header, ub4 block_size)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE)
        return FALSE;
    header->object_id = get_ub4(buffer, 20);
    header->lob_id_high = get_ub2_big(buffer, 24);
    header->lob_id_mid = get_ub4_big(buffer, 26);
    header->lob_id_low = get_ub4_big(buffer, 30);
    header->version_base = get_ub4(buffer, 36);
    header->version_wrap = get_ub2(buffer, 40);
    header->page_no = get_ub4(buffer, 44);
    header->pdba = get_ub4(buffer, 48);
    header->data_offset = LOB_DATA_OFFSET;
    header->data_length = block_size - LOB_BLOCK_OVERHEAD;
    return TRUE;
}
