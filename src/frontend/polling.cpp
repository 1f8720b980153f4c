#include "frontend/polling.h"

#include "core/role.h"
#include "platform/input.h"
#include "platform/pipe.h"

int input_pending() {
    // A host program drives a loaded engine through its exported functions;
    // its standard input belongs to the host.
    if (role.library_host) return 0;
    return input_waiting(standard_input);
}

// Bytes waiting on the pipe from upstream; a pipe whose writer has gone
// counts as waiting, so that the reader meets its end.
int upstream_pending() {
    return pipe_pending(role.upstream_pipe);
}
