#include "builder/database_image.h"

#include <fstream>
#include <stdexcept>

namespace zb {

DatafileImage& DatabaseImage::add_file(const std::string& name, const DatafileDef& def)
{
    files_.emplace_back(name, DatafileImage(def));
    return files_.back().second;
}

std::string DatabaseImage::control_text() const
{
    std::string text = "# ts fn rfn path bsize big offset blocks\n";
    for (const auto& [name, file] : files_)
        text += file.control_line(name) + "\n";
    return text;
}

void DatabaseImage::write(const std::string& dir) const
{
    for (const auto& [name, file] : files_)
        file.write(name[0] == '/' ? name : dir + "/" + name);
    write_text_file(dir + "/control.txt", control_text());
}

std::string config_text(int order, uint32_t block_size, const std::string& extra)
{
    return std::string("byte_order ") + (order == BIG ? "big" : "little") + "\nblock_size " +
           std::to_string(block_size) + "\n" + extra;
}

void write_text_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace zb
