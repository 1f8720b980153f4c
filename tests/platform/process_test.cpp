// Starting a detached process, telling whether a process still runs, and the
// guard that removes names whose owner has died.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/shm.h"
#include "smp/process_watch.h"

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

// The owner, a child process, makes a shared block and a file and starts
// their guard (then dismisses it, when asked), reports the guard's id and
// waits to be killed.
pid_t start_owner(const std::string& block, const std::string& file, bool dismiss, pid_t& guard_pid) {
    int report[2];
    if (pipe(report) != 0) return -1;
    const pid_t owner = fork();
    if (owner == 0) {
        close(report[0]);
        SharedBlock b;
        shm_create(block.c_str(), 4096, true, b);
        std::ofstream(file) << "x";
        const char* blocks[] = {block.c_str()};
        const char* files[] = {file.c_str()};
        NameGuard guard;
        if (!start_name_guard(blocks, 1, files, 1, guard)) _exit(1);
        if (dismiss) dismiss_name_guard(guard);
        if (write(report[1], &guard.pid, sizeof guard.pid) != sizeof guard.pid) _exit(1);
        for (;;) pause();
    }
    close(report[1]);
    if (owner > 0 && read(report[0], &guard_pid, sizeof guard_pid) != sizeof guard_pid) guard_pid = -2;
    close(report[0]);
    return owner;
}

// The guard's standard streams lead nowhere and it holds one pipe besides.
bool guard_settled(pid_t guard) {
    using process_watch::directory_entries;
    const std::string proc = "/proc/" + std::to_string(guard);
    if (file_text(proc + "/comm") != "jux-guard\n") return false;
    int pipes = 0;
    for (const std::string& fd : directory_entries(proc + "/fd")) {
        if (fd == "." || fd == "..") continue;
        const std::string target = link_target(proc + "/fd/" + fd);
        if (fd == "0" || fd == "1" || fd == "2") {
            if (target != "/dev/null") return false;
        } else if (target.rfind("pipe:", 0) != 0 || ++pipes > 1) {
            return false;
        }
    }
    return pipes == 1;
}

uint64_t ignored_signals(pid_t pid) {
    const std::string status = file_text("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("SigIgn:");
    return at == std::string::npos ? 0 : std::stoull(status.substr(at + 7), nullptr, 16);
}

TEST(NameGuard, RemovesTheNamesWhenItsOwnerDiesUnlessDismissed) {
    const std::string block = "/jux_t" + std::to_string(getpid()) + "_guarded";
    const std::string file = "/tmp/jux_guard_test_" + std::to_string(getpid());
    const auto exists = [&] {
        return access(("/dev/shm" + block).c_str(), F_OK) == 0 && access(file.c_str(), F_OK) == 0;
    };
    const auto gone = [&] {
        return access(("/dev/shm" + block).c_str(), F_OK) != 0 && access(file.c_str(), F_OK) != 0;
    };
    for (bool dismiss : {false, true}) {
        process_watch::Subreaper reaper;
        pid_t guard = -2;
        const pid_t owner = start_owner(block, file, dismiss, guard);
        ASSERT_GT(owner, 0);
        ASSERT_TRUE(exists());
        if (!dismiss) {
            ASSERT_GT(guard, 0);
            EXPECT_TRUE(process_watch::wait_for(std::bind(guard_settled, guard)));
            EXPECT_EQ(getsid(guard), guard) << "out of the owner's session and process group";
            const uint64_t polite = 1u << (SIGHUP - 1) | 1u << (SIGINT - 1) | 1u << (SIGQUIT - 1) |
                                    1u << (SIGTERM - 1) | 1u << (SIGPIPE - 1);
            EXPECT_EQ(ignored_signals(guard) & polite, polite);
        } else {
            EXPECT_EQ(guard, -1);
        }
        kill(owner, SIGKILL);
        ASSERT_EQ(waitpid(owner, nullptr, 0), owner);
        if (!dismiss) {
            EXPECT_TRUE(process_watch::wait_for(gone));
        }
        EXPECT_TRUE(process_watch::collect_all_children());
        if (dismiss) {
            EXPECT_TRUE(exists()) << "a dismissed guard removes nothing";
        }
        shm_remove(block.c_str());
        unlink(file.c_str());
    }
}

}  // namespace
