// A candidate block is block_size bytes at any position of a disk. The
// cache header (first 20 bytes) and the tail word (last 4 bytes) decide:
//   off size field
//     0    1 block_type    1..40; 7, 8 and 9 (temporary and sort blocks)
//                          never belong to a datafile worth rebuilding
//     1    1 block_format  the one format of the configured block size
//     4    4 rdba          relative file (high bits) and block (low bits)
//     8    4 scn_base     12    2 scn_wrap   both 0 only in file 1
//    15    1 flag         16    2 chkval     checksum, when flagged or set
// The owner comes from the segment header (types 16 and 17 at offset 100,
// 35 at 272) or the data block's transaction header (type 6 at 24).

#include "scan/disk_block.h"

#include <cstring>

#include "base/rdba.h"
#include "blocks/assm_header.h"
#include "blocks/data_block.h"
#include "blocks/segment_header.h"
#include "storage/checksum.h"

namespace {

bool is_scanned_block_type(ub1 type)
{
    return type >= BT_UNDO_HEADER && type <= BT_MAX_VALID && type != BT_TEMP_DATA && type != BT_SORT_KEY &&
           type != BT_SORT_RUN;
}

ub4 get_block_owner(const ub1* block, ub1 type, ub4 block_size)
{
    switch (type) {
    case BT_UDATA_HEADER:
    case BT_UDATA_HEADER_FLG: {
        FLM_HEADER flm;
        get_flm_header(block, &flm, block_size);
        return flm.object_id;
    }
    case BT_ASSM_HEADER: {
        ASSM_HEADER assm;
        get_assm_header(block, &assm, block_size);
        return assm.object_id;
    }
    case BT_DATA: {
        DATABLOCK_HEADER data;
        get_datablock_header(block, &data, block_size);
        return data.object_id;
    }
    default:
        return 0;
    }
}

} // namespace

ub1 get_disk_scan_block_format(ub2 compatible, ub4 block_size)
{
    if (compatible <= 9)
        return 0x02;
    switch (block_size) {
    case 8192:
        return 0xa2;
    case 16384:
        return 0xc2;
    case 32768:
        return 0xe2;
    case 4096:
        return 0x82;
    default:
        return 0x62;
    }
}

int get_disk_block_info(const DISK_SCAN_CONTEXT* context, const ub1* block, PDISK_BLOCK_INFO info)
{
    memset(info, 0, sizeof(*info));
    const ub4 block_size = context->block_size;
    // The cheapest tests first: most positions of a disk hold no block.
    if (block_size < BLOCK_MIN_SIZE || block[1] != context->block_format || !is_scanned_block_type(block[0]))
        return FALSE;
    PBLOCK_HEADER h = &info->header;
    if (!get_block_header(block, h, block_size) || h->tail == 0 || h->rdba == 0)
        return FALSE;
    info->file_no = rdba_file_no(h->rdba, NO_TS);
    info->block_no = rdba_block_no(h->rdba, NO_TS);
    if (info->file_no == 0 || info->block_no == 0)
        return FALSE;
    if (info->block_no == 1 && h->block_type != BT_FILE_HEADER)
        return FALSE;
    if (info->file_no != 1 && h->scn_base == 0 && h->scn_wrap == 0)
        return FALSE;
    if (!block_tail_match(h))
        return FALSE;
    if (context->verify_checksum && !block_checksum_ok(block, block_size))
        return FALSE;
    info->data_object_id = get_block_owner(block, h->block_type, block_size);
    return TRUE;
}
