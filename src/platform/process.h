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

// Closes every descriptor above standard error except keep. Safe between
// fork and exec.
void close_descriptors_except(int keep);

// Ends process pid at once (a process this program started).
void stop_process(int pid);

// True while process pid runs (a process that has ended but not yet been
// collected by its parent does not run).
bool process_running(int pid);

// A small process that removes a set of names as soon as the process that
// started it has ended, however it ended (it waits on a pipe whose only
// write end its starter holds): shared-memory names (shm_unlink) and file
// paths (unlink). It leaves its starter's process group, ignores the
// signals of a terminal or a polite kill, and holds nothing of its
// starter's but that pipe.
struct NameGuard {
    int pid;       // -1 when none
    int watch_fd;  // the write end
};
// Starts a guard over the names given (read at once: the caller may reuse
// them). False when no process can be started.
bool start_name_guard(const char* const shm_names[], int shm_count, const char* const paths[], int path_count,
                      NameGuard& guard);
// Ends the guard without it removing anything and waits until it has gone:
// the names are the caller's again. Nothing when there is no guard.
void dismiss_name_guard(NameGuard& guard);
