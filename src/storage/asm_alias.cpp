#include "storage/asm_alias.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/str_util.h"
#include "base/trace.h"
#include "storage/asm_block_pos.h"
#include "storage/asm_disk_header.h"
#include "storage/asm_read.h"

namespace {

void init_alias_children(PASM_ALIAS alias)
{
    init_zem_list(&alias->sub_list, release_asm_alias);
}

// One copy of directory block m of file 6, or false when none delivers.
bool read_alias_block(PASM_DISKGROUP_ITEM group, const KFFFDB* file6, ub4 m, ub1* buffer)
{
    ub4 extent_id, block, continue_blocks;
    calc_asm_file_block_pos(file6, m, &extent_id, &block, &continue_blocks);
    if (config_data.trace_config.trace_asm > 3)
        write_trace("get_asm_alias_subdir: calc_asm_file_block_pos: input: refer_block_no=%u,output:extent_id=%u,"
                    "block_no=%u,continue_blocks=%u\n",
                    m, extent_id, block, continue_blocks);
    if (extent_id >= file6->fact_extent_count || continue_blocks == 0)
        return false;
    for (ub4 c = 0; c < file6->extent_copys && extent_id + c < file6->fact_extent_count; c++) {
        const ASMFILE_EXTENT* extent = &file6->file_extents[extent_id + c];
        if (!read_asm_meta_block_by_dn(group, extent->disk, extent->au, block, buffer))
            continue;
        KFBH kfbh;
        get_kfbh(buffer, &kfbh);
        if (check_asmdisk_block_header(&kfbh) && kfbh.type == KFBTYPE_ALIASDIR && kfbh.block_blk == m &&
            kfbh.block_obj == ASM_ALIAS_DIRECTORY_NO)
            return true;
    }
    return false;
}

} // namespace

PASM_ALIAS new_root_asm_alias(const ASM_DISKGROUP_ITEM* group)
{
    PASM_ALIAS root = (PASM_ALIAS)calloc(1, sizeof(ASM_ALIAS));
    if (root == nullptr)
        abort();
    copy_str(root->name, sizeof(root->name), group->disk_group_name);
    root->dir_load_status = DLS_NOT_LOADED;
    init_alias_children(root);
    return root;
}

void release_asm_alias(void* data)
{
    PASM_ALIAS alias = (PASM_ALIAS)data;
    release_zem_list(&alias->sub_list);
}

ub4 get_asm_alias(const ub1* buffer, const ASM_DISKGROUP_ITEM* group, PZEM_LIST list, PASM_ALIAS parent)
{
    ub4 mbs = group->meta_block_size;
    if (mbs < ASMDISK_ALIAS_OFFSET)
        return 0;
    ub4 entries = (mbs - ASMDISK_ALIAS_OFFSET) / ASMDISK_ALIAS_SIZE;
    ub4 added = 0;
    for (ub4 i = 0; i < entries; i++) {
        const ub1* entry = buffer + ASMDISK_ALIAS_OFFSET + ASMDISK_ALIAS_SIZE * i;
        ub4 incarn = get_ub4(entry, 0);
        // A free slot: no incarnation, or no name.
        if (incarn == 0 || entry[16] == 0)
            continue;
        PASM_ALIAS alias = (PASM_ALIAS)calloc(1, sizeof(ASM_ALIAS));
        if (alias == nullptr)
            abort();
        alias->incarn = incarn;
        alias->refer_number = get_ub4(entry, 8);
        alias->refer_incarn = get_ub4(entry, 12);
        memcpy(alias->name, entry + 16, ASM_ALIAS_NAME_MAXLEN);
        alias->name[ASM_ALIAS_NAME_MAXLEN] = '\0';
        alias->fnum = get_ub4(entry, 64);
        alias->finc = get_ub4(entry, 68);
        alias->flags = get_ub1(entry, 72);
        alias->parent_alias = parent;
        alias->dir_level = parent != nullptr ? (ub2)(parent->dir_level + 1) : 0;
        alias->dir_load_status = DLS_NOT_LOADED;
        init_alias_children(alias);
        add_zem_list_item(list, alias);
        added++;
    }
    return added;
}

void get_asm_alias_subdir(PASM_DISKGROUP_ITEM group, PASM_ALIAS alias)
{
    if (alias == nullptr || group == nullptr || alias->dir_load_status != DLS_NOT_LOADED || alias_is_file(alias))
        return;
    alias->dir_load_status = DLS_LOAD_FAILED;
    const KFFFDB* file6 = group->alias_file;
    if (alias->dir_level > ASM_DIR_MAX_DEPTH || file6 == nullptr || file6->file_number != ASM_ALIAS_DIRECTORY_NO ||
        file6->file_extents == nullptr || !is_valid_asm_meta_block_size(group->meta_block_size))
        return;
    release_zem_list(&alias->sub_list);
    init_alias_children(alias);
    alias->dir_load_status = DLS_LOADED;
    ub1* buffer = (ub1*)malloc(group->meta_block_size);
    if (buffer == nullptr)
        return;
    // The chain of blocks comes from the disk: a block met twice ends it.
    std::set<ub4> visited;
    for (ub4 m = alias->refer_number; m != ASM_ALIAS_NO_NEXT_BLOCK;) {
        if (!visited.insert(m).second)
            break;
        if (!read_alias_block(group, file6, m, buffer))
            break;
        get_asm_alias(buffer, group, &alias->sub_list, alias);
        m = get_ub4(buffer, ASMDISK_ALIAS_NEXT_OFFSET);
    }
    free(buffer);
}
