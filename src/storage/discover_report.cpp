// What discover tells the user: the datafiles found, the disks, and a line
// for each file it set aside or found short.

#include <cctype>

#include "base/printer.h"
#include "storage/discover.h"

namespace {

// Names come raw from the headers; a damaged one must not reach the terminal
// as control characters.
std::string printable(const char* text)
{
    std::string out;
    for (const char* p = text; *p != '\0'; p++)
        out += isprint((unsigned char)*p) ? *p : '?';
    return out;
}

const char* order_name(int byte_order)
{
    return byte_order == BO_BIG ? "big" : "little";
}

const char* file_type_name(ub2 file_type)
{
    switch (file_type) {
    case FILETYPE_CONTROL:
        return "control file";
    case FILETYPE_REDO:
        return "redo log";
    case FILETYPE_BACKUP_CONTROL:
        return "backup control file";
    case FILETYPE_BACKUP_PIECE:
        return "backup piece";
    case FILETYPE_TEMPORARY:
        return "temporary file";
    default:
        return "file of an unknown type";
    }
}

void show_datafile_line(const DISCOVERED_FILE& f)
{
    const DATAFILE_PROBE& d = f.probe.datafile;
    sp_printf("%4u %-15s %4u %4u %5u %10u %-6s %-8s %10u %15llu %s\n", d.header.tbs_no,
              printable(d.header.tbs_name).c_str(), (ub4)d.header.file_no, d.header.relative_fn, d.block_size,
              d.header.file_size, order_name(d.byte_order), printable(d.header.db_name).c_str(), d.header.db_id,
              (unsigned long long)d.checkpoint_scn, f.path.c_str());
}

void show_duplicate(const DISCOVERED_FILE& f, const DISCOVERED_FILE& kept)
{
    unsigned long long scn = f.probe.datafile.checkpoint_scn;
    unsigned long long kept_scn = kept.probe.datafile.checkpoint_scn;
    if (scn == kept_scn)
        sp_printf("file# %u found twice: '%s' kept, '%s' skipped (the same checkpoint scn %llu).\n",
                  (ub4)f.probe.datafile.header.file_no, kept.path.c_str(), f.path.c_str(), scn);
    else
        sp_printf("file# %u found twice: '%s' kept (checkpoint scn %llu), '%s' skipped (checkpoint scn %llu, older).\n",
                  (ub4)f.probe.datafile.header.file_no, kept.path.c_str(), kept_scn, f.path.c_str(), scn);
}

void show_problem(const DISCOVERED_FILES& files, const DISCOVERED_FILE& f, const DISCOVER_SETTINGS& settings)
{
    const DATAFILE_PROBE& d = f.probe.datafile;
    const char* path = f.path.c_str();
    switch (f.status) {
    case DS_KEPT:
        if (is_discovered_datafile(f) && get_discovered_blocks_present(f) < get_discovered_header_blocks(f))
            sp_printf("'%s' is truncated: %llu of the %u blocks its header counts are present.\n", path,
                      (unsigned long long)get_discovered_blocks_present(f), d.header.file_size);
        break;
    case DS_NOT_DATAFILE:
        sp_printf("'%s' is not a datafile: skipped.\n", path);
        break;
    case DS_NO_FILE_HEADER:
        sp_printf("'%s' has block 0 of a datafile (block size %u, %s-endian) but no file header after it: skipped.\n",
                  path, f.probe.os_block.block_size, order_name(f.probe.os_block.byte_order));
        break;
    case DS_OTHER_FILE_TYPE:
        sp_printf("'%s' is a %s (file type %u), not a datafile: skipped.\n", path, file_type_name(d.header.file_type),
                  (ub4)d.header.file_type);
        break;
    case DS_BAD_NUMBERS:
        sp_printf("'%s' has a file header with numbers no datafile has (ts# %u, file# %u, rfile# %u): skipped.\n",
                  path, d.header.tbs_no, (ub4)d.header.file_no, d.header.relative_fn);
        break;
    case DS_FOREIGN:
        sp_printf("'%s' belongs to database %s (dbid %u), not %s (dbid %u): skipped.\n", path,
                  printable(d.header.db_name).c_str(), d.header.db_id, printable(settings.db_name).c_str(),
                  settings.db_id);
        break;
    case DS_DUPLICATE:
        show_duplicate(f, files[f.other]);
        break;
    case DS_OTHER_ORDER:
        if (is_discovered_asm_disk(f))
            sp_printf("asm disk '%s' is %s-endian, the files read with it %s-endian: skipped.\n", path,
                      order_name(f.probe.asm_disk.byte_order), order_name(1 - f.probe.asm_disk.byte_order));
        else
            sp_printf("'%s' is %s-endian%s, the database %s-endian%s: skipped.\n", path, order_name(d.byte_order),
                      d.is_tru64 ? " (Tru64 header)" : "", order_name(settings.byte_order),
                      settings.is_tru64 ? " (Tru64 header)" : "");
        break;
    case DS_SAME_FILE:
        sp_printf("'%s' is the same file as '%s': skipped.\n", path, files[f.other].path.c_str());
        break;
    case DS_BAD_PATH:
        sp_printf("'%s' can not be named in a list file (a blank, a leading '+', or more than %d characters): "
                  "skipped.\n",
                  path, FILENAME_MAXLEN - 1);
        break;
    case DS_NOT_MEMBER:
        sp_printf("'%s' is an asm disk of no disk group: skipped.\n", path);
        break;
    case DS_DUPLICATE_DISK:
        sp_printf("'%s' is disk %u of group %s, found already as '%s': skipped.\n", path,
                  (ub4)f.probe.asm_disk.header.dsknum, printable(f.probe.asm_disk.header.grpname).c_str(),
                  files[f.other].path.c_str());
        break;
    case DS_DIRECTORY_CUT:
        sp_printf("'%s' holds more than %llu names: only the first %llu were examined.\n", path,
                  (unsigned long long)f.bytes, (unsigned long long)f.bytes);
        break;
    default:
        sp_printf("can not read '%s', error message:%s: skipped.\n", path, f.error.c_str());
    }
}

} // namespace

void show_discover_report(const DISCOVERED_FILES& files, const DISCOVER_SETTINGS& settings,
                          const ASM_EXAMINE_COUNTS& asm_counts)
{
    ub4 datafiles = 0, disks = 0, skipped = 0;
    sp_printf("\n ts# tablespace        fn  rfn bsize     blocks order  database       dbid  checkpoint scn filename\n");
    sp_printf("---- --------------- ---- ---- ----- ---------- ------ -------- ---------- --------------- "
              "--------------------\n");
    for (const DISCOVERED_FILE& f : files)
        if (is_discovered_datafile(f) && f.status != DS_OTHER_FILE_TYPE) {
            show_datafile_line(f);
            datafiles += f.status == DS_KEPT;
        }
    sp_printf("\n");
    for (const DISCOVERED_FILE& f : files)
        if (is_discovered_asm_disk(f) && f.status == DS_KEPT) {
            sp_printf("asm disk %u of group %s (%s-endian): %s\n", (ub4)f.probe.asm_disk.header.dsknum,
                      printable(f.probe.asm_disk.header.grpname).c_str(), order_name(f.probe.asm_disk.byte_order),
                      f.path.c_str());
            disks++;
        }
    for (const DISCOVERED_FILE& f : files) {
        show_problem(files, f, settings);
        skipped += f.status != DS_KEPT && f.status != DS_DIRECTORY_CUT;
    }
    if (asm_counts.other_files > 0)
        sp_printf("%u files of the disk groups have no datafile's block size (logs and the like): not read.\n",
                  asm_counts.other_files);
    if (asm_counts.names_cut)
        sp_printf("the disk groups hold more names than are examined: datafiles may be missing.\n");
    if (datafiles > 0)
        sp_printf("%u datafiles of database %s (dbid %u), %u asm disks, %u files skipped.\n\n", datafiles,
                  printable(settings.db_name).c_str(), settings.db_id, disks, skipped);
    else
        sp_printf("no datafile found, %u asm disks, %u files skipped.\n\n", disks, skipped);
}
