// dump diskgroup <group#> disk <disk#> au <au#> block <block#>: one metadata
// block of an ASM disk, read as it lies (a block that fails its checksum is
// shown and said to), its block header, and the fields of the block types
// the reader knows: disk header, file directory entry, indirect extent
// block, alias directory; any other block as hexadecimal.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "asmcmd/asmcmd_module.h"
#include "base/byte_order.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "shell/shell.h"
#include "storage/asm_alias.h"
#include "storage/asm_disk_header.h"
#include "storage/asm_disk_list.h"
#include "storage/asm_file_directory.h"
#include "storage/asm_read.h"

namespace {

const char* kfbtype_name(ub1 type)
{
    static const char* const names[] = {
        "KFBTYPE_INVALID",  "KFBTYPE_DISKHEAD", "KFBTYPE_FREESPC", "KFBTYPE_ALLOCTBL", "KFBTYPE_FILEDIR",
        "KFBTYPE_LISTHEAD", "KFBTYPE_DISKDIR",  "KFBTYPE_ACDC",    "KFBTYPE_CHNGDIR",  "KFBTYPE_COD_BGO",
        "KFBTYPE_TMPLTDIR", "KFBTYPE_ALIASDIR", "KFBTYPE_INDIRECT", "KFBTYPE_PST_NONE", "KFBTYPE_HASHNODE",
        "KFBTYPE_COD_RBO",  "KFBTYPE_COD_DATA", "KFBTYPE_PST_META", "KFBTYPE_PST_DTA",  "KFBTYPE_HBEAT"};
    return type < sizeof(names) / sizeof(names[0]) ? names[type] : "unknown";
}

PASM_DISKGROUP_ITEM find_group(ub4 group_no)
{
    for (PZEM_LIST_ITEM item = asm_diskgroup_list.header; item != nullptr; item = item->next) {
        PASM_DISKGROUP_ITEM group = (PASM_DISKGROUP_ITEM)item->data;
        if (group->disk_group_no == group_no)
            return group;
    }
    return nullptr;
}

void show_extent_pointers(const ub1* buffer, ub4 first, ub4 count, ub4 size)
{
    for (ub4 i = 0; i < count; i++) {
        ub4 at = first + i * ASMDISK_EXTENT_SIZE;
        if (at + ASMDISK_EXTENT_SIZE > size) {
            sp_printf("*** damaged: extent pointer %u at offset %u does not fit in the block ***\n", i, at);
            return;
        }
        ASMFILE_EXTENT extent;
        get_asmfile_extent(buffer, at, &extent);
        char label[32];
        snprintf(label, sizeof(label), "extent[%u]:", i);
        sp_printf("%-30sau %u disk %u\n", label, extent.au, extent.disk);
    }
}

void show_disk_header(const ub1* buffer)
{
    KFDHBH h;
    get_kfdhbh(buffer, &h);
    sp_printf("kfdhdb.compat:                0x%08x\n", h.compat);
    sp_printf("kfdhdb.dsknum:                %u\n", h.dsknum);
    sp_printf("kfdhdb.grptyp:                %u\n", h.grptyp);
    sp_printf("kfdhdb.hdrsts:                %u\n", h.hdrsts);
    sp_printf("kfdhdb.dskname:               %s\n", h.dskname);
    sp_printf("kfdhdb.grpname:               %s\n", h.grpname);
    sp_printf("kfdhdb.fgname:                %s\n", h.fgname);
    sp_printf("kfdhdb.capname:               %s\n", h.capname);
    sp_printf("kfdhdb.crestmp:               0x%08x.%08x\n", h.crestmp_hi, h.crestmp_lo);
    sp_printf("kfdhdb.mntstmp:               0x%08x.%08x\n", h.mntstmp_hi, h.mntstmp_lo);
    sp_printf("kfdhdb.secsize:               %u\n", h.secsize);
    sp_printf("kfdhdb.blksize:               %u\n", h.blksize);
    sp_printf("kfdhdb.ausize:                %u\n", h.ausize);
    sp_printf("kfdhdb.dsksize:               %u\n", h.dsksize);
    sp_printf("kfdhdb.f1b1locn:              %u\n", h.f1b1locn);
}

void show_file_directory(const ub1* buffer, ub4 size, ub1 redundancy)
{
    KFFFDB f = {};
    get_kfffdb(&f, redundancy, buffer);
    sp_printf("kfffdb.node.incarn:           %u\n", f.node_incarn);
    sp_printf("kfffdb.lobytes:               %u\n", f.lobytes);
    sp_printf("kfffdb.hibytes:               %u\n", f.hibytes);
    sp_printf("kfffdb.xtntcnt:               %u\n", f.xtntcnt);
    sp_printf("kfffdb.xtnteof:               %u\n", f.xtnteof);
    sp_printf("kfffdb.blkSize:               %u\n", f.blkSize);
    sp_printf("kfffdb.flags:                 %u\n", f.flags);
    sp_printf("kfffdb.fileType:              %u\n", f.fileType);
    sp_printf("kfffdb.dXrs:                  0x%02x\n", f.dXrs);
    sp_printf("kfffdb.iXrs:                  0x%02x\n", f.iXrs);
    sp_printf("kfffdb.xtntblk:               %u\n", f.xtntblk);
    sp_printf("kfffdb.bi_break:              %u\n", f.bi_break);
    sp_printf("kfffdb.strpwdth:              %u\n", f.strpwdth);
    sp_printf("kfffdb.strpsz:                %u\n", f.strpsz);
    release_asm_file(&f);
    show_extent_pointers(buffer, ASMFILE_EXTENT_ARRAY_OFFSET, f.xtntblk, size);
}

void show_indirect_block(const ub1* buffer, ub4 size)
{
    KFFIXB x;
    get_kffixb(&x, buffer);
    sp_printf("kffixb.dxsn:                  %u\n", x.dxsn);
    sp_printf("kffixb.xtntblk:               %u\n", x.xtntblk);
    sp_printf("kffixb.dXrs:                  0x%02x\n", x.dXrs);
    show_extent_pointers(buffer, ASMFILE_INDIRECT_EXTENT_OFFSET, x.xtntblk, size);
}

void show_alias_block(const ub1* buffer, const ASM_DISKGROUP_ITEM* group)
{
    sp_printf("kfade.next:                   0x%08x\n", get_ub4(buffer, ASMDISK_ALIAS_NEXT_OFFSET));
    ZEM_LIST list;
    init_zem_list(&list, release_asm_alias);
    get_asm_alias(buffer, group, &list, nullptr);
    ub4 i = 0;
    for (PZEM_LIST_ITEM item = list.header; item != nullptr; item = item->next, i++) {
        const ASM_ALIAS* a = (const ASM_ALIAS*)item->data;
        sp_printf("entry[%u]: %s incarn %u fnum %u finc %u flags 0x%02x refer %u\n", i, a->name, a->incarn, a->fnum,
                  a->finc, a->flags, a->refer_number);
    }
    release_zem_list(&list);
}

// Lines of offset and 16 bytes; all-zero lines are left out.
void show_block_hex(const ub1* buffer, ub4 size)
{
    static const ub1 zeros[16] = {};
    for (ub4 at = 0; at < size; at += 16) {
        if (size - at >= 16 && memcmp(buffer + at, zeros, 16) == 0)
            continue;
        sp_printf("%04x ", at);
        for (ub4 i = at; i < at + 16 && i < size; i++)
            sp_printf(" %02x", buffer[i]);
        sp_printf("\n");
    }
}

void show_meta_block(const ub1* buffer, ub4 size, const ASM_DISKGROUP_ITEM* group)
{
    KFBH h;
    get_kfbh(buffer, &h);
    sp_printf("kfbh.endian:                  %u\n", h.endian);
    sp_printf("kfbh.hard:                    0x%02x\n", h.hard);
    sp_printf("kfbh.type:                    %u ; %s\n", h.type, kfbtype_name(h.type));
    sp_printf("kfbh.datfmt:                  %u\n", h.datfmt);
    sp_printf("kfbh.block.blk:               %u\n", h.block_blk);
    sp_printf("kfbh.block.obj:               %u\n", h.block_obj);
    sp_printf("kfbh.check:                   0x%08x ; %s\n", h.check,
              check_asmdisk_block_checksum(buffer, size) ? "checksum ok" : "checksum error");
    sp_printf("kfbh.fcn.base:                %u\n", h.fcn_base);
    sp_printf("kfbh.fcn.wrap:                %u\n", h.fcn_wrap);
    if (!check_asmdisk_block_header(&h)) {
        sp_printf("*** not an ASM metadata block ***\n");
        show_block_hex(buffer, size);
        return;
    }
    switch (h.type) {
    case KFBTYPE_DISKHEAD:
        show_disk_header(buffer);
        break;
    case KFBTYPE_FILEDIR:
        show_file_directory(buffer, size, group->redundancy_type);
        break;
    case KFBTYPE_INDIRECT:
        show_indirect_block(buffer, size);
        break;
    case KFBTYPE_ALIASDIR:
        show_alias_block(buffer, group);
        break;
    default:
        show_block_hex(buffer, size);
        break;
    }
}

} // namespace

void do_dump_disk_block(LINE_ARRAY tokens, int count)
{
    ub4 group_no = 0, disk_no = 0, au = 0, block = 0;
    bool form_ok = count == 9 && str_case_equal(tokens[1], "diskgroup") && str_case_equal(tokens[3], "disk") &&
                   str_case_equal(tokens[5], "au") && str_case_equal(tokens[7], "block") &&
                   parse_decimal_ub4(tokens[2], &group_no) && parse_decimal_ub4(tokens[4], &disk_no) &&
                   parse_decimal_ub4(tokens[6], &au) && parse_decimal_ub4(tokens[8], &block);
    if (!form_ok) {
        show_cmd_format(CMD_DUMP_DISK_BLOCK);
        return;
    }
    PASM_DISKGROUP_ITEM group = find_group(group_no);
    if (group == nullptr) {
        sp_printf("No diskgroup %u.\n\n", group_no);
        return;
    }
    PASMDISK_ITEM disk = group->disk_list != nullptr && disk_no < group->disk_count ? group->disk_list[disk_no]
                                                                                    : nullptr;
    if (disk == nullptr) {
        sp_printf("No disk %u in diskgroup %s.\n\n", disk_no, group->disk_group_name);
        return;
    }
    ub4 size = disk->meta_block_size;
    if (!is_valid_asm_meta_block_size(size) || disk->au_size < size || block >= disk->au_size / size ||
        block > UB2_MAX || au >= INVALID_ASMDISK_AUN || (disk->disk_size != 0 && au >= disk->disk_size)) {
        sp_printf("Block %u of au %u lies outside the disk's allocation units.\n\n", block, au);
        return;
    }
    // The disk header reader takes a whole disk header, whatever the block size.
    std::vector<ub1> buffer(size > ASMDISK_HEADER_SIZE ? size : ASMDISK_HEADER_SIZE, 0);
    if (read_asm_disk_blocks(disk, au, (ub2)block, (ub2)size, 1, buffer.data()) != 1)
        return;
    sp_printf("\nDiskgroup %s disk %u (%s) au %u block %u:\n", group->disk_group_name, disk_no, disk->path, au, block);
    show_meta_block(buffer.data(), size, group);
    sp_printf("\n");
}
