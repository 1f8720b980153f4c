// The chain of worker processes and the pipes that carry commands to them.
#pragma once

#include <cstdint>

struct WorkerLink {
    int32_t downstream_pipe;  // write end of the pipe to the next worker, -1 when none
    int32_t has_downstream;
};
extern WorkerLink worker_link;

void start_worker_chain(int count);
void open_shared_tables(int megabytes);
// Writes text to the next worker, if any (results not examined).
void write_downstream(const char* text);
