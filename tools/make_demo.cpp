// make_demo: writes the demo database into a directory (default ./demo):
// SYSTEM01.DBF and USERS01.DBF, config.txt with the character sets and the
// output directory, the output directory, and demo.txt, a command file that
// discovers the datafile list, rebuilds the dictionary, lists and describes,
// unloads SCOTT's tables, scans the extents and recovers the rows of the
// truncated HR.OLD_ORDERS:
//
//   make_demo [directory]
//   cd directory && zem < demo.txt

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <sys/stat.h>

#include "builder/demo_schema.h"

namespace {

bool make_dir(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
        return true;
    fprintf(stderr, "make_demo: cannot create %s: %s\n", path.c_str(), strerror(errno));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && (strcmp(argv[1], "-h") == 0 || strcmp(argv[1], "--help") == 0))) {
        fprintf(stderr, "usage: make_demo [directory]\n");
        return 2;
    }
    std::string dir = argc == 2 ? argv[1] : "demo";
    try {
        if (!make_dir(dir) || !make_dir(dir + "/out"))
            return 1;
        zb::DictionaryDef def = zb::demo_dictionary();
        zb::BuiltDatabase db = zb::build_database(def);
        db.image.write(dir);
        // The demo finds its datafile list, block size and byte order with
        // discover; config.txt holds only what the headers cannot tell.
        std::remove((dir + "/control.txt").c_str());
        zb::write_text_file(dir + "/config.txt", zb::demo_user_config("out"));
        zb::write_text_file(dir + "/demo.txt", zb::demo_commands());
    } catch (const std::exception& e) {
        fprintf(stderr, "make_demo: %s\n", e.what());
        return 1;
    }
    printf("demo database written to %s: run zem there with demo.txt as its input\n", dir.c_str());
    return 0;
}
