#pragma once
// discover: control.txt, config.txt and asmdisk.txt made from the files'
// own headers. The files named (or the files of the directories named) are
// probed read-only; the datafiles of one database are chosen, the ASM disks
// found are listed and the datafiles inside their disk groups added; the
// three files are written and loaded as "open" and "load config" load them.

#include <string>
#include <vector>

#include "base/splitter.h"
#include "storage/file_probe.h"

// What became of a file examined.
enum {
    DS_KEPT = 0,        // listed in control.txt or asmdisk.txt
    DS_NOT_DATAFILE,    // nothing recognised
    DS_NO_FILE_HEADER,  // block 0 of a datafile without a file header after it
    DS_OTHER_FILE_TYPE, // the file header of a temporary or other file
    DS_BAD_NUMBERS,     // a file header with numbers no datafile has
    DS_FOREIGN,         // a datafile of another database
    DS_DUPLICATE,       // a file number found again, at an older or equal checkpoint
    DS_OTHER_ORDER,     // a byte order or header layout other than the database's
    DS_SAME_FILE,       // another name of a file already examined
    DS_BAD_PATH,        // a path the list files cannot hold
    DS_NOT_MEMBER,      // an ASM disk that belongs to no disk group
    DS_DUPLICATE_DISK,  // another path to an ASM disk already found
    DS_UNREADABLE,      // could not be opened or read
    DS_DIRECTORY_CUT,   // a directory of more entries than are examined (bytes: how many were)
};

typedef struct _tag_discovered_file {
    std::string path;     // as the list files name it
    ub8 bytes = 0;        // size of the file or device; of an ASM file, its recorded size
    bool in_asm = false;  // a file inside an ASM disk group
    FILE_PROBE probe = {};
    int status = DS_NOT_DATAFILE;
    size_t other = 0;     // DS_DUPLICATE, DS_SAME_FILE, DS_DUPLICATE_DISK: the file kept
    std::string error;    // DS_UNREADABLE: why
} DISCOVERED_FILE;

typedef std::vector<DISCOVERED_FILE> DISCOVERED_FILES;

// What config.txt learns from the headers.
typedef struct _tag_discover_settings {
    ub4 db_id;
    char db_name[DBNAME_LEN + 1];
    int byte_order;
    int block_size;
    int is_tru64;
    int compatible;
} DISCOVER_SETTINGS;

// Probes every file named, and every regular file or block device of every
// directory named (not descending, names beginning with "." left out), in
// name order. Files are opened read-only.
void examine_paths(const std::vector<std::string>& paths, DISCOVERED_FILES* files);
typedef struct _tag_asm_examine_counts {
    ub4 other_files; // of block sizes no datafile has: logs and the like
    bool names_cut;  // more names than are examined
} ASM_EXAMINE_COUNTS;

// Adds the files named in the alias directories of the loaded disk groups:
// those of a datafile's block size, with their headers probed.
void examine_asm_groups(DISCOVERED_FILES* files, ASM_EXAMINE_COUNTS* counts);

bool is_discovered_datafile(const DISCOVERED_FILE& file);
bool is_discovered_asm_disk(const DISCOVERED_FILE& file);
// Blocks after block 0 the file holds, short of what its header counts when
// the file is truncated.
ub8 get_discovered_blocks_present(const DISCOVERED_FILE& file);
ub8 get_discovered_header_blocks(const DISCOVERED_FILE& file);

// The byte order of the database the datafiles found so far belong to, or
// -1 when none was found.
int get_discovered_byte_order(const DISCOVERED_FILES& files);
// Marks the ASM disks that cannot be read with the others: another byte
// order, a second path to a disk. Returns the disks kept.
// With no datafile to follow (a byte order below 0), the order of most disks
// is taken and returned through byte_order.
ub4 plan_asm_disks(DISCOVERED_FILES* files, int* byte_order);
// Chooses the database (the one holding SYSTEM, else the one with most
// files), marks foreign files, files of another order and older copies, and
// fills the settings. Returns the datafiles kept.
ub4 plan_datafiles(DISCOVERED_FILES* files, DISCOVER_SETTINGS* settings);

// The texts written: control.txt (kept datafiles by file number),
// asmdisk.txt (kept disks by group and disk number), and config.txt: the
// user's text with the discovered keys set and the others kept as they are,
// each discovered key added when missing and not at its default.
std::string make_discovered_control_text(const DISCOVERED_FILES& files);
std::string make_discovered_asmdisk_text(const DISCOVERED_FILES& files);
std::string merge_discovered_config_text(const std::string& existing, const DISCOVER_SETTINGS& settings);

// One line per datafile found (kept or not), one per ASM disk kept, then a
// line for every file skipped or truncated, then the totals.
void show_discover_report(const DISCOVERED_FILES& files, const DISCOVER_SETTINGS& settings,
                          const ASM_EXAMINE_COUNTS& asm_counts);

// The command: 0 when the files were written (or already held that text)
// and loaded, 1 otherwise.
int run_discover(const std::vector<std::string>& paths, bool force);
void do_discover(LINE_ARRAY tokens, int count);
