// The starter's side of the chain, in this process as the master: the next
// worker is a stand-in program, so that the test sees its arguments and
// every byte it is sent, and can make it fail.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/interpreter.h"
#include "frontend/options.h"
#include "frontend/roles.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "search/hash.h"
#include "search/timectl.h"
#include "smp/workers.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

bool wait_for(const std::function<bool()>& condition, int timeout_ms = 30000) {
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        if (condition()) return true;
        usleep(10000);
    }
    return condition();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ChainStart : public ::testing::Test {
   protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        saved_role = role;
        saved_options = options;
        // A suffix no real engine has.
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "t%d", static_cast<int>(getpid()));
        suffix = role.name_suffix;
        role.is_master = 1;
        options.debug_mode = 1;
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
        for (const std::string& name : files) unlink((scratch + "/" + name).c_str());
        for (const char* name : {"/worker", "/arguments", "/received"}) unlink((scratch + name).c_str());
        rmdir(scratch.c_str());
        for (int k = 1; k <= 2; k++) pipe_remove(pipe_name(k).c_str());
    }

    std::string pipe_name(int k) const { return pipes + "/jux-uci" + std::to_string(k) + "-" + suffix; }
    // A stand-in worker: a shell script with the given body.
    void write_worker(const std::string& body) {
        const std::string program = scratch + "/worker";
        std::ofstream(program) << "#!/bin/sh\n" << body << "\n";
        ASSERT_EQ(chmod(program.c_str(), 0700), 0);
        set_worker_program(program.c_str());
    }
    // Starts the chain with debug output captured.
    std::string start(int count) {
        CaptureStdout();
        start_worker_chain(count);
        return GetCapturedStdout();
    }
    // The process id in "info string Spawned (...) <pid>".
    static int spawned_pid(const std::string& output) {
        const size_t at = output.find("info string Spawned (");
        if (at == std::string::npos) return 0;
        const size_t close = output.find(") ", at);
        return std::atoi(output.c_str() + close + 2);
    }

    ProcessRole saved_role;
    EngineOptions saved_options;
    std::string suffix, scratch, pipes;
    std::vector<std::string> files;  // more files the stand-ins wrote
};

TEST_F(ChainStart, StartsTheNextWorkerWithItsNumberAndTheMastersSuffixAndFeedsIt) {
    write_worker("printf '%s|%s|%s\\n' \"$#\" \"$1\" \"$2\" > " + scratch + "/arguments\nexec cat \"" +
                 pipes + "/jux-uci$1-$2\" > " + scratch + "/received");
    const std::string output = start(2);
    const int pid = spawned_pid(output);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(output, "info string Creating Remote Pipe\ninfo string Spawned (2 " + suffix + ") " +
                          std::to_string(pid) + "\n");
    EXPECT_EQ(worker_link.has_downstream, 1);
    EXPECT_GE(worker_link.downstream_pipe, 0);
    EXPECT_EQ(role.read_from_pipe, 0) << "the master reads its own input";
    EXPECT_NE(access(pipe_name(2).c_str(), F_OK), 0) << "the name is gone once both ends are open";
    EXPECT_TRUE(wait_for([&] { return read_file(scratch + "/arguments") == "2|2|" + suffix + "\n"; }));

    write_downstream("uci\n");
    write_downstream("setoption name Hash value 1\n");
    // A new chain closes the pipe to the old one, whose reader then ends.
    EXPECT_EQ(start(0), "");
    EXPECT_EQ(worker_link.has_downstream, 0);
    EXPECT_EQ(worker_link.downstream_pipe, -1);
    EXPECT_TRUE(wait_for([&] { return !process_running(pid); }));
    EXPECT_EQ(read_file(scratch + "/received"), "uci\nsetoption name Hash value 1\n");
}

TEST_F(ChainStart, AWorkerThatEndsBeforeConnectingIsLeftOut) {
    write_worker("exit 0");
    const std::string output = start(1);
    const int pid = spawned_pid(output);
    EXPECT_GT(pid, 0);
    EXPECT_EQ(output, "info string Creating Remote Pipe\ninfo string Spawned (1 " + suffix + ") " +
                          std::to_string(pid) +
                          "\ninfo string worker 1 did not connect, searching without it\n");
    EXPECT_EQ(worker_link.has_downstream, 0);
    EXPECT_EQ(worker_link.downstream_pipe, -1);
    EXPECT_NE(access(pipe_name(1).c_str(), F_OK), 0);
}

TEST_F(ChainStart, AWorkerThatCannotBeStartedIsReportedAndLeftOut) {
    set_worker_program((scratch + "/missing").c_str());
    const std::string output = start(1);
    EXPECT_EQ(output, "info string Creating Remote Pipe\ninfo string Spawned (1 " + suffix +
                          ") -1\ninfo string worker 1 did not connect, searching without it\n");
    EXPECT_EQ(worker_link.has_downstream, 0);
    EXPECT_NE(access(pipe_name(1).c_str(), F_OK), 0);
}

TEST_F(ChainStart, AWorkerThatNeverConnectsIsGivenUpAndEnded) {
    write_worker("exec sleep 120");
    const std::string output = start(1);
    const int pid = spawned_pid(output);
    EXPECT_GT(pid, 0);
    EXPECT_NE(output.find("info string worker 1 did not connect, searching without it\n"), std::string::npos);
    EXPECT_EQ(worker_link.has_downstream, 0);
    EXPECT_NE(access(pipe_name(1).c_str(), F_OK), 0);
    EXPECT_TRUE(wait_for([&] { return !process_running(pid); })) << "nothing of it lingers";
}

TEST_F(ChainStart, WithoutWorkersNothingIsStartedOrCreated) {
    write_worker("exit 0");
    EXPECT_EQ(start(0), "");
    EXPECT_EQ(start(-1), "");
    EXPECT_EQ(worker_link.has_downstream, 0);
    EXPECT_NE(access(pipe_name(1).c_str(), F_OK), 0);
    // A worker at the end of the chain reads from its pipe all the same.
    role.is_master = 0;
    start_worker_chain(0);
    EXPECT_EQ(role.read_from_pipe, 1);
    EXPECT_EQ(worker_link.has_downstream, 0);
}

TEST_F(ChainStart, TheMasterPassesLinesOnBeforeActingAndRebuildsTheChainOnEachHashValue) {
    // Each stand-in keeps what it is sent in a file named after its process id.
    write_worker("exec cat \"" + pipes + "/jux-uci$1-$2\" > " + scratch + "/received-$$");
    options.process_count = 2;
    // This process's own input is not the engine's to read here.
    timer.poll_input = 0;
    CaptureStdout();
    execute_command("setoption name NalimovCache value 2", 0);
    execute_command("setoption name Hash value 1", 0);
    execute_command("position startpos", 0);
    execute_command("go depth 2", 0);
    execute_command("setoption name Hash value 2", 0);
    const std::string output = GetCapturedStdout();
    const int first = spawned_pid(output);
    const int second = spawned_pid(output.substr(output.find("info string Spawned (") + 1));
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(output.find("\nbestmove "), std::string::npos);
    for (int pid : {first, second}) files.push_back("received-" + std::to_string(pid));

    // The old chain is told to stop and quit, and its pipe closes when the
    // new chain is built.
    EXPECT_TRUE(wait_for([&] { return !process_running(first); }));
    const std::string resent =
        "uci\nsetoption name Hash value 1\nsetoption name NalimovCache value 2\n"
        "setoption name NalimovPath value \n";
    EXPECT_EQ(read_file(scratch + "/" + files[0]),
              resent + "position startpos\ngo depth 2\nstop\nstop\nquit\n");

    close_worker_pipes();
    EXPECT_TRUE(wait_for([&] { return !process_running(second); }));
    EXPECT_EQ(read_file(scratch + "/" + files[1]),
              "uci\nsetoption name Hash value 2\nsetoption name NalimovCache "
              "value 2\nsetoption name NalimovPath value \n");
}

}  // namespace
