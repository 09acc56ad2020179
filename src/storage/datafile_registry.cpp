#include "storage/datafile_registry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "blocks/file_header.h"
#include "storage/asm_access.h"
#include "storage/block_reader.h"

PDATAFILE_ITEM datafile_list = nullptr;
ZEM_HASH_TABLE datafile_fn_hash_table;
ZEM_HASH_TABLE datafile_rfn_hash_table;

namespace {

ub4 datafile_fn_hash(const void* data)
{
    return (ub4)((const DATAFILE_ITEM*)data)->file_no;
}

ub4 datafile_rfn_hash(const void* data)
{
    const DATAFILE_ITEM* item = (const DATAFILE_ITEM*)data;
    return calc_ts_rfn_hash((ub4)item->ts_no, (ub4)item->rfile_no);
}

// The header is believed only when block 1 is a file header of a known
// format whose tail agrees with its head.
bool is_recognised_file_header(const BLOCK_HEADER* header)
{
    return header->block_type == BT_FILE_HEADER && is_valid_block_format(header->block_format) &&
           block_tail_match(header);
}

int attach_asm(PDATAFILE_ITEM item)
{
    item->is_asm = 1;
    int rc = attach_asm_datafile(item);
    if (rc == ASMDF_OK)
        return 0;
    detach_asm_datafile(item);
    if (rc == ASMDF_NO_FILE_INFO)
        sp_printf("can not get asm file information for file %s.\n", item->file_name);
    else if (rc == ASMDF_NO_EXTENT_MAP)
        sp_printf("can not get asm file extent map for file %s.\n", item->file_name);
    else {
        sp_printf("can not found diskgroup for file %s.\n", item->file_name);
        rc = ASMDF_NO_DISKGROUP;
    }
    return rc;
}

void apply_file_header(PDATAFILE_ITEM item, const DATAFILE_HEADER* header, ub1 block_fmt)
{
    if (header->file_size != 0)
        item->blocks = header->file_size;
    if (header->file_no != 0)
        item->file_no = header->file_no;
    if (header->relative_fn != 0)
        item->rfile_no = (int)header->relative_fn;
    if (header->tbs_no != 0 || item->ts_no == 0)
        item->ts_no = (int)header->tbs_no;
    item->root_dba = header->root_dba;
    item->block_fmt = block_fmt;
    item->big_file = (ub4)item->rfile_no == BIG_FILE_RFN ? 1 : 0;
    item->status = DFIS_VALID;
}

} // namespace

void init_datafile_list()
{
    datafile_list = nullptr;
    init_zem_hash_table(&datafile_fn_hash_table, "DATAFILE_FN", DATAFILE_FN_BUCKET_CNT, datafile_fn_hash);
    init_zem_hash_table(&datafile_rfn_hash_table, "DATAFILE_RFN", DATAFILE_RFN_BUCKET_CNT, datafile_rfn_hash);
}

void close_datafile_item(PDATAFILE_ITEM item)
{
    if (item->fp != nullptr) {
        fclose(item->fp);
        item->fp = nullptr;
    }
    detach_asm_datafile(item);
}

void release_datafile_list()
{
    release_zem_hash_table(&datafile_fn_hash_table);
    release_zem_hash_table(&datafile_rfn_hash_table);
    PDATAFILE_ITEM item = datafile_list;
    while (item != nullptr) {
        PDATAFILE_ITEM next = item->next;
        close_datafile_item(item);
        free(item);
        item = next;
    }
    datafile_list = nullptr;
}

ub4 get_datafile_block_rdba(const DATAFILE_ITEM* item, ub4 block_no)
{
    return item->big_file ? block_no : file_block_rdba((ub4)item->rfile_no, block_no);
}

int fill_datafile_item(PDATAFILE_ITEM item)
{
    if (item->file_name[0] == '+') {
        int rc = attach_asm(item);
        if (rc != 0)
            return rc;
    } else {
        item->fp = fopen(item->file_name, "rb");
        if (item->fp == nullptr) {
            sp_printf("can not open file %s!error message:%s.\n", item->file_name, strerror(errno));
            return -1;
        }
    }

    ub4 block_size = (ub4)item->block_size;
    ub1* buffer = (ub1*)calloc(1, block_size);
    if (buffer == nullptr || read_blocks(item, 1, 1, buffer, get_datafile_block_rdba(item, 1)) != 1) {
        free(buffer);
        close_datafile_item(item);
        return -2;
    }
    BLOCK_HEADER block_header;
    get_block_header(buffer, &block_header, block_size);
    if (is_recognised_file_header(&block_header)) {
        DATAFILE_HEADER header;
        get_datafile_header(buffer, &header, &block_header, block_size);
        apply_file_header(item, &header, block_header.block_format);
    } else {
        item->status = DFIS_INVALID_HEADER;
        sp_printf("unknown file format '%s'\n", item->file_name);
    }
    free(buffer);
    return 0;
}

PDATAFILE_ITEM get_datafile_item_fn(int file_no)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&datafile_fn_hash_table, (ub4)file_no);
    if (bucket == nullptr)
        return nullptr;
    for (PZEM_LIST_ITEM li = bucket->data_list.header; li != nullptr; li = li->next) {
        PDATAFILE_ITEM item = (PDATAFILE_ITEM)li->data;
        if (item->file_no == file_no)
            return item;
    }
    return nullptr;
}

PDATAFILE_ITEM get_datafile_item_rfn(int ts_no, int rfile_no)
{
    if (is_bigfile_ts((ub4)ts_no))
        rfile_no = (int)BIG_FILE_RFN;
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&datafile_rfn_hash_table, calc_ts_rfn_hash((ub4)ts_no, (ub4)rfile_no));
    if (bucket == nullptr)
        return nullptr;
    for (PZEM_LIST_ITEM li = bucket->data_list.header; li != nullptr; li = li->next) {
        PDATAFILE_ITEM item = (PDATAFILE_ITEM)li->data;
        if (item->ts_no == ts_no && (item->rfile_no == rfile_no || item->big_file))
            return item;
    }
    return nullptr;
}

void show_datafile_list_info(PDATAFILE_ITEM first)
{
    sp_printf(" ts#   fn  rfn bsize   blocks bf offset filename\n");
    sp_printf("---- ---- ---- ----- -------- -- ------ --------------------------------------------\n");
    for (PDATAFILE_ITEM item = first; item != nullptr; item = item->next)
        sp_printf("%4u %4u %4u %5u %8u %c  %6u %s\n", (ub4)item->ts_no, (ub4)item->file_no, (ub4)item->rfile_no,
                  (ub4)item->block_size, item->blocks, item->big_file ? 'Y' : 'N', item->header_offset,
                  item->file_name);
}

void reopen_data_files()
{
    for (PDATAFILE_ITEM item = datafile_list; item != nullptr; item = item->next) {
        if (item->fp == nullptr)
            continue;
        fclose(item->fp);
        item->fp = fopen(item->file_name, "rb");
        if (item->fp == nullptr)
            sp_printf("can not open file %s!error message:%s.\n", item->file_name, strerror(errno));
    }
}
