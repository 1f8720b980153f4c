#include "frontend/polling.h"

#include "frontend/roles.h"
#include "platform/input.h"

int input_pending() {
    // A host program drives a loaded engine through its exported functions;
    // its standard input belongs to the host.
    if (role.library_host) return 0;
    return input_waiting(standard_input);
}

// The worker's pipe test comes with the worker chain; until then no worker
// reads from a pipe.
int upstream_pending() {
    return 0;
}
