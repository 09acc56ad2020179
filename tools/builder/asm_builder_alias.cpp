#include <cstring>
#include <stdexcept>

#include "builder/asm_builder_internal.h"

namespace {

std::vector<std::string> split_path(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

int find_dir(const std::vector<AsmDirNode>& dirs, const std::string& path)
{
    for (size_t i = 0; i < dirs.size(); i++)
        if (dirs[i].path == path)
            return (int)i;
    return -1;
}

} // namespace

// Directories are created on first mention, parents first, in the order the
// group definition names them; entries keep that order too.
void AsmLayout::build_alias_tree()
{
    dirs_.clear();
    dirs_.push_back(AsmDirNode{});
    for (const AsmAliasDef& alias : spec_.aliases) {
        std::vector<std::string> parts = split_path(alias.path);
        if (parts.empty())
            throw std::invalid_argument("empty alias path");
        std::string path;
        int parent = 0;
        for (size_t i = 0; i < parts.size(); i++) {
            bool last = i + 1 == parts.size();
            std::string child_path = path.empty() ? parts[i] : path + "/" + parts[i];
            if (last && alias.file_number != 0) {
                AsmAliasEntry entry;
                entry.name = parts[i];
                entry.fnum = alias.file_number;
                entry.finc = alias.file_incarnation;
                entry.flags = (ub1)(0x10 | (alias.system ? 0x02 : 0x01));
                dirs_[(size_t)parent].entries.push_back(entry);
                break;
            }
            int dir = find_dir(dirs_, child_path);
            if (dir < 0) {
                AsmDirNode node;
                node.path = child_path;
                dirs_.push_back(node);
                dir = (int)dirs_.size() - 1;
                AsmAliasEntry entry;
                entry.name = parts[i];
                entry.flags = (ub1)(last && !alias.system ? 0x08 : 0x04);
                entry.dir = dir;
                dirs_[(size_t)parent].entries.push_back(entry);
            }
            parent = dir;
            path = child_path;
        }
    }
    ub4 per_block = (spec_.meta_block_size - ASMB_ALIAS_ENTRIES) / ASMB_ALIAS_ENTRY_SIZE;
    ub4 next = 0;
    for (AsmDirNode& dir : dirs_) {
        dir.first_block = next;
        dir.block_count = dir.entries.empty() ? 1 : (ub4)((dir.entries.size() + per_block - 1) / per_block);
        next += dir.block_count;
        out_.dir_blocks[dir.path] = dir.first_block;
    }
}

std::vector<ub1> AsmLayout::make_alias_image() const
{
    const ub4 mbs = spec_.meta_block_size;
    const int bo = spec_.byte_order;
    ub4 per_block = (mbs - ASMB_ALIAS_ENTRIES) / ASMB_ALIAS_ENTRY_SIZE;
    ub4 total = dirs_.back().first_block + dirs_.back().block_count;
    std::vector<ub1> image((size_t)total * mbs);
    for (const AsmDirNode& dir : dirs_) {
        for (ub4 k = 0; k < dir.block_count; k++) {
            ub4 m = dir.first_block + k;
            ub1* block = image.data() + (size_t)m * mbs;
            write_meta_header(block, ASMB_TYPE_ALIASDIR, m, 6);
            put_asm_ub4(block, 44, k + 1 < dir.block_count ? m + 1 : 0xFFFFFFFFu, bo);
            for (ub4 e = 0; e < per_block; e++) {
                size_t index = (size_t)k * per_block + e;
                if (index >= dir.entries.size())
                    break;
                const AsmAliasEntry& entry = dir.entries[index];
                ub1* p = block + ASMB_ALIAS_ENTRIES + ASMB_ALIAS_ENTRY_SIZE * e;
                put_asm_ub4(p, 0, 1, bo);
                put_asm_ub4(p, 4, (ub4)index, bo);
                put_asm_ub4(p, 8, entry.dir >= 0 ? dirs_[(size_t)entry.dir].first_block : 0xFFFFFFFFu, bo);
                put_asm_ub4(p, 12, entry.dir >= 0 ? 1 : 0, bo);
                memcpy(p + 16, entry.name.data(), entry.name.size() < 48 ? entry.name.size() : 48);
                put_asm_ub4(p, 64, entry.fnum, bo);
                put_asm_ub4(p, 68, entry.finc, bo);
                p[72] = entry.flags;
            }
            seal_asm_block(block, mbs);
        }
    }
    return image;
}
