#pragma once

// The "go" command: limits from the line, the search, "info cpuload" and
// "bestmove".
void handle_go(const char* line);

// The first part of "go": the parameters of the line become SearchLimits
// (and the per-search resets), without searching.
void set_limits_from_go(const char* line);
