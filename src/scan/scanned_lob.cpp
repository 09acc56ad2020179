#include "scan/scanned_lob.h"

#include <cstdlib>

#include "base/file_loader.h"
#include "scan/scanned_extent.h"

ZEM_HASH_TABLE dict_lobind_hash_table;
ZEM_HASH_TABLE dict_lobpage_hash_table;

const char scan_lobind_filename[] = "lobind.zem";
const char scan_lobpage_filename[] = "lobpage.zem";

namespace {

ub4 calc_lobind_hash(const void* data)
{
    return data == nullptr ? 0 : ((const DICT_LOBIND*)data)->lob_id3;
}

ub4 calc_lobpage_hash(const void* data)
{
    return data == nullptr ? 0 : ((const DICT_LOBPAGE*)data)->lob_id3;
}

// Both records are arrays of ub4 in file-column order.
template <typename RECORD>
void* convert_ub4_fields(SMALL_LINE_ARRAY fields, int count)
{
    constexpr int want = (int)(sizeof(RECORD) / sizeof(ub4));
    if (count < want)
        return nullptr;
    ub4* r = (ub4*)malloc(sizeof(RECORD));
    if (r == nullptr)
        return nullptr;
    for (int i = 0; i < want; i++)
        r[i] = (ub4)strtoul(fields[i], nullptr, 10);
    return r;
}

template <typename RECORD>
int add_copy(PZEM_HASH_TABLE table, const RECORD* record)
{
    RECORD* copy = (RECORD*)malloc(sizeof(RECORD));
    if (copy == nullptr)
        return FALSE;
    *copy = *record;
    add_hash_item_data(table, copy, 1);
    return TRUE;
}

} // namespace

void* convert_row_to_dict_lobind(SMALL_LINE_ARRAY fields, int count)
{
    return convert_ub4_fields<DICT_LOBIND>(fields, count);
}

void* convert_row_to_dict_lobpage(SMALL_LINE_ARRAY fields, int count)
{
    return convert_ub4_fields<DICT_LOBPAGE>(fields, count);
}

void init_scanned_lob_tables()
{
    init_zem_hash_table(&dict_lobind_hash_table, "SCANNED_LOBIND", SCANNED_HASH_BUCKET_CNT, calc_lobind_hash);
    init_zem_hash_table(&dict_lobpage_hash_table, "SCANNED_LOBPAGE", SCANNED_HASH_BUCKET_CNT, calc_lobpage_hash);
}

void release_scanned_lob_tables()
{
    release_zem_hash_table(&dict_lobind_hash_table);
    release_zem_hash_table(&dict_lobpage_hash_table);
}

void load_scanned_lob_tables()
{
    release_scanned_lob_tables();
    load_file_to_hash_table(scan_lobind_filename, &dict_lobind_hash_table, convert_row_to_dict_lobind);
    load_file_to_hash_table(scan_lobpage_filename, &dict_lobpage_hash_table, convert_row_to_dict_lobpage);
}

int add_dict_lobind(const DICT_LOBIND* entry)
{
    if (dict_lobind_hash_table.hash_func == nullptr)
        init_scanned_lob_tables();
    return add_copy(&dict_lobind_hash_table, entry);
}

int add_dict_lobpage(const DICT_LOBPAGE* page)
{
    if (dict_lobpage_hash_table.hash_func == nullptr)
        init_scanned_lob_tables();
    return add_copy(&dict_lobpage_hash_table, page);
}
