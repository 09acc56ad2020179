#pragma once
// Decoders that unload_block and the row decoder hand blocks and values to:
// basic-compressed table blocks, index-organized table leaf blocks, and LOB
// column values.

#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "engine/unload_model.h"

void unload_compressed_data_block(const ub1* block, ub4 rdba, const BLOCK_HEADER* block_header,
                                  PUNLOAD_PARAMS params, PZEM_LIST rows, ub4 block_size,
                                  const DATABLOCK_HEADER* datablock_header, const UNLOAD_CALLBACKS* callbacks);
void unload_iot_block(const ub1* block, ub4 rdba, const BLOCK_HEADER* block_header, PUNLOAD_PARAMS params,
                      PZEM_LIST rows, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                      const UNLOAD_CALLBACKS* callbacks);
// A CLOB or BLOB column whose locator bytes are in col_data->raw_data; makes
// the value's column calls itself, the last one carrying IS_LOB_LAST_PIECE.
// `row`, when given, names the row in damage messages.
void unload_lob_data(PCOL_DATA col_data, PCOLUMN column, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                     int is_first_column, const ROW_DATA* row = nullptr);
