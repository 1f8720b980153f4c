// The chain of worker processes and the pipes that carry commands to them.
// The master starts worker P - 1, which starts worker P - 2, and so on down
// to worker 1; every process passes each line on before acting on it.
// Results travel back only through the shared tables and the share block.
#pragma once

#include <cstdint>

struct WorkerLink {
    int32_t downstream_pipe;  // write end of the pipe to the next worker, -1 when none
    int32_t has_downstream;
};
extern WorkerLink worker_link;

// How long a started worker may take to open its pipe before its starter
// goes on without it, and how long a worker waits for its pipe and for the
// first line on it before it gives up.
inline constexpr int WORKER_CONNECT_TIMEOUT_MS = 5000;
inline constexpr int UPSTREAM_WAIT_MS = 30000;

// Ends the chain held so far (it has been told to quit) and, for count > 0,
// starts worker count and waits until it has opened its pipe. A worker that
// cannot be started or does not connect in time is left out.
void start_worker_chain(int count);
// A worker's "setoption name Hash value" line: opens the master's shared
// blocks, keeping what they hold. A worker that cannot open them ends the
// process with status 1.
void open_shared_tables(int megabytes);
// Writes text to the next worker, if any (results not examined).
void write_downstream(const char* text);

// Worker start-up: waits (at most UPSTREAM_WAIT_MS) for the pipe that
// carries this worker number and opens it for reading. Returns its file
// descriptor, -1 when none.
int open_upstream_pipe(int worker_number);
// A worker's line input: one command line from upstream_pipe, the line end
// not stored, at most size - 1 characters (the rest of a longer line is
// dropped). Until the first byte comes, a read that finds no writer pauses
// and tries again; after UPSTREAM_WAIT_MS of that, or at once when the master
// has gone, the worker removes the pipe's name and ends with status 1. False
// once the upstream process has gone: nothing more can come.
bool read_upstream_line(char* line, int size);
// The quit sequence's last step: closes the pipe to the next worker and the
// pipe from upstream, whichever this process has.
void close_worker_pipes();

// The program started as the next worker: the running executable, unless a
// test names another (nullptr restores the executable).
void set_worker_program(const char* path);
