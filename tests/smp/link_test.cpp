// The two ends of a link of the chain with this process as the master: stand-in shell scripts as the
// workers it starts, so that the test sees every byte they are sent; and a real worker that the test
// drives through the shared blocks and the pipe, watching its error output and exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "core/options.h"
#include "core/role.h"
#include "frontend/interpreter.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "search/hash.h"
#include "search/startup.h"
#include "search/timectl.h"
#include "smp/process_watch.h"
#include "smp/workers.h"
#include "uci/engine_process.h"

namespace {

using process_watch::wait_for;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

class Link : public ::testing::Test {
   protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        saved_role = role;
        saved_options = options;
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%s", suffix.c_str());
        role.is_master = 1;
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
        pipe_close(link);
        worker.reset();
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
    // Starts the engine as worker 1 of this process and sends it the chain's first lines.
    void start_worker(int hash_megabytes) {
        pipe_close(link);
        char path[512];
        ASSERT_TRUE(pipe_path(path, sizeof path, 1, suffix.c_str()));
        ASSERT_TRUE(pipe_create(path));
        worker = std::make_unique<EngineProcess>(std::vector<std::string>{"1", suffix});
        ASSERT_TRUE(wait_for([&] { return (link = pipe_open_writer(path)) >= 0; }));
        pipe_remove(path);
        send("uci");
        send("setoption name Hash value " + std::to_string(hash_megabytes));
    }
    void send(const std::string& line) { pipe_write(link, (line + "\n").c_str()); }
    // The master's five shared blocks, named: with workers the master keeps the names.
    void create_shared_tables() {
        options.process_count = 3;
        ASSERT_EQ(create_tables(1024, 0), 1024);
        reset_game_state();
    }

    const std::string suffix = std::to_string(getpid());
    std::string scratch, pipes;
    int link = -1;
    std::unique_ptr<EngineProcess> worker;
    ProcessRole saved_role;
    EngineOptions saved_options;
};

TEST_F(Link, TheMasterPassesLinesOnBeforeActingAndRebuildsTheChainOnEachHashValue) {
    // Each stand-in keeps what it is sent in a file named after its process id.
    write_worker("exec cat \"" + pipes + "/jux-uci$1-$2\" > " + scratch + "/received-$$");
    options.process_count = 2;
    options.debug_mode = 1;
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
    // The old chain is told to stop and quit; the new one's pipe closes with close_worker_pipes.
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

// A worker that cannot be started, ends before it connects or never connects is reported, ended and left
// out; its pipe loses its name.
TEST_F(Link, AWorkerThatDoesNotConnectIsLeftOut) {
    options.debug_mode = 1;
    for (const char* body : {"", "exit 0", "exec sleep 120"}) {
        if (*body)
            write_worker(body);
        else
            set_worker_program((scratch + "/missing").c_str());
        CaptureStdout();
        start_worker_chain(1);
        const std::string output = GetCapturedStdout();
        const int pid = spawned_pid(output);
        EXPECT_EQ(output, "info string Creating Remote Pipe\ninfo string Spawned (1 " + suffix + ") " +
                              std::to_string(*body ? pid : -1) +
                              "\ninfo string worker 1 did not connect, searching without it\n")
            << body;
        if (*body) {
            EXPECT_GT(pid, 0);
            EXPECT_TRUE(wait_for([&] { return !process_running(pid); })) << "nothing of it lingers";
        }
        EXPECT_EQ(worker_link.has_downstream, 0);
        EXPECT_EQ(worker_link.downstream_pipe, -1);
        EXPECT_NE(access((pipes + "/jux-uci1-" + suffix).c_str(), F_OK), 0);
    }
}

// A starter that dies before it has removed the name of the pipe to its worker (it does so once both ends
// are open) leaves the name to the worker: when the writer has come and gone, or at once when the
// engine's master has gone before any writer came.
TEST(WorkerStartUp, AWorkerRemovesThePipeNameItsStarterLeft) {
    const pid_t dead = fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) _exit(0);
    ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
    for (const pid_t master : {dead, getpid()}) {
        const std::string suffix = std::to_string(master);
        char path[512];
        ASSERT_TRUE(pipe_path(path, sizeof path, 1, suffix.c_str()));
        ASSERT_TRUE(pipe_create(path));
        EngineProcess worker({"1", suffix});
        if (master != dead) {
            int link = -1;
            ASSERT_TRUE(wait_for([&] { return (link = pipe_open_writer(path)) >= 0; }));
            pipe_close(link);
        }
        EXPECT_EQ(worker.wait_exit(UPSTREAM_WAIT_MS / 3), master == dead ? 1 : 0) << suffix;
        EXPECT_EQ(worker.error_output(),
                  master == dead ? "jux worker 1: no commands came from engine " + suffix + "\n" : "");
        EXPECT_NE(access(path, F_OK), 0) << path;
        pipe_remove(path);
    }
}

TEST_F(Link, AnOverlongLineIsCutAndAPositionDuringTheSearchEndsTheWorker) {
    create_shared_tables();
    start_worker(1);
    // Were the rest of the line taken as a line of its own, it would be "quit".
    send(std::string(4999, 'x') + "quit");
    send("position startpos");
    send("go infinite");
    EXPECT_TRUE(wait_for([&] {
        return __atomic_load_n(&hash_tables.share_block[SHARE_NODES_WORD + 2], __ATOMIC_RELAXED) != 0;
    })) << "searching";
    // The refusal is the master's to write; the worker ends silently.
    send("position startpos moves e2e4");
    EXPECT_EQ(worker->wait_exit(), 1);
    EXPECT_EQ(worker->error_output(), "");
    EXPECT_FALSE(worker->read_line(1000));
}

TEST_F(Link, AWorkerThatCannotOpenTheSharedBlocksEndsWithOneLine) {
    const std::string error = "jux worker 1: cannot open the shared tables of engine " + suffix + "\n";
    create_shared_tables();
    for (const int megabytes : {2, 1}) {  // a larger size than the blocks have, then no blocks at all
        start_worker(megabytes);
        EXPECT_EQ(worker->wait_exit(), 1);
        EXPECT_EQ(worker->error_output(), error);
        release_tables();
    }
}

}  // namespace
