#pragma once
// ASM disk images from a logical description: a disk group's disks with their
// headers, file 1 (the file directory, with direct and indirect extents),
// file 6 (the alias directories) and any number of files placed from byte
// images, unstriped or coarse-striped, with mirror copies on distinct disks.
//
// Layout per disk: AU 0 holds the disk header, AU 1 is left empty, extents
// are handed out from AU 2 on, the copies of one extent on consecutive disks
// (primary disk chosen round the disks). File 1's first extent comes first,
// so every disk holding a copy of it names AU 2 in f1b1locn.
//
// Bytes are written with this file's own explicit-order writer, never with
// the readers' set_ub2/set_ub4.

#include <map>
#include <string>
#include <vector>

#include "base/types.h"

enum class AsmDiskDamage { none, bad_checksum, wrong_type };

struct AsmDiskDef {
    std::string name;                  // empty: <GROUP>_<nnnn>
    ub4 header_offset = 0;             // bytes before the ASM disk inside its file
    AsmDiskDamage damage = AsmDiskDamage::none;
};

struct AsmFileDef {
    ub4 file_number = 256;
    ub4 incarnation = 1;
    std::vector<ub1> image;            // the file's bytes
    ub4 block_size = 8192;
    ub1 stripe_width = 1;              // above 1: coarse striping over this many extents
    ub1 stripe_size_log2 = 0;          // strpsz
    ub1 file_type = 2;
    ub4 copies = 0;                    // 0: the group's redundancy
    ub2 direct_slots = 60;             // bi_break, rounded down to whole copies
    ub2 indirect_pointers_per_block = 0;  // 0: as many as fit (whole copies)
    ub1 raw_dxrs = 0;                  // written as is when nonzero
    ub1 raw_ixrs = 0;
    // Virtual extents whose map entries point past the end of their disk, as
    // a damaged extent map leaves them: every read of them fails.
    std::vector<ub4> lost_extents;
};

struct AsmAliasDef {
    std::string path;                  // under the group root, "/"-separated
    ub4 file_number = 0;               // 0: a directory
    ub4 file_incarnation = 0;
    bool system = true;                // system file/directory, or user alias/directory
};

struct AsmGroupDef {
    std::string name = "DATA";
    int byte_order = 0;                // BO_LITTLE or BO_BIG
    ub1 redundancy = 1;                // 1 external, 2 normal, 3 high
    ub4 au_size = 1u << 20;
    ub2 meta_block_size = 4096;
    ub4 compat = 0x0b200000;
    std::vector<AsmDiskDef> disks = std::vector<AsmDiskDef>(1);
    std::vector<AsmFileDef> files;
    std::vector<AsmAliasDef> aliases;
    ub4 file1_copies = 0;              // 0: the group's redundancy
    ub4 file6_copies = 0;
};

struct AsmExtentPlace {
    ub4 disk;
    ub4 au;
};

struct AsmGroupImage {
    std::vector<std::vector<ub1>> disks;            // whole disk files, header offset included
    std::map<ub4, std::vector<AsmExtentPlace>> extents;   // physical extents per file, copies adjacent
    std::map<ub4, std::vector<AsmExtentPlace>> indirect;  // indirect extents per file, copies adjacent
    std::map<std::string, ub4> dir_blocks;          // first file-6 block per directory ("" is the root)
    ub4 disk_size = 0;                              // AUs per disk
};

AsmGroupImage build_asm_group(const AsmGroupDef& def);

// Writes every disk to <dir>/<GROUP>_<n>.dsk. Returns one asmdisk.txt line
// per disk naming it as <path_prefix><GROUP>_<n>.dsk; `full` adds columns 3-8
// (group, block size, AU size, disk size, header offset, compatibility).
std::vector<std::string> write_asm_group(const AsmGroupImage& image, const AsmGroupDef& def,
                                         const std::string& dir, const std::string& path_prefix,
                                         bool full = false);
std::string asm_disk_file_name(const AsmGroupDef& def, ub4 disk);

// Sets the check word of a metadata block so that its words XOR to zero.
void seal_asm_block(ub1* block, ub4 size);
// The metadata block at (disk, AU, block) inside the image.
ub1* asm_meta_block_at(AsmGroupImage& image, const AsmGroupDef& def, ub4 disk, ub4 au, ub4 block);
// Byte offset of (AU, byte) on a disk file.
size_t asm_disk_offset(const AsmGroupDef& def, ub4 disk, ub4 au, size_t byte_in_au);
// Order-explicit field writers for tests that edit a block and re-seal it.
void put_asm_ub2(ub1* buffer, size_t offset, ub2 value, int byte_order);
void put_asm_ub4(ub1* buffer, size_t offset, ub4 value, int byte_order);

// What a scan of raw disks must cope with: the disk headers (AU 0) and every
// AU of files 1 and 6 (direct and indirect extents) zeroed on every disk.
void destroy_asm_metadata(AsmGroupImage& image, const AsmGroupDef& def);
// Copies bytes to (disk, AU, byte in AU), growing the disk by whole AUs when
// they lie past its end; disk_size is left as it was.
void put_asm_disk_bytes(AsmGroupImage& image, const AsmGroupDef& def, ub4 disk, ub4 au, size_t byte_in_au,
                        const ub1* data, size_t length);

// A recognisable image: every block starts with its file and block number
// (big-endian) and is filled with a seeded pattern; `bytes` need not be a
// whole number of blocks.
std::vector<ub1> make_asm_test_image(size_t bytes, ub4 block_size, ub4 seed);
