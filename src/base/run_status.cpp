#include "base/run_status.h"

namespace {

bool output_failed = false;

} // namespace

void note_output_failure()
{
    output_failed = true;
}

bool take_output_failure()
{
    bool failed = output_failed;
    output_failed = false;
    return failed;
}
