// Cutting a segment's extent list into contiguous runs of blocks, so that
// several processes can read one segment, each its own run, and their rows
// joined in run order come out as one process would write them.

#include "engine/extent_list.h"

ub8 count_extent_list_blocks(const ZEM_LIST* list)
{
    ub8 blocks = 0;
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next) {
        const EXTENT_LIST_ITEM* extent = (const EXTENT_LIST_ITEM*)item->data;
        if (is_extent_above_hwm(extent))
            break;
        blocks += extent->length - extent->hwm_blocks;
    }
    return blocks;
}

void slice_extent_list(const ZEM_LIST* list, ub8 first, ub8 end, PZEM_LIST part)
{
    ub8 at = 0; // readable blocks before the current extent
    for (PZEM_LIST_ITEM item = list->header; item != nullptr && at < end; item = item->next) {
        const EXTENT_LIST_ITEM* extent = (const EXTENT_LIST_ITEM*)item->data;
        if (is_extent_above_hwm(extent))
            break;
        ub8 readable = extent->length - extent->hwm_blocks;
        ub8 from = first > at ? first - at : 0;
        ub8 to = end - at < readable ? end - at : readable;
        if (from < to)
            add_extent_list_item(part, extent->start_rdba + (ub4)from, (ub4)(to - from), 0);
        at += readable;
    }
}
