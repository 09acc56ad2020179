// zembuild: writes one datafile from command-line options, and appends the
// matching control.txt line.
//
//   zembuild --out FILE [--block-size N] [--order little|big] [--format HEX]
//            [--tru64] [--offset BYTES] [--ts N] [--fn N] [--rfn N] [--bigfile]
//            [--blocks N] [--segment 16|17|5|35 --extents N --extent-blocks N]
//            [--damage BLOCK:tail|checksum|seq|zero] [--truncate BYTES]
//            [--control FILE]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "builder/datafile_image.h"
#include "builder/segment_builder.h"

namespace {

void usage()
{
    fprintf(stderr, "usage: zembuild --out FILE [--block-size N] [--order little|big] [--format HEX] [--tru64]\n"
                    "                [--offset BYTES] [--ts N] [--fn N] [--rfn N] [--bigfile] [--blocks N]\n"
                    "                [--segment 16|17|5|35 --extents N --extent-blocks N]\n"
                    "                [--damage BLOCK:tail|checksum|seq|zero] [--truncate BYTES] [--control FILE]\n");
    exit(2);
}

unsigned long number(const char* text)
{
    char* end = nullptr;
    unsigned long v = strtoul(text, &end, 0);
    if (end == text || *end != '\0')
        usage();
    return v;
}

zb::Damage damage_kind(const std::string& text)
{
    if (text == "tail")
        return zb::Damage::bad_tail;
    if (text == "checksum")
        return zb::Damage::bad_checksum;
    if (text == "seq")
        return zb::Damage::seq_ff;
    if (text == "zero")
        return zb::Damage::zeroed;
    usage();
    return zb::Damage::zeroed;
}

} // namespace

int main(int argc, char** argv)
{
    zb::DatafileDef def;
    std::string out, control;
    unsigned long segment = 0, extents = 1, extent_blocks = 8, truncate_to = 0;
    std::vector<std::pair<uint32_t, zb::Damage>> damages;
    for (int i = 1; i < argc; i++) {
        std::string opt = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                usage();
            return argv[++i];
        };
        if (opt == "--out")
            out = value();
        else if (opt == "--block-size")
            def.block_size = (uint32_t)number(value());
        else if (opt == "--order")
            def.order = strcmp(value(), "big") == 0 ? zb::BIG : zb::LITTLE;
        else if (opt == "--format")
            def.format = (uint8_t)number(value());
        else if (opt == "--tru64")
            def.tru64 = true;
        else if (opt == "--offset")
            def.header_offset = (uint32_t)number(value());
        else if (opt == "--ts")
            def.ts_no = (uint32_t)number(value());
        else if (opt == "--fn")
            def.file_no = (uint32_t)number(value());
        else if (opt == "--rfn")
            def.rfile_no = (uint32_t)number(value());
        else if (opt == "--bigfile") {
            def.big_file = true;
            def.rfile_no = 1024;
        } else if (opt == "--blocks")
            def.blocks = (uint32_t)number(value());
        else if (opt == "--segment")
            segment = number(value());
        else if (opt == "--extents")
            extents = number(value());
        else if (opt == "--extent-blocks")
            extent_blocks = number(value());
        else if (opt == "--damage") {
            std::string arg = value();
            size_t colon = arg.find(':');
            if (colon == std::string::npos)
                usage();
            damages.emplace_back((uint32_t)number(arg.substr(0, colon).c_str()), damage_kind(arg.substr(colon + 1)));
        } else if (opt == "--truncate")
            truncate_to = number(value());
        else if (opt == "--control")
            control = value();
        else
            usage();
    }
    if (out.empty())
        usage();
    try {
        zb::DatafileImage file(def);
        if (segment != 0) {
            zb::SegmentLayout layout;
            layout.header_type = (uint8_t)segment;
            for (unsigned long e = 0; e < extents; e++)
                layout.extents.push_back({(uint32_t)(2 + e * extent_blocks), (uint32_t)extent_blocks});
            zb::add_segment(file, layout);
        }
        for (const auto& [block_no, kind] : damages) {
            if (!file.has(block_no))
                file.put(block_no, file.blank(block_no));
            file.damage(block_no, kind);
        }
        file.write(out, truncate_to);
        if (!control.empty()) {
            std::ofstream ctl(control, std::ios::app);
            ctl << file.control_line(out) << "\n";
        }
    } catch (const std::exception& e) {
        fprintf(stderr, "zembuild: %s\n", e.what());
        return 1;
    }
    return 0;
}
