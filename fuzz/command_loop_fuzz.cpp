// The whole shell (start-up, read-tokenize-dispatch loop, shutdown) fed its
// commands from a buffer. host and spool are disabled and names stay inside a
// scratch directory.
#include <cstdint>

#include "fuzz_support.h"
#include "shell/shell.h"
#include "support_seeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    write_seed("command_loop_fuzz", "utility",
               "help\nrowid AAAAABAABAAAAABAAA\nrdba 0x01000005\ntime 60\ncharset name utf8\ncharset id 1\n"
               "load config\n@x\nstart y\nunexp table a file b from 1 to 2\n");
    write_seed("command_loop_fuzz", "modules",
               "blockedit\nhelp\nset block 1\nexit\nasmcmd\nls\ncd +data\nhelp\nexit\nspool on\nexit\n");
    write_seed("command_loop_fuzz", "block_editor",
               "blockedit\nset datafile 1\nset offset 0x10\nm 0102\nf 01\nf\ndump /x old\ndump header\nsum apply\ny\n"
               "rollback\ny\nverify\nclean transaction\nmark undo\ncorrupt\nshow\nexit\ndump datafile 1 block 1\n"
               "asmcmd\ndump diskgroup 1 disk 0 au 0 block 0\nexit\n");
    fuzz_quiet_scratch_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    shell_restricted = true;
    std::string text = fuzz_local_text(data, size);
    FILE* input = fmemopen(text.data(), text.size() ? text.size() : 1, "r");
    if (input == nullptr)
        return 0;
    if (text.empty())
        fgetc(input); // an empty buffer: start at its end
    run_zem(input);
    fclose(input);
    return 0;
}
