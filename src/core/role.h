// Process roles: the master talks to the front end, a worker takes its
// commands from the pipe of the process that started it.
#pragma once

#include <cstdint>

struct ProcessRole {
    int32_t is_master;      // only the master writes to standard output
    int32_t worker_id;      // 0 in the master
    char name_suffix[12];   // the master's process id, names the shared blocks
    int32_t upstream_pipe;  // file descriptor of the pipe from upstream, -1 when none
    int32_t read_from_pipe;
    int32_t library_host;  // driven by a host program through the exported functions
};
extern ProcessRole role;
