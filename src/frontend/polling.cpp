#include "frontend/polling.h"

#include "platform/input.h"

int input_pending() {
    return input_waiting(standard_input);
}

// The worker's pipe test comes with the worker chain; until then no worker
// reads from a pipe.
int upstream_pending() {
    return 0;
}
