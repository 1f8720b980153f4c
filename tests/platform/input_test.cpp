// The line reader and its waiting-input test over pipes and descriptors.
#include "platform/input.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// A reader of text sent through a pipe; the write end stays open when the
// caller takes it.
LineInput piped(const std::string& text, int* writer = nullptr) {
    int fds[2] = {-1, -1};
    EXPECT_EQ(pipe(fds), 0);
    EXPECT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    writer ? * writer = fds[1] : close(fds[1]);
    LineInput input{};
    input.fd = fds[0];
    return input;
}
Lines all_lines(LineInput& input, int size) {
    Lines lines;
    std::vector<char> line(static_cast<size_t>(size));
    while (read_line(input, line.data(), size)) lines.emplace_back(line.data());
    close(input.fd);
    return lines;
}

TEST(LineInput, LineEndsCarriageReturnsAndOverlongLines) {
    // Room for 7 characters. A carriage return goes only right before the
    // line end, so not when the line was cut; what does not fit is dropped up
    // to the line end; a last line without an end is still a line.
    LineInput input =
        piped("uci\nisready\r\n\n\r\na\rb\r\n\r\r\n0123456789\nnext\n0123456\r\n012345\r7\nlast");
    EXPECT_EQ(all_lines(input, 8), (Lines{"uci", "isready", "", "", "a\rb", "\r", "0123456", "next",
                                          "0123456", "012345\r", "last"}));
    // A line longer than the reader's own buffer is cut across refills.
    input = piped(std::string(3 * sizeof input.buffer + 17, 'x') + "\nisready\n");
    EXPECT_EQ(all_lines(input, 5000), (Lines{std::string(4999, 'x'), "isready"}));
}

TEST(LineInput, WaitingCountsBytesAlreadyBufferedAndTheEnd) {
    int writer = -1;
    LineInput input = piped("", &writer);
    EXPECT_EQ(input_waiting(input), 0) << "an open, empty pipe has nothing";
    ASSERT_EQ(write(writer, "stop\nisready\n", 13), 13);
    EXPECT_EQ(input_waiting(input), 13);
    char line[16];
    ASSERT_TRUE(read_line(input, line, sizeof line));
    EXPECT_STREQ(line, "stop");
    // The reader took both lines from the pipe; the second still waits.
    pollfd query = {input.fd, POLLIN, 0};
    EXPECT_EQ(poll(&query, 1, 0), 0);
    EXPECT_EQ(input_waiting(input), 8);
    ASSERT_TRUE(read_line(input, line, sizeof line));
    EXPECT_EQ(input_waiting(input), 0);
    // A closed writer counts as waiting, and the reader then meets the end,
    // which stays the end. So does a descriptor that is not open at all.
    close(writer);
    EXPECT_GT(input_waiting(input), 0);
    EXPECT_FALSE(read_line(input, line, sizeof line));
    EXPECT_GT(input_waiting(input), 0);
    EXPECT_FALSE(read_line(input, line, sizeof line));
    close(input.fd);
    input = LineInput{};
    input.fd = query.fd;  // no longer open
    EXPECT_GT(input_waiting(input), 0);
    EXPECT_FALSE(read_line(input, line, sizeof line));
}

}  // namespace
