// Line splitters over arbitrary text: the first byte picks the delimiter
// length, the next bytes the delimiter, the rest is the line.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/splitter.h"
#include "support_seeds.h"

namespace {
LINE_ARRAY tokens;
SMALL_LINE_ARRAY fields;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    write_seed("splitter_fuzz", "commands", std::string("\x01,  load config x.txt\r\n"));
    write_seed("splitter_fuzz", "delimited", std::string("\x01|a|b||c|\n"));
    write_seed("splitter_fuzz", "owner", std::string("\x01.SCOTT.EMP.X"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    size_t dlen = data[0] % 4;
    if (1 + dlen > size)
        return 0;
    std::string delimiter(reinterpret_cast<const char*>(data + 1), dlen);
    delimiter = delimiter.c_str(); // stop at an embedded terminator
    std::string line(reinterpret_cast<const char*>(data + 1 + dlen), size - 1 - dlen);
    bool overflow;
    split_line(tokens, line.c_str(), &overflow);
    split_line_small(fields, line.c_str(), &overflow);
    split_line_delimiter(tokens, line.c_str(), delimiter.c_str(), &overflow);
    split_line_delimiter_small(fields, line.c_str(), delimiter.c_str(), &overflow);
    split_line_user_object(fields, line.c_str(), delimiter.empty() ? "." : delimiter.c_str());
    return 0;
}
