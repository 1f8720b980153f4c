// A real worker process driven by this test as its master: the test creates
// the shared tables and the pipe, starts the engine with two arguments, and
// watches what the worker does through the tables, the share block and its
// exit status (a worker never writes to standard output).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frontend/options.h"
#include "frontend/roles.h"
#include "platform/pipe.h"
#include "search/hash.h"
#include "uci/engine_process.h"

namespace {

constexpr int GENEROUS_MS = 60000;

bool wait_for(const std::function<bool()>& condition, int timeout_ms = GENEROUS_MS) {
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        if (condition()) return true;
        usleep(10000);
    }
    return condition();
}

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Exit statuses and error lines of start-up with bad arguments.
TEST(WorkerStartUp, NumbersWithoutAShareSlotAndSuffixesThatNameOtherPathsEndIt) {
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Case cases[] = {
        {{"32", "123"}, "jux worker 32: no such worker number\n"},
        {{"-1", "123"}, "jux worker -1: no such worker number\n"},
        {{"1", "../tmp"}, "jux worker 1: no pipe from engine ../tmp\n"},
        {{"1", "a b"}, "jux worker 1: no pipe from engine a b\n"},
    };
    for (const Case& c : cases) {
        EngineProcess worker(c.arguments);
        EXPECT_EQ(worker.wait_exit(), 1) << c.arguments[0] << " " << c.arguments[1];
        EXPECT_EQ(worker.error_output(), c.error);
        EXPECT_FALSE(worker.read_line(1000)) << "a worker writes nothing to standard output";
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
        suffix = std::to_string(getpid());
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%s", suffix.c_str());
        role.is_master = 1;
        // With workers the master keeps the names, so that they can open them.
        options.process_count = 3;
        ASSERT_EQ(create_tables(1024, 0), 1024);
    }
    void TearDown() override {
        pipe_close(link);
        worker.reset();
        release_tables();
        if (!path.empty()) pipe_remove(path.c_str());
        options.process_count = saved_process_count;
        role = saved_role;
    }

    // Starts the engine as worker number and waits until it has opened its pipe.
    void start_worker(int number) {
        char text[512];
        ASSERT_TRUE(pipe_path(text, sizeof text, number, suffix.c_str()));
        path = text;
        ASSERT_TRUE(pipe_create(path.c_str()));
        worker = std::make_unique<EngineProcess>(std::vector<std::string>{std::to_string(number), suffix});
        ASSERT_TRUE(wait_for([&] { return (link = pipe_open_writer(path.c_str())) >= 0; }));
        pipe_remove(path.c_str());
    }
    void send(const std::string& line) { pipe_write(link, (line + "\n").c_str()); }
    void hang_up() {
        pipe_close(link);
        link = -1;
    }

    int32_t share_word(int index) const {
        return __atomic_load_n(&hash_tables.share_block[index], __ATOMIC_RELAXED);
    }
    uint64_t worker_nodes(int w) const {
        return static_cast<uint32_t>(share_word(SHARE_NODES_WORD + 2 * w)) |
               static_cast<uint64_t>(static_cast<uint32_t>(share_word(SHARE_NODES_WORD + 2 * w + 1))) << 32;
    }
    bool names_exist() const {
        for (const char* block : {"_bttable", "_wttable", "_bptable", "_wptable", "_share_entry"})
            if (!exists("/dev/shm/jux_" + suffix + block)) return false;
        return true;
    }
    // The worker has read everything before it and acts on the tables:
    // searching from the start position publishes its nodes.
    void expect_searching(int w) {
        send("position startpos");
        send("go infinite");
        EXPECT_TRUE(wait_for([&] { return worker_nodes(w) > 0; }));
    }

    std::string suffix, path;
    int link = -1;
    std::unique_ptr<EngineProcess> worker;
    ProcessRole saved_role;
    int32_t saved_process_count = 1;
};

// A line that is not allowed during a search ends a worker silently with
// status 1; the chain's test of "stop" rests on this.
TEST_F(FakeMaster, APositionDuringTheWorkersSearchEndsIt) {
    start_worker(1);
    send("uci");
    send("setoption name Hash value 1");
    expect_searching(1);
    send("position startpos moves e2e4");
    EXPECT_EQ(worker->wait_exit(), 1);
    EXPECT_FALSE(worker->read_line(1000)) << "the refusal is the master's to write";
}

TEST_F(FakeMaster, AnOverlongLineIsCutAndItsRestDiscarded) {
    start_worker(1);
    send("uci");
    send("setoption name Hash value 1");
    // Were the rest of the line taken as a line of its own, it would be "quit".
    send(std::string(4999, 'x') + "quit");
    expect_searching(1);
    send("quit");
    EXPECT_EQ(worker->wait_exit(), 0);
    EXPECT_EQ(worker->error_output(), "");
    EXPECT_FALSE(worker->read_line(1000)) << "a worker writes nothing to standard output";
}

TEST_F(FakeMaster, AWorkerWhoseMasterHasGoneEndsLikeQuit) {
    start_worker(1);
    send("uci");
    send("setoption name Hash value 1");
    expect_searching(1);
    hang_up();
    EXPECT_EQ(worker->wait_exit(), 0);
    EXPECT_EQ(worker->error_output(), "");
    // In a one-process build worker 1 is not the master's own worker: the
    // master may still be there, and the names stay.
    EXPECT_TRUE(names_exist());
}

TEST_F(FakeMaster, AWorkerThatCannotOpenTheSharedBlocksEndsWithOneLine) {
    // Told a larger size than the blocks have, the worker cannot use them.
    start_worker(1);
    send("uci");
    send("setoption name Hash value 2");
    EXPECT_EQ(worker->wait_exit(), 1);
    EXPECT_EQ(worker->error_output(),
              "jux worker 1: cannot open the shared tables of engine " + suffix + "\n");

    // Without any blocks under the names.
    release_tables();
    start_worker(1);
    send("uci");
    send("setoption name Hash value 1");
    EXPECT_EQ(worker->wait_exit(), 1);
    EXPECT_EQ(worker->error_output(),
              "jux worker 1: cannot open the shared tables of engine " + suffix + "\n");
}

}  // namespace
