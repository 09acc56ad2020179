// Common cache header, first 20 bytes of every block:
//   off size field              off size field
//     0    1 block_type           1    1 block_format
//     2    1 spare1               3    1 spare2
//     4    4 rdba                 8    4 scn_base
//    12    2 scn_wrap            14    1 seq
//    15    1 flag                16    2 chkval
//    18    2 spare3
// The last 4 bytes of the block hold the tail word. Oracle 7 writes the low
// 16 bits of scn_base over scn_wrap; later releases write the low 16 bits of
// scn_base, then block_type, then seq.

#include "blocks/block_header.h"

#include <cstring>

#include "base/byte_order.h"

bool is_valid_block_format(ub1 format)
{
    switch (format) {
    case 0x01:
    case 0x02:
    case 0x62:
    case 0x82:
    case 0xa2:
    case 0xc2:
    case 0xe2:
        return true;
    default:
        return false;
    }
}

bool is_above10g_block(ub1 format)
{
    return format != 0x01 && format != 0x02 && is_valid_block_format(format);
}

int get_block_header(const ub1* buffer, PBLOCK_HEADER header, ub4 block_size)
{
    return get_block_header_order(buffer, header, block_size, config_data.byte_order);
}

int get_block_header_order(const ub1* buffer, PBLOCK_HEADER header, ub4 block_size, int byte_order)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_HEADER_SIZE + BLOCK_TAIL_SIZE)
        return FALSE;
    header->block_type = get_ub1(buffer, 0);
    header->block_format = get_ub1(buffer, 1);
    header->spare1 = get_ub1(buffer, 2);
    header->spare2 = get_ub1(buffer, 3);
    header->rdba = get_ub4_order(buffer, 4, byte_order);
    header->scn_base = get_ub4_order(buffer, 8, byte_order);
    header->scn_wrap = get_ub2_order(buffer, 12, byte_order);
    header->seq = get_ub1(buffer, 14);
    header->flag = get_ub1(buffer, 15);
    header->chkval = get_ub2_order(buffer, 16, byte_order);
    header->spare3 = get_ub2_order(buffer, 18, byte_order);
    header->tail = get_ub4_order(buffer, block_size - BLOCK_TAIL_SIZE, byte_order);
    return TRUE;
}

int block_tail_match(const BLOCK_HEADER* header)
{
    ub4 high = header->tail >> 16;
    if (high != (header->scn_base & 0xffff))
        return FALSE;
    if (header->block_format == BF_V7)
        return (header->tail & 0xffff) == header->scn_wrap ? TRUE : FALSE;
    return ((header->tail >> 8) & 0xff) == header->block_type && (header->tail & 0xff) == header->seq ? TRUE : FALSE;
}

int check_block_header(const BLOCK_HEADER* header, ub1 expected_type)
{
    if (!is_valid_block_format(header->block_format))
        return ERR_BLOCK_FORMAT;
    if (header->block_type != expected_type)
        return ERR_BLOCK_TYPE;
    return ERR_NONE;
}
