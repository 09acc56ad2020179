#pragma once
// End-to-end runs: a database written by the dictionary builder into a
// scratch directory (datafiles, control.txt, config.txt, an output
// directory "out"), zem run over it as a process with its clock stopped,
// and readers for what it writes.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "builder/dictionary.h"
#include "support/process.h"

class E2eDatabase {
public:
    // `adjust` may change the images (damage blocks, edit a header) before
    // they are written.
    E2eDatabase(const std::string& tag, const zb::DictionaryDef& def, const std::string& extra_config = "",
                const std::function<void(zb::BuiltDatabase&)>& adjust = {});
    ~E2eDatabase();
    E2eDatabase(const E2eDatabase&) = delete;
    E2eDatabase& operator=(const E2eDatabase&) = delete;

    const std::string& dir() const { return dir_; }
    const zb::DictionaryDef& def() const { return def_; }
    const zb::BuiltDatabase& db() const { return db_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Runs the commands (then "exit"); `out` of the result starts at the
    // first prompt, after the start-up lines.
    ZemRun run(const std::string& commands, int timeout_seconds = 60) const;
    std::string output(const std::string& name) const { return read_file(dir_ + "/out/" + name); }
    std::vector<std::string> output_names() const;
    std::map<std::string, std::string> outputs() const; // name -> contents
    // The dictionary cache files unload dict wrote: name -> contents.
    std::map<std::string, std::string> dictionary_cache() const;
    void clear_output() const;

private:
    std::string dir_;
    zb::DictionaryDef def_;
    zb::BuiltDatabase db_;
};

// The environment of every end-to-end run: the stopped clock.
std::map<std::string, std::string> e2e_env();
// Everything from the first prompt on.
std::string transcript_of(const std::string& out);

// A digest of a file's bytes (FNV-1a, 64 bits) and its size.
std::string file_digest(const std::string& path);

size_t count_of(const std::string& text, const std::string& what);
std::vector<std::string> lines_of(const std::string& text);
// Removes the logs the workers of a parallel unload leave in `dir`; returns
// how many there were.
size_t remove_worker_logs(const std::string& dir);

// The rows a table's unload gives: its own and its partitions' and
// subpartitions', the deleted ones left out.
std::vector<zb::DictRow> live_rows(const zb::DictTable& t);
// The name of a table's output files without the suffix: OWNER_NAME with
// characters other than ASCII letters, digits, "." and "_" made "_".
std::string output_base(const zb::DictTable& t);
// ext.zem lines as scan extent writes them, in tablespace 4, file 4: one
// run of `blocks` blocks of the given type, and a segment's header and
// data blocks in runs.
std::string extent_line(uint32_t dataobj, uint32_t first, size_t blocks, int type = 6);
std::string extent_lines(const zb::BuiltSegment& s);
// Removes the lines of object `obj` from a dictionary cache file, as if the
// object had been dropped.
void drop_cache_lines(const std::string& path, uint32_t obj);

// What a loader takes from a control file: the data file, its record
// terminator (STR), the field delimiter, the optional enclosure and the
// columns in field order. A LOB column loaded from a file of its own takes
// its field through its FILLER column.
struct ControlFile {
    std::string infile;
    std::string record_end = "\n";
    std::string delimiter;
    std::string enclosure; // empty without OPTIONALLY ENCLOSED BY
    std::vector<std::string> fields;
    std::vector<std::string> lob_files; // fields whose value is the name of a file holding it
};

ControlFile parse_control_file(const std::string& text);
// Reads the data file as SQL*Loader does with that control file: records
// end at the terminator; a field ends at the delimiter unless it begins
// (after blanks) with the enclosure, which then ends it (a doubled enclosure
// is one character of the value); with an optional enclosure an unenclosed
// field loses its leading blanks; an all-blank unenclosed field is NULL;
// fields missing at the end of a record are NULL (TRAILING NULLCOLS). NULL
// reads as the empty text. With a directory, a LOBFILE field is replaced by
// the file it names there.
std::vector<std::vector<std::string>> load_text_rows(const std::string& text, const ControlFile& ctl,
                                                     const std::string& lob_dir = "");
// What loading should give for these rows of the table: each row's values
// (their texts) in the control file's field order.
std::vector<std::vector<std::string>> expected_text_rows(const std::vector<zb::DictRow>& rows,
                                                         const zb::DictTable& table, const ControlFile& ctl);
