// Stand-ins until basic-compressed blocks and index-organized tables are
// decoded: such blocks yield no rows.

#include "engine/block_decoders.h"

void unload_compressed_data_block(const ub1* /*block*/, ub4 /*rdba*/, const BLOCK_HEADER* /*block_header*/,
                                  PUNLOAD_PARAMS /*params*/, PZEM_LIST /*rows*/, ub4 /*block_size*/,
                                  const DATABLOCK_HEADER* /*datablock_header*/,
                                  const UNLOAD_CALLBACKS* /*callbacks*/)
{
}

void unload_iot_block(const ub1* /*block*/, ub4 /*rdba*/, const BLOCK_HEADER* /*block_header*/,
                      PUNLOAD_PARAMS /*params*/, PZEM_LIST /*rows*/, ub4 /*block_size*/,
                      const DATABLOCK_HEADER* /*datablock_header*/, const UNLOAD_CALLBACKS* /*callbacks*/)
{
}
