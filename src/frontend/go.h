#pragma once

#include <cstdint>

// The "go" command: limits from the line, the search, "info cpuload" and
// "bestmove".
void handle_go(const char* line);

// The first part of "go": the parameters of the line become SearchLimits
// (and the per-search resets), without searching.
void set_limits_from_go(const char* line);

// The search's CPU load in thousandths from the thread's kernel and user
// times (100 ns units), each taken in whole milliseconds first; 0 when no
// time has passed.
int64_t cpu_load_thousandths(int64_t kernel_100ns, int64_t user_100ns, int64_t elapsed_ms);
