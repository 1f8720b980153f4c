// A real worker process driven by this test as its master: the test creates
// the shared tables and the pipe, starts the engine with two arguments, and
// watches what the worker does through the tables, the share block and its
// exit status (a worker never writes to standard output).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "frontend/options.h"
#include "frontend/roles.h"
#include "platform/pipe.h"
#include "search/hash.h"
#include "smp/process_watch.h"
#include "uci/engine_process.h"

namespace {

using process_watch::Child;

const char* const ITALIAN = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
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

    // Starts binary as worker number and waits until it has opened its pipe.
    void start_worker(int number, const char* binary = JUX_BINARY) {
        char text[512];
        ASSERT_TRUE(pipe_path(text, sizeof text, number, suffix.c_str()));
        path = text;
        ASSERT_TRUE(pipe_create(path.c_str()));
        worker =
            std::make_unique<EngineProcess>(std::vector<std::string>{std::to_string(number), suffix}, binary);
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
    bool no_name_left() const {
        for (const char* block : {"_bttable", "_wttable", "_bptable", "_wptable", "_share_entry"})
            if (exists("/dev/shm/jux_" + suffix + block)) return false;
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

TEST_F(FakeMaster, TheWorkerSearchesThePositionItIsGivenOnTheSharedTables) {
    start_worker(1);
    send("uci");
    send("setoption name Hash value 1");
    send(std::string("position fen ") + ITALIAN);
    send("go depth 6");

    // The worker's search leaves its result for the root in our table.
    ASSERT_TRUE(set_position_from_fen(ITALIAN));
    int32_t move = 0;
    ASSERT_TRUE(wait_for([&] {
        HashProbe probe = probe_hash(pos.side_to_move, move);
        return probe.hit && (probe.lower_depth >= 6 || probe.upper_depth >= 6);
    }));
    Move found = 0;
    ASSERT_NE(move, 0);
    const std::string text = format_move(static_cast<Move>(move), pos.side_to_move);
    EXPECT_TRUE(find_move_by_text(pos.side_to_move, text.c_str(), found, pos.ep_square)) << text;
    EXPECT_EQ(found, static_cast<Move>(move));

    // Its counters in its own slot of the share block, nothing elsewhere.
    EXPECT_TRUE(wait_for([&] { return worker_nodes(1) > 1000 && share_word(SHARE_ENTRIES_WORD + 1) > 0; }));
    for (int w = 0; w < SHARE_SLOTS; w++) {
        if (w == 1) continue;
        EXPECT_EQ(worker_nodes(w), 0u) << w;
        EXPECT_EQ(share_word(SHARE_ENTRIES_WORD + w), 0) << w;
        EXPECT_EQ(share_word(SHARE_LOAD_WORD + w), 0) << w;
    }

    send("quit");
    EXPECT_EQ(worker->wait_exit(), 0);
    EXPECT_EQ(worker->error_output(), "");
    EXPECT_FALSE(worker->read_line(1000)) << "a worker writes nothing to standard output";
    EXPECT_TRUE(names_exist()) << "the names are the master's to remove";
}

TEST_F(FakeMaster, StopEndsTheWorkersSearch) {
    start_worker(1);
    send("uci");
    send("setoption name Hash value 1");
    expect_searching(1);
    send("stop");
    // Only an idle worker may take a new position: a searching one would
    // refuse it and end with status 1.
    send("position startpos moves e2e4");
    send("go depth 2");
    send("quit");
    EXPECT_EQ(worker->wait_exit(), 0);
    EXPECT_EQ(worker->error_output(), "");
}

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

TEST_F(FakeMaster, TheMastersOwnWorkerRemovesTheNamesWhenTheMasterHasGone) {
    process_watch::Subreaper reaper;
    // In a three-process build worker 2 reads from the master and starts worker 1.
    start_worker(2, JUX3_BINARY);
    std::optional<std::vector<Child>> chain = process_watch::wait_for_children({"1"}, worker->pid());
    ASSERT_TRUE(chain);
    const Child worker_1 = chain->front();
    EXPECT_EQ(worker_1.arguments, (std::vector<std::string>{JUX3_BINARY, "1", suffix}));
    send("uci");
    send("setoption name Hash value 1");
    expect_searching(2);
    EXPECT_TRUE(wait_for([&] { return worker_nodes(1) > 0; })) << "worker 1 got the lines through worker 2";

    hang_up();
    EXPECT_EQ(worker->wait_exit(), 0);
    EXPECT_EQ(process_watch::wait_child(worker_1.pid), 0);
    EXPECT_TRUE(no_name_left());
    EXPECT_EQ(worker->error_output(), "");
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
