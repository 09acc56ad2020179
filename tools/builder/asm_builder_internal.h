#pragma once
// The ASM image builder's working state; used by asm_builder*.cpp only.

#include <string>
#include <vector>

#include "builder/asm_builder.h"

// On-disk constants as the builder writes them.
constexpr ub1 ASMB_TYPE_DISKHEAD = 0x01;
constexpr ub1 ASMB_TYPE_FILEDIR = 0x04;
constexpr ub1 ASMB_TYPE_ALIASDIR = 0x0B;
constexpr ub1 ASMB_TYPE_INDIRECT = 0x0C;
constexpr ub4 ASMB_DISK_HEADER_SIZE = 4096;
constexpr ub4 ASMB_EXTENT_ARRAY = 0x4C0;
constexpr ub4 ASMB_INDIRECT_ARRAY = 44;
constexpr ub4 ASMB_ALIAS_ENTRIES = 68;
constexpr ub4 ASMB_ALIAS_ENTRY_SIZE = 76;
constexpr ub4 ASMB_FIRST_DATA_AU = 2;

struct AsmAliasEntry {
    std::string name;
    ub4 fnum = 0;
    ub4 finc = 0;
    ub1 flags = 0;
    int dir = -1;                  // index of the directory it names, -1 for a file
};

struct AsmDirNode {
    std::string path;              // "" for the root
    std::vector<AsmAliasEntry> entries;
    ub4 first_block = 0;
    ub4 block_count = 0;
};

struct AsmFilePlan {
    ub4 number = 0;
    ub4 incarnation = 1;
    ub4 block_size = 0;
    std::vector<ub1> image;
    ub1 stripe_width = 1;
    ub1 stripe_size = 0;
    ub1 file_type = 0;
    ub4 copies = 1;
    ub4 icopies = 1;
    ub4 virtual_extents = 0;
    ub4 direct_slots = 0;          // bi_break
    ub4 pointers_per_block = 0;    // per indirect block
    ub4 indirect_blocks = 0;
    ub1 raw_dxrs = 0;
    ub1 raw_ixrs = 0;
    std::vector<AsmExtentPlace> extents;
    std::vector<AsmExtentPlace> indirect;
    std::vector<ub4> lost_extents;
};

class AsmLayout {
public:
    explicit AsmLayout(const AsmGroupDef& def);
    void allocate();
    void write_files();
    void write_disk_headers();
    AsmGroupImage take_image() { return std::move(out_); }

    // Alias directories (asm_builder_alias.cpp).
    void build_alias_tree();
    std::vector<ub1> make_alias_image() const;

private:
    void plan_file(AsmFilePlan& plan, ub4 blocks_per_au) const;
    std::vector<AsmExtentPlace> allocate_extent(ub4 copies);
    void write_meta_header(ub1* block, ub1 type, ub4 blk, ub4 obj) const;
    void write_directory_entry(ub1* block, const AsmFilePlan& plan) const;
    void write_indirect_blocks(const AsmFilePlan& plan);
    void place_image(const AsmFilePlan& plan);
    ub1* disk_bytes(ub4 disk, ub4 au, size_t byte_in_au);
    ub4 meta_hard() const;

    const AsmGroupDef& spec_;
    ub4 disk_count_;
    ub4 group_copies_;
    std::vector<ub4> next_au_;
    ub4 next_primary_ = 0;
    std::vector<AsmFilePlan> plans_;   // file 1, file 6, then the definition's files
    std::vector<AsmDirNode> dirs_;
    AsmGroupImage out_;
};
