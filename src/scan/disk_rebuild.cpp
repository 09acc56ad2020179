// The rebuilt files of a disk scan: created on their first block (never over
// a datafile, an ASM disk, or without force an existing file), written with
// pwrite at block n x block size, closed and reported at the end.

#include "scan/disk_rebuild.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "base/fd_io.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "blocks/file_header.h"
#include "output/file_names.h"
#include "storage/evidence_file.h"

namespace {

// The directory part of the prefix ("out/" of "out/"), made once.
void make_extract_directory(PDISK_SCAN_FILE_TABLE table)
{
    if (table->directory_made)
        return;
    table->directory_made = 1;
    const char* slash = strrchr(table->path_prefix, '/');
    if (slash == nullptr || slash == table->path_prefix)
        return;
    std::string dir(table->path_prefix, (size_t)(slash - table->path_prefix));
    struct stat st;
    if (stat(dir.c_str(), &st) != 0)
        create_directory(dir.c_str());
}

// Opens the file of `rfile` on its first block. An existing file is replaced
// only when asked to, and a datafile or ASM disk never.
bool create_scan_file(PDISK_SCAN_FILE_TABLE table, ub4 rfile)
{
    PDISK_SCAN_FILE file = &table->files[rfile - 1];
    char name[PATH_FIELD_LEN + 16];
    get_scan_file_name(table, rfile, name, sizeof(name));
    file->file_state = DSFS_CREATE_FAILED;
    if (is_evidence_file(name)) {
        sp_printf("can not overwrite datafile '%s'.\n", name);
        return false;
    }
    make_extract_directory(table);
    int flags = O_RDWR | O_CREAT | (table->overwrite ? O_TRUNC : O_EXCL);
    int fd = open(name, flags, 0644);
    if (fd < 0 && errno == EEXIST) {
        sp_printf("file '%s' exists. you can not overwrite it.\n", name);
        return false;
    }
    FILE* fp = fd < 0 ? nullptr : fdopen(fd, "r+b");
    if (fp == nullptr) {
        sp_printf("can not open file '%s' for writing, error message:%s.\n", name, strerror(errno));
        if (fd >= 0)
            close(fd);
        return false;
    }
    file->fp = fp;
    file->file_state = DSFS_CREATED;
    return true;
}

// Joins the block to the pending run when it continues it in the file and in
// the buffer; otherwise writes the run and starts a new one.
void queue_block(PDISK_SCAN_FILE_TABLE table, ub4 rfile, ub4 block_no, const ub1* block)
{
    if (table->pending_count != 0 && rfile == table->pending_rfile &&
        block_no == table->pending_block + table->pending_count &&
        block == table->pending_data + (size_t)table->pending_count * table->block_size) {
        table->pending_count++;
        return;
    }
    flush_scan_file_writes(table);
    table->pending_rfile = rfile;
    table->pending_block = block_no;
    table->pending_data = block;
    table->pending_count = 1;
}

bool is_newer_copy(const DISK_SCAN_BLOCK* slot, const BLOCK_HEADER* header)
{
    return header->scn_wrap > slot->scn_wrap ||
           (header->scn_wrap == slot->scn_wrap && header->scn_base > slot->scn_base);
}

void note_file_header(PDISK_SCAN_FILE_TABLE table, ub4 rfile, const ub1* block, const BLOCK_HEADER* block_header)
{
    DATAFILE_HEADER dfh;
    get_datafile_header(block, &dfh, block_header, table->block_size);
    if (dfh.file_size == 0)
        return;
    PDISK_SCAN_FILE file = &table->files[rfile - 1];
    file->blocks = dfh.file_size;
    file->block_format = block_header->block_format;
    sp_printf("found file header, file_no=%u, header's file_no=%u,blocks=%u,block_size=%u\n", rfile,
              dfh.relative_fn, dfh.file_size, dfh.block_size);
}

} // namespace

PDISK_SCAN_BLOCK find_scan_block(const DISK_SCAN_FILE* file, ub4 block_no)
{
    if (file->block_list == nullptr || block_no < 1 || block_no > MAX_DISK_SCAN_BLOCKS)
        return nullptr;
    PDISK_SCAN_BLOCK chunk = file->block_list[(block_no - 1) / SCAN_BLOCK_LIST_ITEM_COUNT];
    return chunk == nullptr ? nullptr : &chunk[(block_no - 1) % SCAN_BLOCK_LIST_ITEM_COUNT];
}

int write_scan_file_bytes(PDISK_SCAN_FILE_TABLE table, ub4 rfile, ub4 block_no, const ub1* data, size_t length)
{
    PDISK_SCAN_FILE file = &table->files[rfile - 1];
    ub8 offset = (ub8)block_no * table->block_size;
    int error = pwrite_all(fileno(file->fp), data, length, (off_t)offset);
    if (error != 0) {
        char name[PATH_FIELD_LEN + 16];
        get_scan_file_name(table, rfile, name, sizeof(name));
        std::string detail = std::string("'") + name + "' block# " + std::to_string(block_no) + ": " + strerror(error);
        sp_printf("writing file error %s\n", detail.c_str());
        file->file_state = DSFS_WRITE_FAILED;
        return FALSE;
    }
    return TRUE;
}

PDISK_SCAN_FILE_TABLE init_scan_file_list(ub4 block_size, const char* path_prefix, int overwrite)
{
    PDISK_SCAN_FILE_TABLE table = (PDISK_SCAN_FILE_TABLE)calloc(1, sizeof(DISK_SCAN_FILE_TABLE));
    if (table == nullptr)
        return nullptr;
    table->blank_buffer = (ub1*)calloc(SCAN_BLANK_BATCH, block_size);
    if (table->blank_buffer == nullptr) {
        free(table);
        return nullptr;
    }
    table->block_size = block_size;
    table->max_blocks = MAX_DISK_SCAN_BLOCKS;
    table->overwrite = overwrite;
    table->trace_level = config_data.trace_level;
    copy_str(table->path_prefix, sizeof(table->path_prefix), path_prefix);
    return table;
}

void close_scan_files(PDISK_SCAN_FILE_TABLE table)
{
    for (ub4 i = 0; i < MAX_DISK_SCAN_FILES; i++) {
        PDISK_SCAN_FILE file = &table->files[i];
        if (file->fp == nullptr)
            continue;
        if (fclose(file->fp) != 0 && file->file_state == DSFS_CREATED) {
            char name[PATH_FIELD_LEN + 16];
            get_scan_file_name(table, i + 1, name, sizeof(name));
            sp_printf("can not close file '%s', error message:%s.\n", name, strerror(errno));
            file->file_state = DSFS_WRITE_FAILED;
        }
        file->fp = nullptr;
    }
}

void show_scan_files(const DISK_SCAN_FILE_TABLE* table)
{
    for (ub4 i = 0; i < MAX_DISK_SCAN_FILES; i++) {
        const DISK_SCAN_FILE* file = &table->files[i];
        if (file->file_state == DSFS_NOT_CREATE)
            continue;
        char name[PATH_FIELD_LEN + 16];
        get_scan_file_name(table, i + 1, name, sizeof(name));
        if (file->file_state == DSFS_CREATED)
            sp_printf("datafile '%s' rebuilt: %u blocks found, %u newer copies, %u blank blocks.\n", name,
                      file->blocks_found, file->newer_copies, file->blank_blocks);
        else if (file->file_state == DSFS_WRITE_FAILED)
            sp_printf("datafile '%s' is incomplete: it could not be written.\n", name);
        else
            sp_printf("datafile '%s' not rebuilt.\n", name);
    }
}

void release_scan_file_list(PDISK_SCAN_FILE_TABLE table)
{
    if (table == nullptr)
        return;
    close_scan_files(table);
    for (ub4 i = 0; i < MAX_DISK_SCAN_FILES; i++) {
        PDISK_SCAN_FILE file = &table->files[i];
        if (file->block_list != nullptr)
            for (ub4 c = 0; c < SCAN_BLOCK_LIST_COUNT; c++)
                free(file->block_list[c]);
        free(file->block_list);
        file->block_list = nullptr;
    }
    free(table->blank_buffer);
    free(table);
}

void get_scan_file_name(const DISK_SCAN_FILE_TABLE* table, ub4 rfile, char* name, size_t size)
{
    snprintf(name, size, "%s%u.dbf", table->path_prefix, rfile);
}

int copy_block_to_file(PDISK_SCAN_FILE_TABLE table, ub4 rfile, ub4 block_no, const ub1* block,
                       const ub1* preceding, const BLOCK_HEADER* block_header)
{
    if (rfile < 1 || rfile > MAX_DISK_SCAN_FILES || block_no < 1 || block_no > MAX_DISK_SCAN_BLOCKS) {
        sp_printf("warning: copy_block_to_file: invalid file# or block#, file#=%u,block#=%u\n", rfile, block_no);
        return 0;
    }
    PDISK_SCAN_FILE file = &table->files[rfile - 1];
    if (file->file_state == DSFS_NOT_CREATE && !create_scan_file(table, rfile))
        return 0;
    if (file->file_state != DSFS_CREATED)
        return 0;
    if (file->block_list == nullptr) {
        file->block_list = (PDISK_SCAN_BLOCK*)calloc(SCAN_BLOCK_LIST_COUNT, sizeof(PDISK_SCAN_BLOCK));
        if (file->block_list == nullptr)
            return 0;
    }
    PDISK_SCAN_BLOCK* chunk = &file->block_list[(block_no - 1) / SCAN_BLOCK_LIST_ITEM_COUNT];
    if (*chunk == nullptr) {
        *chunk = (PDISK_SCAN_BLOCK)calloc(SCAN_BLOCK_LIST_ITEM_COUNT, sizeof(DISK_SCAN_BLOCK));
        if (*chunk == nullptr)
            return 0;
    }
    PDISK_SCAN_BLOCK slot = &(*chunk)[(block_no - 1) % SCAN_BLOCK_LIST_ITEM_COUNT];
    bool replacing = slot->has_block != 0;
    if (replacing && !is_newer_copy(slot, block_header))
        return 0;
    if (replacing && table->trace_level > 3)
        sp_printf("found newer block, file_no: %u, block_no: %u\n", rfile, block_no);
    if (block_no == 1)
        note_file_header(table, rfile, block, block_header);
    queue_block(table, rfile, block_no, block);
    if (block_no == 1 && preceding != nullptr && !write_scan_file_bytes(table, rfile, 0, preceding, table->block_size))
        return 0;
    slot->scn_base = block_header->scn_base;
    slot->scn_wrap = block_header->scn_wrap;
    slot->has_block = 1;
    if (replacing)
        file->newer_copies++;
    else
        file->blocks_found++;
    return 1;
}

int flush_scan_file_writes(PDISK_SCAN_FILE_TABLE table)
{
    ub4 count = table->pending_count;
    table->pending_count = 0;
    if (count == 0 || table->files[table->pending_rfile - 1].file_state != DSFS_CREATED)
        return TRUE;
    return write_scan_file_bytes(table, table->pending_rfile, table->pending_block, table->pending_data,
                                 (size_t)count * table->block_size)
               ? TRUE
               : FALSE;
}
