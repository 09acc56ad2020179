#include "storage/asm_disk_list.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/file_loader.h"
#include "base/printer.h"
#include "base/splitter.h"
#include "base/str_util.h"
#include "storage/asm_alias.h"
#include "storage/asm_disk_header.h"
#include "storage/asm_extent_map.h"
#include "storage/asm_file_directory.h"

const char default_asmdisk_fn[] = "asmdisk.txt";
ZEM_LIST asmdisk_list;
ZEM_LIST asm_diskgroup_list;

namespace {

constexpr int ASMDISK_LINE_MIN_FIELDS = 2;
constexpr int ASMDISK_LINE_MAX_FIELDS = 8;
// A disk with a bad header is assumed to hold block 1 of file 1 in this AU.
constexpr ub4 DEFAULT_F1B1LOCN = 2;


ub4 get_variable_size_extent(ub4 compat)
{
    ub4 version = compat >> 16;
    if (version == VARIABLE_SIZE_EXTENT_VER1110)
        return VARIABLE_SIZE_EXTENT_VER1110;
    if (version == VARIABLE_SIZE_EXTENT_VER1120)
        return VARIABLE_SIZE_EXTENT_VER1120;
    return NO_VARIABLE_SIZE_EXTENT;
}

PASM_DISKGROUP_ITEM new_diskgroup(PASMDISK_ITEM disk, ub4 group_no)
{
    PASM_DISKGROUP_ITEM group = (PASM_DISKGROUP_ITEM)calloc(1, sizeof(ASM_DISKGROUP_ITEM));
    if (group == nullptr)
        abort();
    group->disk_group_no = group_no;
    copy_str(group->disk_group_name, sizeof(group->disk_group_name), disk->disk_group_name);
    group->compat = disk->compat;
    group->variable_size_extent = get_variable_size_extent(disk->compat);
    group->au_size = disk->au_size;
    group->meta_block_size = disk->meta_block_size;
    group->redundancy_type = disk->redundancy_type;
    return group;
}

// Slot 0 is kept for disk 0; two other disks may name a copy of file 1.
void add_f1b1locn(PASM_DISKGROUP_ITEM group, PASMDISK_ITEM disk)
{
    if (disk->f1b1locn == 0)
        return;
    if (disk->disk_no == 0) {
        group->f1b1locn[0] = disk->f1b1locn;
        group->f1b1locn_disk[0] = 0;
        return;
    }
    for (int slot = 1; slot < 3; slot++)
        if (group->f1b1locn[slot] == 0) {
            group->f1b1locn[slot] = disk->f1b1locn;
            group->f1b1locn_disk[slot] = disk->disk_no;
            return;
        }
}

PKFFFDB new_asm_file(PASM_DISKGROUP_ITEM group, ub4 file_number)
{
    PKFFFDB kfffdb = (PKFFFDB)calloc(1, sizeof(KFFFDB));
    if (kfffdb == nullptr)
        abort();
    get_asmfile_info(group, kfffdb, file_number, 0);
    if (kfffdb->file_number == file_number)
        get_asmfile_extent_map(kfffdb);
    return kfffdb;
}

void open_diskgroup(PASM_DISKGROUP_ITEM group)
{
    group->disk_list = (PASMDISK_ITEM*)calloc(group->disk_count == 0 ? 1 : group->disk_count, sizeof(PASMDISK_ITEM));
    if (group->disk_list == nullptr)
        abort();
    for (PZEM_LIST_ITEM it = asmdisk_list.header; it != nullptr; it = it->next) {
        PASMDISK_ITEM disk = (PASMDISK_ITEM)it->data;
        if (disk->diskgroup_item != group)
            continue;
        if (disk->disk_no >= group->disk_count) {
            sp_printf("Disk's disk_no is greater than disk group's disk count,disk#:%u,disk count:%u,disk_path:%s\n",
                      disk->disk_no, group->disk_count, disk->path);
            continue;
        }
        group->disk_list[disk->disk_no] = disk;
    }
    group->f1_file = new_asm_file(group, ASM_FILE_DIRECTORY_NO);
    group->alias_file = new_asm_file(group, ASM_ALIAS_DIRECTORY_NO);
    group->root_alias = new_root_asm_alias(group);
}

// Columns 3-8 of a line; column 8 carries the compatibility of a disk whose
// header cannot tell it.
void fill_disk_from_line(PASMDISK_ITEM disk, SMALL_LINE_ARRAY fields, int count)
{
    disk->disk_no = leading_decimal_ub4(fields[0]);
    disk->redundancy_type = KFDGTP_EXTERNAL;
    disk->f1b1locn = DEFAULT_F1B1LOCN;
    if (count > 2)
        copy_str(disk->disk_group_name, sizeof(disk->disk_group_name), fields[2]);
    if (count > 3) {
        ub4 size = leading_decimal_ub4(fields[3]);
        disk->meta_block_size = size <= UB2_MAX ? (ub2)size : 0;
    }
    if (count > 4)
        disk->au_size = leading_decimal_ub4(fields[4]);
    if (count > 5)
        disk->disk_size = leading_decimal_ub4(fields[5]);
    if (count > 6)
        disk->header_offset = leading_decimal_ub4(fields[6]);
    if (count > 7)
        disk->compat = get_asm_compat_from_text(fields[7]);
}

} // namespace

ub4 get_asm_compat_from_text(const char* text)
{
    ub4 word = 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (text[2] == '\0' || !base10_16_to_num(text, &word))
            return 0;
        return word;
    }
    // version.release.update.port_release.port_update, bits 31..24, 23..20,
    // 19..12, 11..8, 7..0; missing parts are 0, out-of-range parts make the
    // word 0 (no variable-size extents).
    static const ub4 shift[5] = {24, 20, 12, 8, 0};
    static const ub4 limit[5] = {0xFF, 0x0F, 0xFF, 0x0F, 0xFF};
    const char* p = text;
    for (int part = 0; part < 5 && *p != '\0'; part++) {
        if (*p < '0' || *p > '9')
            return 0;
        ub4 v = 0;
        for (; *p >= '0' && *p <= '9'; p++) {
            v = v * 10 + (ub4)(*p - '0');
            if (v > limit[part])
                return 0;
        }
        word |= v << shift[part];
        if (*p == '.')
            p++;
        else if (*p != '\0')
            return 0;
    }
    return *p == '\0' ? word : 0;
}

void release_asmdisk_item(void* data)
{
    PASMDISK_ITEM disk = (PASMDISK_ITEM)data;
    if (disk->fp != nullptr) {
        fclose(disk->fp);
        disk->fp = nullptr;
    }
}

void release_asm_diskgroup_item(void* data)
{
    PASM_DISKGROUP_ITEM group = (PASM_DISKGROUP_ITEM)data;
    free(group->disk_list);
    group->disk_list = nullptr;
    if (group->f1_file != nullptr) {
        release_asm_file(group->f1_file);
        free(group->f1_file);
        group->f1_file = nullptr;
    }
    if (group->alias_file != nullptr) {
        release_asm_file(group->alias_file);
        free(group->alias_file);
        group->alias_file = nullptr;
    }
    if (group->root_alias != nullptr) {
        release_asm_alias(group->root_alias);
        free(group->root_alias);
        group->root_alias = nullptr;
    }
}

void init_asmdisk_list()
{
    init_zem_list(&asmdisk_list, release_asmdisk_item);
    init_zem_list(&asm_diskgroup_list, release_asm_diskgroup_item);
}

void release_asmdisk_list()
{
    release_zem_list(&asm_diskgroup_list);
    release_zem_list(&asmdisk_list);
    init_asmdisk_list();
}

int fill_asmdisk_item(PASMDISK_ITEM disk)
{
    disk->fp = fopen(disk->path, "rb");
    if (disk->fp == nullptr) {
        sp_printf("can not open asm disk %s!error message:%s.\n", disk->path, strerror(errno));
        return -1;
    }
    if (fseeko(disk->fp, (off_t)disk->header_offset, SEEK_SET) != 0 || feof(disk->fp)) {
        sp_printf("asm disk seek error or has already arrived file end,%s\n", strerror(errno));
        fclose(disk->fp);
        disk->fp = nullptr;
        return -2;
    }
    static ub1 buffer[ASMDISK_HEADER_SIZE];
    errno = 0;
    if (fread(buffer, 1, ASMDISK_HEADER_SIZE, disk->fp) != ASMDISK_HEADER_SIZE) {
        sp_printf("read data error from asm disk '%s'.error message:%s\n", disk->path, strerror(errno));
        fclose(disk->fp);
        disk->fp = nullptr;
        return -3;
    }
    if (!check_asmdisk_block_checksum(buffer, ASMDISK_HEADER_SIZE)) {
        disk->status = ASMDISK_HEADER_BAD;
        sp_printf("asm disk header checksum error '%s'\n", disk->path);
        return 0;
    }
    KFBH kfbh;
    get_kfbh(buffer, &kfbh);
    if (!check_asmdisk_block_header(&kfbh) || kfbh.type != KFBTYPE_DISKHEAD) {
        disk->status = ASMDISK_HEADER_BAD;
        sp_printf("unknown asm disk format '%s'\n", disk->path);
        return 0;
    }
    KFDHBH kfdhbh;
    get_kfdhbh(buffer, &kfdhbh);
    disk->disk_no = kfdhbh.dsknum;
    disk->au_size = kfdhbh.ausize;
    disk->meta_block_size = kfdhbh.blksize;
    disk->disk_size = kfdhbh.dsksize;
    disk->redundancy_type = kfdhbh.grptyp;
    disk->f1b1locn = kfdhbh.f1b1locn;
    disk->compat = kfdhbh.compat;
    copy_str(disk->disk_name, sizeof(disk->disk_name), kfdhbh.dskname);
    copy_str(disk->disk_group_name, sizeof(disk->disk_group_name), kfdhbh.grpname);
    disk->status = ASMDISK_HEADER_VALID;
    return 0;
}

void load_asmdisk_file(const char* file_name)
{
    FILE* fp = open_text_file(file_name);
    if (fp == nullptr) {
        sp_printf("can not open file '%s', error message:%s.\n", file_name, strerror(errno));
        return;
    }
    release_asmdisk_list();
    ub4 next_group_no = 1;
    char line[LINE_MAX_SIZE];
    static SMALL_LINE_ARRAY fields;
    int line_no = 0;
    while (fgets(line, sizeof(line), fp) != nullptr) {
        line_no++;
        if (line[0] == '#')
            continue;
        bool overflow = false;
        int count = split_line_small(fields, line, &overflow);
        if (count == 0)
            continue;
        if (count < ASMDISK_LINE_MIN_FIELDS || count > ASMDISK_LINE_MAX_FIELDS || overflow ||
            strlen(fields[1]) > ASM_DISK_PATH_MAXLEN) {
            sp_printf("asmdisk file error at line %d.\n", line_no);
            continue;
        }
        PASMDISK_ITEM disk = (PASMDISK_ITEM)calloc(1, sizeof(ASMDISK_ITEM));
        if (disk == nullptr)
            abort();
        copy_str(disk->path, sizeof(disk->path), fields[1]);
        fill_disk_from_line(disk, fields, count);
        if (fill_asmdisk_item(disk) != 0) {
            free(disk);
            continue;
        }
        if (disk->disk_no >= DISKGROUP_MAX_DISK_COUNT) {
            sp_printf("Disk# must less than %u. disk#:%u,disk path:%s\n", DISKGROUP_MAX_DISK_COUNT, disk->disk_no,
                      disk->path);
            release_asmdisk_item(disk);
            free(disk);
            continue;
        }
        if (disk->disk_group_name[0] == '\0') {
            sp_printf("Disk grouop name can not be empty.disk path:%s\n", disk->path);
            release_asmdisk_item(disk);
            free(disk);
            continue;
        }
        PASM_DISKGROUP_ITEM group = search_asm_diskgroup_by_name(disk->disk_group_name);
        if (group == nullptr) {
            group = new_diskgroup(disk, next_group_no++);
            add_zem_list_item(&asm_diskgroup_list, group);
        }
        disk->disk_group_no = group->disk_group_no;
        if (group->disk_count < disk->disk_no + 1)
            group->disk_count = disk->disk_no + 1;
        else if (group->disk_count == disk->disk_no + 1) {
            sp_printf("Duplicated disk#, group name: %s, disk_no: %u,disk path:%s\n", group->disk_group_name,
                      disk->disk_no, disk->path);
            release_asmdisk_item(disk);
            free(disk);
            continue;
        }
        add_f1b1locn(group, disk);
        disk->diskgroup_item = group;
        add_zem_list_item(&asmdisk_list, disk);
    }
    fclose(fp);
    for (PZEM_LIST_ITEM it = asm_diskgroup_list.header; it != nullptr; it = it->next)
        open_diskgroup((PASM_DISKGROUP_ITEM)it->data);
    sp_printf("\n");
    show_asmdisk_list_info(&asmdisk_list);
    sp_printf("load asm disk file '%s' successful\n", file_name);
}

void show_asmdisk_list_info(const ZEM_LIST* disk_list)
{
    sp_printf("grp# dsk# bsize ausize disksize diskname        groupname       path\n");
    sp_printf("---- ---- ----- ------ -------- --------------- --------------- "
              "--------------------------------------------\n");
    for (PZEM_LIST_ITEM it = disk_list->header; it != nullptr; it = it->next) {
        const ASMDISK_ITEM* disk = (const ASMDISK_ITEM*)it->data;
        sp_printf("%4u %4u %5u %5uK %8u %-15s %-15s %s\n", disk->disk_group_no, disk->disk_no,
                  disk->meta_block_size, disk->au_size / 1024, disk->disk_size, disk->disk_name,
                  disk->disk_group_name, disk->path);
    }
    sp_printf("\n");
}

void reopen_diskgroup_disks()
{
    for (PZEM_LIST_ITEM it = asmdisk_list.header; it != nullptr; it = it->next) {
        PASMDISK_ITEM disk = (PASMDISK_ITEM)it->data;
        if (disk->fp == nullptr)
            continue;
        fclose(disk->fp);
        disk->fp = fopen(disk->path, "rb");
        if (disk->fp == nullptr)
            sp_printf("can not open asm disk file %s! error message:%s.\n", disk->path, strerror(errno));
    }
}

PASM_DISKGROUP_ITEM search_asm_diskgroup_by_name(const char* name)
{
    for (PZEM_LIST_ITEM it = asm_diskgroup_list.header; it != nullptr; it = it->next) {
        PASM_DISKGROUP_ITEM group = (PASM_DISKGROUP_ITEM)it->data;
        if (group->disk_group_name[0] != '\0' && str_case_equal(group->disk_group_name, name))
            return group;
    }
    return nullptr;
}

PASMDISK_ITEM search_asmdisk(ub4 disk_group_no, ub4 disk_no)
{
    for (PZEM_LIST_ITEM it = asmdisk_list.header; it != nullptr; it = it->next) {
        PASMDISK_ITEM disk = (PASMDISK_ITEM)it->data;
        if (disk->disk_group_no == disk_group_no && disk->disk_no == disk_no)
            return disk;
    }
    return nullptr;
}
