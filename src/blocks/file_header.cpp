// Datafile header, block 1, after the 20-byte cache header. Offsets in the
// usual layout and in the one written on Tru64 (config is_tru64):
//   field              size  usual  tru64
//   version               4     20     24
//   compat_version        4     24     28
//   db_id                 4     28     32
//   db_name               8     32     36   raw bytes, not terminated
//   control_seq           4     40     44
//   file_size             4     44     48   blocks, block 0 not counted
//   block_size            4     48     56
//   file_no               2     52     64
//   file_type             2     54     66
//   root_dba              4     96    112   (112 in Oracle 7 files too)
//   creation_scn_base     4    100    116
//   creation_scn_wrap     2    104    120
// Tablespace number, name (30 raw bytes) and relative file number:
//   format 0x02, tru64                     tbs_no 260 name 266 rfn 296
//   format 0x02, name length (ub2 at 248)
//     1..30                                tbs_no 244 name 250 rfn 280
//     0 or above 30                        tbs_no 492 name 498 rfn 528
//   every other format                     tbs_no 332 name 338 rfn 368
// Oracle 7 has no relative file numbers: it is the absolute one.

#include "blocks/file_header.h"

#include <cstring>

#include "base/byte_order.h"
#include "base/config.h"

namespace {

void copy_raw_name(char* destination, const ub1* source, size_t length)
{
    memcpy(destination, source, length);
    destination[length] = '\0';
}

} // namespace

int get_datafile_header(const ub1* buffer, PDATAFILE_HEADER header, const BLOCK_HEADER* block_header,
                        ub4 block_size)
{
    return get_datafile_header_order(buffer, header, block_header, block_size, config_data.byte_order,
                                     config_data.is_tru64);
}

int get_datafile_header_order(const ub1* buffer, PDATAFILE_HEADER header, const BLOCK_HEADER* block_header,
                              ub4 block_size, int byte_order, int is_tru64)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE || !is_valid_block_format(block_header->block_format) ||
        block_header->block_type != BT_FILE_HEADER)
        return FALSE;
    bool tru64 = is_tru64 != 0;
    auto ub2_at = [buffer, byte_order](size_t offset) { return get_ub2_order(buffer, offset, byte_order); };
    auto ub4_at = [buffer, byte_order](size_t offset) { return get_ub4_order(buffer, offset, byte_order); };
    ub1 format = block_header->block_format;

    header->version = ub4_at(tru64 ? 24 : 20);
    header->compat_version = ub4_at(tru64 ? 28 : 24);
    header->db_id = ub4_at(tru64 ? 32 : 28);
    copy_raw_name(header->db_name, buffer + (tru64 ? 36 : 32), DBNAME_LEN);
    header->control_seq = ub4_at(tru64 ? 44 : 40);
    header->file_size = ub4_at(tru64 ? 48 : 44);
    header->block_size = ub4_at(tru64 ? 56 : 48);
    header->file_no = ub2_at(tru64 ? 64 : 52);
    header->file_type = ub2_at(tru64 ? 66 : 54);
    header->root_dba = ub4_at(tru64 || format == BF_V7 ? 112 : 96);
    header->creation_scn_base = ub4_at(tru64 ? 116 : 100);
    header->creation_scn_wrap = ub2_at(tru64 ? 120 : 104);

    size_t tbs_at = 332;
    if (format == BF_V8) {
        ub2 name_len = ub2_at(248);
        if (tru64)
            tbs_at = 260;
        else if (name_len >= 1 && name_len <= TBSNAME_LEN)
            tbs_at = 244;
        else
            tbs_at = 492;
    }
    // Name and relative file number sit 6 and 36 bytes after the number.
    header->tbs_no = ub4_at(tbs_at);
    copy_raw_name(header->tbs_name, buffer + tbs_at + 6, TBSNAME_LEN);
    header->relative_fn = ub4_at(tbs_at + 36);
    if (format == BF_V7)
        header->relative_fn = header->file_no;
    return TRUE;
}
