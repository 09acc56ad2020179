// Choosing what discover lists: the datafiles of one database, one copy of
// each file number, and the ASM disks that can be read with them.

#include <cstring>
#include <map>

#include "base/config.h"
#include "base/str_util.h"
#include "storage/discover.h"

namespace {

bool is_candidate(const DISCOVERED_FILE& file)
{
    return is_discovered_datafile(file) && file.status == DS_KEPT;
}

struct DATABASE_COUNT {
    bool has_system = false;
    ub4 files = 0;
    size_t first = 0;
};

// The database whose files include tablespace 0 (the dictionary lives
// there), then the one with most files, then the one met first.
bool choose_database(const DISCOVERED_FILES& files, ub4* db_id)
{
    std::map<ub4, DATABASE_COUNT> counts;
    for (size_t i = 0; i < files.size(); i++) {
        if (!is_candidate(files[i]))
            continue;
        const DATAFILE_HEADER& h = files[i].probe.datafile.header;
        auto [it, added] = counts.try_emplace(h.db_id);
        if (added)
            it->second.first = i;
        it->second.files++;
        it->second.has_system = it->second.has_system || h.tbs_no == 0;
    }
    const DATABASE_COUNT* best = nullptr;
    for (const auto& [id, count] : counts) {
        bool better = best == nullptr || count.has_system > best->has_system ||
                      (count.has_system == best->has_system &&
                       (count.files > best->files || (count.files == best->files && count.first < best->first)));
        if (better) {
            best = &count;
            *db_id = id;
        }
    }
    return best != nullptr;
}

// The file that speaks for the database: SYSTEM's first file, else the
// lowest file number.
size_t choose_reference(const DISCOVERED_FILES& files, ub4 db_id)
{
    size_t best = files.size();
    for (size_t i = 0; i < files.size(); i++) {
        if (!is_candidate(files[i]) || files[i].probe.datafile.header.db_id != db_id)
            continue;
        if (best == files.size()) {
            best = i;
            continue;
        }
        const DATAFILE_HEADER& h = files[i].probe.datafile.header;
        const DATAFILE_HEADER& b = files[best].probe.datafile.header;
        bool system = h.tbs_no == 0, best_system = b.tbs_no == 0;
        if (system > best_system || (system == best_system && h.file_no < b.file_no))
            best = i;
    }
    return best;
}

// The compatible setting: the release in the header's version word when it
// agrees with the block format, else the release the format stands for.
int compatible_of(const DATAFILE_PROBE& probe)
{
    ub4 release = probe.header.version >> 24;
    if (probe.block_format == BF_V7)
        return 7;
    if (probe.block_format == BF_V8)
        return release == 8 || release == 9 ? (int)release : 9;
    if (release >= 10 && release <= 12)
        return (int)release;
    return release > 12 && release < 100 ? 12 : 10;
}

} // namespace

int get_discovered_byte_order(const DISCOVERED_FILES& files)
{
    ub4 db_id = 0;
    if (!choose_database(files, &db_id))
        return -1;
    return files[choose_reference(files, db_id)].probe.datafile.byte_order;
}

ub4 plan_asm_disks(DISCOVERED_FILES* files, int* order)
{
    if (*order < 0) {
        int counts[2] = {0, 0};
        for (const DISCOVERED_FILE& f : *files)
            if (is_discovered_asm_disk(f) && f.status == DS_KEPT)
                counts[f.probe.asm_disk.byte_order == BO_BIG ? 1 : 0]++;
        *order = counts[1] > counts[0] ? BO_BIG : BO_LITTLE;
    }
    int byte_order = *order;
    ub4 kept = 0;
    for (size_t i = 0; i < files->size(); i++) {
        DISCOVERED_FILE& f = (*files)[i];
        if (!is_discovered_asm_disk(f) || f.status != DS_KEPT)
            continue;
        if (f.probe.asm_disk.byte_order != byte_order) {
            f.status = DS_OTHER_ORDER;
            continue;
        }
        const KFDHBH& h = f.probe.asm_disk.header;
        for (size_t j = 0; j < i; j++) {
            const DISCOVERED_FILE& g = (*files)[j];
            if (is_discovered_asm_disk(g) && g.status == DS_KEPT && g.probe.asm_disk.header.dsknum == h.dsknum &&
                str_case_equal(g.probe.asm_disk.header.grpname, h.grpname)) {
                f.status = DS_DUPLICATE_DISK;
                f.other = j;
                break;
            }
        }
        if (f.status == DS_KEPT)
            kept++;
    }
    return kept;
}

ub4 plan_datafiles(DISCOVERED_FILES* files, DISCOVER_SETTINGS* settings)
{
    memset(settings, 0, sizeof(*settings));
    ub4 db_id = 0;
    if (!choose_database(*files, &db_id))
        return 0;
    const DATAFILE_PROBE reference = (*files)[choose_reference(*files, db_id)].probe.datafile;
    for (DISCOVERED_FILE& f : *files) {
        if (!is_candidate(f))
            continue;
        const DATAFILE_PROBE& d = f.probe.datafile;
        if (d.header.db_id != db_id)
            f.status = DS_FOREIGN;
        else if (d.byte_order != reference.byte_order || d.is_tru64 != reference.is_tru64)
            f.status = DS_OTHER_ORDER;
    }
    // One copy of each file number: the newest checkpoint, or the first met.
    std::map<ub4, size_t> by_file_no;
    for (size_t i = 0; i < files->size(); i++) {
        DISCOVERED_FILE& f = (*files)[i];
        if (!is_candidate(f))
            continue;
        auto [it, added] = by_file_no.try_emplace(f.probe.datafile.header.file_no, i);
        if (added)
            continue;
        DISCOVERED_FILE& kept = (*files)[it->second];
        if (f.probe.datafile.checkpoint_scn > kept.probe.datafile.checkpoint_scn) {
            kept.status = DS_DUPLICATE;
            kept.other = i;
            it->second = i;
        } else {
            f.status = DS_DUPLICATE;
            f.other = it->second;
        }
    }
    // A copy set aside may have been named as the one kept by an older copy.
    for (DISCOVERED_FILE& f : *files)
        if (f.status == DS_DUPLICATE)
            f.other = by_file_no[f.probe.datafile.header.file_no];

    settings->db_id = db_id;
    memcpy(settings->db_name, reference.header.db_name, sizeof(settings->db_name));
    settings->byte_order = reference.byte_order;
    settings->block_size = (int)reference.block_size;
    settings->is_tru64 = reference.is_tru64;
    settings->compatible = compatible_of(reference);
    return (ub4)by_file_no.size();
}
