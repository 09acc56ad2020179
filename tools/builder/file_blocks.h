#pragma once
// Block 0 (the operating-system block) and block 1 (the datafile header).

#include <string>

#include "builder/block_image.h"

namespace zb {

// How an Oracle 8/9 (format 0x02) header stores its tablespace name.
enum class NameLayout {
    counted,   // name length (1..30) at 248, number/name/rfn at 244/250/280
    long_form, // length field 0 or above 30, number/name/rfn at 492/498/528
};

struct FileHeaderDef {
    CacheHeader cache;          // type is forced to 11
    bool tru64 = false;
    NameLayout name_layout = NameLayout::counted;
    uint16_t long_name_length = 0; // length field written for NameLayout::long_form
    uint32_t db_id = 0x4d2a61b7;
    std::string db_name = "ZEMDB";
    uint32_t version = 0x0b200400;
    uint32_t compat_version = 0x0b200000;
    uint32_t control_seq = 1234;
    uint32_t file_size = 0;   // blocks after block 0
    uint32_t block_size = 0;  // as recorded; 0 means the image's size
    uint16_t file_no = 0;
    uint16_t file_type = 3;
    uint32_t root_dba = 0;
    uint32_t creation_scn_base = 0x00003a41;
    uint16_t creation_scn_wrap = 0;
    uint64_t checkpoint_scn = 0;   // 48 bits: base at 484, wrap at 488
    std::string ts_name = "USERS";
    uint32_t ts_no = 0;
    uint32_t rfile_no = 0;
};

BlockImage make_file_header_block(const FileHeaderDef& def, uint32_t block_size, int order);
// Block 0: type 0, the format byte, the magic rdba 0xffc00000, then block
// size, block count and the magic 0x7a7b7c7d at 20, 24 and 28.
BlockImage make_os_block(uint32_t block_size, int order, uint8_t format, uint32_t blocks);

} // namespace zb
