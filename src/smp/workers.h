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

// Worker start-up: waits for the pipe that carries this worker number and
// opens it for reading. Returns its file descriptor, -1 when none.
int open_upstream_pipe(int worker_number);
// A worker's line input: one command line from upstream_pipe, the line end
// not stored, at most size - 1 characters. False once upstream is gone.
bool read_upstream_line(char* line, int size);
// The quit sequence's last step: closes the pipe to the next worker and the
// pipe from upstream, whichever this process has.
void close_worker_pipes();
