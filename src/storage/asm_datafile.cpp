#include "storage/asm_datafile.h"

#include <cstdlib>

#include "base/printer.h"

#include "storage/asm_extent_map.h"
#include "storage/asm_file_directory.h"
#include "storage/asm_name.h"
#include "storage/asm_read.h"

int open_asm_datafile(const char* file_name, ub4 block_size, PKFFFDB* asm_file)
{
    *asm_file = nullptr;
    PASM_DISKGROUP_ITEM group = nullptr;
    ub4 file_number = 0, incarnation = 0;
    parse_asmfile_name(file_name, &group, &file_number, &incarnation);
    if (group == nullptr)
        return ASMFILE_NO_DISKGROUP;
    PKFFFDB kfffdb = (PKFFFDB)calloc(1, sizeof(KFFFDB));
    if (kfffdb == nullptr)
        return ASMFILE_NO_FILE_INFO;
    get_asmfile_info(group, kfffdb, file_number, incarnation);
    if (file_number == 0 || kfffdb->file_number != file_number) {
        free(kfffdb);
        return ASMFILE_NO_FILE_INFO;
    }
    if (kfffdb->blkSize == 0)
        kfffdb->blkSize = block_size;
    if (get_asmfile_extent_map(kfffdb) == 0) {
        release_asm_file(kfffdb);
        free(kfffdb);
        return ASMFILE_NO_EXTENT_MAP;
    }
    *asm_file = kfffdb;
    return ASMFILE_OPEN_OK;
}

void close_asm_datafile(PKFFFDB* asm_file)
{
    if (*asm_file == nullptr)
        return;
    release_asm_file(*asm_file);
    free(*asm_file);
    *asm_file = nullptr;
}

ub4 read_asm_datafile(PKFFFDB asm_file, ub4 block_size, ub4 block_no, ub4 block_cnt, ub1* buffer)
{
    if (asm_file->blkSize != block_size) {
        sp_printf("asm file %u has block size %u, not %u.\n", asm_file->file_number, asm_file->blkSize, block_size);
        return 0;
    }
    ub2 count = block_cnt > UB2_MAX ? (ub2)UB2_MAX : (ub2)block_cnt;
    return read_asmfile_blocks(asm_file, block_no, count, buffer);
}
