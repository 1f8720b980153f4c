// The line reader and its waiting-input test over pipes, files and a
// terminal.
#include "platform/input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A pipe whose read end feeds a LineInput.
class PipeInput : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_EQ(pipe(fds), 0);
        input = {fds[0], 0, 0, false, {}};
    }
    void TearDown() override {
        close(fds[0]);
        if (fds[1] >= 0) close(fds[1]);
    }
    void write_text(const std::string& text) {
        ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void close_writer() {
        close(fds[1]);
        fds[1] = -1;
    }
    // Every line up to the end of input.
    std::vector<std::string> all_lines(int size = 5000) {
        std::vector<std::string> lines;
        std::vector<char> line(static_cast<size_t>(size));
        while (read_line(input, line.data(), size)) lines.emplace_back(line.data());
        return lines;
    }
    bool pipe_has_bytes() {
        pollfd query = {fds[0], POLLIN, 0};
        return poll(&query, 1, 0) > 0;
    }
    int fds[2] = {-1, -1};
    LineInput input;
};

using Lines = std::vector<std::string>;

TEST_F(PipeInput, LinesWithoutTheirLineEnds) {
    write_text("uci\nisready\r\n\n\r\nlast line without end");
    close_writer();
    EXPECT_EQ(all_lines(), (Lines{"uci", "isready", "", "", "last line without end"}));
    char line[8];
    EXPECT_FALSE(read_line(input, line, sizeof line)) << "the end stays the end";
}

TEST_F(PipeInput, OnlyACarriageReturnRightBeforeTheLineEndIsDropped) {
    write_text("a\rb\r\n\r\r\n\r");
    close_writer();
    EXPECT_EQ(all_lines(), (Lines{"a\rb", "\r", "\r"}));
}

TEST_F(PipeInput, OverlongLinesAreCutAndTheirRestDiscarded) {
    // Room for 7 characters: the eighth and all after it up to the line end go.
    write_text("0123456789\nnext\n0123456\r\n012345\r\n012345\r7\n");
    close_writer();
    // A carriage return kept at the cut was not before the line end: it stays.
    EXPECT_EQ(all_lines(8), (Lines{"0123456", "next", "0123456", "012345", "012345\r"}));
}

TEST_F(PipeInput, LinesLongerThanTheBufferAreCutAcrossRefills) {
    std::string text = std::string(3 * sizeof input.buffer + 17, 'x') + "\nisready\n";
    write_text(text);
    close_writer();
    EXPECT_EQ(all_lines(), (Lines{std::string(4999, 'x'), "isready"}));
}

TEST_F(PipeInput, WaitingCountsBytesAlreadyBuffered) {
    EXPECT_EQ(input_waiting(input), 0) << "an open, empty pipe has nothing";
    write_text("stop\nisready\n");
    EXPECT_EQ(input_waiting(input), 13);
    char line[16];
    ASSERT_TRUE(read_line(input, line, sizeof line));
    EXPECT_STREQ(line, "stop");
    // The reader took both lines from the pipe; the second still waits.
    EXPECT_FALSE(pipe_has_bytes());
    EXPECT_EQ(input_waiting(input), 8);
    ASSERT_TRUE(read_line(input, line, sizeof line));
    EXPECT_STREQ(line, "isready");
    EXPECT_EQ(input_waiting(input), 0);
    // A closed writer counts as waiting: the reader then meets the end.
    close_writer();
    EXPECT_GT(input_waiting(input), 0);
    EXPECT_FALSE(read_line(input, line, sizeof line));
    EXPECT_GT(input_waiting(input), 0);
}

TEST(FileInput, RegularFileAndClosedDescriptor) {
    char path[] = "/tmp/jux_input_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "position startpos\ngo\n", 21), 21);
    ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
    LineInput file = {fd, 0, 0, false, {}};
    char line[32];
    EXPECT_GT(input_waiting(file), 0);
    ASSERT_TRUE(read_line(file, line, sizeof line));
    EXPECT_STREQ(line, "position startpos");
    ASSERT_TRUE(read_line(file, line, sizeof line));
    EXPECT_STREQ(line, "go");
    EXPECT_GT(input_waiting(file), 0) << "the end of a file is there to be read";
    EXPECT_FALSE(read_line(file, line, sizeof line));
    close(fd);
    unlink(path);

    // A descriptor that is not open: waiting, and the reader finds the end.
    LineInput closed = {fd, 0, 0, false, {}};
    EXPECT_GT(input_waiting(closed), 0);
    EXPECT_FALSE(read_line(closed, line, sizeof line));
}

TEST(TerminalInput, ALineIsWaitingOnlyOnceItIsComplete) {
    int controller = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(controller, 0);
    ASSERT_EQ(grantpt(controller), 0);
    ASSERT_EQ(unlockpt(controller), 0);
    int terminal = open(ptsname(controller), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    termios mode;
    ASSERT_EQ(tcgetattr(terminal, &mode), 0);
    mode.c_lflag |= ICANON;
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ASSERT_EQ(tcsetattr(terminal, TCSANOW, &mode), 0);

    LineInput keyboard = {terminal, 0, 0, false, {}};
    EXPECT_EQ(input_waiting(keyboard), 0);
    ASSERT_EQ(write(controller, "isre", 4), 4);
    EXPECT_EQ(input_waiting(keyboard), 0) << "half a line is not readable yet";
    ASSERT_EQ(write(controller, "ady\n", 4), 4);
    // The terminal driver may take a moment to pass the line on.
    for (int i = 0; i < 5000 && input_waiting(keyboard) == 0; i++) usleep(1000);
    EXPECT_GT(input_waiting(keyboard), 0);
    char line[16];
    ASSERT_TRUE(read_line(keyboard, line, sizeof line));
    EXPECT_STREQ(line, "isready");
    close(terminal);
    close(controller);
}

}  // namespace
