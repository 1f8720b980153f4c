// Starting a detached process, and telling whether a process still runs.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

bool ends_in_time(int pid) {
    for (int i = 0; i < 2000 && process_running(pid); i++) usleep(10000);
    return !process_running(pid);
}
std::string file_text(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
std::string link_target(const std::string& path) {
    char buffer[512];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "";
}

TEST(DetachedProcess, RunsAloneInItsOwnSessionUntilStopped) {
    setenv("JUX_TEST_MARK", "inherited", 1);
    ASSERT_EQ(dup2(2, 47), 47);  // held by the starter without close-on-exec
    char* argv[] = {const_cast<char*>("a sleeper"), const_cast<char*>("60"), nullptr};
    const int pid = start_detached_process("/bin/sleep", argv);
    close(47);
    unsetenv("JUX_TEST_MARK");
    ASSERT_GT(pid, 0);
    // The id returned is the loaded program's, with the caller's arguments,
    // environment and standard error, quiet standard streams, and nothing
    // else of the caller's.
    const std::string proc = "/proc/" + std::to_string(pid);
    EXPECT_EQ(file_text(proc + "/cmdline"), std::string("a sleeper\0"
                                                        "60",
                                                        13));
    EXPECT_NE(file_text(proc + "/environ").find("JUX_TEST_MARK=inherited"), std::string::npos);
    EXPECT_EQ(link_target(proc + "/fd/0"), "/dev/null");
    EXPECT_EQ(link_target(proc + "/fd/1"), "/dev/null");
    EXPECT_EQ(link_target(proc + "/fd/2"), link_target("/proc/self/fd/2"));
    EXPECT_EQ(link_target(proc + "/fd/47"), "");
    // Its own session and group, and not our child: nothing to collect.
    EXPECT_EQ(getsid(pid), pid);
    EXPECT_EQ(getpgid(pid), pid);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_TRUE(process_running(pid));
    stop_process(pid);
    EXPECT_TRUE(ends_in_time(pid));
}

TEST(DetachedProcess, ProgramsThatCannotBeLoadedAndEndedProcesses) {
    char* argv[] = {const_cast<char*>("missing"), nullptr};
    EXPECT_EQ(start_detached_process("/nonexistent/jux_missing_program", argv), -1);
    EXPECT_EQ(start_detached_process("/tmp", argv), -1);
    EXPECT_TRUE(process_running(getpid()));
    EXPECT_FALSE(process_running(0));
    EXPECT_FALSE(process_running(-1));
    // An ended child does not run, even before it is collected.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    EXPECT_TRUE(ends_in_time(child));
    EXPECT_EQ(kill(child, 0), 0) << "still there to be collected";
    EXPECT_EQ(waitpid(child, nullptr, 0), child);
}

}  // namespace
