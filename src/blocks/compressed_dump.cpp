// Dump of the rows of a basic-compressed data block.

#include "base/printer.h"
#include "blocks/block_dump.h"

void show_compressed_datablock_rows(const ub1* /*buffer*/, const DATABLOCK_HEADER* /*header*/, ub4 /*block_size*/)
{
    sp_printf("Block Rows Dump:\n");
    sp_printf("\n");
}
