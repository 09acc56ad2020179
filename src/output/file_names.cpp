#include "output/file_names.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "output/output_file.h"

char* transform_table_filename(char* name)
{
    for (unsigned char* p = (unsigned char*)name; *p; p++) {
        if (*p >= 128)
            continue;
        bool keep = (*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || *p == '.' ||
                    *p == '_';
        if (!keep)
            *p = '_';
    }
    return name;
}

void get_table_file_name(char* out, size_t size, const char* schema, const char* table, const char* partition,
                         const char* extension)
{
    bool has_schema = schema != nullptr && schema[0] != '\0';
    bool has_part = partition != nullptr && partition[0] != '\0';
    if (has_schema && has_part)
        snprintf(out, size, "%s_%s_%s.%s", schema, table, partition, extension);
    else if (has_schema)
        snprintf(out, size, "%s_%s.%s", schema, table, extension);
    else if (has_part)
        snprintf(out, size, "%s_%s.%s", table, partition, extension);
    else
        snprintf(out, size, "%s.%s", table, extension);
    transform_table_filename(out);
}

int create_directory(const char* path)
{
    if (mkdir(path, 0770) == 0)
        return 1;
    int err = errno;
    // Something already there must be a directory to be of use.
    struct stat there;
    if (err == EEXIST && stat(path, &there) == 0 && S_ISDIR(there.st_mode))
        return 1;
    sp_printf("Can not create directory:%s\n", path);
    errno = err; // for a caller that reports the reason
    return 0;
}

int create_data_directory()
{
    const char* path = config_data.data_path;
    size_t length = strlen(path);
    // data_path is a prefix of the file names: its directory is what comes
    // before the last path delimiter.
    int error = length > 0 && path[length - 1] == file_path_delimiter ? make_directory_path(path)
                                                                       : make_parent_directories(path);
    if (error == 0)
        return 1;
    sp_printf("Can not create directory:%s, error message:%s.\n", path, strerror(error));
    return 0;
}

namespace {

const char* lob_root()
{
    return config_data.lob_path[0] != '\0' ? config_data.lob_path : config_data.data_path;
}

} // namespace

int create_lob_file_dir(PCOLUMN column)
{
    char path[2 * FILENAME_MAXLEN + 16];
    column->lob.lob_dir_created = 0;
    if (column->lob.dir_ind == 1) {
        snprintf(path, sizeof(path), "%slob%05u_%04u", lob_root(), column->lob_storage.lob_obj_id,
                 (ub4)column->col_no);
        // The LOB root may lie under a data directory not made yet: the
        // column directory's missing parents are made as "mkdir -p" would.
        int error = make_parent_directories(path);
        if (error != 0) {
            sp_printf("Can not create directory:%s\n", path);
            sp_printf("error message:%s.\n", strerror(error));
            return 0;
        }
        if (!create_directory(path))
            sp_printf("error message:%s.\n", strerror(errno));
    }
    snprintf(path, sizeof(path), "%s%s", lob_root(), column->lob.lob_dir_name);
    column->lob.lob_dir_created = (ub1)create_directory(path);
    if (!column->lob.lob_dir_created)
        sp_printf("error message:%s.\n", strerror(errno));
    return column->lob.lob_dir_created;
}

int get_lob_file_name(PCOLUMN column, ub4 n, char* full, size_t full_size, char* name, size_t name_size)
{
    ub8 per_dir = config_data.lob_switch_dir_rows ? config_data.lob_switch_dir_rows : DEFAULT_LOB_SWITCH_DIR_ROWS;
    // Values 1..N go to subdirectory 1, N+1..2N to 2, and so on.
    if (n % per_dir == 1 || column->lob.dir_ind == 0) {
        column->lob.dir_ind = (ub4)(n / per_dir + 1);
        snprintf(column->lob.lob_dir_name, sizeof(column->lob.lob_dir_name), "lob%05u_%04u%c%04u",
                 column->lob_storage.lob_obj_id, (ub4)column->col_no, file_path_delimiter, column->lob.dir_ind);
        create_lob_file_dir(column);
    }
    if (!column->lob.lob_dir_created)
        return 0;
    if (config_data.lob_path[0] != '\0') {
        snprintf(name, name_size, "%s%s%clob%05u_%010u.dat", config_data.lob_path, column->lob.lob_dir_name,
                 file_path_delimiter, column->lob_storage.lob_obj_id, n);
        copy_str(full, full_size, name);
    } else {
        snprintf(name, name_size, "%s%clob%05u_%010u.dat", column->lob.lob_dir_name, file_path_delimiter,
                 column->lob_storage.lob_obj_id, n);
        snprintf(full, full_size, "%s%s", config_data.data_path, name);
    }
    return 1;
}
