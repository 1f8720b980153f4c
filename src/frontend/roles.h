// Process start: the role comes from the command line.
#pragma once

// The process entry: decides the role from the arguments and runs the
// command interpreter. Never returns.
[[noreturn]] void process_entry(int argc, char** argv);
