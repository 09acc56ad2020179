#include "builder/asm_walk.h"

#include <vector>

#include "storage/asm.h"

namespace {

constexpr ub4 WALK_MAX_ALIASES = 20000;

void read_file_blocks(PKFFFDB file, ub4 max_blocks, AsmWalkCounts* counts)
{
    if (file->blkSize == 0)
        return;
    std::vector<ub1> buffer((size_t)file->blkSize * 4);
    ub8 blocks = (file->bytes + file->blkSize - 1) / file->blkSize;
    if (blocks > max_blocks)
        blocks = max_blocks;
    for (ub8 b = 0; b < blocks;) {
        ub2 got = read_asmfile_blocks(file, (ub4)b, 4, buffer.data());
        counts->blocks_read += got < blocks - b ? got : blocks - b;
        b += got != 0 ? got : 1;
    }
}

void walk_dir(PASM_DISKGROUP_ITEM group, PASM_ALIAS dir, ub4 max_blocks, AsmWalkCounts* counts, ub4* aliases)
{
    get_asm_alias_subdir(group, dir);
    if (dir->dir_load_status != DLS_LOADED)
        return;
    counts->directories++;
    for (PZEM_LIST_ITEM it = dir->sub_list.header; it != nullptr && *aliases < WALK_MAX_ALIASES; it = it->next) {
        PASM_ALIAS child = (PASM_ALIAS)it->data;
        (*aliases)++;
        if (alias_is_file(child)) {
            char name[128];
            snprintf(name, sizeof(name), "+%s.%u.%u", group->disk_group_name, child->fnum, child->finc);
            PKFFFDB file = nullptr;
            if (open_asm_datafile(name, 8192, &file) == ASMFILE_OPEN_OK) {
                counts->files_opened++;
                read_file_blocks(file, max_blocks, counts);
                close_asm_datafile(&file);
            }
        } else if (alias_is_dir(child))
            walk_dir(group, child, max_blocks, counts, aliases);
    }
}

} // namespace

AsmWalkCounts walk_asm_groups(ub4 max_blocks)
{
    AsmWalkCounts counts;
    ub4 aliases = 0;
    for (PZEM_LIST_ITEM it = asm_diskgroup_list.header; it != nullptr; it = it->next) {
        PASM_DISKGROUP_ITEM group = (PASM_DISKGROUP_ITEM)it->data;
        if (group->root_alias != nullptr)
            walk_dir(group, group->root_alias, max_blocks, &counts, &aliases);
        PASM_DISKGROUP_ITEM found = nullptr;
        ub4 fnum = 0, finc = 0;
        parse_asmfile_name("+X/A/B.1.1", &found, &fnum, &finc);
    }
    return counts;
}
