// Starting a detached process, telling whether a process still runs, and the guard that removes names
// whose owner has died.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/shm.h"
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

// A guard over a shared block and a file of its owner, which waits to be killed: the guard settles out of
// the owner's session and reach (standard streams on /dev/null, one pipe, the polite signals ignored) and
// removes both names once the owner has died; dismissed, it has gone and removes nothing.
TEST(NameGuard, RemovesTheNamesWhenItsOwnerDiesUnlessDismissed) {
    const std::string block = "/jux_t" + std::to_string(getpid()) + "_guarded";
    const std::string file = "/tmp/jux_guard_test_" + std::to_string(getpid());
    const auto names = [&] {
        return (access(("/dev/shm" + block).c_str(), F_OK) == 0) + (access(file.c_str(), F_OK) == 0);
    };
    const uint64_t polite = 1u << (SIGHUP - 1) | 1u << (SIGINT - 1) | 1u << (SIGQUIT - 1) |
                            1u << (SIGTERM - 1) | 1u << (SIGPIPE - 1);
    for (bool dismiss : {false, true}) {
        Subreaper reaper;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t owner = fork();
        ASSERT_GE(owner, 0);
        if (owner == 0) {
            SharedBlock b;
            shm_create(block.c_str(), 4096, true, b);
            std::ofstream(file) << "x";
            const char* blocks[] = {block.c_str()};
            const char* files[] = {file.c_str()};
            NameGuard guard;
            if (!start_name_guard(blocks, 1, files, 1, guard)) _exit(1);
            if (dismiss) dismiss_name_guard(guard);
            if (write(ready[1], "r", 1) != 1) _exit(1);
            for (;;) pause();
        }
        char byte;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        close(ready[1]);
        ASSERT_EQ(names(), 2);
        const std::vector<Child> guards = children_of(owner);
        ASSERT_EQ(guards.size(), dismiss ? 0u : 1u);
        if (!dismiss) {
            const std::string proc = "/proc/" + std::to_string(guards[0].pid);
            EXPECT_TRUE(wait_for([&] {
                return children_of(owner).at(0).command == "jux-guard" &&
                       directory_entries(proc + "/fd").size() == 6 &&  // and . ..
                       link_target(proc + "/fd/0") == "/dev/null" &&
                       link_target(proc + "/fd/1") == "/dev/null" &&
                       link_target(proc + "/fd/2") == "/dev/null";
            }));
            const std::string status = read_file(proc + "/status");
            EXPECT_EQ(std::stoull(status.substr(status.find("SigIgn:") + 7), nullptr, 16) & polite, polite);
            EXPECT_EQ(getsid(guards[0].pid), guards[0].pid);
        }
        kill(owner, SIGKILL);
        ASSERT_EQ(waitpid(owner, nullptr, 0), owner);
        EXPECT_TRUE(wait_for([&] { return names() == (dismiss ? 2 : 0); }, dismiss ? 0 : 60000));
        EXPECT_TRUE(collect_all_children());
        EXPECT_EQ(names(), dismiss ? 2 : 0) << "a dismissed guard removes nothing";
        shm_remove(block.c_str());
        unlink(file.c_str());
    }
}
