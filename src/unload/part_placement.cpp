// Putting the outputs of a split table's workers into the data file in run
// order while they run. The first worker writes onto the data file itself;
// once every worker before the next one is in place, that one is asked to go
// on in the data file, and what it wrote into its part file until then is
// copied in front of it. A worker that ends before it is asked has all its
// output copied. So the copying overlaps the work of the workers still
// running, and the output of the last workers is mostly written once.

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "base/config.h"
#include "base/trace.h"
#include "unload/parallel_workers.h"
#include "unload/part_files.h"

namespace {

// Copies the first `length` bytes of the worker's part file to `at`.
bool copy_part(PWORKER_GROUP group, const WORKER& worker, ub8 at, ub8 length)
{
    if (length == 0)
        return true;
    int err = worker.part >= 0 ? copy_part_file(group->data_fd, (off_t)at, worker.part, (off_t)length) : EBADF;
    if (err != 0) {
        group->place_error = err;
        return false;
    }
    // Its bytes are in place and it is never read again: its pages go back
    // now, while workers still run, rather than when the part is closed at
    // the end. (The worker writes no more into it: it has switched or ended.)
    if (ftruncate(worker.part, 0) != 0 && config_data.trace_level >= TL_INFO)
        write_trace("part file of worker %d not emptied: %s\n", (int)worker.pid, strerror(errno));
    return true;
}

} // namespace

void place_worker_output(PWORKER_GROUP group)
{
    const size_t count = group->workers.size();
    while (group->place_error == 0 && group->placed < count) {
        WORKER_SLOT& slot = group->slots[group->placed];
        const WORKER& worker = group->workers[group->placed];
        int state = slot.state.load();
        if (state == WS_DIRECT && !group->copied) {
            if (!copy_part(group, worker, slot.base.load(), slot.buffered.load()))
                return;
            group->copied = true;
        }
        if (state != WS_DONE || !slot.finished.load())
            return; // still writing, or failed: nothing after it is placed
        if (slot.direct.load()) {
            // It switched (perhaps unseen until now) and wrote on in place.
            if (!group->copied && !copy_part(group, worker, slot.base.load(), slot.buffered.load()))
                return;
            group->placed_end = slot.end_offset.load();
        } else {
            off_t size = get_part_file_size(worker.part);
            if (size < 0) {
                group->place_error = errno;
                return;
            }
            if (!copy_part(group, worker, group->placed_end, (ub8)size))
                return;
            group->placed_end += (ub8)size;
        }
        group->placed++;
        group->copied = false;
        if (group->placed < count) {
            WORKER_SLOT& next = group->slots[group->placed];
            next.base.store(group->placed_end);
            int expected = WS_PART;
            next.state.compare_exchange_strong(expected, WS_SWITCH);
        }
    }
}

size_t end_worker_placement(PWORKER_GROUP group)
{
    place_worker_output(group);
    // What a failed worker (or any after it) wrote onto the data file goes.
    if (group->placed < group->workers.size() && ftruncate(group->data_fd, (off_t)group->placed_end) != 0 &&
        group->place_error == 0)
        group->place_error = errno;
    if (lseek(group->data_fd, (off_t)group->placed_end, SEEK_SET) < 0 && group->place_error == 0)
        group->place_error = errno;
    return group->placed;
}
