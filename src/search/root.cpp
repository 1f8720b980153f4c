// Iterative deepening with an MTD-style driver: each iteration finds the
// root score by zero-window probes that move an upper and a lower bound
// towards each other until they meet.
#include "search/root.h"

#include <cstdio>

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "core/role.h"
#include "egtb/tbprobe.h"
#include "eval/evaluate.h"
#include "eval/root_pst.h"
#include "platform/clock.h"
#include "search/draw.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/timectl.h"

RootBook root_book;

namespace {

// The line printed when a probe moves a bound.
void print_bound(int v) {
    char score_text[32];
    format_score(score_text, sizeof score_text, v);
    send_line("info score %s\n", score_text);
}

// The protocol forbids "bestmove" before "stop" in an infinite search and
// before "ponderhit" or "stop" while pondering. A search can end early
// (a forced mate, the tablebases, a node limit, a book move): it then holds
// its answer here. "stop" always sets extension_count to 1, and no time
// extension happens in these searches, so 0 means no "stop" yet.
void hold_answer_until_released() {
    if (!search.infinite_requested && !limits.pondering.load(std::memory_order_relaxed)) return;
    if (timer.extension_count.load(std::memory_order_relaxed) != 0) return;
    search.search_active.store(1, std::memory_order_relaxed);
    wait_polling(WaitFor::ANSWER_RELEASE);
}

int pieces_on_board() {
    int count = 0;
    for (int side = 0; side < 2; side++)
        for (int slot = 0; slot < pos.piece_count[side]; slot++)
            if (pos.piece_list[side][slot] != DEAD_SLOT) count++;
    return count;
}

// Where only the Syzygy tables know the game position, every winning move
// scores the same: the root searches just the moves that keep the best
// result with the quickest progress, so that a won ending is converted.
// A "searchmoves" list of the user's stands.
bool restrict_root_to_tablebase_moves(int ep_square) {
    if (limits.search_moves_text[0] != '\0') return false;
    if (options.tablebase_pieces == 0 || options.use_tablebases != 1) return false;
    if (pieces_on_board() > options.tablebase_pieces) return false;
    return tb_root_moves(pos.side_to_move, ep_square, limits.search_moves_text,
                         sizeof limits.search_moves_text) > 0;
}

}  // namespace

int start_search(int ponder) {
    if (!role.is_master) timer.cpu_start_100ns = thread_cpu_time_100ns();
    limits.pondering.store(ponder, std::memory_order_relaxed);
    return run_search(pos.ep_square);
}

int count_legal_root_moves(int side, int ep_square) {
    ordering.picker_stage[TRIAL_MOVE_PLY] = PICK_HASH_MOVE;
    ordering.hash_move[TRIAL_MOVE_PLY] = 0;
    MoveEntry* list = search.move_buffer;
    generate_moves(list, side, ALL_MOVES, ep_square);
    int count = 0;
    Move m, last = 0;
    search.first_legal_root_move = 0;
    while (next_move(m, list, TRIAL_MOVE_PLY)) {
        const SavedState saved = save_state();
        make_move(m, side, TRIAL_MOVE_PLY);
        if (!is_attacked(pos.piece_list[side][0], side ^ 1)) {
            if (count == 0) search.first_legal_root_move = static_cast<int32_t>(m);
            count++;
            last = m;
        }
        unmake_move(m, side);
        restore_state(saved);
    }
    if (count == 1) pv.pv_move[0] = static_cast<int32_t>(last);
    return count;
}

int root_in_tablebases(int side, int ep_square) {
    if (options.tablebase_pieces == 0 || options.use_tablebases != 1) return 0;
    if ((pos.material_signature[WHITE] & 15) >= 3 || (pos.material_signature[BLACK] & 15) >= 3) return 0;
    if (pieces_on_board() > options.tablebase_pieces) return 0;
    return tb_probe(side, ep_square) != NO_TABLEBASE_RESULT ? 1 : 0;
}

int worker_bound(int lower, int upper, int& stride) {
    int b;
    if (lower == -MATE_SCORE) {
        b = upper - stride;
    } else if (upper == MATE_SCORE) {
        b = lower + 1 + stride;
    } else {
        return lower + (upper - lower + 1) / 2;
    }
    if (stride < MATE_SCORE) stride *= 2;
    return b <= lower ? lower + 1 : b > upper ? upper : b;
}

int mtd_root(int side, int guess, int depth) {
    int upper = MATE_SCORE, lower = -MATE_SCORE;
    search.announce_all_moves = 1;
    int r = guess;
    int stride = 1;
    while (lower < upper) {
        search.current_score = guess;
        int b = guess == lower ? guess + 1 : guess;
        // A worker's first bound is the master's; after that it runs ahead.
        if (!role.is_master && (lower != -MATE_SCORE || upper != MATE_SCORE))
            b = worker_bound(lower, upper, stride);
        search.on_first_path = 1;
        r = search_node(side, ROOT_PLY, b, depth, MAIN_SEARCH);
        if (r < b) {
            search.announce_all_moves = 0;
            upper = r;
            if (search.iteration_depth > 5 && r != ABORT_SCORE && role.is_master) print_bound(r - 1);
        } else {
            search.announce_all_moves = 1;
            lower = r;
            if (search.iteration_depth > 5 && r != ABORT_SCORE && role.is_master) print_bound(r);
            if (should_stop()) return r;
        }
        guess = r;
    }
    return r;
}

int run_search(int ep_square) {
    if (root_book.book_move) {
        const Move m = root_book.book_move();
        if (m != 0) {
            pv.pv_move[1] = static_cast<int32_t>(m);
            std::snprintf(pv.best_move_text, sizeof(pv.best_move_text), "%s",
                          format_move(m, pos.side_to_move));
            timer.extension_count.store(0, std::memory_order_relaxed);
            hold_answer_until_released();
            return 0;
        }
    }

    search.node_count = 0;
    search.search_active.store(1, std::memory_order_relaxed);
    timer.extension_count.store(0, std::memory_order_relaxed);
    timer.search_start = tick_ms();

    plan_time();

    hash_tables.search_id++;
    search.node_count = 0;
    timer.next_check = 1000;
    tb_counters.probe_count = 0;

    prepare_evaluation();

    clear_killers();
    recompute_pst_sum();

    search.iteration_depth = 0;
    search.ply_list_start[1] = search.move_buffer;
    search.ep_square_at_ply[0] = ep_square;
    const bool tablebase_moves_only = restrict_root_to_tablebase_moves(ep_square);

    int in_check = 0, tablebase_hit = 0;
    search.root_score = search.current_score = evaluate(pos.side_to_move, ROOT_PLY, in_check, tablebase_hit);
    pv.last_report_time = 0;
    search.abort_armed = 0;
    clear_history();
    search.sel_depth = 0;

    // A worker searches each iteration one ply deeper than the master, so that
    // the master's next iteration finds its entries, and it searches on past
    // the depth rather than idle until the master ends.
    const int first_depth = role.is_master ? 1 : 2;
    const int last_depth = role.is_master ? limits.max_depth : DEEPEST_ITERATION;
    for (int depth = first_depth; depth <= last_depth; depth++) {
        if (depth == 6 && !limits.pondering.load(std::memory_order_relaxed) &&
            root_in_tablebases(pos.side_to_move, ep_square))
            break;
        send_line("info depth %d seldepth %d\n", depth, search.sel_depth);
        pv.pv_reported = 0;
        search.iteration_depth = depth;
        const int r = mtd_root(pos.side_to_move, search.current_score, depth);
        send_line("info depth %d seldepth %d\n", depth, search.sel_depth);
        if (r == ABORT_SCORE) break;
        search.root_score = search.current_score = r;
        if (iteration_end_test()) break;
        if (depth == limits.max_depth && limits.pondering.load(std::memory_order_relaxed))
            wait_polling(WaitFor::PONDER_END);
    }
    hold_answer_until_released();
    if (tablebase_moves_only) limits.search_moves_text[0] = '\0';

    search.previous_search_score = search.current_score;
    return game_drawn_by_rule() ? 0 : search.root_score;
}
