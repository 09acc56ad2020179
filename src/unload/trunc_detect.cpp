#include <cstdlib>

#include "base/printer.h"
#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "storage/block_reader.h"
#include "unload/unload_cmd.h"

// A truncate gives the segment a new data object number but leaves the old
// blocks where they were. The first data block after the segment header that
// still carries an older number (not below the object number) tells what the
// rows had before the truncate.
ub4 get_trunc_dataobj_id(const STORAGE_INFO* storage)
{
    if (storage->obj_no == 0 || storage->dataobj_no == 0 || storage->block_no == 0 || storage->file_no == 0)
        return 0;
    PDATAFILE_ITEM item = get_datafile_item_rfn((int)storage->ts_no, (int)storage->file_no);
    if (item == nullptr || item->block_size <= 0)
        return 0;
    ub4 block_size = (ub4)item->block_size;
    ub1* buffer = (ub1*)malloc((size_t)block_size * MAX_TRUNC_DETECT_BLOCKS);
    if (buffer == nullptr)
        return 0;
    ub4 first = storage->block_no + 1;
    ub4 read = read_blocks(item, first, (ub2)MAX_TRUNC_DETECT_BLOCKS, buffer, get_datafile_block_rdba(item, first));
    ub4 answer = 0;
    for (ub4 i = 0; i < read; i++) {
        const ub1* block = buffer + (size_t)i * block_size;
        BLOCK_HEADER header;
        if (!get_block_header(block, &header, block_size) || !block_tail_match(&header)) {
            sp_printf("corrupted block,ts#=%u,rfile#=%u,block#=%u\n", storage->ts_no, storage->file_no, first + i);
            break;
        }
        if (header.block_type == BT_BLANK)
            break;
        if (header.block_type != BT_DATA)
            continue;
        DATABLOCK_HEADER data;
        if (!get_datablock_header(block, &data, block_size))
            continue;
        ub4 d = data.object_id;
        if (d < storage->obj_no || d > storage->dataobj_no)
            break;
        if (d != storage->dataobj_no && d != 0) {
            answer = d;
            break;
        }
    }
    free(buffer);
    return answer;
}
