// Extent lists that do not come from a segment header: the block range the
// user named, the runs an extent scan found, and a sample of single blocks
// taken from either.

#include <cstdlib>

#include "base/rdba.h"
#include "blocks/block_types.h"
#include "engine/extent_list.h"
#include "scan/scanned_extent.h"

void get_spec_extent_list(PTABLE /*table*/, PZEM_LIST list, PUNLOAD_PARAMS params)
{
    add_extent_list_item(list, params->spec_rdba, params->spec_blocks, 0);
}

void get_scan_extent_list(PTABLE table, PZEM_LIST list, ub4 dataobj_no, ub4 ts_no, int data_blocks_only)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_ext_hash_table, dataobj_no);
    if (bucket == nullptr)
        return;
    for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next) {
        const DICT_EXTENT* extent = (const DICT_EXTENT*)item->data;
        if (extent == nullptr || extent->data_object_id != dataobj_no)
            continue;
        if (ts_no != INVALID_TS_NO && extent->tablespace_no != ts_no)
            continue;
        if (data_blocks_only && extent->block_type != BT_DATA)
            continue;
        add_extent_list_item(list, file_block_rdba(extent->file_no, extent->block_no), extent->length, 0);
        // The extents are read in the table's tablespace: one without a
        // tablespace takes that of its first extent, and extents of the same
        // number in other tablespaces (files of another database) would be
        // read from the wrong files.
        if (table != nullptr && table->ts_no == INVALID_TS_NO)
            table->ts_no = extent->tablespace_no;
        if (table != nullptr)
            ts_no = table->ts_no;
    }
}

void generate_sample_blocks(PZEM_LIST list)
{
    // The extents up to the first one wholly above the high-water mark.
    ub4 extent_cnt = 0;
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next) {
        if (is_extent_above_hwm((const EXTENT_LIST_ITEM*)item->data))
            break;
        extent_cnt++;
    }
    ZEM_LIST old = *list;
    init_zem_list(list, old.func);
    list->free_user_data = old.free_user_data;

    ub4 sampled = 0;
    for (ub4 k = 0; sampled < SAMPLE_MAX_BLOCKS; k++) {
        ub4 added = 0;
        PZEM_LIST_ITEM item = old.header;
        for (ub4 e = 0; e < extent_cnt && sampled < SAMPLE_MAX_BLOCKS; e++, item = item->next) {
            const EXTENT_LIST_ITEM* extent = (const EXTENT_LIST_ITEM*)item->data;
            if (extent->length - extent->hwm_blocks <= k)
                continue;
            if (add_extent_list_item(list, extent->start_rdba + k, 1, 0) == nullptr)
                break;
            added++;
            sampled++;
        }
        if (added == 0)
            break;
    }
    release_zem_list(&old);
}
