// One-way named pipes (FIFOs) between the processes of one engine. They live
// in a directory only this user can enter, carry the master's name suffix so
// that two engines never meet, and lose their names as soon as both ends are
// open.
#pragma once

// Results of pipe_open_writer and pipe_read_byte besides a descriptor or a byte.
inline constexpr int PIPE_NO_READER = -1;  // nobody has the pipe open for reading yet
inline constexpr int PIPE_FAILED = -2;     // the pipe cannot be opened at all
inline constexpr int PIPE_NO_DATA = -1;    // nothing to read (no writer yet, or a non-blocking pipe is empty)
inline constexpr int PIPE_END = -2;        // the writer has gone: nothing more will come

// Room for the full path of a pipe.
inline constexpr int PIPE_PATH_SIZE = 512;

// The private directory that holds the pipes, created (mode 0700) when
// missing. False when it cannot be made or is not ours alone.
bool pipe_directory(char* out, int size);
// Full path of the pipe to worker number worker_number of the engine whose
// master has name_suffix. False when the suffix could leave the directory
// (only letters, digits, '-' and '_' are taken) or the path does not fit.
bool pipe_path(char* out, int size, int worker_number, const char* name_suffix);

// Makes a new pipe at path, mode 0600. A pipe left there by a process that
// died before its worker connected is replaced.
bool pipe_create(const char* path);
void pipe_remove(const char* path);

// The write end, without waiting: a blocking descriptor once a reader has
// the pipe open, else PIPE_NO_READER or PIPE_FAILED.
int pipe_open_writer(const char* path);
// The read end, without waiting for a writer: a blocking descriptor, or
// PIPE_FAILED (for example when the pipe does not exist).
int pipe_open_reader(const char* path);

// Bytes waiting in the pipe; 1 when the writer has gone or the pipe cannot be
// asked, so that the reader goes on and meets the end. Never blocks.
int pipe_pending(int fd);
// One byte (0..255), PIPE_NO_DATA or PIPE_END. Blocks while a writer is
// connected and nothing has been written.
int pipe_read_byte(int fd);
// Writes all of text; a reader that has gone is not reported.
void pipe_write(int fd, const char* text);
void pipe_close(int fd);
