// The line reader, the named pipes between engine processes, and starting a detached process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "smp/process_watch.h"

namespace {

using Lines = std::vector<std::string>;
using namespace process_watch;

// The lines a reader with room for size - 1 characters reads from text sent through a pipe.
Lines read_lines(const std::string& text, int size) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    EXPECT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fds[1]);
    LineInput input{};
    input.fd = fds[0];
    Lines lines;
    std::vector<char> line(static_cast<size_t>(size));
    while (read_line(input, line.data(), size)) lines.emplace_back(line.data());
    close(input.fd);
    return lines;
}

std::string temporary_directory() {
    char pattern[] = "/tmp/jux_pipe_test_XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "";
}

mode_t mode_of(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

}  // namespace

TEST(LineInput, LineEndsCarriageReturnsAndOverlongLines) {
    // A carriage return goes only right before the line end; what does not fit is dropped up to it.
    EXPECT_EQ(
        read_lines("uci\nisready\r\n\n\r\na\rb\r\n\r\r\n0123456789\nnext\n0123456\r\n012345\r7\nlast", 8),
        (Lines{"uci", "isready", "", "", "a\rb", "\r", "0123456", "next", "0123456", "012345\r", "last"}));
    // A line longer than the reader's own buffer is cut across refills.
    EXPECT_EQ(read_lines(std::string(3 * sizeof LineInput::buffer + 17, 'x') + "\nisready\n", 5000),
              (Lines{std::string(4999, 'x'), "isready"}));
}

// Bytes already buffered count as waiting: the transcripts of a running search check that.
TEST(LineInput, WaitingCountsTheEnd) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    LineInput input{};
    input.fd = fds[0];
    EXPECT_EQ(input_waiting(input), 0) << "an open, empty pipe has nothing";
    // A closed writer counts as waiting, and the end stays the end.
    char line[16];
    close(fds[1]);
    for (int i = 0; i < 2; i++) {
        EXPECT_GT(input_waiting(input), 0);
        EXPECT_FALSE(read_line(input, line, sizeof line));
    }
    close(fds[0]);
}

TEST(PipeDirectory, OnlyAPrivateDirectoryHoldsThePipes) {
    const char* old = getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "", base = temporary_directory(),
                      own = "/tmp/jux-" + std::to_string(geteuid());
    char directory[256], path[512];
    // A runtime directory others can enter is not used, nor a relative one.
    chmod(base.c_str(), 0755);
    for (const char* runtime : {base.c_str(), "relative/path"}) {
        setenv("XDG_RUNTIME_DIR", runtime, 1);
        ASSERT_TRUE(pipe_directory(directory, sizeof directory));
        EXPECT_EQ(directory, own);
    }
    EXPECT_EQ(mode_of(base + "/jux"), 0u) << "nothing made in a shared directory";
    // A private one holds a directory of our own, made private too; made readable to others, it is not used.
    chmod(base.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    ASSERT_TRUE(pipe_path(path, sizeof path, 2, "4711"));
    EXPECT_EQ(std::string(path), base + "/jux/jux-uci2-4711");
    EXPECT_EQ(mode_of(base + "/jux"), S_IFDIR | 0700u);
    chmod((base + "/jux").c_str(), 0755);
    EXPECT_FALSE(pipe_directory(directory, sizeof directory));
    // Suffixes that could leave the directory, and paths that do not fit.
    chmod((base + "/jux").c_str(), 0700);
    for (const char* suffix : {"../4711", "a/b", "", "47 11"})
        EXPECT_FALSE(pipe_path(path, sizeof path, 1, suffix));
    EXPECT_TRUE(pipe_path(path, sizeof path, 1, "Ab-_09"));
    EXPECT_FALSE(pipe_path(path, 8, 1, "4711"));
    old ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    rmdir((base + "/jux").c_str());
    rmdir(base.c_str());
}

TEST(Fifo, OwnerOnlyReplacesLeftoversAndCarriesBytesUntilTheWriterEnds) {
    signal(SIGPIPE, SIG_IGN);
    const std::string directory = temporary_directory(), path = directory + "/jux-uci1-test";
    std::fclose(std::fopen(path.c_str(), "w"));
    EXPECT_EQ(pipe_open_reader(path.c_str()), PIPE_FAILED) << "not a pipe";
    // What a lost process left under the name is replaced; the mode is the owner's whatever the mask.
    const mode_t old_mask = umask(0277);
    ASSERT_TRUE(pipe_create(path.c_str()));
    umask(old_mask);
    EXPECT_EQ(mode_of(path), S_IFIFO | 0600u);
    EXPECT_EQ(pipe_open_writer(path.c_str()), PIPE_NO_READER);
    const int reader = pipe_open_reader(path.c_str());
    ASSERT_GE(reader, 0);
    EXPECT_EQ(pipe_pending(reader), 0);
    EXPECT_EQ(pipe_read_byte(reader), PIPE_NO_DATA) << "before any writer: nothing, and not the end";
    const int writer = pipe_open_writer(path.c_str());
    ASSERT_GE(writer, 0);
    // Both ends block and stay behind in no started program.
    for (int fd : {reader, writer})
        EXPECT_EQ(std::pair(fcntl(fd, F_GETFL) & O_NONBLOCK, fcntl(fd, F_GETFD) & FD_CLOEXEC),
                  std::pair(0, 1));
    pipe_remove(path.c_str());
    pipe_write(writer, "go\n\xff");
    EXPECT_EQ(pipe_pending(reader), 4);
    std::string got;
    for (int i = 0; i < 4; i++) got += std::to_string(pipe_read_byte(reader)) + " ";
    EXPECT_EQ(got, "103 111 10 255 ");
    pipe_close(writer);
    EXPECT_EQ(pipe_pending(reader), 1) << "the end counts as waiting input";
    EXPECT_EQ(pipe_read_byte(reader), PIPE_END);
    pipe_close(reader);
    rmdir(directory.c_str());
}

TEST(DetachedProcess, RunsAloneInItsOwnSessionUntilStopped) {
    setenv("JUX_TEST_MARK", "inherited", 1);
    ASSERT_EQ(dup2(2, 47), 47);  // held by the starter without close-on-exec
    char* argv[] = {const_cast<char*>("a sleeper"), const_cast<char*>("60"), nullptr};
    const int pid = start_detached_process("/bin/sleep", argv);
    close(47);
    unsetenv("JUX_TEST_MARK");
    ASSERT_GT(pid, 0);
    // The caller's arguments, environment and standard error, nothing else of its; its own session.
    const std::string proc = "/proc/" + std::to_string(pid);
    EXPECT_EQ(read_file(proc + "/cmdline"), std::string("a sleeper\0"
                                                        "60",
                                                        13));
    EXPECT_NE(read_file(proc + "/environ").find("JUX_TEST_MARK=inherited"), std::string::npos);
    EXPECT_EQ(std::vector<std::string>({link_target(proc + "/fd/0"), link_target(proc + "/fd/1"),
                                        link_target(proc + "/fd/2"), link_target(proc + "/fd/47")}),
              std::vector<std::string>({"/dev/null", "/dev/null", link_target("/proc/self/fd/2"), ""}));
    EXPECT_EQ(std::vector<pid_t>({getsid(pid), getpgid(pid), waitpid(pid, nullptr, WNOHANG)}),
              std::vector<pid_t>({pid, pid, -1}));
    EXPECT_TRUE(process_running(pid));
    stop_process(pid);
    EXPECT_TRUE(wait_for([&] { return !process_running(pid); }));
}
