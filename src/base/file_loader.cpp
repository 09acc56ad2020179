#include "base/file_loader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "base/config.h"
#include "base/printer.h"

FILE* open_text_file(const char* filename)
{
    FILE* fp = fopen(filename, "r");
    if (fp == nullptr)
        return nullptr;
    struct stat st;
    if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) {
        fclose(fp);
        errno = EINVAL;
        return nullptr;
    }
    return fp;
}

namespace {

// A missing cache or result file is normal (nothing built yet); one that is
// not a regular file is worth a word.
void report_refused_file(const char* filename)
{
    if (errno == EINVAL)
        sp_printf("can not open file '%s', error message:%s.\n", filename, strerror(errno));
}

int init_grid_row(PGRID_ITEM row, ub4 columns, SMALL_LINE_ARRAY fields, int n)
{
    row->data = (char**)calloc(columns ? columns : 1, sizeof(char*));
    if (row->data == nullptr)
        return FALSE;
    row->cols = columns;
    for (ub4 i = 0; i < columns; i++) {
        row->data[i] = strdup((int)i < n ? fields[i] : "");
        if (row->data[i] == nullptr) {
            free_grid_item(row);
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

void load_file_to_hash_table(const char* filename, PZEM_HASH_TABLE table, CONVERT_LINE_FUNC convert)
{
    FILE* fp = open_text_file(filename);
    if (fp == nullptr) {
        report_refused_file(filename);
        return;
    }
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
    FILE* fp = open_text_file(filename);
    if (fp == nullptr) {
        report_refused_file(filename);
        return;
    }
    char line[LINE_MAX_SIZE];
    static SMALL_LINE_ARRAY fields;
    while (fgets(line, sizeof(line), fp) != nullptr) {
        int n = split_line_delimiter_small(fields, line, ",");
        if (n < 1)
            continue;
        PGRID_ITEM row = (PGRID_ITEM)calloc(1, sizeof(GRID_ITEM));
        if (row == nullptr || !init_grid_row(row, columns, fields, n)) {
            free(row);
            break; // out of memory: keep what was read
        }
        add_zem_list_item(list, row);
    }
    fclose(fp);
}
