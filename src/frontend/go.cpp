// The "go" command: the parameters become SearchLimits, the search runs to
// its end inside this command, and the engine answers with its CPU load and
// "bestmove".
#include "frontend/go.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/notation.h"
#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "core/role.h"
#include "frontend/interpreter.h"
#include "platform/clock.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/pv.h"
#include "search/root.h"
#include "search/timectl.h"
#include "smp/workers.h"

namespace {

// The number after a key, as a decimal integer: leading white space and a
// sign are accepted, reading stops at the first non-digit, no digits give 0.
// Values beyond the int range are held at its ends.
int64_t number_after(const char* p) {
    long long v = std::strtoll(p, nullptr, 10);
    return static_cast<int64_t>(v);
}

int clamp_int(int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// Looks for key in the line and reads the number that follows it.
bool find_number(const char* line, const char* key, int64_t& value) {
    const char* p = std::strstr(line, key);
    if (!p) return false;
    value = number_after(p + std::strlen(key));
    return true;
}

// A clock in whole seconds. Held below the point where the setters' seconds
// x 1000 would leave the int range (an earlier infinite search leaves 1e13).
int clock_seconds(double ms) {
    double s = ms * 0.001;
    if (s > INT_MAX / 1000) return INT_MAX / 1000;
    if (s < INT_MIN / 1000) return INT_MIN / 1000;
    return static_cast<int>(s);
}

// Waits, polling, until "stop" (or "ponderhit" for a ponder search) allows
// an answer; used when there is nothing to search.
void wait_for_release() {
    search.search_active.store(1, std::memory_order_relaxed);
    timer.extension_count.store(0, std::memory_order_relaxed);
    wait_polling(WaitFor::ANSWER_RELEASE);
}

// What a "go" line does not name is not carried over from the last one.
void clear_go_limits() {
    limits.search_moves_text[0] = 0;
    limits.pondering.store(0, std::memory_order_relaxed);
    hash_tables.new_entries = 0;
    limits.clock_side = pos.side_to_move;
    limits.node_limit = 0;
    if (role.is_master && hash_tables.share_block) std::memset(hash_tables.share_block, 0, SHARE_BLOCK_BYTES);
}

void read_ponder_and_search_moves(const char* line) {
    if (std::strstr(line, "ponder")) {
        debug_line("I will ponder\n");
        limits.pondering.store(1, std::memory_order_relaxed);
    }
    if (const char* p = std::strstr(line, "searchmoves")) {
        // The word and one separating blank are skipped.
        const char* text = std::strlen(p) >= 12 ? p + 12 : "";
        std::snprintf(limits.search_moves_text, sizeof(limits.search_moves_text), "%s", text);
        debug_line("search moves: %s\n", limits.search_moves_text);
    }
}

void read_clocks(const char* line) {
    int64_t v;
    if (find_number(line, "wtime ", v)) {
        limits.clock_ms[WHITE] = static_cast<double>(clamp_int(v));
        debug_line("white has %d ms time left\n", clamp_int(v));
    }
    if (find_number(line, "btime ", v)) {
        limits.clock_ms[BLACK] = static_cast<double>(clamp_int(v));
        debug_line("black has %d ms time left\n", clamp_int(v));
    }
    if (find_number(line, "winc ", v)) {
        limits.increment = clamp_int(v);
        debug_line("white increment is %d\n", limits.increment);
    }
    // One increment serves both sides: black's, read last, wins.
    if (find_number(line, "binc ", v)) {
        limits.increment = clamp_int(v);
        debug_line("black increment is %d\n", limits.increment);
    }
}

// The clock of the side to move sets the time mode: moves to go when the
// line names them, else clock and increment.
void set_clock_mode(const char* line) {
    int64_t v;
    const int side = limits.clock_side;
    const double clock_left = limits.clock_ms[side];
    const int seconds = clock_seconds(clock_left);
    if (find_number(line, "movestogo ", v)) {
        limits.moves_to_go[side] = clamp_int(v);
        debug_line("moves to go %d\n", limits.moves_to_go[side]);
        set_moves_to_go(limits.moves_to_go[side], seconds);
    } else {
        set_clock_increment(seconds, limits.increment / 1000);
    }
    // The setters keep whole seconds; the plan also wants the milliseconds
    // really left, to spend an increment safely below the margin.
    limits.clock_left_ms[side] = clock_left > 0 ? clock_left : 0;
}

// Each setter below rewrites the time mode, the clock of the side to move
// and the depth, so the last one given in this order decides.
void read_fixed_limits(const char* line) {
    int64_t v;
    if (find_number(line, "depth ", v)) {
        const int d = v < 1 ? 1 : clamp_int(v);
        set_depth(d);
        debug_line("search depth set to %d\n", d);
    }
    if (find_number(line, "movetime ", v)) {
        debug_line("movetime %d\n", clamp_int(v));
        set_move_time(clamp_int(v));
    }
    if (std::strstr(line, "infinite")) {
        set_infinite();
        debug_line("Infinite mode\n");
    }
    if (find_number(line, "mate ", v)) {
        const int64_t moves = v > INT_MAX / 2 ? INT_MAX / 2 : (v < INT_MIN / 2 ? INT_MIN / 2 : v);
        const int d = 2 * moves < 1 ? 1 : static_cast<int>(2 * moves);
        set_depth(d);
        debug_line("searching for mate in %d\n", d / 2);
    }
    if (find_number(line, "nodes ", v)) {
        // A limit of 0 would mean none: "nodes 0" or less searches as
        // little as a node limit allows rather than for ever.
        limits.node_limit = v < 1 ? 1 : v;
        set_infinite();
        debug_line("searching %lld nodes\n", static_cast<long long>(limits.node_limit));
    }
}

// Mate or stalemate on the board: the protocol's null move, once the front
// end allows an answer.
void answer_without_moves() {
    debug_line("No Moves!\n");
    wait_for_release();
    search.infinite_requested = 0;
    send_line("bestmove 0000\n");
}

// A search that never reports (only possible from a position the rules
// cannot reach) still names a move that is legal on the board.
void name_first_legal_move() {
    pv.ponder_move_text[0] = 0;
    std::snprintf(pv.best_move_text, sizeof(pv.best_move_text), "%s",
                  format_move(static_cast<Move>(search.first_legal_root_move), pos.side_to_move));
}

// The master's CPU time over the search, and the workers' loads.
void report_cpu_load(const ThreadTimes& before) {
    const ThreadTimes after = thread_times();
    const int64_t elapsed = static_cast<int64_t>(tick_ms() - timer.search_start);
    if (elapsed == 0) return;
    const int64_t load = cpu_load_thousandths(after.kernel_100ns - before.kernel_100ns,
                                              after.user_100ns - before.user_100ns, elapsed) +
                         worker_load_total();
    send_line("info cpuload %d\n", static_cast<int>(load));
}

void stop_workers() {
    if (!worker_link.has_downstream) return;
    write_downstream("stop\n");
    debug_line("send stop pipe (%d): %s\n", worker_link.downstream_pipe, "stop\n");
}

void send_best_move() {
    if (std::strlen(pv.ponder_move_text) >= 2)
        send_line("bestmove %s ponder %s\n", pv.best_move_text, pv.ponder_move_text);
    else
        send_line("bestmove %s\n", pv.best_move_text);
    debug_line("Ending JUX with %s\n", pv.best_move_text);
}

}  // namespace

void set_limits_from_go(const char* line) {
    clear_go_limits();
    read_ponder_and_search_moves(line);
    read_clocks(line);
    set_clock_mode(line);
    read_fixed_limits(line);
    debug_line("Starting JUX\n");
    search.infinite_requested = std::strstr(line, "infinite") ? 1 : 0;
}

int64_t cpu_load_thousandths(int64_t kernel_100ns, int64_t user_100ns, int64_t elapsed_ms) {
    if (elapsed_ms == 0) return 0;
    return (kernel_100ns / 10000 + user_100ns / 10000) * 1000 / elapsed_ms;
}

void handle_go(const char* line) {
    // No search runs without tables (the interpreter answers a "go" before
    // "uci" itself).
    if (!hash_tables.held) return;
    install_front_end_hooks();
    set_limits_from_go(line);

    if (count_legal_root_moves(pos.side_to_move, pos.ep_square) == 0) {
        answer_without_moves();
        return;
    }

    name_first_legal_move();
    const ThreadTimes before = thread_times();
    start_search(limits.pondering.load(std::memory_order_relaxed));
    search.infinite_requested = 0;

    if (role.is_master) report_cpu_load(before);
    stop_workers();
    send_best_move();
}
