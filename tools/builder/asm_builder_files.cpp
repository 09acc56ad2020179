#include <algorithm>
#include <cstring>

#include "builder/asm_builder_internal.h"

void AsmLayout::write_directory_entry(ub1* block, const AsmFilePlan& plan) const
{
    const int bo = spec_.byte_order;
    const ub4 mbs = spec_.meta_block_size;
    write_meta_header(block, ASMB_TYPE_FILEDIR, plan.number, 1);
    ub8 bytes = plan.image.size();
    put_asm_ub4(block, 32, plan.incarnation, bo);
    put_asm_ub4(block, 44, (ub4)(bytes >> 32), bo);
    put_asm_ub4(block, 48, (ub4)bytes, bo);
    put_asm_ub4(block, 52, (ub4)plan.extents.size(), bo);
    put_asm_ub4(block, 56, (ub4)plan.extents.size(), bo);
    put_asm_ub4(block, 60, plan.block_size, bo);
    block[64] = 0x01;
    block[65] = plan.file_type;
    block[66] = plan.raw_dxrs ? plan.raw_dxrs : (ub1)(0x10 | plan.copies);
    block[67] = plan.raw_ixrs ? plan.raw_ixrs : (ub1)(0x10 | plan.icopies);
    ub4 direct = std::min((ub4)plan.extents.size(), plan.direct_slots);
    ub4 used = plan.indirect.empty() ? direct : plan.direct_slots + (ub4)plan.indirect.size();
    put_asm_ub2(block, 92, (ub2)used, bo);
    put_asm_ub2(block, 94, (ub2)plan.direct_slots, bo);
    put_asm_ub4(block, 100, 0xFFFFFFFFu, bo);
    put_asm_ub4(block, 104, 0xFFFFFFFFu, bo);
    block[108] = plan.stripe_width;
    block[109] = plan.stripe_size;
    put_asm_ub4(block, 112, 0x01020304, bo);
    put_asm_ub4(block, 120, 0x05060708, bo);
    for (ub4 i = 0; i < direct; i++) {
        put_asm_ub4(block, ASMB_EXTENT_ARRAY + 8 * i, plan.extents[i].au, bo);
        put_asm_ub2(block, ASMB_EXTENT_ARRAY + 8 * i + 4, (ub2)plan.extents[i].disk, bo);
    }
    for (ub4 k = 0; k < plan.indirect.size(); k++) {
        ub4 slot = plan.direct_slots + k;
        if (ASMB_EXTENT_ARRAY + 8 * slot + 8 > mbs)
            break;
        put_asm_ub4(block, ASMB_EXTENT_ARRAY + 8 * slot, plan.indirect[k].au, bo);
        put_asm_ub2(block, ASMB_EXTENT_ARRAY + 8 * slot + 4, (ub2)plan.indirect[k].disk, bo);
    }
    seal_asm_block(block, mbs);
}

// Indirect block k describes pointers from direct_slots + k x per-block on,
// and lies in block k mod (AU / block size) of indirect extent k / that.
void AsmLayout::write_indirect_blocks(const AsmFilePlan& plan)
{
    const int bo = spec_.byte_order;
    const ub4 mbs = spec_.meta_block_size;
    const ub4 per_au = spec_.au_size / mbs;
    std::vector<ub1> block(mbs);
    for (ub4 k = 0; k < plan.indirect_blocks; k++) {
        std::fill(block.begin(), block.end(), 0);
        ub4 first = plan.direct_slots + k * plan.pointers_per_block;
        ub4 count = std::min(plan.pointers_per_block, (ub4)plan.extents.size() - first);
        write_meta_header(block.data(), ASMB_TYPE_INDIRECT, k, plan.number);
        put_asm_ub4(block.data(), 32, first / plan.copies, bo);
        put_asm_ub2(block.data(), 36, (ub2)count, bo);
        block[38] = plan.raw_dxrs ? plan.raw_dxrs : (ub1)(0x10 | plan.copies);
        for (ub4 j = 0; j < count; j++) {
            put_asm_ub4(block.data(), ASMB_INDIRECT_ARRAY + 8 * j, plan.extents[first + j].au, bo);
            put_asm_ub2(block.data(), ASMB_INDIRECT_ARRAY + 8 * j + 4, (ub2)plan.extents[first + j].disk, bo);
        }
        seal_asm_block(block.data(), mbs);
        ub4 extent = k / per_au;
        for (ub4 c = 0; c < plan.icopies; c++) {
            const AsmExtentPlace& place = plan.indirect[(size_t)extent * plan.icopies + c];
            memcpy(disk_bytes(place.disk, place.au, (size_t)(k % per_au) * mbs), block.data(), mbs);
        }
    }
}

// Block n of an unstriped file is block n mod P of virtual extent n / P (P
// blocks per AU). A striped file fills sets of W extents K blocks at a time,
// going round the set: chunk q of a set lands in extent q mod W at chunk
// q / W of that extent.
void AsmLayout::place_image(const AsmFilePlan& plan)
{
    const ub4 B = plan.block_size;
    if (B == 0 || B > spec_.au_size)
        return;
    const ub4 P = spec_.au_size / B;
    const ub4 W = plan.stripe_width;
    ub4 K = 0;
    if (W > 1) {
        K = plan.stripe_size < 32 ? (ub4)((1ull << plan.stripe_size) / B) : 0;
        if (K == 0 || P % K != 0)
            return;                     // a file the reader must refuse: no data placed
    }
    ub8 blocks = (plan.image.size() + B - 1) / B;
    for (ub8 n = 0; n < blocks; n++) {
        ub8 v, o;
        if (W <= 1) {
            v = n / P;
            o = n % P;
        } else {
            ub8 set = n / ((ub8)W * P);
            ub8 r = n % ((ub8)W * P);
            ub8 q = r / K;
            v = set * W + q % W;
            o = (q / W) * K + r % K;
        }
        size_t from = (size_t)n * B;
        size_t len = std::min((size_t)B, plan.image.size() - from);
        for (ub4 c = 0; c < plan.copies; c++) {
            const AsmExtentPlace& place = plan.extents[(size_t)v * plan.copies + c];
            if (place.au >= out_.disk_size)
                continue; // a lost extent: its map entry points past the disk
            memcpy(disk_bytes(place.disk, place.au, (size_t)o * B), plan.image.data() + from, len);
        }
    }
}

void AsmLayout::write_files()
{
    const ub4 mbs = spec_.meta_block_size;
    AsmFilePlan& f1 = plans_[0];
    for (const AsmFilePlan& plan : plans_)
        write_directory_entry(f1.image.data() + (size_t)plan.number * mbs, plan);
    for (const AsmFilePlan& plan : plans_) {
        write_indirect_blocks(plan);
        place_image(plan);
    }
}

void AsmLayout::write_disk_headers()
{
    const int bo = spec_.byte_order;
    const AsmFilePlan& f1 = plans_[0];
    for (ub4 d = 0; d < disk_count_; d++) {
        const AsmDiskDef& disk = spec_.disks[d];
        ub1* h = disk_bytes(d, 0, 0);
        memset(h, 0, ASMB_DISK_HEADER_SIZE);
        write_meta_header(h, disk.damage == AsmDiskDamage::wrong_type ? ASMB_TYPE_FILEDIR : ASMB_TYPE_DISKHEAD, 0,
                          0x80000000u + d);
        h[1] = 0x82;
        std::string name = disk.name.empty() ? spec_.name + "_" + std::string(4 - std::min<size_t>(4, std::to_string(d).size()), '0') + std::to_string(d) : disk.name;
        put_asm_ub4(h, 64, spec_.compat, bo);
        put_asm_ub2(h, 68, (ub2)d, bo);
        h[70] = spec_.redundancy;
        h[71] = 3;
        memcpy(h + 72, name.data(), std::min<size_t>(name.size(), 32));
        memcpy(h + 104, spec_.name.data(), std::min<size_t>(spec_.name.size(), 32));
        memcpy(h + 136, name.data(), std::min<size_t>(name.size(), 32));
        put_asm_ub4(h, 200, 0x01000000, bo);
        put_asm_ub4(h, 208, 0x02000000, bo);
        put_asm_ub2(h, 216, 512, bo);
        put_asm_ub2(h, 218, spec_.meta_block_size, bo);
        put_asm_ub4(h, 220, spec_.au_size, bo);
        put_asm_ub4(h, 224, 113792, bo);
        put_asm_ub4(h, 228, out_.disk_size, bo);
        put_asm_ub4(h, 232, 2, bo);
        put_asm_ub4(h, 236, 1, bo);
        put_asm_ub4(h, 240, 2, bo);
        ub4 f1b1 = 0;
        for (ub4 c = 0; c < f1.copies; c++)
            if (f1.extents[c].disk == d)
                f1b1 = f1.extents[c].au;
        put_asm_ub4(h, 244, f1b1, bo);
        seal_asm_block(h, ASMB_DISK_HEADER_SIZE);
        if (disk.damage == AsmDiskDamage::bad_checksum)
            h[300] ^= 0x5A;
    }
}
