// Starting processes of our own program and watching them.
#pragma once

// The path of the running executable, for showing (argv[0] of a worker).
// False when it cannot be read.
bool own_executable_path(char* out, int size);

// Starts program with the argument vector argv (argv[0] first, ended by a
// null pointer) as a detached process: in a session of its own, not a child
// of the caller (the caller never waits for it), with the environment and
// the standard error of the caller, standard input and output on /dev/null,
// and no other descriptor of the caller. A null program starts the running
// executable itself, even when its file has since been replaced. Returns the
// new process id, or -1 when it could not be started.
int start_detached_process(const char* program, char* const argv[]);

// Ends process pid at once (a process this program started).
void stop_process(int pid);

// True while process pid runs (a process that has ended but not yet been
// collected by its parent does not run).
bool process_running(int pid);
