// The registry's and readers' view of ASM-resident datafiles, in terms of the
// ASM file functions.

#include "storage/asm_access.h"

#include "base/printer.h"
#include "storage/asm_datafile.h"
#include "storage/asm_disk_list.h"
#include "storage/datafile_registry.h"

int attach_asm_datafile(PDATAFILE_ITEM item)
{
    PKFFFDB asm_file = nullptr;
    int rc = open_asm_datafile(item->file_name, (ub4)item->block_size, &asm_file);
    item->asm_file = asm_file;
    switch (rc) {
    case ASMFILE_OPEN_OK:
        return ASMDF_OK;
    case ASMFILE_NO_FILE_INFO:
        return ASMDF_NO_FILE_INFO;
    case ASMFILE_NO_EXTENT_MAP:
        return ASMDF_NO_EXTENT_MAP;
    default:
        return ASMDF_NO_DISKGROUP;
    }
}

void detach_asm_datafile(PDATAFILE_ITEM item)
{
    PKFFFDB asm_file = item->asm_file;
    close_asm_datafile(&asm_file);
    item->asm_file = nullptr;
}

ub4 read_asm_datafile_blocks(PDATAFILE_ITEM item, ub4 block_no, ub4 block_cnt, ub1* buffer)
{
    // The file's last extent usually runs past its end; stop where the file
    // does, as reads of plain files do. A size of 0 (a damaged entry) is not
    // trusted to stop anything.
    ub8 file_blocks = item->asm_file->bytes / (ub4)item->block_size;
    if (item->asm_file->bytes != 0) {
        if (block_no >= file_blocks) {
            sp_printf("has already arrived file end.\n");
            return 0;
        }
        if (block_cnt > file_blocks - block_no)
            block_cnt = (ub4)(file_blocks - block_no);
    }
    return read_asm_datafile(item->asm_file, (ub4)item->block_size, block_no, block_cnt, buffer);
}

void reload_asm_disk_list(const char* filename)
{
    load_asmdisk_file(filename != nullptr ? filename : default_asmdisk_fn);
}
