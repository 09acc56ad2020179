#include "base/file_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/config.h"

void load_file_to_hash_table(const char* filename, PZEM_HASH_TABLE table, CONVERT_LINE_FUNC convert)
{
    FILE* fp = fopen(filename, "r");
    if (fp == nullptr)
        return;
    char line[LINE_MAX_SIZE];
    static SMALL_LINE_ARRAY fields;
    while (fgets(line, sizeof(line), fp) != nullptr) {
        int n = split_line_delimiter_small(fields, line, ",");
        if (n < 1)
            continue;
        void* record = convert(fields, n);
        if (record != nullptr)
            add_hash_item_data(table, record, 1);
    }
    fclose(fp);
    if (config_data.trace_config.build_hash_table > 3)
        print_hash_table_info(table);
}

void free_grid_item(void* data)
{
    PGRID_ITEM row = (PGRID_ITEM)data;
    for (ub4 i = 0; i < row->cols; i++)
        free(row->data[i]);
    free(row->data);
}

void load_file_to_rows(const char* filename, PZEM_LIST list, ub4 columns)
{
    init_zem_list(list, free_grid_item);
    FILE* fp = fopen(filename, "r");
    if (fp == nullptr)
        return;
    char line[LINE_MAX_SIZE];
    static SMALL_LINE_ARRAY fields;
    while (fgets(line, sizeof(line), fp) != nullptr) {
        int n = split_line_delimiter_small(fields, line, ",");
        if (n < 1)
            continue;
        PGRID_ITEM row = (PGRID_ITEM)calloc(1, sizeof(GRID_ITEM));
        row->cols = columns;
        row->data = (char**)calloc(columns ? columns : 1, sizeof(char*));
        for (ub4 i = 0; i < columns; i++)
            row->data[i] = strdup((int)i < n ? fields[i] : "");
        add_zem_list_item(list, row);
    }
    fclose(fp);
}
