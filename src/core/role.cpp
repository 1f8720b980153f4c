#include "core/role.h"

// A process is the master until its command line makes it a worker.
ProcessRole role = {1, 0, "", -1, 0, 0};
