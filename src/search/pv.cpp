// The principal variation is not kept during the search but rebuilt from
// the transposition tables whenever the root fails high.
#include "search/pv.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/output.h"
#include "core/role.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/timectl.h"

PvState pv;

namespace {

void append_text(const char* text) {
    const size_t used = std::strlen(pv.pv_text);
    const size_t len = std::strlen(text);
    if (used + len + 1 > sizeof(pv.pv_text)) return;
    std::memcpy(pv.pv_text + used, text, len + 1);
}

// The table move is played only when the generator makes it here and it
// leaves the mover's king safe: a 32-bit key can match a foreign position.
bool move_is_playable(Move m, int side, int ep_square) {
    generate_moves(pv.walk_list, side, ALL_MOVES, ep_square);
    return list_contains(pv.walk_list, m) != 0;
}

}  // namespace

void format_score(char* out, int size, int score) {
    if (score > -MATE_BOUND && score < MATE_BOUND)
        std::snprintf(out, static_cast<size_t>(size), "cp %d", score);
    else if (score >= MATE_BOUND)
        std::snprintf(out, static_cast<size_t>(size), "mate %d", (MATE_SCORE - score) / 2);
    else
        std::snprintf(out, static_cast<size_t>(size), "mate -%d", (score + MATE_SCORE) / 2);
}

void pv_walk(int ply, int side, int write_text) {
    if (ply == 1) pv.pv_text[0] = 0;
    int32_t move = 0;
    const HashProbe probe = probe_hash(side, ply, move);
    if (probe.lower_depth == NO_DEPTH && probe.upper_depth == NO_DEPTH) {
        pv.pv_move[ply] = 0;
        return;
    }
    // Without a fail-high the stored move is not a best move.
    if (probe.lower_depth == NO_DEPTH) {
        pv.pv_move[ply] = 0;
        return;
    }
    if (ply >= 6 && pv.pv_move[ply - 1] == pv.pv_move[ply - 5] &&
        pv.pv_move[ply - 2] == pv.pv_move[ply - 6]) {
        pv.pv_move[ply] = 0;
        return;
    }
    const Move m = static_cast<Move>(move);
    if (m == 0 || !move_is_playable(m, side, search.ep_square_at_ply[ply - 1])) {
        pv.pv_move[ply] = 0;
        return;
    }

    const SavedState saved = save_state();
    pv.pv_key[ply] = pos.hash_key_high;
    search.ep_square_at_ply[ply] = make_move(m, side, ply);
    if (is_attacked(pos.piece_list[side][0], side ^ 1)) {
        unmake_move(m, side);
        restore_state(saved);
        pv.pv_move[ply] = 0;
        return;
    }
    pv.pv_move[ply] = static_cast<int32_t>(m);
    if (write_text) {
        append_text(format_move(m, side));
        append_text("  ");
    }

    bool cycle = false;
    for (int i = 1; i < ply; i++)
        if (pv.pv_key[i] == pos.hash_key_high) cycle = true;
    if (cycle) {
        // The move that closes the cycle stays in the text.
        pv.pv_move[ply] = 0;
    } else if (ply + 1 < MAX_PLY) {
        pv_walk(ply + 1, side ^ 1, write_text);
    }
    unmake_move(m, side);
    restore_state(saved);
}

void report_root_result(int score, Move move, int side) {
    search.abort_armed = 1;
    if (!role.is_master) return;

    const double now = tick_ms();
    if (!pv.pv_reported || static_cast<int32_t>(move) != pv.pv_move[1] || now - 1000 >= pv.last_report_time ||
        score > pv.last_reported_score + 10) {
        pv.pv_reported = 1;
        pv.last_reported_score = score;
        pv_walk(ROOT_PLY, pos.side_to_move, PV_WITH_TEXT);

        // The first two moves of the PV are the move to play and the reply
        // to ponder on; the move actually searched wins over the table's.
        char first[16] = "", second[16] = "";
        std::sscanf(pv.pv_text, "%15s %15s", first, second);
        std::snprintf(pv.ponder_move_text, sizeof(pv.ponder_move_text), "%s", second);
        std::snprintf(pv.best_move_text, sizeof(pv.best_move_text), "%s", format_move(move, side));

        const uint64_t nodes = search.node_count + worker_node_total();
        const int64_t time = static_cast<int64_t>(now - timer.search_start);
        char details[PV_TEXT_SIZE + 128];
        std::snprintf(details, sizeof(details),
                      "depth %d seldepth %d nodes %" PRIu64 " time %" PRId64 " pv %s", search.iteration_depth,
                      search.sel_depth, nodes, time, pv.pv_text);
        char score_text[32];
        format_score(score_text, sizeof score_text, score);
        // Two blanks before the details, three after a negative mate: the
        // line keeps the form front ends have always read from us.
        send_line("info score %s%s%s\n", score_text, score <= -MATE_BOUND ? "   " : "  ", details);
        pv.last_report_time = now;
    }

    pv_walk(ROOT_PLY, pos.side_to_move, PV_MOVES_ONLY);
    pv.pv_move[1] = static_cast<int32_t>(move);
}
