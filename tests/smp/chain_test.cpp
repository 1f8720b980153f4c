// The chain of engine processes: a three-process engine as the front end sees it, this test adopting every
// worker; and this process as the master of stand-in shell scripts, so that the test sees what they are sent.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "board/position.h"
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

using Lines = std::vector<std::string>;
using namespace process_watch;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

int64_t number_after(const std::string& line, const std::string& key) {
    const size_t at = line.find(key);
    return at == std::string::npos ? -1 : std::strtoll(line.c_str() + at + key.size(), nullptr, 10);
}

bool legal_bestmove(const Lines& lines, const char* fen) {
    if (lines.empty() || !lines.back().starts_with("bestmove ")) return false;
    const std::string move = lines.back().substr(9, lines.back().find(' ', 9) - 9);
    Move found = 0;
    return set_position_from_fen(fen) &&
           find_move_by_text(pos.side_to_move, move.c_str(), found, pos.ep_square);
}

int32_t share_word(int index) {
    return __atomic_load_n(&hash_tables.share_block[index], __ATOMIC_RELAXED);
}
uint64_t worker_nodes(int w) {
    return uint64_t(uint32_t(share_word(SHARE_NODES_WORD + 2 * w))) |
           uint64_t(uint32_t(share_word(SHARE_NODES_WORD + 2 * w + 1))) << 32;
}

// Worker 2 started by the master, worker 1 by worker 2; a new chain per Hash value, searching the master's
// position and counted in its lines; "stop" reaching every process; "quit" ending 1, 2, then the master.
TEST(Chain, StartsSearchesRebuildsStopsAndQuits) {
    Subreaper reaper;  // before the engine: it must adopt the workers
    EngineProcess engine{{"--processes", "3"}};
    const pid_t master = engine.pid();
    ASSERT_TRUE(engine.handshake());
    const std::string m = std::to_string(master), program = link_target("/proc/" + m + "/exe");
    engine.send("debug on");
    engine.send("setoption name Hash value 1");
    Lines lines = engine.lines_before_ready();
    const std::vector<Child> old_workers = wait_for_workers({"2", "1"}, master);
    ASSERT_EQ(old_workers.size(), 2u);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(Lines(lines.begin() + 6, lines.begin() + 9),
              (Lines{"info string Using 3 Processors", "info string Creating Remote Pipe",
                     "info string Spawned (2 " + m + ") " + std::to_string(old_workers[0].pid)}));
    EXPECT_EQ(Lines(lines.begin() + 11, lines.end()),
              (Lines{"info string processes created", "info string Hashsize is 1 MB",
                     "info string JUX got isready"}));
    EXPECT_EQ(old_workers[0].arguments, (Lines{program, "2", m}));
    EXPECT_EQ(old_workers[1].arguments, (Lines{program, "1", m}));
    // The pipes have lost their names; only the master's blocks are named.
    EXPECT_EQ(leftovers_of(master),
              (Lines{"/dev/shm/jux_" + m + "_bptable", "/dev/shm/jux_" + m + "_bttable",
                     "/dev/shm/jux_" + m + "_share_entry", "/dev/shm/jux_" + m + "_wptable",
                     "/dev/shm/jux_" + m + "_wttable"}));
    // The master's one child guards its names: own session, /dev/null streams, one pipe, polite kills
    // ignored.
    const std::vector<Child> guard = children_of(master);
    ASSERT_EQ(guard.size(), 1u);
    const std::string proc = "/proc/" + std::to_string(guard[0].pid), status = read_file(proc + "/status");
    EXPECT_EQ(guard[0].command, "jux-guard");
    EXPECT_EQ(getsid(guard[0].pid), guard[0].pid);
    EXPECT_EQ(directory_entries(proc + "/fd").size(), 6u);  // and . ..
    for (const char* fd : {"/fd/0", "/fd/1", "/fd/2"}) EXPECT_EQ(link_target(proc + fd), "/dev/null");
    const uint64_t polite = 1u << (SIGHUP - 1) | 1u << (SIGINT - 1) | 1u << (SIGQUIT - 1) |
                            1u << (SIGTERM - 1) | 1u << (SIGPIPE - 1);
    EXPECT_EQ(std::stoull(status.substr(status.find("SigIgn:") + 7), nullptr, 16) & polite, polite);

    engine.send("setoption name Hash value 16");
    lines = engine.lines_before_ready();
    EXPECT_EQ(wait_child(old_workers[0].pid), 0);
    EXPECT_EQ(wait_child(old_workers[1].pid), 0);
    const std::vector<Child> workers = wait_for_workers({"2", "1"}, master);
    ASSERT_EQ(workers.size(), 2u);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[1], "info string processes killed");
    EXPECT_EQ(lines[9], "info string Spawned (2 " + m + ") " + std::to_string(workers[0].pid));
    EXPECT_EQ(lines[13], "info string Hashsize is 16 MB");
    engine.send("debug off");

    init_tables();
    const ProcessRole saved_role = role;
    role.is_master = 0;
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(master));
    create_tables(16 * 1024, 0);
    ASSERT_TRUE(attach_tables());
    const char* const italian = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
    const uint64_t limit = 1000000;
    engine.send(std::string("position fen ") + italian);
    engine.send("go nodes " + std::to_string(limit));
    // Hold the master at the start of its search and let the workers alone search up to the node limit.
    Lines before = engine.read_until_prefix("info depth");
    ASSERT_EQ(kill(master, SIGSTOP), 0);
    ASSERT_TRUE(
        wait_for([&] { return read_file("/proc/" + m + "/stat").find(") T ") != std::string::npos; }));
    for (std::optional<std::string> line; (line = engine.read_line(300));) before.push_back(*line);
    int master_depth = 0;
    for (const std::string& line : before)
        if (line.starts_with("info depth "))
            master_depth = std::max(master_depth, std::atoi(line.c_str() + 11));
    ASSERT_TRUE(wait_for([&] { return worker_nodes(2) > limit && worker_nodes(1) > limit / 4; }));
    // The counts only grow during a search: every total the master writes from now on is at least this.
    const uint64_t worker_total = worker_nodes(1) + worker_nodes(2);
    EXPECT_GT(share_word(SHARE_ENTRIES_WORD + 1), 0);
    EXPECT_GT(share_word(SHARE_ENTRIES_WORD + 2), 0);
    for (int w : {0, 3, SHARE_SLOTS - 1}) EXPECT_EQ(worker_nodes(w), 0u) << "only workers 1 and 2 write";
    // The root has an entry deeper than any iteration the master has begun: the workers searched it.
    ASSERT_TRUE(set_position_from_fen(italian));
    int32_t move = 0;
    const HashProbe root = probe_hash(pos.side_to_move, 1, move);
    ASSERT_TRUE(root.hit);
    EXPECT_GT(std::max(root.lower_depth, root.upper_depth), master_depth);
    ASSERT_EQ(kill(master, SIGCONT), 0);
    lines = engine.read_until_prefix("bestmove");
    EXPECT_TRUE(legal_bestmove(lines, italian)) << lines.back();
    int counted = 0, cpuload = 0;
    for (const std::string& line : lines) {
        if (number_after(line, "nodes ") >= 0 && ++counted) {
            EXPECT_GE(number_after(line, "nodes "), int64_t(worker_total)) << line;
        }
        if (line.starts_with("info cpuload ")) cpuload = number_after(line, "cpuload ");
    }
    EXPECT_GT(counted, 0);
    EXPECT_GT(cpuload, 0);

    std::memset(hash_tables.share_block, 0, 512);
    engine.send("position startpos");
    engine.send("go infinite");
    ASSERT_TRUE(wait_for([&] { return worker_nodes(1) > 0 && worker_nodes(2) > 0; }));
    release_tables();
    role = saved_role;
    engine.send("stop");
    EXPECT_TRUE(engine.read_until_prefix("bestmove").back().starts_with("bestmove "));
    // A worker still searching would refuse the new position and end with status 1.
    const char* const fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8";
    engine.send(std::string("position fen ") + fen);
    engine.send("go depth 8");
    lines = engine.read_until_prefix("bestmove");
    EXPECT_TRUE(legal_bestmove(lines, fen)) << lines.back();
    EXPECT_NE(
        std::find_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("info depth 8 "); }),
        lines.end());
    engine.send("quit");
    Lines order;  // each process with its exit status
    for (int waited = 0; order.size() < 3 && waited < 60000; waited += 2) {
        for (const Child& w : workers)
            if (std::find(order.begin(), order.end(), w.arguments[1] + " 0") == order.end())
                if (const std::optional<int> status = wait_child(w.pid, 0))
                    order.push_back(w.arguments[1] + " " + std::to_string(*status));
        if (const std::optional<int> status = order.size() == 2 ? engine.wait_exit(1) : std::nullopt)
            order.push_back("master " + std::to_string(*status));
        usleep(2000);
    }
    EXPECT_EQ(order, (Lines{"1 0", "2 0", "master 0"}));
    EXPECT_EQ(leftovers_of(master), Lines{});
    EXPECT_TRUE(children_of().empty());
}

// A worker reads its Hash line after the master's "readyok", perhaps while the master searches: opening the
// tables must leave the master's entries in place.
TEST(Chain, AWorkerOpeningTheTablesKeepsTheMastersEntries) {
    const ProcessRole saved_role = role;
    const int saved_count = options.process_count;
    options.process_count = 2;  // named blocks, as a chain needs
    role.is_master = 1;
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    ASSERT_GT(create_tables(1024, 0), 0);
    hash_tables.table[WHITE][3].a.key = 0x1234;
    eval_caches.eval_cache[BLACK][5].key = 0x5678;
    const pid_t worker = fork();
    if (worker == 0) {
        role.is_master = 0;
        hash_tables.held = false;  // the master's views stay; the worker maps its own
        open_shared_tables(1);
        _exit(hash_tables.table[WHITE][3].a.key == 0x1234 && eval_caches.eval_cache[BLACK][5].key == 0x5678 ? 0
                                                                                                           : 3);
    }
    EXPECT_EQ(wait_child(worker), 0);
    release_tables();
    options.process_count = saved_count;
    role = saved_role;
}

// Whoever is killed, no pipe or shared block stays behind, and an engine that lives on still answers.
TEST(ChainKill, NoNameOutlivesTheProcessesThatUseIt) {
    enum Moment { AFTER_UCI, DURING_REBUILD, DURING_SEARCH };
    enum Victims { MASTER, WORKER_2, EVERYTHING, MASTER_AND_GUARD };
    const struct {
        Moment moment;
        Victims victims;
    } cases[] = {
        {AFTER_UCI, MASTER},
        {DURING_REBUILD, MASTER},
        {DURING_REBUILD, EVERYTHING},
        {DURING_SEARCH, MASTER},
        {DURING_SEARCH, EVERYTHING},
        {DURING_SEARCH, WORKER_2},
        {DURING_SEARCH, MASTER_AND_GUARD},  // the worker that finds the master gone removes the names
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "moment " << c.moment << ", victims " << c.victims);
        Subreaper reaper;
        EngineProcess engine{{"--processes", "3"}};
        const pid_t master = engine.pid();
        ASSERT_TRUE(engine.handshake());
        if (c.moment == DURING_REBUILD) {
            // Kill while a pipe of the new chain is named (a few ms; landing after it must leave nothing
            // too).
            engine.send("setoption name Hash value 64");
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            for (bool named = false; !named && std::chrono::steady_clock::now() < give_up; sched_yield())
                for (const std::string& path : leftovers_of(master))
                    named = named || path.find("/jux-uci") != std::string::npos;
        }
        if (c.moment == DURING_SEARCH) {
            engine.send("setoption name Hash value 16");
            ASSERT_EQ(engine.lines_before_ready(), Lines{});
            ASSERT_EQ(wait_for_workers({"2", "1"}, master).size(), 2u);
            engine.send("position startpos");
            engine.send("go infinite");
            ASSERT_FALSE(engine.read_until_prefix("info depth").empty());
        }
        ASSERT_GE(leftovers_of(master).size(), 5u) << "the blocks are named while the master lives";

        for (const Child& p : children_of(c.victims == WORKER_2 ? getpid() : master))
            if ((c.victims == MASTER_AND_GUARD && p.command == "jux-guard") ||
                (c.victims == WORKER_2 && p.arguments.size() == 3 && p.arguments[1] == "2"))
                kill(p.pid, SIGKILL);
        if (c.victims == MASTER || c.victims == MASTER_AND_GUARD) kill(master, SIGKILL);
        // Everything but the guard, which is there to outlive the others; also a process being started.
        for (bool more = c.victims == EVERYTHING; more;) {
            more = false;
            for (const Child& p : children_of())
                if (!p.ended && p.command != "jux-guard") {
                    kill(p.pid, SIGKILL);
                    more = true;
                }
        }
        if (c.victims == WORKER_2) {
            engine.send("stop");
            EXPECT_TRUE(engine.read_until_prefix("bestmove").back().starts_with("bestmove "));
            EXPECT_EQ(engine.lines_before_ready(), Lines{});
            engine.send("quit");
            EXPECT_EQ(engine.wait_exit(), 0);
        } else {
            EXPECT_EQ(engine.wait_exit(), 128 + SIGKILL);
        }
        EXPECT_TRUE(wait_for([&] { return leftovers_of(master).empty(); }))
            << testing::PrintToString(leftovers_of(master));
        EXPECT_TRUE(wait_for([] {
            while (waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            return children_of().empty();
        }));
        for (const std::string& path : leftovers_of(master)) unlink(path.c_str());
    }
}

// The process id in the nth "info string Spawned (...) <pid>" line.
int spawned_pid(const std::string& output, int nth) {
    size_t at = output.find("info string Spawned (");
    while (nth-- > 0) at = output.find("info string Spawned (", at + 1);
    return at == std::string::npos ? 0 : std::atoi(output.c_str() + output.find(") ", at) + 2);
}

// Stand-in workers keep what they are sent in a file named after their process id.
TEST(Link, TheMasterPassesLinesOnBeforeActingAndRebuildsTheChainOnEachHashValue) {
    signal(SIGPIPE, SIG_IGN);
    const ProcessRole saved_role = role;
    const EngineOptions saved_options = options;
    const std::string suffix = std::to_string(getpid());
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%s", suffix.c_str());
    role.is_master = 1;
    options.nalimov_path[0] = '\0';  // other tests may have left a path
    char scratch[] = "/tmp/jux_chain_test_XXXXXX", pipes[256];
    ASSERT_NE(mkdtemp(scratch), nullptr);
    ASSERT_TRUE(pipe_directory(pipes, sizeof pipes));
    const std::string program = std::string(scratch) + "/worker";
    write_file(program, "#!/bin/sh\nexec cat \"" + std::string(pipes) + "/jux-uci$1-$2\" > " + scratch +
                            "/received-$$\n");
    ASSERT_EQ(chmod(program.c_str(), 0700), 0);
    set_worker_program(program.c_str());
    options.process_count = 2;
    options.debug_mode = 1;
    timer.poll_input = 0;  // this process's own input is not the engine's to read here
    CaptureStdout();
    for (const char* line : {"setoption name NalimovCache value 2", "setoption name Hash value 1",
                             "position startpos", "go depth 2", "setoption name Hash value 2"})
        execute_command(line, 0);
    const std::string output = GetCapturedStdout();
    const int first = spawned_pid(output, 0), second = spawned_pid(output, 1);
    ASSERT_TRUE(first > 0 && second > 0) << output;
    EXPECT_NE(output.find("\nbestmove "), std::string::npos);
    // The old chain is told to stop and quit; the new one's pipe closes with close_worker_pipes.
    EXPECT_TRUE(wait_for([&] { return !process_running(first); }));
    const std::string setup = "setoption name NalimovCache value 2\nsetoption name NalimovPath value \n";
    EXPECT_EQ(
        read_file(std::string(scratch) + "/received-" + std::to_string(first)),
        "uci\nsetoption name Hash value 1\n" + setup + "position startpos\ngo depth 2\nstop\nstop\nquit\n");
    close_worker_pipes();
    EXPECT_TRUE(wait_for([&] { return !process_running(second); }));
    EXPECT_EQ(read_file(std::string(scratch) + "/received-" + std::to_string(second)),
              "uci\nsetoption name Hash value 2\n" + setup);
    set_worker_program(nullptr);
    timer.poll_input = 1;
    options = saved_options;
    role = saved_role;
    std::filesystem::remove_all(scratch);
}

}  // namespace
