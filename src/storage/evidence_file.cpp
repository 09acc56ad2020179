#include "storage/evidence_file.h"

#include <cstdio>
#include <sys/stat.h>

#include "base/types.h"
#include "storage/asm_disk_list.h"
#include "storage/datafile_registry.h"

namespace {

bool same_file(FILE* fp, const struct stat* target)
{
    struct stat source;
    return fp != nullptr && fstat(fileno(fp), &source) == 0 && source.st_dev == target->st_dev &&
           source.st_ino == target->st_ino;
}

} // namespace

int is_evidence_file(const char* path)
{
    struct stat target;
    if (stat(path, &target) != 0)
        return FALSE;
    for (PDATAFILE_ITEM item = datafile_list; item != nullptr; item = item->next)
        if (same_file(item->fp, &target))
            return TRUE;
    for (PZEM_LIST_ITEM node = asmdisk_list.header; node != nullptr; node = node->next)
        if (same_file(((PASMDISK_ITEM)node->data)->fp, &target))
            return TRUE;
    return FALSE;
}
