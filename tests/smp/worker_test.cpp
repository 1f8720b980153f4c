// A real worker process driven by this test as its master: the test creates
// the shared tables and the pipe, starts the engine with two arguments, and
// watches what the worker does through the share block, its error output and
// its exit status (a worker never writes to standard output).
#include <gtest/gtest.h>

#include <memory>

#include "core/options.h"
#include "core/role.h"
#include "platform/pipe.h"
#include "search/hash.h"
#include "search/startup.h"
#include "smp/process_watch.h"
#include "smp/workers.h"
#include "uci/engine_process.h"

namespace {

using process_watch::wait_for;

// A starter that dies before it has removed the name of the pipe to its
// worker (it does so once both ends are open) leaves the name to the worker:
// when the writer has come and gone, or when the engine's master has gone
// before any writer came (then at once, not after the long wait).
TEST(WorkerStartUp, AWorkerRemovesThePipeNameItsStarterLeft) {
    const pid_t dead = fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) _exit(0);
    ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
    const struct {
        pid_t master;
        bool writer_comes;
        int status;
        const char* error;
    } cases[] = {
        {dead, false, 1, "jux worker 1: no commands came from engine "},
        {getpid(), true, 0, ""},
    };
    for (const auto& c : cases) {
        const std::string suffix = std::to_string(c.master);
        char path[512];
        ASSERT_TRUE(pipe_path(path, sizeof path, 1, suffix.c_str()));
        ASSERT_TRUE(pipe_create(path));
        EngineProcess worker({"1", suffix});
        if (c.writer_comes) {
            int link = -1;
            ASSERT_TRUE(wait_for([&] { return (link = pipe_open_writer(path)) >= 0; }));
            pipe_close(link);
        }
        EXPECT_EQ(worker.wait_exit(UPSTREAM_WAIT_MS / 3), c.status) << suffix;
        EXPECT_EQ(worker.error_output(), *c.error ? c.error + suffix + "\n" : "");
        EXPECT_NE(access(path, F_OK), 0) << path;
        pipe_remove(path);
    }
}

// This test process plays the master: it holds the five shared blocks under
// its own process id and writes the worker's commands into the pipe.
class FakeMaster : public ::testing::Test {
   protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        saved_role = role;
        saved_process_count = options.process_count;
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%s", suffix.c_str());
        role.is_master = 1;
        options.process_count = 3;  // with workers the master keeps the names, so that they can open them
        ASSERT_EQ(create_tables(1024, 0), 1024);
        reset_game_state();
    }
    void TearDown() override {
        pipe_close(link);
        worker.reset();
        release_tables();
        options.process_count = saved_process_count;
        role = saved_role;
    }
    // Starts the engine as worker 1 and sends it the chain's first lines.
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

    const std::string suffix = std::to_string(getpid());
    int link = -1;
    std::unique_ptr<EngineProcess> worker;
    ProcessRole saved_role;
    int32_t saved_process_count = 1;
};

TEST_F(FakeMaster, AnOverlongLineIsCutAndAPositionDuringTheSearchEndsTheWorker) {
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

TEST_F(FakeMaster, AWorkerThatCannotOpenTheSharedBlocksEndsWithOneLine) {
    const std::string error = "jux worker 1: cannot open the shared tables of engine " + suffix + "\n";
    start_worker(2);  // a larger size than the blocks have
    EXPECT_EQ(worker->wait_exit(), 1);
    EXPECT_EQ(worker->error_output(), error);
    release_tables();  // no blocks under the names at all
    start_worker(1);
    EXPECT_EQ(worker->wait_exit(), 1);
    EXPECT_EQ(worker->error_output(), error);
}

}  // namespace
