// Extent lists from segment headers and their chains of extent map blocks.
//
// Where the maps lie:
//   freelist header (16, 17)   map from 108, map_header_extents entries,
//                              ending before the freelist summary at
//                              map_offset + 20; next_map_header at 96;
//                              high_water at 60
//   limited header (5)         map from 64, map_header_extents at 32; no
//                              high-water mark, no map blocks
//   ASSM header (35)           map from 280, ending before the auxiliary map
//                              at map_offset + 20; next_map_header at 268
//   extent map block (18, 36)  extents at 20, next_rdba at 24, map from 36
// Every count and address comes from the blocks, so each map is cut to what
// fits before the tail, and the chain is cut at a loop or at
// MAX_EXTENT_MAP_BLOCKS blocks.

#include <cstdlib>

#include "base/config.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "blocks/block_header.h"
#include "blocks/extent_map.h"
#include "engine/extent_list.h"
#include "storage/block_reader.h"

namespace {

// Entries of a header map that ends where the area at map_offset + 20
// begins; a map_offset that leaves no room is not believed.
ub4 header_map_capacity(ub4 map_offset, ub4 map_start, ub4 block_size)
{
    ub4 area = map_offset + 20;
    if (area <= map_start || area > block_size - BLOCK_TAIL_SIZE)
        return UB4_MAX;
    return (area - map_start) / EXTENT_MAP_ENTRY_SIZE;
}

ub4 min_count(ub4 a, ub4 b)
{
    return a < b ? a : b;
}

bool is_valid_file_block_size(const DATAFILE_ITEM* file)
{
    return file->block_size >= (int)BLOCK_MIN_SIZE && file->block_size <= (int)BLOCK_MAX_SIZE;
}

// Follows next_rdba from `first` through blocks of `map_type`, appending
// their maps with the same high-water address.
void add_extent_map_chain(ub4 first, ub1 map_type, PZEM_LIST list, ub4 ts_no, ub4 hwm_rdba, int* hwm_found,
                          PUNLOAD_DAMAGE damage)
{
    ub1* buffer = (ub1*)malloc(BLOCK_MAX_SIZE);
    ub4* visited = (ub4*)malloc(sizeof(ub4) * MAX_EXTENT_MAP_BLOCKS);
    if (buffer == nullptr || visited == nullptr) {
        free(buffer);
        free(visited);
        return;
    }
    ub4 visited_cnt = 0;
    for (ub4 next = first; next != 0;) {
        bool seen = false;
        for (ub4 i = 0; i < visited_cnt && !seen; i++)
            seen = visited[i] == next;
        if (seen || visited_cnt == MAX_EXTENT_MAP_BLOCKS) {
            if (config_data.trace_level >= TL_MIN_TRACE)
                write_trace("extent map chain loops at 0x%08x\n", next);
            break;
        }
        visited[visited_cnt++] = next;
        // A map block that cannot be read ends the chain: the extents it
        // and its successors list are lost.
        ub4 file_no = rdba_file_no(next, ts_no);
        ub4 block_no = rdba_block_no(next, ts_no);
        PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)file_no);
        bool readable = file != nullptr && is_valid_file_block_size(file) &&
                        read_buffered_block(file, block_no, buffer, next);
        BLOCK_HEADER header;
        if (!readable || !get_block_header(buffer, &header, (ub4)file->block_size) ||
            header.block_type != map_type) {
            note_damaged_block(damage, DMG_SEGMENT_HEADER, file_no, block_no);
            break;
        }
        ub4 block_size = (ub4)file->block_size;
        EMB_BLOCK emb;
        get_emb_block(buffer, &emb, block_size);
        add_extentmap_to_list(buffer, ts_no, list, emb.extents, EMB_EXTENT_MAP_OFFSET, hwm_rdba, hwm_found,
                              block_size);
        next = emb.next_rdba;
    }
    free(visited);
    free(buffer);
}

} // namespace

void init_extent_list(PZEM_LIST list)
{
    init_zem_list(list, nullptr);
}

PEXTENT_LIST_ITEM add_extent_list_item(PZEM_LIST list, ub4 start_rdba, ub4 length, ub4 hwm_blocks)
{
    PEXTENT_LIST_ITEM item = (PEXTENT_LIST_ITEM)malloc(sizeof(EXTENT_LIST_ITEM));
    if (item == nullptr)
        return nullptr;
    item->start_rdba = start_rdba;
    item->length = length;
    item->hwm_blocks = hwm_blocks;
    add_zem_list_item(list, item);
    return item;
}

ub4 add_extentmap_to_list(const ub1* buffer, ub4 ts_no, PZEM_LIST list, ub4 count, size_t offset, ub4 hwm_rdba,
                          int* hwm_found, ub4 block_size)
{
    ub4 hwm_file = rdba_file_no(hwm_rdba, ts_no);
    ub8 hwm_block = rdba_block_no(hwm_rdba, ts_no);
    count = get_fitting_entry_count(block_size, offset, EXTENT_MAP_ENTRY_SIZE, count);
    ub4 added = 0;
    for (ub4 i = 0; i < count; i++) {
        EXTENT_MAP_ENTRY entry;
        if (!get_extent_map_entry(buffer, offset, i, &entry, block_size))
            break;
        ub4 hwm_blocks = 0;
        ub8 first = rdba_block_no(entry.start_rdba, ts_no);
        if (*hwm_found)
            hwm_blocks = entry.length;
        else if (rdba_file_no(entry.start_rdba, ts_no) != hwm_file)
            hwm_blocks = 0;
        else if (first <= hwm_block && first + entry.length > hwm_block) {
            *hwm_found = 1;
            hwm_blocks = entry.length - (ub4)(hwm_block - first);
        }
        if (add_extent_list_item(list, entry.start_rdba, entry.length, hwm_blocks) == nullptr)
            break;
        added++;
    }
    return added;
}

int get_extent_list(const ub1* buffer, const FLM_HEADER* flm_header, PZEM_LIST list, ub4 ts_no, int header_only,
                    ub4 block_size, PUNLOAD_DAMAGE damage)
{
    int hwm_found = 0;
    ub4 count = min_count(flm_header->map_header_extents,
                          header_map_capacity(flm_header->map_offset, FLM_EXTENT_MAP_OFFSET, block_size));
    add_extentmap_to_list(buffer, ts_no, list, count, FLM_EXTENT_MAP_OFFSET, flm_header->high_water, &hwm_found,
                          block_size);
    if (!header_only && flm_header->next_map_header != 0)
        add_extent_map_chain(flm_header->next_map_header, BT_EXTENT_MAP, list, ts_no, flm_header->high_water,
                             &hwm_found, damage);
    return TRUE;
}

int get_limited_extent_list(const ub1* buffer, const FLM_HEADER* flm_header, PZEM_LIST list, ub4 ts_no,
                            int /*header_only*/, ub4 block_size)
{
    // No high-water mark and no map blocks: every listed extent is read.
    int hwm_found = 0;
    add_extentmap_to_list(buffer, ts_no, list, flm_header->map_header_extents, LIMITED_EXTENT_MAP_OFFSET, 0,
                          &hwm_found, block_size);
    return TRUE;
}

int get_assm_extent_list(const ub1* buffer, const ASSM_HEADER* assm_header, PZEM_LIST list, ub4 ts_no,
                         int header_only, ub4 block_size, PUNLOAD_DAMAGE damage)
{
    int hwm_found = 0;
    ub4 count = min_count(assm_header->map_header_extents,
                          header_map_capacity(assm_header->map_offset, ASSM_EXTENT_MAP_OFFSET, block_size));
    add_extentmap_to_list(buffer, ts_no, list, count, ASSM_EXTENT_MAP_OFFSET, assm_header->high_water, &hwm_found,
                          block_size);
    if (!header_only && assm_header->next_map_header != 0)
        add_extent_map_chain(assm_header->next_map_header, BT_ASSM_EXTENT_MAP, list, ts_no,
                             assm_header->high_water, &hwm_found, damage);
    return TRUE;
}

int read_segment_extents(ub4 ts_no, ub4 segment_rdba, PZEM_LIST list, PUNLOAD_DAMAGE damage)
{
    PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)rdba_file_no(segment_rdba, ts_no));
    if (file == nullptr || !is_valid_file_block_size(file))
        return SEG_NO_DATAFILE;
    ub4 block_size = (ub4)file->block_size;
    ub1* buffer = (ub1*)malloc(BLOCK_MAX_SIZE);
    if (buffer == nullptr)
        return SEG_READ_FAILED;
    int result = SEG_READ_FAILED;
    BLOCK_HEADER header;
    if (read_buffered_block(file, rdba_block_no(segment_rdba, ts_no), buffer, segment_rdba) &&
        get_block_header(buffer, &header, block_size)) {
        ub1 type = header.block_type;
        bool known = type == BT_UDATA_HEADER || type == BT_UDATA_HEADER_FLG || type == BT_DATA_HEADER ||
                     type == BT_ASSM_HEADER;
        result = SEG_EXTENTS_READ;
        if (!known) {
            result = SEG_NOT_HEADER;
        } else if (config_data.db_block_checksum && !block_tail_match(&header)) {
            result = SEG_BAD_TAIL;
        } else if (type == BT_UDATA_HEADER || type == BT_UDATA_HEADER_FLG) {
            FLM_HEADER flm;
            get_flm_header(buffer, &flm, block_size);
            get_extent_list(buffer, &flm, list, ts_no, 0, block_size, damage);
        } else if (type == BT_ASSM_HEADER) {
            ASSM_HEADER assm;
            get_assm_header(buffer, &assm, block_size);
            get_assm_extent_list(buffer, &assm, list, ts_no, 0, block_size, damage);
        } else {
            FLM_HEADER flm;
            get_limited_seg_header(buffer, &flm, block_size);
            get_limited_extent_list(buffer, &flm, list, ts_no, 0, block_size);
        }
    }
    free(buffer);
    return result;
}

int get_segment_extents(ub4 ts_no, ub4 segment_rdba, PZEM_LIST list)
{
    return read_segment_extents(ts_no, segment_rdba, list, nullptr) == SEG_EXTENTS_READ ? 1 : 0;
}

const char* get_segment_error_text(int result)
{
    switch (result) {
    case SEG_NO_DATAFILE: return "no datafile of the list holds it";
    case SEG_READ_FAILED: return "it could not be read";
    case SEG_NOT_HEADER: return "it is not a segment header";
    case SEG_BAD_TAIL: return "corrupted block";
    default: return "";
    }
}
