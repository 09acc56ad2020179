// Examining the files named to discover: every regular file and block device
// (a raw character device when named itself) is opened read-only and its
// first bytes probed; ASM files are reached through the loaded disk groups.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "base/config.h"
#include "base/fd_io.h"
#include "base/rdba.h"
#include "storage/asm_alias.h"
#include "storage/asm_datafile.h"
#include "storage/asm_extent_map.h"
#include "storage/asm_file_directory.h"
#include "storage/asm_disk_list.h"
#include "storage/discover.h"

namespace {

// Directory entries and aliases looked at, at most: a damaged alias
// directory or a huge directory cannot keep discover going without end.
constexpr size_t DISCOVER_MAX_DIR_ENTRIES = 100000;
constexpr ub4 DISCOVER_MAX_ASM_ALIASES = 200000;
// Raw devices want their buffers aligned to a sector, and more.
constexpr size_t PROBE_BUFFER_ALIGN = 4096;

struct HEAD_BUFFER {
    ub1* bytes = nullptr;
    HEAD_BUFFER()
    {
        void* p = nullptr;
        if (posix_memalign(&p, PROBE_BUFFER_ALIGN, PROBE_HEAD_BYTES) == 0)
            bytes = (ub1*)p;
    }
    ~HEAD_BUFFER() { free(bytes); }
    HEAD_BUFFER(const HEAD_BUFFER&) = delete;
    HEAD_BUFFER& operator=(const HEAD_BUFFER&) = delete;
};

// Reads up to `length` bytes from the start; false on a read error.
bool read_head(int fd, ub1* buffer, size_t length, size_t* got)
{
    ssize_t n = pread_most(fd, buffer, length, 0);
    *got = n < 0 ? 0 : (size_t)n;
    return n >= 0;
}

// A path the list files can hold: read back by a blank-separated splitter
// into a field of FILENAME_MAXLEN, and not taken for an ASM name.
bool is_listable_path(const std::string& path, bool in_asm)
{
    if (path.empty() || path.size() >= (size_t)FILENAME_MAXLEN)
        return false;
    if (!in_asm && path[0] == '+')
        return false;
    return path.find_first_of(" \t\r\n") == std::string::npos;
}

// Numbers the datafile list would refuse: the tablespace number indexes
// 65536 flags, and a block address holds a relative file number of 10 bits
// (1024 marks a big-file tablespace).
bool has_listable_numbers(const DATAFILE_HEADER& header)
{
    return header.tbs_no < MAX_TS_COUNT && header.file_no != 0 && header.relative_fn != 0 &&
           header.relative_fn <= BIG_FILE_RFN;
}

// A name asmdisk.txt can hold as one word.
bool is_group_name(const char* name)
{
    if (name[0] == '\0')
        return false;
    for (const char* p = name; *p != '\0'; p++)
        if (!isgraph((unsigned char)*p))
            return false;
    return true;
}

void classify(DISCOVERED_FILE* file)
{
    const FILE_PROBE& p = file->probe;
    switch (p.kind) {
    case PK_DATAFILE:
        if (p.datafile.header.file_type != FILETYPE_DATA)
            file->status = DS_OTHER_FILE_TYPE;
        else
            file->status = has_listable_numbers(p.datafile.header) ? DS_KEPT : DS_BAD_NUMBERS;
        break;
    case PK_ASM_DISK:
        file->status = p.asm_disk.header.hdrsts == KFDHDR_MEMBER && is_group_name(p.asm_disk.header.grpname)
                           ? DS_KEPT
                           : DS_NOT_MEMBER;
        break;
    case PK_NO_FILE_HEADER:
        file->status = DS_NO_FILE_HEADER;
        break;
    default:
        file->status = DS_NOT_DATAFILE;
    }
    if (file->status == DS_KEPT && !is_listable_path(file->path, file->in_asm))
        file->status = DS_BAD_PATH;
}

void set_unreadable(DISCOVERED_FILE* file, int error)
{
    file->status = DS_UNREADABLE;
    file->error = strerror(error);
}

ub8 get_device_bytes(int fd, const struct stat& st)
{
    if (S_ISREG(st.st_mode))
        return (ub8)st.st_size;
    off_t end = lseek(fd, 0, SEEK_END);
    return end > 0 ? (ub8)end : 0;
}

void probe_path(DISCOVERED_FILE* file, HEAD_BUFFER* head)
{
    if (head->bytes == nullptr) {
        set_unreadable(file, ENOMEM);
        return;
    }
    // Non-blocking, so that opening a device never waits.
    int fd = open(file->path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        set_unreadable(file, errno);
        return;
    }
    struct stat st;
    size_t got = 0;
    if (fstat(fd, &st) != 0 || !read_head(fd, head->bytes, PROBE_FIRST_BYTES, &got)) {
        set_unreadable(file, errno);
        close(fd);
        return;
    }
    file->bytes = get_device_bytes(fd, st);
    probe_file_head(head->bytes, got, &file->probe);
    // Nothing at offset 0: look for a device's own header in front of it.
    if (file->probe.kind == PK_UNKNOWN && got == PROBE_FIRST_BYTES) {
        if (!read_head(fd, head->bytes, PROBE_HEAD_BYTES, &got)) {
            set_unreadable(file, errno);
            close(fd);
            return;
        }
        probe_file_head(head->bytes, got, &file->probe);
    }
    close(fd);
    classify(file);
}

// The identity of what a name leads to: the device for device nodes (two
// nodes may name one disk), the inode for files.
std::pair<ub8, ub8> identity_of(const struct stat& st)
{
    if (S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode))
        return {0, (ub8)st.st_rdev};
    return {(ub8)st.st_dev + 1, (ub8)st.st_ino};
}

struct EXAMINE_STATE {
    DISCOVERED_FILES* files;
    std::map<std::pair<ub8, ub8>, size_t> seen;
    HEAD_BUFFER head;
};

void examine_one(const std::string& path, const struct stat& st, EXAMINE_STATE* state)
{
    DISCOVERED_FILE file;
    file.path = path;
    auto [it, added] = state->seen.emplace(identity_of(st), state->files->size());
    if (!added) {
        file.status = DS_SAME_FILE;
        file.other = it->second;
    } else
        probe_path(&file, &state->head);
    state->files->push_back(file);
}

std::string join_path(const std::string& dir, const std::string& name)
{
    if (dir == ".")
        return name[0] == '+' ? "./" + name : name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

void examine_directory(const std::string& dir, EXAMINE_STATE* state)
{
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        DISCOVERED_FILE file;
        file.path = dir;
        set_unreadable(&file, errno);
        state->files->push_back(file);
        return;
    }
    std::vector<std::string> names;
    bool cut = false;
    for (struct dirent* e = readdir(d); e != nullptr && !cut; e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        cut = names.size() == DISCOVER_MAX_DIR_ENTRIES;
        if (!cut)
            names.push_back(e->d_name);
    }
    closedir(d);
    if (cut) {
        DISCOVERED_FILE file;
        file.path = dir;
        file.status = DS_DIRECTORY_CUT;
        file.bytes = DISCOVER_MAX_DIR_ENTRIES;
        state->files->push_back(file);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string path = join_path(dir, name);
        struct stat st;
        // Character devices are left to be named one by one: opening any
        // device of a directory such as /dev may have effects of its own.
        if (stat(path.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)))
            examine_one(path, st, state);
    }
}

} // namespace

void examine_paths(const std::vector<std::string>& paths, DISCOVERED_FILES* files)
{
    EXAMINE_STATE state;
    state.files = files;
    for (const std::string& path : paths) {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) {
            DISCOVERED_FILE file;
            file.path = path;
            set_unreadable(&file, errno);
            files->push_back(file);
        } else if (S_ISDIR(st.st_mode))
            examine_directory(path, &state);
        else
            examine_one(path[0] == '+' ? "./" + path : path, st, &state);
    }
}

namespace {

struct ASM_WALK {
    DISCOVERED_FILES* files;
    ASM_EXAMINE_COUNTS* counts;
    std::set<ub4> file_numbers; // of the group being walked
    ub4 aliases = 0;
    std::vector<ub1> block;
};

// Only a file of a datafile's block size is read: logs (of 512-byte blocks)
// and the like are counted, not opened, as a disk group may hold thousands.
void examine_asm_file(PASM_DISKGROUP_ITEM group, const ASM_ALIAS* alias, const std::string& name, ASM_WALK* walk)
{
    DISCOVERED_FILE file;
    file.path = name;
    file.in_asm = true;
    KFFFDB entry;
    memset(&entry, 0, sizeof(entry));
    get_asmfile_info(group, &entry, alias->fnum, alias->finc);
    ub4 block_size = entry.blkSize;
    if (alias->fnum == 0 || entry.file_number != alias->fnum) {
        file.status = DS_UNREADABLE;
        file.error = "no directory entry in the disk group";
    } else if (!is_valid_bs((int)block_size) || entry.bytes < 2 * (ub8)block_size) {
        walk->counts->other_files++;
        return;
    } else if (get_asmfile_extent_map(&entry) == 0) {
        file.status = DS_UNREADABLE;
        file.error = "no extent map in the disk group";
    } else {
        file.bytes = entry.bytes;
        walk->block.resize(block_size);
        if (read_asm_datafile(&entry, block_size, 1, 1, walk->block.data()) == 1 &&
            probe_file_header_block(walk->block.data(), block_size, config_data.byte_order, &file.probe.datafile))
            file.probe.kind = PK_DATAFILE;
        classify(&file);
    }
    release_asm_file(&entry);
    walk->files->push_back(file);
}

void walk_alias_directory(PASM_DISKGROUP_ITEM group, PASM_ALIAS dir, const std::string& path, ASM_WALK* walk)
{
    get_asm_alias_subdir(group, dir);
    if (dir->dir_load_status != DLS_LOADED)
        return;
    for (PZEM_LIST_ITEM it = dir->sub_list.header; it != nullptr; it = it->next) {
        if (walk->aliases == DISCOVER_MAX_ASM_ALIASES) {
            walk->counts->names_cut = true;
            return;
        }
        walk->aliases++;
        PASM_ALIAS child = (PASM_ALIAS)it->data;
        std::string child_path = path + "/" + child->name;
        // A file may have an alias of its own besides its system name: the
        // first name met is the one listed.
        if (alias_is_file(child)) {
            if (walk->file_numbers.insert(child->fnum).second)
                examine_asm_file(group, child, child_path, walk);
        } else if (alias_is_dir(child))
            walk_alias_directory(group, child, child_path, walk);
    }
}

} // namespace

void examine_asm_groups(DISCOVERED_FILES* files, ASM_EXAMINE_COUNTS* counts)
{
    *counts = ASM_EXAMINE_COUNTS{};
    ASM_WALK walk;
    walk.files = files;
    walk.counts = counts;
    for (PZEM_LIST_ITEM it = asm_diskgroup_list.header; it != nullptr; it = it->next) {
        PASM_DISKGROUP_ITEM group = (PASM_DISKGROUP_ITEM)it->data;
        walk.file_numbers.clear();
        if (group->root_alias != nullptr)
            walk_alias_directory(group, group->root_alias, std::string("+") + group->disk_group_name, &walk);
    }
}

bool is_discovered_datafile(const DISCOVERED_FILE& file)
{
    return file.probe.kind == PK_DATAFILE;
}

bool is_discovered_asm_disk(const DISCOVERED_FILE& file)
{
    return file.probe.kind == PK_ASM_DISK;
}

ub8 get_discovered_header_blocks(const DISCOVERED_FILE& file)
{
    return file.probe.datafile.header.file_size;
}

ub8 get_discovered_blocks_present(const DISCOVERED_FILE& file)
{
    const DATAFILE_PROBE& d = file.probe.datafile;
    ub8 counted = d.header.file_size;
    if (file.bytes == 0 || d.block_size == 0)
        return counted; // a device that does not tell its size
    ub8 whole = file.bytes > d.header_offset ? (file.bytes - d.header_offset) / d.block_size : 0;
    ub8 after_block0 = whole > 0 ? whole - 1 : 0;
    return after_block0 < counted ? after_block0 : counted;
}
