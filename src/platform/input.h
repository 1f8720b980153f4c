// Line input from a file descriptor through a buffer of our own. Because the
// buffer is ours, the waiting-input test can count the bytes the reader has
// already pulled in, which the operating system no longer sees.
#pragma once

#include <cstdint>

struct LineInput {
    int32_t fd;
    int32_t next;  // first byte of buffer not yet handed out
    int32_t end;   // one past the last byte read into buffer
    bool at_end;   // the source reported end of input or an error
    char buffer[4096];
};
// The master's commands: standard input.
extern LineInput standard_input;

// Reads the next line into line, at most size - 1 characters and the
// terminator. The line end is not stored, nor a carriage return directly
// before it; what does not fit of an overlong line is read and discarded.
// A last line without a line end is still a line. Returns false at end of
// input when no character of a new line was read.
bool read_line(LineInput& input, char* line, int size);

// Greater than 0 when read_line would not wait: bytes are buffered or
// waiting at the source, or the source has ended or failed (the reader then
// meets the end). 0 when nothing is waiting. Never blocks.
int input_waiting(LineInput& input);
