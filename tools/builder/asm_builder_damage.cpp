#include <algorithm>
#include <cstring>

#include "builder/asm_builder.h"

void destroy_asm_metadata(AsmGroupImage& image, const AsmGroupDef& def)
{
    std::vector<AsmExtentPlace> places;
    for (ub4 file : {1u, 6u}) {
        const auto& direct = image.extents[file];
        const auto& indirect = image.indirect[file];
        places.insert(places.end(), direct.begin(), direct.end());
        places.insert(places.end(), indirect.begin(), indirect.end());
    }
    for (ub4 d = 0; d < image.disks.size(); d++)
        places.push_back({d, 0});
    for (const AsmExtentPlace& place : places) {
        size_t from = asm_disk_offset(def, place.disk, place.au, 0);
        std::vector<ub1>& disk = image.disks[place.disk];
        if (from < disk.size())
            std::fill(disk.begin() + (std::ptrdiff_t)from,
                      disk.begin() + (std::ptrdiff_t)std::min(disk.size(), from + def.au_size), 0);
    }
}

void put_asm_disk_bytes(AsmGroupImage& image, const AsmGroupDef& def, ub4 disk, ub4 au, size_t byte_in_au,
                        const ub1* data, size_t length)
{
    std::vector<ub1>& bytes = image.disks.at(disk);
    size_t from = asm_disk_offset(def, disk, au, byte_in_au);
    size_t header = def.disks[disk].header_offset;
    if (from + length > bytes.size()) {
        size_t aus = (from + length - header + def.au_size - 1) / def.au_size;
        bytes.resize(header + aus * def.au_size, 0);
    }
    memcpy(bytes.data() + from, data, length);
}
