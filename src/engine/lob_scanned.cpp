// LOBs whose index is lost, rebuilt from what an extent scan found: the
// first-page index entries (lobind.zem: the inode's size and version) and
// the LOB data blocks (lobpage.zem: LOB id, version, page number), both
// looked up by the last four bytes of the LOB id. Without a size, a value
// ends where its last page's content ends.

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "blocks/block_header.h"
#include "blocks/lob_block.h"
#include "engine/lob_read.h"
#include "scan/scanned_lob.h"
#include "storage/block_reader.h"

namespace {

bool same_id(const LOB_ID_PARTS& id, ub4 id1, ub4 id2, ub4 id3)
{
    return id.id1 == id1 && id.id2 == id2 && id.id3 == id3;
}

// The version bytes of an inode as the scan split them: a ub4 and a ub2,
// both in the files' byte order.
void split_version(const LOB_INODE* inode, int order, ub4* version1, ub4* version2)
{
    *version1 = get_ub4_order(inode->version, 0, order);
    *version2 = get_ub2_order(inode->version, 4, order);
}

bool is_space_unit(const ub1* p)
{
    return (p[0] == 0x00 && p[1] == 0x20) || (p[0] == 0x20 && p[1] == 0x00) || (p[0] == 0 && p[1] == 0);
}

} // namespace

int comp_lob_chunk_order(const LOB_CHUNK_ITEM& a, const LOB_CHUNK_ITEM& b)
{
    if (a.page_no != b.page_no)
        return a.page_no < b.page_no ? -1 : 1;
    if (a.start_rdba != b.start_rdba)
        return a.start_rdba < b.start_rdba ? -1 : 1;
    return 0;
}

int get_scanned_lob_inode(const ub1* lobid, PLOB_INODE inode, int order)
{
    LOB_ID_PARTS id = get_lob_id_parts(lobid);
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_lobind_hash_table, id.id3);
    for (PZEM_LIST_ITEM item = bucket != nullptr ? bucket->data_list.header : nullptr; item != nullptr;
         item = item->next) {
        const DICT_LOBIND* entry = (const DICT_LOBIND*)item->data;
        if (entry == nullptr || !same_id(id, entry->lob_id1, entry->lob_id2, entry->lob_id3))
            continue;
        memset(inode, 0, sizeof(*inode));
        inode->flag = KDLIDINI;
        inode->blocks = entry->blocks;
        inode->bytes = (ub2)entry->bytes;
        if (order == BO_BIG) {
            set_ub4_big(inode->version, 0, entry->version1);
            set_ub2_big(inode->version, 4, (ub2)entry->version2);
        } else {
            set_ub4_little(inode->version, 0, entry->version1);
            set_ub2_little(inode->version, 4, (ub2)entry->version2);
        }
        return TRUE;
    }
    return FALSE;
}

ub4 get_scanned_lob_chunks(LOB_CHUNK_LIST* list, const ub1* lobid, const LOB_INODE* inode, ub4* ts_no,
                           PLOB_VALUE value)
{
    *ts_no = INVALID_TS_NO;
    LOB_ID_PARTS id = get_lob_id_parts(lobid);
    struct PAGE {
        LOB_CHUNK_ITEM item;
        bool same_version;
    };
    std::vector<PAGE> pages;
    ub4 version1 = 0, version2 = 0;
    if (inode != nullptr)
        split_version(inode, value != nullptr ? value->byte_order : config_data.byte_order, &version1, &version2);
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_lobpage_hash_table, id.id3);
    for (PZEM_LIST_ITEM item = bucket != nullptr ? bucket->data_list.header : nullptr; item != nullptr;
         item = item->next) {
        const DICT_LOBPAGE* page = (const DICT_LOBPAGE*)item->data;
        if (page == nullptr || !same_id(id, page->lob_id1, page->lob_id2, page->lob_id3))
            continue;
        if (*ts_no == INVALID_TS_NO) {
            *ts_no = page->tablespace_no;
        } else if (page->tablespace_no != *ts_no) {
            sp_printf("get_scanned_lob_chunks: detected inconsistent tablespace no,first :%u , current :%u\n", *ts_no,
                      page->tablespace_no);
            break;
        }
        ub4 rdba = file_block_rdba(page->file_no, page->block_no);
        if (rdba == 0)
            break;
        bool same = inode != nullptr && page->version1 == version1 && page->version2 == version2;
        pages.push_back(PAGE{LOB_CHUNK_ITEM{rdba, page->page_no}, same});
    }
    std::sort(pages.begin(), pages.end(),
              [](const PAGE& a, const PAGE& b) { return comp_lob_chunk_order(a.item, b.item) < 0; });
    // One block a page: of several (older versions of the value left in the
    // segment) the one of the inode's version, else the first. A missing
    // page ends the value before it: what follows would land in its place.
    ub4 expected = 0;
    for (size_t i = 0; i < pages.size();) {
        size_t end = i;
        size_t pick = i;
        while (end < pages.size() && pages[end].item.page_no == pages[i].item.page_no) {
            if (pages[end].same_version && !pages[pick].same_version)
                pick = end;
            end++;
        }
        if (pages[i].item.page_no != expected) {
            note_lob_cut(value, "the scan found no page %u of it", expected);
            break;
        }
        list->push_back(EXTENT_LIST_ITEM{pages[pick].item.start_rdba, 1, 0});
        expected++;
        i = end;
    }
    // With the inode's size the pages missing at the end are known too.
    if (inode != nullptr && !pages.empty() && (value == nullptr || !value->cut) &&
        expected < (ub8)inode->blocks + (inode->bytes > 0 ? 1 : 0))
        note_lob_cut(value, "the scan found no page %u of it", expected);
    return (ub4)list->size();
}

ub4 get_blob_end_offset(const ub1* data, ub4 length)
{
    ub4 end = length;
    while (end > 0 && data[end - 1] == 0)
        end--;
    // A few trailing zeros are taken as the value's own.
    if (length - end < TRIM_BLOB_MIN_BYTES)
        return length;
    return end;
}

ub4 get_clob_end_offset(const ub1* data, ub4 length, int two_byte)
{
    // Past the text a page holds spaces, or the zeros of never-written
    // bytes; a CLOB's text holds no zero.
    if (!two_byte) {
        ub4 end = length;
        while (end > 0 && (data[end - 1] == ' ' || data[end - 1] == 0))
            end--;
        return end;
    }
    if (length < 2)
        return length;
    ub4 units = length / 2;
    ub4 end = units;
    while (end > 0 && is_space_unit(data + 2 * (end - 1)))
        end--;
    if (end == 0)
        return 0;
    // A trailing odd byte stays with the last unit.
    return end == units && (length & 1) ? length : 2 * end;
}

void trim_scanned_lob_chunks(LOB_CHUNK_LIST* list, ub4 ts_no, const COLUMN* column, PLOB_INODE inode,
                             int two_byte)
{
    bool found = false;
    ub1 block[BLOCK_MAX_SIZE];
    while (!list->empty() && !found) {
        EXTENT_LIST_ITEM& item = list->back();
        ub4 file_no = rdba_file_no(item.start_rdba, ts_no);
        PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)file_no);
        if (file == nullptr || file->block_size < (int)BLOCK_MIN_SIZE || file->block_size > (int)BLOCK_MAX_SIZE) {
            list->pop_back();
            continue;
        }
        ub4 block_size = (ub4)file->block_size;
        while (item.length > 0) {
            ub4 block_no = rdba_block_no(item.start_rdba, ts_no) + item.length - 1;
            ub4 rdba = file->big_file ? block_no : file_block_rdba(file_no, block_no);
            BLOCK_HEADER header;
            if (read_blocks(file, block_no, 1, block, rdba) != 1)
                break;
            get_block_header(block, &header, block_size);
            ub4 per_block = block_size - LOB_BLOCK_OVERHEAD;
            if (header.block_type == BT_LOB_DATA || header.block_type == BT_MLOB_DATA) {
                const ub1* data = block + LOB_DATA_OFFSET;
                ub4 end = column->ora_type == ORA_CLOB ? get_clob_end_offset(data, per_block, two_byte)
                                                       : get_blob_end_offset(data, per_block);
                if (end > 0) {
                    inode->bytes = (ub2)(end < per_block ? end : per_block);
                    found = true;
                    break;
                }
            }
            item.length--;
        }
        if (!found)
            list->pop_back();
    }
    ub8 total = 0;
    for (const EXTENT_LIST_ITEM& item : *list)
        total += item.length;
    inode->blocks = total > 0 ? (ub4)(total - 1) : 0;
    if (total == 0)
        inode->bytes = 0;
}
