#pragma once
// Databases: a set of datafiles written into one directory with the
// control.txt that lists them and a config.txt that reads them.

#include <string>
#include <vector>

#include "builder/datafile_image.h"

namespace zb {

class DatabaseImage {
public:
    DatafileImage& add_file(const std::string& name, const DatafileDef& def);
    DatafileImage& file(size_t index) { return files_.at(index).second; }
    size_t size() const { return files_.size(); }

    // Writes every file and "control.txt" (paths as given to add_file).
    void write(const std::string& dir) const;
    std::string control_text() const;

private:
    std::vector<std::pair<std::string, DatafileImage>> files_;
};

// A config.txt for files of this byte order and block size, plus extra lines.
std::string config_text(int order, uint32_t block_size, const std::string& extra = "");
void write_text_file(const std::string& path, const std::string& text);

} // namespace zb
