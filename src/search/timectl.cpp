// Time control. The budget is planned once per search; between iterations
// the engine stops when another iteration would not fit, unless the score is
// falling, in which case it buys more time, more the further it falls.
// Inside the tree the hard limit is tested once per 10000 nodes.
#include "search/timectl.h"

#include <cinttypes>
#include <cstdlib>

#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "core/role.h"
#include "egtb/tbprobe.h"
#include "platform/clock.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/root.h"

TimeControl timer = {0, 0, 0, 0, {0}, 0, 0, 0, 1};

namespace {

void poll_nothing() {}

// Between two polls of a waiting search.
constexpr int WAIT_POLL_PAUSE_MS = 50;

bool still_waiting(WaitFor what) {
    if (!search.search_active.load(std::memory_order_relaxed)) return false;
    const bool pondering = limits.pondering.load(std::memory_order_relaxed);
    return what == WaitFor::PONDER_END ? pondering : search.infinite_requested || pondering;
}

double (*tick_source)() = monotonic_ms;

inline void recompute_score_margin() {
    timer.score_margin = std::abs(search.current_score) / 16 + 25;
}

inline int stop_now() {
    search.search_active.store(0, std::memory_order_relaxed);
    return 1;
}

// Moves to the next time control as the plan counts them: at least the move
// being played, whatever number the front end sent (0 or a negative count
// would give the whole clock, or more, to this move).
double moves_to_control(int side) {
    const int32_t moves = limits.moves_to_go[side];
    return moves < 1 ? 1.0 : static_cast<double>(moves);
}

}  // namespace

double tick_ms() {
    return tick_source();
}

void set_tick_source(double (*source)()) {
    tick_source = source ? source : monotonic_ms;
}

void plan_time() {
    const int mode = limits.time_mode;
    const int side = limits.clock_side;
    const double t = limits.clock_ms[side];
    const bool on_the_clock = mode == TIME_CLOCK_INCREMENT || mode == TIME_MOVES_TO_GO;
    double budget = 0;
    if (mode == TIME_CLOCK_INCREMENT)
        budget = t / 35 + 750.0 * (limits.increment > 0 ? limits.increment : 0);
    else if (mode == TIME_FIXED)
        budget = t;
    else if (mode == TIME_MOVES_TO_GO)
        budget = t / (moves_to_control(side) + 1);
    // Below the safety margin an increment is still worth spending, but never
    // more than half of what is really left: the increment comes only after
    // the move, and a huge one must not buy more than the clock holds.
    if (on_the_clock) {
        const double left = limits.clock_left_ms[side] / 2;
        const double cap = t > left ? t : left;
        if (budget > cap) budget = cap;
    }
    // A forced reply needs little thought; the search still runs for the PV.
    if (on_the_clock && count_legal_root_moves(pos.side_to_move, pos.ep_square) == 1) budget /= 9;
    if (budget < 25) budget = 25;
    double hard = 2 * budget;
    if (mode != TIME_FIXED) {
        if (hard > t / 2) hard = t / 2;
        if (hard < budget) hard = budget;
    }
    timer.budget = budget;
    timer.target_time = timer.search_start + budget;
    timer.hard_limit = timer.search_start + hard;
    timer.extension_count.store(0, std::memory_order_relaxed);
}

int iteration_end_test() {
    if (!role.is_master || limits.pondering.load(std::memory_order_relaxed) ||
        limits.time_mode == TIME_FIXED || !search.abort_armed)
        return 0;
    const double now = tick_ms();
    // Another iteration takes at least as long as all before it together.
    if (now + (now - timer.search_start) <= timer.target_time) return 0;
    recompute_score_margin();
    if (timer.extension_count.load(std::memory_order_relaxed) > 1) return 1;
    if (search.current_score > search.previous_search_score) return 1;
    if (search.previous_search_score - search.current_score < timer.score_margin) return 1;
    extend_time();
    return 0;
}

int should_stop() {
    if (!search.search_active.load(std::memory_order_relaxed)) return 1;
    if (search.node_count > timer.next_check) return periodic_check();
    return 0;
}

InputPoll input_poll = {poll_nothing};

void wait_polling(WaitFor what) {
    while (still_waiting(what)) {
        sleep_ms(WAIT_POLL_PAUSE_MS);
        input_poll.poll();
    }
}

int periodic_check() {
    const double now = tick_ms();
    if (timer.poll_input) input_poll.poll();
    if (!search.search_active.load(std::memory_order_relaxed)) {
        timer.extension_count.store(1, std::memory_order_relaxed);
        return 1;
    }

    const int mode = limits.time_mode;
    if (search.node_count > 1000 && !limits.pondering.load(std::memory_order_relaxed) &&
        ((mode == TIME_FIXED && now >= timer.target_time) || now >= timer.hard_limit)) {
        recompute_score_margin();
        if (timer.extension_count.load(std::memory_order_relaxed) > 1 || mode == TIME_FIXED)
            return stop_now();
        const int d = search.previous_search_score - search.current_score;
        if (-timer.score_margin < d && d < timer.score_margin) return stop_now();
        if (timer.extension_count.load(std::memory_order_relaxed) != 0 && now >= timer.hard_limit)
            return stop_now();
        extend_time();
    }

    timer.next_check = search.node_count + 10000;

    int32_t* share = hash_tables.share_block;
    if (!role.is_master) {
        if (share) {
            const int w = role.worker_id;
            share[SHARE_NODES_WORD + 2 * w] = static_cast<int32_t>(search.node_count & 0xFFFFFFFFu);
            share[SHARE_NODES_WORD + 2 * w + 1] = static_cast<int32_t>(search.node_count >> 32);
            share[SHARE_ENTRIES_WORD + w] = hash_tables.new_entries;
            const int64_t elapsed = static_cast<int64_t>(now - timer.search_start);
            if ((timer.next_check & 3) == 3 && elapsed != 0) {
                const int64_t cpu_ms = (thread_cpu_time_100ns() - timer.cpu_start_100ns) / 10000;
                share[SHARE_LOAD_WORD + w] = static_cast<int32_t>(cpu_ms * 1000 / elapsed);
            }
        }
    } else if ((search.node_count & 3) == 3) {
        const uint64_t total = search.node_count + worker_node_total();
        const int64_t claimed = hash_tables.new_entries + worker_claimed_total();
        const int64_t nps =
            static_cast<int64_t>(static_cast<double>(total) / ((now - timer.search_start + 1) * 0.001));
        const int64_t hashfull = hash_tables.table_total ? claimed * 1000 / hash_tables.table_total : 0;
        send_line("info nodes %" PRIu64 " nps %" PRId64 " hashfull %" PRId64 " tbhits %d\n", total, nps,
                  hashfull, tb_counters.probe_count);
    }

    if (limits.node_limit != 0 && search.node_count > static_cast<uint64_t>(limits.node_limit))
        return stop_now();
    return 0;
}

void extend_time() {
    const double used = tick_ms() - timer.search_start;
    recompute_score_margin();
    const int margin = timer.score_margin;
    const int count = timer.extension_count.load(std::memory_order_relaxed) + 1;
    timer.extension_count.store(count, std::memory_order_relaxed);

    const double budget = timer.budget;
    const double base =
        (count == 1 && search.previous_search_score - search.current_score > 2 * margin) ? budget : 0;
    // The further the running iteration has fallen below the last finished
    // one, the more time it gets; a large fall is the last extension.
    const int fall = search.root_score - search.current_score;
    double add;
    if (fall < 3 * margin) {
        add = base + budget;
    } else {
        if (fall < 4 * margin)
            add = base + 2 * budget;
        else if (fall < 10 * margin)
            add = base + 3 * budget;
        else
            add = base + 7 * budget;
        timer.extension_count.store(2, std::memory_order_relaxed);
    }

    const int side = limits.clock_side;
    const double remaining = limits.clock_ms[side] - used;
    double limit = remaining;
    if (limits.time_mode == TIME_MOVES_TO_GO) {
        // Leave every move still to play before the control its reserve.
        const double reserve = budget / 2 > 25 ? budget / 2 : 25;
        limit = remaining - moves_to_control(side) * reserve;
    }
    while (add >= limit) {
        add /= 2;
        if (add < 5) break;
    }
    timer.target_time += add;
    timer.hard_limit += add;
}
