#pragma once
// Drives everything the loaded disk groups offer, the way the commands do:
// every directory loaded, every file named in them opened and read. Used by
// the corruption sweep and the whole-disk fuzz target, where the point is that
// nothing reads out of bounds or runs without end.

#include "base/types.h"

struct AsmWalkCounts {
    ub4 directories = 0;
    ub4 files_opened = 0;
    ub8 blocks_read = 0;
};

// At most max_blocks blocks are read from each file.
AsmWalkCounts walk_asm_groups(ub4 max_blocks);
