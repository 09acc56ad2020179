// The discover command: examine the files, write control.txt, asmdisk.txt
// and config.txt, then load them as "load config" and "open" do.
//
// A list file that exists is replaced only with the word force; without it
// discover reports what it found and writes nothing, so that the three files
// always come from one examination. config.txt keeps every line but the
// keys discover sets. Each file is written under a new name and renamed over
// the old one once it is complete, so a failed write leaves the old file.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "storage/asm_disk_list.h"
#include "storage/buffer_cache.h"
#include "storage/datafile_registry.h"
#include "storage/discover.h"

namespace {

bool read_text_file(const char* name, std::string* text)
{
    FILE* fp = fopen(name, "rb");
    if (fp == nullptr)
        return false;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), fp)) > 0)
        text->append(buffer, n);
    bool ok = ferror(fp) == 0;
    fclose(fp);
    return ok;
}

bool write_list_file(const char* name, const std::string& text)
{
    std::string temporary = std::string(name) + ".new";
    FILE* fp = fopen(temporary.c_str(), "w");
    if (fp == nullptr) {
        sp_printf("can not open file '%s' for write.error message:%s.\n", temporary.c_str(), strerror(errno));
        return false;
    }
    int error = 0;
    if (fwrite(text.data(), 1, text.size(), fp) != text.size() || fflush(fp) != 0)
        error = errno;
    if (fclose(fp) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.c_str(), name) != 0)
        error = errno;
    if (error != 0) {
        sp_printf("can not write file '%s', error message:%s.\n", name, strerror(error));
        remove(temporary.c_str());
        return false;
    }
    sp_printf("%s written.\n", name);
    return true;
}

// Writes the text unless the file already holds it.
bool update_list_file(const char* name, const std::string& text)
{
    std::string old;
    if (read_text_file(name, &old) && old == text) {
        sp_printf("%s unchanged.\n", name);
        return true;
    }
    return write_list_file(name, text);
}

// The names that exist and would be replaced; without force nothing is.
bool refuse_existing(bool asm_disks)
{
    bool refused = false;
    for (const char* name : {default_control_file, default_config_file, default_asmdisk_fn}) {
        if (name == default_asmdisk_fn && !asm_disks)
            continue;
        if (file_exists(name)) {
            sp_printf("%s exists: discover replaces it only with force.\n", name);
            refused = true;
        }
    }
    return refused;
}

// The settings just written, also where config.txt keeps a default by
// leaving the key out: the session must read the files as found.
void apply_settings(const DISCOVER_SETTINGS& settings)
{
    config_data.block_size = settings.block_size;
    config_data.byte_order = settings.byte_order;
    config_data.is_tru64 = settings.is_tru64;
    config_data.compatible = (ub2)settings.compatible;
    rebuild_block_buffer_cache_if_changed();
}

// The datafile list holds pointers into the disk groups it was opened
// with, so it goes before they are replaced.
void load_discovered_disks(int byte_order)
{
    release_datafile_list();
    init_datafile_list();
    empty_block_buffer_cache(&block_buffer_cache);
    config_data.byte_order = byte_order;
    load_asmdisk_file(default_asmdisk_fn);
}

} // namespace

int run_discover(const std::vector<std::string>& paths, bool force)
{
    DISCOVERED_FILES files;
    examine_paths(paths, &files);
    int byte_order = get_discovered_byte_order(files);
    ub4 disks = plan_asm_disks(&files, &byte_order);
    DISCOVER_SETTINGS settings;

    if (!force && refuse_existing(disks > 0)) {
        plan_datafiles(&files, &settings);
        show_discover_report(files, settings, ASM_EXAMINE_COUNTS{});
        if (disks > 0)
            sp_printf("the disk groups are searched for datafiles once asmdisk.txt is written.\n");
        sp_printf("nothing written.\n");
        return 1;
    }
    ASM_EXAMINE_COUNTS asm_counts = {};
    if (disks > 0) {
        if (!update_list_file(default_asmdisk_fn, make_discovered_asmdisk_text(files)))
            return 1;
        load_discovered_disks(byte_order);
        examine_asm_groups(&files, &asm_counts);
    }
    ub4 datafiles = plan_datafiles(&files, &settings);
    show_discover_report(files, settings, asm_counts);
    if (datafiles == 0)
        return 1;

    std::string config;
    bool had_config = read_text_file(default_config_file, &config);
    std::string new_config = merge_discovered_config_text(config, settings);
    if (!update_list_file(default_control_file, make_discovered_control_text(files)) ||
        ((had_config || !new_config.empty()) && !update_list_file(default_config_file, new_config)))
        return 1;

    sp_printf("\n");
    if (had_config || !new_config.empty())
        load_config(default_config_file);
    apply_settings(settings);
    load_control_file(default_control_file);
    return 0;
}

void do_discover(LINE_ARRAY tokens, int count)
{
    bool force = count > 2 && str_case_equal(tokens[count - 1], "force");
    int last = force ? count - 1 : count;
    if (last < 2) {
        sp_printf("discover <directory or file> ... [force]\n");
        return;
    }
    std::vector<std::string> paths;
    for (int i = 1; i < last; i++)
        paths.push_back(tokens[i]);
    run_discover(paths, force);
}
