#pragma once
// Block dumps in the layout of the database's own block dumps: the cache
// header, then a part chosen by block type. Everything goes through
// sp_printf. Every count and offset a dump follows comes from the block and
// is checked first: what lies outside the block is marked as such, never
// printed from bytes that are not the field's.
//
// header_only leaves out what follows a header: an undo segment header's
// transaction area, a data block's directories and rows, an index block's
// rows, a compatibility segment's entries and a LOB block's bytes. Segment
// headers and extent map blocks always show their maps.

#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "blocks/segment_header.h"

// Dispatches by block type. The tail is checked when db_block_checksum is on;
// a block that fails it is reported as corrupted and still dumped as far as
// its bytes allow.
void ora_dump_block(const ub1* buffer, ub4 block_size, int header_only);

void show_block_header(const BLOCK_HEADER* header);
void show_file_header(const ub1* buffer, const BLOCK_HEADER* block_header, ub4 block_size);
// Shared by freelist and undo segment headers; ends with the extent map.
void show_extentcontrol_header(const ub1* buffer, const FLM_HEADER* header, ub4 block_size);
void show_flm_header(const ub1* buffer, ub4 block_size, int header_only);
void show_assm_header(const ub1* buffer, ub4 block_size, int header_only);
void show_emb_block(const ub1* buffer, ub4 block_size, int header_only);
void show_assm_emb_block(const ub1* buffer, ub4 block_size, int header_only);
void show_compatblock_header(const ub1* buffer, ub4 block_size, int header_only);
void show_lob_data_block(const ub1* buffer, ub4 block_size, int header_only);
void show_undo_segment_header(const ub1* buffer, ub1 block_type, ub4 block_size, int header_only);
void show_datablock_common_header(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size);
void show_datablock_header(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, int header_only);
void show_datablock_rows(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size);
void show_compressed_datablock_rows(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size);
void show_index_header(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, int header_only);

// " %02x" for each byte, on the current line.
void show_hex_bytes(const ub1* bytes, ub4 count);
// One line marking a field or list the block cannot hold: what it is and
// the offset at which it would lie.
void show_dump_damage(const char* what, size_t offset);
