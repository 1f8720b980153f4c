// Placeholder: replaced by the pending-input tests.
#include "frontend/polling.h"

int input_pending() { return 0; }
int upstream_pending() { return 0; }
