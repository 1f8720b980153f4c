// Starting a detached process, and telling whether a process still runs.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "smp/process_watch.h"

using namespace process_watch;

TEST(DetachedProcess, RunsAloneInItsOwnSessionUntilStopped) {
    setenv("JUX_TEST_MARK", "inherited", 1);
    ASSERT_EQ(dup2(2, 47), 47);  // held by the starter without close-on-exec
    char* argv[] = {const_cast<char*>("a sleeper"), const_cast<char*>("60"), nullptr};
    const int pid = start_detached_process("/bin/sleep", argv);
    close(47);
    unsetenv("JUX_TEST_MARK");
    ASSERT_GT(pid, 0);
    // The loaded program's id, with the caller's arguments, environment and standard error, quiet standard
    // streams, and nothing else of the caller's; its own session and group, and not our child.
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
    EXPECT_TRUE(wait_for([&] { return !process_running(child); }));
    EXPECT_EQ(kill(child, 0), 0) << "still there to be collected";
    EXPECT_EQ(waitpid(child, nullptr, 0), child);
}
