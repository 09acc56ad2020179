#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "builder/asm_builder_internal.h"

AsmLayout::AsmLayout(const AsmGroupDef& def)
    : spec_(def), disk_count_((ub4)def.disks.size()), group_copies_(def.redundancy >= 2 ? def.redundancy : 1)
{
    if (disk_count_ == 0 || def.au_size < ASMB_DISK_HEADER_SIZE || def.au_size / def.meta_block_size < 2)
        throw std::invalid_argument("an ASM group needs a disk and AUs of at least two metadata blocks");
    next_au_.assign(disk_count_, ASMB_FIRST_DATA_AU);
}

ub4 AsmLayout::meta_hard() const
{
    switch (spec_.meta_block_size) {
    case 8192:
        return 0xa2;
    case 16384:
        return 0xc2;
    case 32768:
        return 0xe2;
    default:
        return 0x82;
    }
}

void AsmLayout::write_meta_header(ub1* block, ub1 type, ub4 blk, ub4 obj) const
{
    block[0] = spec_.byte_order == 1 ? 0 : 1;
    block[1] = (ub1)meta_hard();
    block[2] = type;
    block[3] = 1;
    put_asm_ub4(block, 4, blk, spec_.byte_order);
    put_asm_ub4(block, 8, obj, spec_.byte_order);
    put_asm_ub4(block, 16, 0x1000 + blk, spec_.byte_order);
}

std::vector<AsmExtentPlace> AsmLayout::allocate_extent(ub4 copies)
{
    if (copies > disk_count_)
        throw std::invalid_argument("more copies than disks");
    std::vector<AsmExtentPlace> places;
    ub4 primary = next_primary_++ % disk_count_;
    for (ub4 c = 0; c < copies; c++) {
        ub4 disk = (primary + c) % disk_count_;
        places.push_back({disk, next_au_[disk]++});
    }
    return places;
}

// Extent counts, direct and indirect slots. A striped file takes whole
// stripe sets of extents.
void AsmLayout::plan_file(AsmFilePlan& plan, ub4 blocks_per_au) const
{
    ub8 blocks = (plan.image.size() + plan.block_size - 1) / plan.block_size;
    if (plan.stripe_width > 1) {
        ub8 per_set = (ub8)plan.stripe_width * blocks_per_au;
        plan.virtual_extents = (ub4)(((blocks + per_set - 1) / per_set) * plan.stripe_width);
    } else
        plan.virtual_extents = (ub4)((blocks + blocks_per_au - 1) / blocks_per_au);
    if (plan.virtual_extents == 0)
        plan.virtual_extents = 1;
    const ub4 mbs = spec_.meta_block_size;
    ub4 physical = plan.virtual_extents * plan.copies;
    plan.direct_slots = plan.direct_slots / plan.copies * plan.copies;
    if (physical <= plan.direct_slots)
        return;
    ub4 fit = (mbs - ASMB_INDIRECT_ARRAY) / 8 / plan.copies * plan.copies;
    if (plan.pointers_per_block == 0 || plan.pointers_per_block > fit)
        plan.pointers_per_block = fit;
    plan.pointers_per_block = plan.pointers_per_block / plan.copies * plan.copies;
    if (plan.pointers_per_block == 0)
        throw std::invalid_argument("no room for indirect pointers");
    ub4 rest = physical - plan.direct_slots;
    plan.indirect_blocks = (rest + plan.pointers_per_block - 1) / plan.pointers_per_block;
}

void AsmLayout::allocate()
{
    build_alias_tree();
    const ub4 mbs = spec_.meta_block_size;
    ub4 max_file = 6;
    for (const AsmFileDef& f : spec_.files)
        max_file = std::max(max_file, f.file_number);

    AsmFilePlan f1;
    f1.number = 1;
    f1.block_size = mbs;
    f1.image.assign((size_t)(max_file + 1) * mbs, 0);
    f1.file_type = 1;
    f1.copies = spec_.file1_copies ? spec_.file1_copies : group_copies_;
    f1.direct_slots = 60;
    AsmFilePlan f6;
    f6.number = 6;
    f6.block_size = mbs;
    f6.image = make_alias_image();
    f6.file_type = 1;
    f6.copies = spec_.file6_copies ? spec_.file6_copies : group_copies_;
    f6.direct_slots = 60;
    plans_.push_back(std::move(f1));
    plans_.push_back(std::move(f6));
    for (const AsmFileDef& f : spec_.files) {
        AsmFilePlan p;
        p.number = f.file_number;
        p.incarnation = f.incarnation;
        p.block_size = f.block_size;
        p.image = f.image;
        p.stripe_width = f.stripe_width;
        p.stripe_size = f.stripe_size_log2;
        p.file_type = f.file_type;
        p.copies = f.copies ? f.copies : group_copies_;
        p.direct_slots = f.direct_slots;
        p.pointers_per_block = f.indirect_pointers_per_block;
        p.raw_dxrs = f.raw_dxrs;
        p.raw_ixrs = f.raw_ixrs;
        p.lost_extents = f.lost_extents;
        plans_.push_back(std::move(p));
    }
    for (AsmFilePlan& plan : plans_) {
        plan.icopies = plan.copies;
        ub4 per_au = plan.block_size != 0 && plan.block_size <= spec_.au_size ? spec_.au_size / plan.block_size : 1;
        plan_file(plan, per_au);
        for (ub4 v = 0; v < plan.virtual_extents; v++)
            for (const AsmExtentPlace& place : allocate_extent(plan.copies))
                plan.extents.push_back(place);
        ub4 blocks_per_indirect = spec_.au_size / mbs;
        ub4 indirect_extents = (plan.indirect_blocks + blocks_per_indirect - 1) / blocks_per_indirect;
        for (ub4 k = 0; k < indirect_extents; k++)
            for (const AsmExtentPlace& place : allocate_extent(plan.icopies))
                plan.indirect.push_back(place);
        if (ASMB_EXTENT_ARRAY + 8 * (plan.direct_slots + plan.indirect.size()) > mbs &&
            plan.extents.size() > plan.direct_slots)
            throw std::invalid_argument("directory entry cannot hold the extent pointers");
        out_.indirect[plan.number] = plan.indirect;
    }
    out_.disk_size = *std::max_element(next_au_.begin(), next_au_.end());
    for (AsmFilePlan& plan : plans_) {
        for (ub4 v : plan.lost_extents)
            for (ub4 c = 0; c < plan.copies && (size_t)v * plan.copies + c < plan.extents.size(); c++)
                plan.extents[(size_t)v * plan.copies + c].au = out_.disk_size + v;
        out_.extents[plan.number] = plan.extents;
    }
    out_.disks.resize(disk_count_);
    for (ub4 d = 0; d < disk_count_; d++) {
        out_.disks[d].assign(spec_.disks[d].header_offset + (size_t)out_.disk_size * spec_.au_size, 0);
        std::fill(out_.disks[d].begin(), out_.disks[d].begin() + spec_.disks[d].header_offset, 0xEE);
    }
}

ub1* AsmLayout::disk_bytes(ub4 disk, ub4 au, size_t byte_in_au)
{
    return out_.disks[disk].data() + asm_disk_offset(spec_, disk, au, byte_in_au);
}
