// One export dump file per table: opened with its header, DDL and
// descriptors, filled segment by segment, finished with the trailer only
// when every byte before it was written.

#include "output/dmp_output.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "dict/dict_columns.h"
#include "engine/unload_engine.h"
#include "output/file_names.h"

namespace {

constexpr size_t OUT_PATH_LEN = FILENAME_MAXLEN + 3 * 32 + 16;

// Closes the file and drops the writer. A file that failed, or that is
// `abandoned` (refused before its rows), is removed when it is a regular
// file (never a device or whatever else the name led to): no partial dump
// is left looking complete. TRUE when the file was written whole.
int close_dmp_file(PUNLOAD_PARAMS params, bool abandoned)
{
    PDMP_WRITER writer = (PDMP_WRITER)params->writer;
    struct stat st;
    bool regular = fstat(fileno(params->fp), &st) == 0 && S_ISREG(st.st_mode);
    if (!abandoned)
        flush_dmp_writer(writer);
    errno = 0;
    if (fclose(params->fp) != 0 && writer->error == 0)
        writer->error = errno != 0 ? errno : EIO;
    params->fp = nullptr;
    int ok = writer->error == 0 && !abandoned;
    if (writer->error != 0)
        sp_printf("write file %s error! error message:%s.\n", writer->path, strerror(writer->error));
    if (!ok && regular && unlink(writer->path) == 0)
        sp_printf("file %s removed: it is not a complete export dump.\n", writer->path);
    if (ok && writer->refused > 0)
        sp_printf("%llu values did not fit the export dump and were written as NULL.\n",
                  (unsigned long long)writer->refused);
    release_dmp_writer(writer);
    params->writer = nullptr;
    return ok;
}

} // namespace

int begin_unload_table_dmp(const char* schema, const char* table_name, const char* partition, PTABLE table,
                           PZEM_LIST columns, PUNLOAD_PARAMS params)
{
    char name[OUT_PATH_LEN];
    char path[2 * OUT_PATH_LEN];
    get_table_file_name(name, sizeof(name), schema, table_name, partition, "dmp");
    snprintf(path, sizeof(path), "%s%s", config_data.data_path, name);
    params->fp = fopen(path, "wb");
    if (params->fp == nullptr) {
        sp_printf("open file %s for writing data error!error message:%s.\n", path, strerror(errno));
        return 0;
    }
    PDMP_WRITER writer = init_dmp_writer(params->fp, path);
    if (writer == nullptr) {
        sp_printf("open file %s for writing data error!error message:%s.\n", path, strerror(ENOMEM));
        fclose(params->fp);
        params->fp = nullptr;
        unlink(path);
        return 0;
    }
    params->writer = writer;
    params->stop_unload = 0;
    bool ready = write_dmp_header(writer, schema);
    if (ready) {
        sort_zem_list(columns, comp_column_info_colno);
        write_dmp_sql(writer, table_name, columns);
        sort_zem_list(columns, comp_column_info_segcol);
        column_list_to_table(table, columns);
        set_columns_unloadable(table);
        ready = write_dmp_insert_sql(writer, table_name, table);
    }
    if (!ready || writer->error != 0) {
        close_dmp_file(params, true);
        return 0;
    }
    return 1;
}

void do_unload_table_dmp(PTABLE table, PUNLOAD_PARAMS params)
{
    PDMP_WRITER writer = (PDMP_WRITER)params->writer;
    if (writer == nullptr || writer->error != 0 || params->stop_unload)
        return;
    UNLOAD_CALLBACKS callbacks = {nullptr, unload_row_to_dmp, unload_col_to_dmp, nullptr};
    params->table = table;
    unload_segment(file_block_rdba(table->file_no, table->block_no), params, &callbacks);
}

int end_unload_table_dmp(PUNLOAD_PARAMS params)
{
    PDMP_WRITER writer = (PDMP_WRITER)params->writer;
    if (params->fp == nullptr || writer == nullptr)
        return 0;
    if (writer->error == 0)
        write_dmp_tail(writer);
    return close_dmp_file(params, false);
}
