// Starting a detached process, and telling whether a process still runs.
#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool wait_until(bool (*condition)(const void*), const void* argument) {
    for (int i = 0; i < 2000; i++) {
        if (condition(argument)) return true;
        usleep(10000);
    }
    return false;
}

std::string link_target(const std::string& path) {
    char buffer[512];
    ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "";
}

std::vector<std::string> file_lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What a started shell reports about itself, written by the shell into a
// file only once complete.
const char* const REPORT_SCRIPT =
    "in=$(readlink /proc/$$/fd/0); out=$(readlink /proc/$$/fd/1); err=$(readlink /proc/$$/fd/2);"
    "if [ -e /proc/$$/fd/47 ]; then extra=open; else extra=closed; fi;"
    "stat=$(cat /proc/$$/stat);"
    "printf '%s\\n' \"$$\" \"$0|$1|$2\" \"$JUX_TEST_MARK\" \"$in\" \"$out\" \"$err\" \"$extra\" \"$stat\""
    " > \"$JUX_TEST_OUT.part\"; mv \"$JUX_TEST_OUT.part\" \"$JUX_TEST_OUT\"";

TEST(DetachedProcess, RunsInItsOwnSessionWithTheCallersEnvironmentAndNothingElse) {
    char scratch[] = "/tmp/jux_process_test_XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string report = std::string(scratch) + "/report";
    setenv("JUX_TEST_OUT", report.c_str(), 1);
    setenv("JUX_TEST_MARK", "inherited", 1);
    // A descriptor the starter holds without close-on-exec.
    const int extra = dup2(2, 47);
    ASSERT_EQ(extra, 47);

    char* argv[] = {const_cast<char*>("sh"),
                    const_cast<char*>("-c"),
                    const_cast<char*>(REPORT_SCRIPT),
                    const_cast<char*>("name0"),
                    const_cast<char*>("first"),
                    const_cast<char*>("second arg"),
                    nullptr};
    const int pid = start_detached_process("/bin/sh", argv);
    close(47);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(wait_until(
        [](const void* p) { return access(static_cast<const std::string*>(p)->c_str(), F_OK) == 0; },
        &report));

    const std::vector<std::string> lines = file_lines(report);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], std::to_string(pid)) << "the id returned is the program's own";
    EXPECT_EQ(lines[1], "name0|first|second arg");
    EXPECT_EQ(lines[2], "inherited");
    EXPECT_EQ(lines[3], "/dev/null");
    EXPECT_EQ(lines[4], "/dev/null");
    EXPECT_EQ(lines[5], link_target("/proc/self/fd/2")) << "standard error stays the caller's";
    EXPECT_EQ(lines[6], "closed");
    // After the command name: state, parent, process group, session.
    std::istringstream stat(lines[7].substr(lines[7].rfind(')') + 2));
    std::string state;
    int parent = 0, group = 0, session = 0;
    stat >> state >> parent >> group >> session;
    EXPECT_NE(parent, static_cast<int>(getpid())) << "not our child";
    EXPECT_EQ(session, pid);
    EXPECT_EQ(group, pid);

    unlink(report.c_str());
    rmdir(scratch);
    unsetenv("JUX_TEST_OUT");
    unsetenv("JUX_TEST_MARK");
}

TEST(DetachedProcess, AProgramThatCannotBeLoadedIsReportedAsMinusOne) {
    char* argv[] = {const_cast<char*>("missing"), nullptr};
    EXPECT_EQ(start_detached_process("/nonexistent/jux_missing_program", argv), -1);
    char* directory_argv[] = {const_cast<char*>("tmp"), nullptr};
    EXPECT_EQ(start_detached_process("/tmp", directory_argv), -1);
}

TEST(DetachedProcess, CanBeEndedByItsStarter) {
    char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
    const int pid = start_detached_process("/bin/sleep", argv);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(process_running(pid));
    stop_process(pid);
    EXPECT_TRUE(
        wait_until([](const void* p) { return !process_running(*static_cast<const int*>(p)); }, &pid));
}

TEST(ProcessRunning, AnEndedProcessDoesNotRunEvenBeforeItIsCollected) {
    EXPECT_TRUE(process_running(static_cast<int>(getpid())));
    EXPECT_FALSE(process_running(0));
    EXPECT_FALSE(process_running(-1));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    const int pid = static_cast<int>(child);
    EXPECT_TRUE(
        wait_until([](const void* p) { return !process_running(*static_cast<const int*>(p)); }, &pid));
    EXPECT_EQ(kill(child, 0), 0) << "still there to be collected";
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_FALSE(process_running(pid));
}

}  // namespace
