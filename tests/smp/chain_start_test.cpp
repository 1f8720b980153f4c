// The starter's side of the chain, in this process as the master: the next
// worker is a stand-in shell script, so that the test sees every byte it is
// sent, and can make it fail.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/options.h"
#include "core/role.h"
#include "frontend/interpreter.h"
#include "platform/process.h"
#include "search/hash.h"
#include "search/timectl.h"
#include "smp/process_watch.h"
#include "smp/workers.h"

namespace {

using process_watch::wait_for;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

class ChainStart : public ::testing::Test {
   protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        saved_role = role;
        saved_options = options;
        // A suffix no real engine has.
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "t%d", static_cast<int>(getpid()));
        role.is_master = 1;
        options.debug_mode = 1;
        options.nalimov_path[0] = '\0';  // other tests may have left a path
        char text[] = "/tmp/jux_chain_test_XXXXXX";
        ASSERT_NE(mkdtemp(text), nullptr);
        scratch = text;
        char directory[256];
        ASSERT_TRUE(pipe_directory(directory, sizeof directory));
        pipes = directory;
    }
    void TearDown() override {
        close_worker_pipes();
        set_worker_program(nullptr);
        release_tables();
        timer.poll_input = 1;
        options = saved_options;
        role = saved_role;
        std::filesystem::remove_all(scratch);
    }
    // A stand-in worker: a shell script with the given body.
    void write_worker(const std::string& body) {
        const std::string program = scratch + "/worker";
        std::ofstream(program) << "#!/bin/sh\n" << body << "\n";
        ASSERT_EQ(chmod(program.c_str(), 0700), 0);
        set_worker_program(program.c_str());
    }
    // The process id in the nth "info string Spawned (...) <pid>" line.
    static int spawned_pid(const std::string& output, int nth = 0) {
        size_t at = output.find("info string Spawned (");
        while (nth-- > 0) at = output.find("info string Spawned (", at + 1);
        return at == std::string::npos ? 0 : std::atoi(output.c_str() + output.find(") ", at) + 2);
    }
    std::string pipe_name(int k) const {
        return pipes + "/jux-uci" + std::to_string(k) + "-" + role.name_suffix;
    }

    ProcessRole saved_role;
    EngineOptions saved_options;
    std::string scratch, pipes;
};

TEST_F(ChainStart, TheMasterPassesLinesOnBeforeActingAndRebuildsTheChainOnEachHashValue) {
    // Each stand-in keeps what it is sent in a file named after its process id.
    write_worker("exec cat \"" + pipes + "/jux-uci$1-$2\" > " + scratch + "/received-$$");
    options.process_count = 2;
    timer.poll_input = 0;  // this process's own input is not the engine's to read here
    CaptureStdout();
    for (const char* line : {"setoption name NalimovCache value 2", "setoption name Hash value 1",
                             "position startpos", "go depth 2", "setoption name Hash value 2"})
        execute_command(line, 0);
    const std::string output = GetCapturedStdout();
    const int first = spawned_pid(output), second = spawned_pid(output, 1);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(output.find("\nbestmove "), std::string::npos);

    // The old chain is told to stop and quit, and its pipe closes when the
    // new chain is built.
    EXPECT_TRUE(wait_for([&] { return !process_running(first); }));
    const std::string setup = "setoption name NalimovCache value 2\nsetoption name NalimovPath value \n";
    EXPECT_EQ(
        read_file(scratch + "/received-" + std::to_string(first)),
        "uci\nsetoption name Hash value 1\n" + setup + "position startpos\ngo depth 2\nstop\nstop\nquit\n");
    close_worker_pipes();
    EXPECT_TRUE(wait_for([&] { return !process_running(second); }));
    EXPECT_EQ(read_file(scratch + "/received-" + std::to_string(second)),
              "uci\nsetoption name Hash value 2\n" + setup);
}

// A worker that cannot be started, ends before it connects or never connects
// is reported, ended and left out; its pipe loses its name.
TEST_F(ChainStart, AWorkerThatDoesNotConnectIsLeftOut) {
    for (const char* body : {"", "exit 0", "exec sleep 120"}) {
        if (*body)
            write_worker(body);
        else
            set_worker_program((scratch + "/missing").c_str());
        CaptureStdout();
        start_worker_chain(1);
        const std::string output = GetCapturedStdout();
        const int pid = spawned_pid(output);
        EXPECT_EQ(output, "info string Creating Remote Pipe\ninfo string Spawned (1 " +
                              std::string(role.name_suffix) + ") " + std::to_string(*body ? pid : -1) +
                              "\ninfo string worker 1 did not connect, searching without it\n")
            << body;
        if (*body) {
            EXPECT_GT(pid, 0);
            EXPECT_TRUE(wait_for([&] { return !process_running(pid); })) << "nothing of it lingers";
        }
        EXPECT_EQ(worker_link.has_downstream, 0);
        EXPECT_EQ(worker_link.downstream_pipe, -1);
        EXPECT_NE(access(pipe_name(1).c_str(), F_OK), 0);
    }
}

}  // namespace
