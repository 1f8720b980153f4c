// Placeholder until the worker chain lands: with one process there is no chain.
#include "smp/workers.h"

#include "frontend/roles.h"

WorkerLink worker_link = {-1, 0};

void start_worker_chain(int count) {
    role.read_from_pipe = 1 - role.is_master;
    worker_link.has_downstream = count > 0 ? 1 : 0;
}

void open_shared_tables(int /*megabytes*/) {}

void write_downstream(const char* /*text*/) {}

int open_upstream_pipe(int /*worker_number*/) {
    return -1;
}

bool read_upstream_line(char* line, int size) {
    if (size > 0) line[0] = 0;
    return false;
}

void close_worker_pipes() {}
