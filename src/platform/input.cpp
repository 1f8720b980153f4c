#include "platform/input.h"

#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

LineInput standard_input = {0, 0, 0, false, {}};

namespace {

// Refills the buffer once it is used up; false at end of input or on error.
bool fill_buffer(LineInput& input) {
    if (input.next < input.end) return true;
    if (input.at_end) return false;
    for (;;) {
        ssize_t got = read(input.fd, input.buffer, sizeof input.buffer);
        if (got > 0) {
            input.next = 0;
            input.end = static_cast<int32_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        // A descriptor left in non-blocking mode by whoever started us has
        // simply nothing yet: wait for it rather than take it for the end.
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd wait_for_input = {input.fd, POLLIN, 0};
            poll(&wait_for_input, 1, -1);
            continue;
        }
        input.at_end = true;
        return false;
    }
}

}  // namespace

bool read_line(LineInput& input, char* line, int size) {
    int length = 0;
    bool cut = false;
    bool read_any = false;
    bool line_end = false;
    while (fill_buffer(input)) {
        read_any = true;
        char c = input.buffer[input.next++];
        if (c == '\n') {
            line_end = true;
            break;
        }
        if (length < size - 1)
            line[length++] = c;
        else
            cut = true;
    }
    if (!read_any) return false;
    // A carriage return counts as part of the line end only when it stands
    // directly before it, so not when the line was cut.
    if (line_end && !cut && length > 0 && line[length - 1] == '\r') length--;
    if (size > 0) line[length] = 0;
    return true;
}

int input_waiting(LineInput& input) {
    if (input.next < input.end) return input.end - input.next;
    if (input.at_end) return 1;
    pollfd query = {input.fd, POLLIN, 0};
    int ready;
    do ready = poll(&query, 1, 0);
    while (ready < 0 && errno == EINTR);
    if (ready < 0) return 1;  // the source cannot be asked: let the reader find out
    if (ready == 0) return 0;
    // Readable, hung up or invalid: either bytes wait or the reader meets the end.
    int count = 0;
    if (ioctl(input.fd, FIONREAD, &count) == 0 && count > 0) return count;
    return 1;
}
