#include "builder/asm_builder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "builder/asm_builder_internal.h"

void put_asm_ub2(ub1* buffer, size_t offset, ub2 value, int byte_order)
{
    if (byte_order == 1) {
        buffer[offset] = (ub1)(value >> 8);
        buffer[offset + 1] = (ub1)value;
    } else {
        buffer[offset] = (ub1)value;
        buffer[offset + 1] = (ub1)(value >> 8);
    }
}

void put_asm_ub4(ub1* buffer, size_t offset, ub4 value, int byte_order)
{
    for (int i = 0; i < 4; i++) {
        int shift = byte_order == 1 ? 24 - 8 * i : 8 * i;
        buffer[offset + (size_t)i] = (ub1)(value >> shift);
    }
}

void seal_asm_block(ub1* block, ub4 size)
{
    memset(block + 12, 0, 4);
    ub1 lanes[4] = {0, 0, 0, 0};
    for (ub4 i = 0; i + 4 <= size; i += 4)
        for (ub4 j = 0; j < 4; j++)
            lanes[j] ^= block[i + j];
    memcpy(block + 12, lanes, 4);
}

size_t asm_disk_offset(const AsmGroupDef& def, ub4 disk, ub4 au, size_t byte_in_au)
{
    return (size_t)def.disks[disk].header_offset + (size_t)au * def.au_size + byte_in_au;
}

ub1* asm_meta_block_at(AsmGroupImage& image, const AsmGroupDef& def, ub4 disk, ub4 au, ub4 block)
{
    return image.disks[disk].data() + asm_disk_offset(def, disk, au, (size_t)block * def.meta_block_size);
}

std::string asm_disk_file_name(const AsmGroupDef& def, ub4 disk)
{
    return def.name + "_" + std::to_string(disk) + ".dsk";
}

std::vector<ub1> make_asm_test_image(size_t bytes, ub4 block_size, ub4 seed)
{
    std::vector<ub1> image(bytes);
    ub4 x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < bytes; i++) {
        x = x * 1103515245u + 12345u;
        image[i] = (ub1)(x >> 16);
    }
    for (size_t b = 0; b * block_size < bytes; b++) {
        size_t off = b * block_size;
        ub1 tag[8];
        put_asm_ub4(tag, 0, seed, 1);
        put_asm_ub4(tag, 4, (ub4)b, 1);
        for (size_t i = 0; i < 8 && off + i < bytes; i++)
            image[off + i] = tag[i];
    }
    return image;
}

AsmGroupImage build_asm_group(const AsmGroupDef& def)
{
    AsmLayout layout(def);
    layout.allocate();
    layout.write_files();
    layout.write_disk_headers();
    return layout.take_image();
}

std::vector<std::string> write_asm_group(const AsmGroupImage& image, const AsmGroupDef& def,
                                         const std::string& dir, const std::string& path_prefix, bool full)
{
    std::vector<std::string> lines;
    for (ub4 d = 0; d < image.disks.size(); d++) {
        std::string name = asm_disk_file_name(def, d);
        std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
        out.write((const char*)image.disks[d].data(), (std::streamsize)image.disks[d].size());
        std::string line = std::to_string(d) + " " + path_prefix + name;
        if (full) {
            char compat[32];
            snprintf(compat, sizeof(compat), "%u.%u", def.compat >> 24, (def.compat >> 20) & 0x0F);
            line += " " + def.name + " " + std::to_string(def.meta_block_size) + " " +
                    std::to_string(def.au_size) + " " + std::to_string(image.disk_size) + " " +
                    std::to_string(def.disks[d].header_offset) + " " + compat;
        } else if (def.disks[d].header_offset != 0)
            line += " " + def.name + " 0 0 0 " + std::to_string(def.disks[d].header_offset);
        lines.push_back(line);
    }
    return lines;
}
