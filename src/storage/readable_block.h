// Finding where a stretch of unreadable blocks ends.

#pragma once

#include "base/types.h"

// Reads one block at block_no into the caller's buffer; false when it does
// not read.
typedef bool (*READ_ONE_BLOCK)(void* context, ub8 block_no);

// Block `failed` and the few before it did not read: the first block after
// it, below `end`, that does (`end` when none). A lost ASM extent or a
// missing disk makes whole stretches unreadable, and each failed read may be
// slow, so the blocks are not tried one by one: probes go ahead in doubling
// steps up to `max_step`, then the last step is halved back to the first
// block that reads. A readable stretch at least `max_step` blocks long is
// never stepped over, and a dead stretch of n blocks costs about
// n / max_step + 2 log2(max_step) failed reads.
ub8 find_readable_block(ub8 failed, ub8 end, ub8 max_step, READ_ONE_BLOCK read_one, void* context);
