#include "dict/bootstrap.h"

#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "blocks/block_header.h"
#include "blocks/compat_segment.h"
#include "engine/unload_engine.h"
#include "storage/block_reader.h"
#include "unload/unload_report.h"

// The SYSTEM tablespace is always tablespace 0.
const ub4 system_ts_no = 0;

namespace {

// Compatibility segment (before 10g): entries follow the header, each
//   +0 ub2 entry length, +2 8-character name, last 4 bytes: ub4 segment rdba.
ub4 find_bootstrp_entry(const ub1* block, ub4 block_size)
{
    COMPATBLOCK_HEADER header;
    if (!get_compatblock_header(block, &header, block_size))
        return 0;
    if (config_data.trace_level > 2)
        sp_printf("get_bootstrap_dba: compat header size:%u\n", header.size);
    ub4 offset = get_compat_first_entry_offset(&header);
    for (ub4 i = 0; i < header.entries; i++) {
        COMPAT_ENTRY entry;
        if (!get_compat_entry(block, offset, &entry, block_size))
            return 0;
        ub4 end = offset + entry.size;
        if (entry.size < 2 + COMPAT_ENTRY_NAME_LEN + 4 || end > block_size - 4)
            return 0;
        if (memcmp(entry.name, "BOOTSTRP", COMPAT_ENTRY_NAME_LEN) == 0)
            return get_ub4(block, end - 4);
        offset = end;
    }
    return 0;
}

const char* row_text(const ROW_DATA* row, int index)
{
    int i = 0;
    for (PZEM_LIST_ITEM item = row->col_data.header; item != nullptr; item = item->next, i++) {
        const COL_DATA* value = (const COL_DATA*)item->data;
        if (i == index || (index < 0 && item->next == nullptr))
            return value->is_null || value->common_data.str_data == nullptr ? "" : value->common_data.str_data;
    }
    return nullptr;
}

const char* last_occurrence(const char* text, const char* word)
{
    const char* found = nullptr;
    for (const char* p = strstr(text, word); p != nullptr; p = strstr(p + 1, word))
        found = p;
    return found;
}

} // namespace

ub4 get_bootstrap_rdba()
{
    PDATAFILE_ITEM first = datafile_list;
    if (first == nullptr) {
        sp_printf("no datafile list,please rerun loadctl commmand.\n");
        return 0;
    }
    if (first->status != DFIS_VALID) {
        sp_printf("file '%s' has not valid file header or block format\n", first->file_name);
        return 0;
    }
    if (is_above10g_block(first->block_fmt) || first->root_dba == 0)
        return first->root_dba;

    ub4 rfile = rdba_file_no(first->root_dba, (ub4)first->ts_no);
    ub4 block_no = rdba_block_no(first->root_dba, (ub4)first->ts_no);
    PDATAFILE_ITEM item = get_datafile_item_rfn((int)system_ts_no, (int)rfile);
    if (item == nullptr) {
        sp_printf("can not find file which file no is %u\n", rfile);
        return 0;
    }
    if (item->block_size <= 0)
        return 0;
    ub4 block_size = (ub4)item->block_size;
    ub1* block = (ub1*)malloc(block_size);
    if (block == nullptr)
        return 0;
    ub4 result = 0;
    BLOCK_HEADER header;
    if (read_buffered_block(item, block_no, block, get_datafile_block_rdba(item, block_no)) == 1 &&
        get_block_header(block, &header, block_size)) {
        if (header.block_type != BT_COMPAT_SEG)
            sp_printf("rdba 0x%08x is not a COMPAT SEG\n", first->root_dba);
        else
            result = find_bootstrp_entry(block, block_size);
    }
    free(block);
    return result;
}

void unload_bootstrap(ub4 rdba, PZEM_LIST rows)
{
    TABLE table;
    init_table(&table, "BOOTSTRAP$", 3, 0, 0);
    init_column(&table.cols[0], "LINE#", ORA_NUMBER, 1);
    init_column(&table.cols[1], "OBJ#", ORA_NUMBER, 1);
    init_column(&table.cols[2], "SQL_TEXT", ORA_VARCHAR2, 1);
    table.ts_no = system_ts_no;
    UNLOAD_PARAMS params;
    memset(&params, 0, sizeof(params));
    strcpy(params.delimiter, ",");
    params.max_col_cnt = MAX_COL_CNT;
    params.unload_mode = UM_NORMAL;
    params.table = &table;
    params.data_list = rows;
    UNLOAD_CALLBACKS callbacks = {unload_data_to_list, nullptr, nullptr, nullptr};
    table.file_no = rdba_file_no(rdba, table.ts_no);
    table.block_no = rdba_block_no(rdba, table.ts_no);
    unload_segment(rdba, &params, &callbacks);
    // Rows of BOOTSTRAP$ that could not be read leave dictionary tables unfound.
    show_segment_error(&table);
    show_unload_damage(table.name, nullptr, &table.damage);
    release_table(&table, 0);
}

const char* search_str_number(const char* text, ub8* value)
{
    while (*text && !(*text >= '0' && *text <= '9'))
        text++;
    if (*text == '\0')
        return nullptr;
    ub8 v = 0;
    int digits = 0;
    while (digits < 20 && *text >= '0' && *text <= '9') {
        v = v * 10 + (ub8)(*text - '0');
        text++;
        digits++;
    }
    *value = v;
    return text;
}

int search_bootstrap_obj(const char* prefix, const ZEM_LIST* rows, ub4* obj_no, ub4* file_no, ub4* block_no)
{
    size_t prefix_len = strlen(prefix);
    for (PZEM_LIST_ITEM item = rows->header; item != nullptr; item = item->next) {
        const ROW_DATA* row = (const ROW_DATA*)item->data;
        const char* obj_text = row_text(row, 1);
        const char* sql = row_text(row, -1);
        if (sql == nullptr || strncmp(sql, prefix, prefix_len) != 0)
            continue;
        const char* extents = last_occurrence(sql, "EXTENTS");
        const char* file = extents ? strstr(extents, "FILE ") : nullptr;
        ub8 f = 0, b = 0;
        const char* after_file = file ? search_str_number(file + 5, &f) : nullptr;
        const char* block = after_file ? strstr(after_file, "BLOCK ") : nullptr;
        if (block == nullptr || search_str_number(block + 6, &b) == nullptr)
            continue;
        *obj_no = obj_text != nullptr ? (ub4)strtoul(obj_text, nullptr, 10) : 0;
        *file_no = (ub4)f;
        *block_no = (ub4)b;
        return 1;
    }
    return 0;
}
