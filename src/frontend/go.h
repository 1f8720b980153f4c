#pragma once

// The "go" command: limits from the line, the search, "info cpuload" and
// "bestmove".
void handle_go(const char* line);
