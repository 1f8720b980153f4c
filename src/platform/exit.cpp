#include "platform/exit.h"

#include <cstdlib>

void end_process(int status) {
    // Through exit, not _exit: standard output is flushed on the way.
    std::exit(status);
}
