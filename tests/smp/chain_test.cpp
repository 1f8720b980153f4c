// The whole chain: a three-process build as the front end sees it, with
// this test as the parent of every worker so that it collects their exit
// statuses and can tell that nothing is left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "board/position.h"
#include "frontend/roles.h"
#include "search/hash.h"
#include "smp/process_watch.h"
#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;
using process_watch::Child;

const char* const ITALIAN = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
constexpr int GENEROUS_MS = 60000;

bool starts_with(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool wait_for(const std::function<bool()>& condition, int timeout_ms = GENEROUS_MS) {
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        if (condition()) return true;
        usleep(10000);
    }
    return condition();
}

// The number after key in line ("nodes ", "hashfull "), -1 when absent.
int64_t number_after(const std::string& line, const std::string& key) {
    const size_t at = line.find(key);
    if (at == std::string::npos) return -1;
    return std::strtoll(line.c_str() + at + key.size(), nullptr, 10);
}

class Chain : public ::testing::Test {
   protected:
    void SetUp() override {
        saved_role = role;
        master = engine.pid();
        ASSERT_TRUE(engine.handshake());
    }
    void TearDown() override {
        release_tables();
        role = saved_role;
        process_watch::remove_leftovers_of(master);
    }

    // "setoption name Hash value" with its answer up to "readyok", then the
    // two workers the master has started, worker 2 first.
    std::vector<Child> build_chain(int megabytes, Lines* transcript = nullptr) {
        engine.send("setoption name Hash value " + std::to_string(megabytes));
        Lines lines = engine.lines_before_ready();
        if (transcript) *transcript = lines;
        std::optional<std::vector<Child>> found = process_watch::wait_for_children({"2", "1"}, master);
        return found ? *found : std::vector<Child>{};
    }

    // Opens the master's shared blocks here, as a worker of it would.
    bool attach(int megabytes) {
        release_tables();
        init_tables();
        role.is_master = 0;
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(master));
        create_tables(megabytes * 1024, 0);
        return attach_tables();
    }
    int32_t share_word(int index) const {
        return __atomic_load_n(&hash_tables.share_block[index], __ATOMIC_RELAXED);
    }
    uint64_t worker_nodes(int w) const {
        return static_cast<uint32_t>(share_word(SHARE_NODES_WORD + 2 * w)) |
               static_cast<uint64_t>(static_cast<uint32_t>(share_word(SHARE_NODES_WORD + 2 * w + 1))) << 32;
    }
    bool both_workers_search() {
        return wait_for([&] { return worker_nodes(1) > 0 && worker_nodes(2) > 0; });
    }

    // "quit": worker 1 ends first, then worker 2, the master last, each
    // with status 0, and no process, pipe or shared block is left.
    void expect_clean_quit(const std::vector<Child>& workers) {
        ASSERT_EQ(workers.size(), 2u);
        engine.send("quit");
        Lines order;
        std::optional<int> status[3];
        for (int waited = 0; order.size() < 3 && waited < GENEROUS_MS; waited += 2) {
            for (int i = 0; i < 2; i++) {
                int s = 0;
                if (!status[i] && process_watch::collect_if_ended(workers[i].pid, &s)) {
                    status[i] = s;
                    order.push_back("worker " + workers[i].arguments[1]);
                }
            }
            if (!status[2] && (status[2] = engine.wait_exit(1))) order.push_back("master");
            usleep(2000);
        }
        EXPECT_EQ(order, (Lines{"worker 1", "worker 2", "master"}));
        for (const std::optional<int>& s : status) EXPECT_EQ(s, 0);
        EXPECT_EQ(process_watch::leftovers_of(master), Lines{});
        EXPECT_TRUE(process_watch::children().empty());
    }

    process_watch::Subreaper reaper;  // before the engine: it must adopt the workers
    EngineProcess engine{{}, JUX3_BINARY};
    pid_t master = -1;
    ProcessRole saved_role;
};

TEST_F(Chain, TheMasterStartsWorkerTwoWhichStartsWorkerOne) {
    engine.send("debug on");
    ASSERT_EQ(engine.lines_before_ready(), Lines{"info string JUX got isready"});
    Lines lines;
    std::vector<Child> workers = build_chain(1, &lines);
    ASSERT_EQ(workers.size(), 2u);
    const std::string m = std::to_string(master);

    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "info string JUX got setoption name Hash value 1");
    EXPECT_EQ(lines[1], "info string re-Memory Mapped 0");
    EXPECT_EQ(lines[4], "info string re-Memory Mapped 3");
    EXPECT_TRUE(starts_with(lines[5], "info string re-Memory Mapped "));
    EXPECT_EQ(lines[6], "info string Using 3 Processors");
    EXPECT_EQ(lines[7], "info string Creating Remote Pipe");
    EXPECT_EQ(lines[8], "info string Spawned (2 " + m + ") " + std::to_string(workers[0].pid));
    EXPECT_TRUE(starts_with(lines[9], "info string p&p pipe (")) << lines[9];
    EXPECT_EQ(lines[9].substr(lines[9].size() - 6), "): uci");
    EXPECT_EQ(lines[10], "");
    EXPECT_EQ(lines[11], "info string processes created");
    EXPECT_EQ(lines[12], "info string Hashsize is 1 MB");
    EXPECT_EQ(lines[13], "info string JUX got isready");

    const std::string program = process_watch::executable_of(master);
    EXPECT_EQ(workers[0].arguments, (Lines{program, "2", m}));
    EXPECT_EQ(workers[1].arguments, (Lines{program, "1", m}));
    for (const Child& w : workers) {
        EXPECT_EQ(process_watch::executable_of(w.pid), program);
        EXPECT_EQ(process_watch::session_of(w.pid), w.pid) << "a session of its own";
        EXPECT_EQ(process_watch::descriptor_target(w.pid, 0), "/dev/null");
        EXPECT_EQ(process_watch::descriptor_target(w.pid, 1), "/dev/null");
    }
    // The pipes have lost their names; only the master's blocks are named.
    Lines names = process_watch::leftovers_of(master);
    EXPECT_EQ(names, (Lines{"/dev/shm/jux_" + m + "_bptable", "/dev/shm/jux_" + m + "_bttable",
                            "/dev/shm/jux_" + m + "_share_entry", "/dev/shm/jux_" + m + "_wptable",
                            "/dev/shm/jux_" + m + "_wttable"}))
        << "sorted by name";

    engine.send("debug off");
    expect_clean_quit(workers);
}

TEST_F(Chain, WorkersSearchTheSamePositionAndTheMastersLinesCountTheirNodes) {
    std::vector<Child> workers = build_chain(16);
    ASSERT_EQ(workers.size(), 2u);
    ASSERT_TRUE(attach(16));
    const uint64_t limit = 1000000;
    engine.send(std::string("position fen ") + ITALIAN);
    engine.send("go nodes " + std::to_string(limit));

    // Hold the master at the start of its search and let the workers alone
    // search: worker 2 to its own node limit, worker 1 until worker 2's
    // "stop" at the end of its search reaches it.
    Lines before = engine.read_until_prefix("info depth");
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(kill(master, SIGSTOP), 0);
    ASSERT_TRUE(wait_for([&] { return process_watch::state_of(master) == 'T'; }));
    int master_depth = 0;
    for (std::optional<std::string> line = engine.read_line(300); line; line = engine.read_line(300))
        before.push_back(*line);
    for (const std::string& line : before)
        if (starts_with(line, "info depth "))
            master_depth = std::max(master_depth, std::atoi(line.c_str() + 11));
    ASSERT_TRUE(wait_for([&] { return worker_nodes(2) > limit && worker_nodes(1) > limit / 4; }));
    // The counts only grow during a search, so every total the master writes
    // from now on is at least this, more than it can search alone.
    const uint64_t worker_total = worker_nodes(1) + worker_nodes(2);
    const int64_t worker_entries = share_word(SHARE_ENTRIES_WORD + 1) + share_word(SHARE_ENTRIES_WORD + 2);
    EXPECT_GT(share_word(SHARE_ENTRIES_WORD + 1), 0);
    EXPECT_GT(share_word(SHARE_ENTRIES_WORD + 2), 0);
    for (int w = 0; w < SHARE_SLOTS; w++) {
        if (w == 1 || w == 2) continue;
        EXPECT_EQ(worker_nodes(w), 0u) << w;
        EXPECT_EQ(share_word(SHARE_ENTRIES_WORD + w), 0) << w;
        EXPECT_EQ(share_word(SHARE_LOAD_WORD + w), 0) << w;
    }

    // The root of the position has an entry deeper than any iteration the
    // master has begun: the workers searched this very position.
    ASSERT_TRUE(set_position_from_fen(ITALIAN));
    int32_t move = 0;
    const HashProbe root = probe_hash(pos.side_to_move, move);
    ASSERT_TRUE(root.hit);
    EXPECT_GT(std::max(root.lower_depth, root.upper_depth), master_depth);
    Move found = 0;
    const std::string text = format_move(static_cast<Move>(move), pos.side_to_move);
    EXPECT_TRUE(find_move_by_text(pos.side_to_move, text.c_str(), found, pos.ep_square)) << text;

    ASSERT_EQ(kill(master, SIGCONT), 0);
    const Lines after = engine.read_until_prefix("bestmove");
    ASSERT_FALSE(after.empty());
    EXPECT_TRUE(starts_with(after.back(), "bestmove ")) << after.back();
    int counted = 0;
    bool cpuload = false;
    for (const std::string& line : after) {
        const int64_t nodes = number_after(line, "nodes ");
        if (nodes >= 0) {
            counted++;
            EXPECT_GE(nodes, static_cast<int64_t>(worker_total)) << line;
        }
        if (starts_with(line, "info nodes ")) {
            const int64_t table_total = 2 * static_cast<int64_t>(hash_tables.entry_count);
            EXPECT_GE(number_after(line, "hashfull "), worker_entries * 1000 / table_total) << line;
        }
        if (starts_with(line, "info cpuload ")) cpuload = number_after(line, "cpuload ") > 0;
    }
    EXPECT_GT(counted, 0);
    EXPECT_TRUE(cpuload);
    expect_clean_quit(workers);
}

TEST_F(Chain, StopReachesEveryProcess) {
    std::vector<Child> workers = build_chain(1);
    ASSERT_EQ(workers.size(), 2u);
    ASSERT_TRUE(attach(1));
    engine.send("position startpos");
    engine.send("go infinite");
    ASSERT_TRUE(both_workers_search());
    engine.send("stop");
    EXPECT_TRUE(starts_with(engine.read_until_prefix("bestmove").back(), "bestmove "));
    // A worker still searching would refuse the new position and end with
    // status 1.
    engine.send("position startpos moves e2e4");
    engine.send("go depth 3");
    EXPECT_TRUE(starts_with(engine.read_until_prefix("bestmove").back(), "bestmove "));
    expect_clean_quit(workers);
}

TEST_F(Chain, ANewHashValueRebuildsTheChain) {
    std::vector<Child> old_workers = build_chain(1);
    ASSERT_EQ(old_workers.size(), 2u);
    engine.send("debug on");
    ASSERT_EQ(engine.lines_before_ready(), Lines{"info string JUX got isready"});
    engine.send("setoption name Hash value 2");
    const Lines lines = engine.lines_before_ready();
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[1], "info string processes killed");
    EXPECT_EQ(lines[2], "info string re-Memory Mapped 0");
    EXPECT_EQ(lines[7], "info string Using 3 Processors");
    EXPECT_EQ(lines[8], "info string Creating Remote Pipe");
    EXPECT_TRUE(starts_with(lines[9], "info string Spawned (2 " + std::to_string(master) + ") ")) << lines[9];
    EXPECT_EQ(lines[13], "info string Hashsize is 2 MB");

    // The old chain has quit; a new one reads the new tables.
    EXPECT_EQ(process_watch::wait_child(old_workers[0].pid), 0);
    EXPECT_EQ(process_watch::wait_child(old_workers[1].pid), 0);
    std::optional<std::vector<Child>> found = process_watch::wait_for_children({"2", "1"}, master);
    ASSERT_TRUE(found);
    const std::vector<Child> workers = *found;
    EXPECT_EQ(lines[9],
              "info string Spawned (2 " + std::to_string(master) + ") " + std::to_string(workers[0].pid));
    EXPECT_EQ(workers[1].arguments.at(1), "1");
    struct stat st;
    ASSERT_EQ(stat(("/dev/shm/jux_" + std::to_string(master) + "_wttable").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 11649 * 60 + 75) << "the 2 MB layout";

    engine.send("debug off");
    ASSERT_TRUE(attach(2));
    engine.send("position startpos");
    engine.send("go infinite");
    EXPECT_TRUE(both_workers_search());
    engine.send("stop");
    EXPECT_TRUE(starts_with(engine.read_until_prefix("bestmove").back(), "bestmove "));
    expect_clean_quit(workers);
}

TEST_F(Chain, WorkersEndByThemselvesWhenTheMasterIsKilled) {
    std::vector<Child> workers = build_chain(1);
    ASSERT_EQ(workers.size(), 2u);
    ASSERT_TRUE(attach(1));
    engine.send("position startpos");
    engine.send("go infinite");
    ASSERT_TRUE(both_workers_search());

    ASSERT_EQ(kill(master, SIGKILL), 0);
    EXPECT_EQ(engine.wait_exit(), 128 + SIGKILL);
    EXPECT_EQ(process_watch::wait_child(workers[0].pid), 0);
    EXPECT_EQ(process_watch::wait_child(workers[1].pid), 0);
    EXPECT_EQ(process_watch::leftovers_of(master), Lines{}) << "the master's blocks lose their names too";
    EXPECT_TRUE(process_watch::children().empty());
}

TEST(OneProcess, TheHashOptionStartsNoWorker) {
    process_watch::Subreaper reaper;
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("setoption name Hash value 64");
    EXPECT_EQ(engine.lines_before_ready(), Lines{});
    EXPECT_TRUE(process_watch::children(engine.pid()).empty());
    EXPECT_EQ(process_watch::leftovers_of(engine.pid()), Lines{}) << "one process needs no names";
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

}  // namespace
