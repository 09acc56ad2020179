#include "support/lost_extents.h"

#include <filesystem>

#include "builder/asm_builder.h"

void move_users_to_asm(const E2eDatabase& db, uint32_t from, uint32_t to)
{
    std::string bytes = read_file(db.path("USERS01.DBF"));
    AsmGroupDef group;
    group.byte_order = db.def().order;
    group.au_size = LOST_AU_SIZE;
    AsmFileDef file;
    file.block_size = db.def().block_size;
    file.image.assign(bytes.begin(), bytes.end());
    for (ub4 v = from / (LOST_AU_SIZE / file.block_size); v < to / (LOST_AU_SIZE / file.block_size); v++)
        file.lost_extents.push_back(v);
    group.files.push_back(file);
    std::string disks;
    for (const std::string& line : write_asm_group(build_asm_group(group), group, db.dir(), ""))
        disks += line + "\n";
    write_file(db.path("asmdisk.txt"), disks);
    std::string control = read_file(db.path("control.txt"));
    control.replace(control.find("USERS01.DBF"), 11, "+DATA.256");
    write_file(db.path("control.txt"), control);
    std::filesystem::remove(db.path("USERS01.DBF"));
}
