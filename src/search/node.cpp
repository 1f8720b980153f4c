// The one recursive search routine: a zero-window, fail-soft negamax. Every
// call answers "is this position worth at least bound for the side to
// move?"; quiescence is the same routine with its flag set.
#include "search/node.h"

#include <cstring>

#include "board/attack.h"
#include "board/geometry.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "core/role.h"
#include "eval/evaluate.h"
#include "search/draw.h"
#include "search/hash.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/timectl.h"

SearchState search;

namespace {

// A null move leaves this value as the move of its history record.
constexpr int32_t NULL_MOVE_RECORD = 13;
// King danger counts while both sides keep more than a rook's worth of
// minor pieces and rooks.
constexpr int32_t KING_DANGER_MATERIAL = 579;
// A light ending: each side below this material, pawns included, and no queen.
constexpr int32_t LIGHT_ENDING_MATERIAL = 1400;

inline bool has_piece(int side) {
    return pos.material_signature[side] >= SIGNATURE_KNIGHT;
}

inline bool both_have_pieces() {
    return has_piece(WHITE) && has_piece(BLACK);
}

inline bool record_is_quiet(int index) {
    return move_is_quiet(static_cast<Move>(pos.move_history[index].move));
}

// root_score seen from side.
inline int root_score_for(int side) {
    return side == pos.side_to_move ? search.root_score : -search.root_score;
}

// Asks for the cache line holding p without waiting for it. (The compiler's
// own prefetch built-in was dropped by dead-code elimination here.)
inline void prefetch(const void* p) {
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
    __builtin_prefetch(p);
#endif
}

// The child looks up its evaluation cache entry and its table entry first
// thing; asking for their lines now lets the memory fetches overlap.
inline void prefetch_child_entries(int child_side, uint32_t low) {
    if (hash_tables.entry_count == 0 || eval_caches.cache_count == 0) return;
    const char* entry = reinterpret_cast<const char*>(&hash_entry(child_side, low));
    prefetch(entry);
    prefetch(entry + sizeof(HashEntry) - 1);
    prefetch(&eval_cache_entry(child_side, low));
}

// Whether m is named in the "searchmoves" list.
bool root_move_allowed(Move m, int side) {
    const char* text = format_move(m, side);
    const size_t len = std::strlen(text);
    const char* p = limits.search_moves_text;
    while (*p) {
        while (*p == ' ' || *p == '\t') p++;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t') p++;
        if (static_cast<size_t>(p - start) == len && std::strncmp(start, text, len) == 0) return true;
    }
    return false;
}

// The null move: the side to move passes. Returns true (with the score in
// result) when even passing keeps the position at or above bound.
bool null_move_cuts(int side, int ply, int bound, int depth, int& result) {
    search.ply_list_start[ply + 1] = search.ply_list_start[ply];
    pos.game_ply++;
    pos.captured_at_ply[ply] = 0;
    search.ep_square_at_ply[ply] = 0;
    pos.move_history[pos.game_ply].move = NULL_MOVE_RECORD;
    pos.move_history[pos.game_ply].key_high = 0;
    prefetch_child_entries(side ^ 1, pos.hash_key_low);
    const int v = -search_node(side ^ 1, ply + 1, 1 - bound, depth >= 6 ? depth - 4 : depth - 3, MAIN_SEARCH);
    pos.game_ply--;
    if (v != -ILLEGAL_SCORE && v >= bound) {
        result = v;
        return true;
    }
    return false;
}

// The fifty-move rule yields to a mate given on the ply that completes the
// hundred. A repetition never hides a mate: play went on from the earlier
// occurrence, and a side in check never passes.
bool mated_despite_fifty_moves(int side, int ply, int in_check) {
    return in_check && fifty_move_rule_reached() &&
           !has_legal_move(side, search.ep_square_at_ply[ply - 1], search.ply_list_start[ply], ply);
}

}  // namespace

int king_zone_count(int side, int kind) {
    const int king = pos.piece_list[side][0];
    const int32_t* attacks = attack_count[side ^ 1];
    int free_squares = 0, attacked = 0;
    for (int u = next_square[KING][king][king]; u != king; u = next_square[KING][king][u]) {
        if (pos.board_colour[u] != EMPTY) continue;
        if (attacks[u] == 0)
            free_squares++;
        else
            attacked++;
    }
    return kind == KING_ZONE_FREE ? free_squares : attacked;
}

int extend_depth(int side, int depth, int in_check, int ply) {
    int32_t& flag = search.extension_flags[ply];
    if (in_check && depth > 1) {
        flag = 2;
        return depth + 1;
    }

    const Move last = static_cast<Move>(pos.move_history[pos.game_ply].move);
    const int to = move_to(last);

    // King danger: the opponent has just stepped out of check with its king
    // and still has the pieces to go on attacking ours.
    if (ply < search.iteration_depth + 11 && search.check_slot[ply - 1] != 0 && move_is_quiet(last) &&
        pos.board_piece[to] == KING &&
        material_of(pos.material_signature[WHITE] & SIGNATURE_MINORS_AND_ROOKS_MASK) > KING_DANGER_MATERIAL &&
        material_of(pos.material_signature[BLACK] & SIGNATURE_MINORS_AND_ROOKS_MASK) > KING_DANGER_MATERIAL) {
        build_attack_table(side ^ 1);
        if (king_zone_count(side, KING_ZONE_ATTACKED) > 1 && king_zone_count(side, KING_ZONE_FREE) < 2) {
            flag = 2;
            return depth + 1;
        }
    }

    // Pawn push: in a light ending a pawn nearing promotion decides.
    if (material_of(pos.material_signature[WHITE]) < LIGHT_ENDING_MATERIAL &&
        material_of(pos.material_signature[BLACK]) < LIGHT_ENDING_MATERIAL &&
        (pos.material_signature[WHITE] & SIGNATURE_QUEENS_MASK) == 0 &&
        (pos.material_signature[BLACK] & SIGNATURE_QUEENS_MASK) == 0 && depth <= 3 &&
        pos.board_piece[to] == PAWN) {
        const bool push = side == WHITE ? (to < 16 || (move_is_quiet(last) && to < 24))
                                        : (to > 47 || (move_is_quiet(last) && to > 39));
        if (push) {
            flag = 4;
            return depth + 1;
        }
    }

    // Recapture near the root while the score is not already good.
    if (ply <= 5 && depth > 2 && ply > 2) {
        const int e = search.static_eval[ply];
        const int a = pos.captured_at_ply[ply - 1];
        const int b = pos.captured_at_ply[ply - 2];
        if (e < root_score_for(side) + 50 && e < 250 && a != 0 && b != 0 &&
            (a == b || (a == KNIGHT && b == BISHOP) || (a == BISHOP && b == KNIGHT))) {
            flag = 1;
            return depth + 1;
        }
    }
    return depth;
}

int search_node(int side, int ply, int bound, int depth, int quiescence) {
    search.node_count++;
    if (ply > search.sel_depth) search.sel_depth = ply;

    int in_check = 0, tablebase_hit = 0;
    const int e = evaluate(side, ply, in_check, tablebase_hit);
    search.static_eval[ply] = e;
    if (ply >= MAX_PLY || e == ILLEGAL_SCORE) return e;
    // The tablebases count a mate from the probed position, as the tables do.
    if (tablebase_hit && ply > 1) return score_from_table(e, ply);
    if (is_draw_by_rule(ply)) return mated_despite_fifty_moves(side, ply, in_check) ? ply - MATE_SCORE : 0;
    search.extension_flags[ply] = 0;

    if (!quiescence) {
        if (!options.brute_force) depth = extend_depth(side, depth, in_check, ply);
        // Risky: two quiet moves in a row without extension get a ply less.
        if (options.style == STYLE_RISKY && ply > 3 && record_is_quiet(pos.game_ply) &&
            record_is_quiet(pos.game_ply - 2) && search.extension_flags[ply] == 0 &&
            search.extension_flags[ply - 1] == 0 && both_have_pieces() && depth >= 0 && depth <= 7)
            depth--;
    }

    // Frontier drop: well above the root score one ply from the horizon,
    // captures alone are searched.
    if (depth == 1 && options.style != STYLE_SOLID && !quiescence && !search.on_first_path &&
        search.extension_flags[ply] == 0 && !in_check && both_have_pieces() && search.iteration_depth > 2 &&
        search.static_eval[ply] >= root_score_for(side) + 100)
        depth = 0;

    int32_t& hash_move = ordering.hash_move[ply];
    hash_move = 0;
    HashProbe probe = probe_hash(side, ply, hash_move);
    // Only workers vary their order after a fail-low; the master never does.
    const int failed_low = role.is_master ? 0 : probe.failed_low;

    if (ply > 2) {
        if (probe.upper_depth >= depth && probe.upper < bound) return probe.upper;
        if (probe.lower_depth >= depth && probe.lower >= bound) return probe.lower;
    }

    // Internal deepening: find a move to try first with a shallower search.
    if (depth > 3 && failed_low == 0 && hash_move == 0) {
        search_node(side, ply, bound, depth - 3, MAIN_SEARCH);
        const int32_t first_failed_low = probe.failed_low;
        probe = probe_hash(side, ply, hash_move);
        probe.failed_low = first_failed_low;
    }

    ordering.picker_stage[ply] = (failed_low == 1 && depth > 1) ? PICK_RANDOM : PICK_HASH_MOVE;

    int full_width = 1;
    if (!quiescence && depth < 1) {
        quiescence = 1;
        search.quiescence_start_ply = ply;
    }
    if (quiescence) {
        if (in_check) {
            // All replies to a check only while this side has been in check
            // at each of its turns since the quiescence began.
            full_width = 1;
            for (int j = ply - 2; j > search.quiescence_start_ply; j -= 2)
                if (search.check_slot[j] == 0) {
                    full_width = 0;
                    break;
                }
        } else {
            // Two checks in a row from different pieces, and a queen to
            // follow up with: look at quiet moves too.
            full_width =
                (ply > 4 && search.check_slot[ply - 1] != 0 && search.check_slot[ply - 3] != 0 &&
                 search.check_slot[ply - 1] != search.check_slot[ply - 3] &&
                 (pos.material_signature[side] & 0xC00) != 0 && ply < search.quiescence_start_ply + 5)
                    ? 1
                    : 0;
        }
        if (!full_width && search.static_eval[ply] >= bound) return search.static_eval[ply];
    }

    if (quiescence && move_is_quiet(static_cast<Move>(hash_move))) hash_move = 0;
    Move best_move = static_cast<Move>(hash_move);
    ordering.killer_table[ply].hits_1 = 0;
    ordering.killer_table[ply].hits_2 = 0;

    if (depth > 1 && !in_check && ordering.picker_stage[ply] != PICK_RANDOM && !search.on_first_path &&
        (pos.game_ply < 2 || pos.move_history[pos.game_ply - 2].move != NULL_MOVE_RECORD) &&
        (probe.upper_depth + 2 < depth || probe.upper >= bound) && !quiescence && both_have_pieces() &&
        ply > 1 && options.null_move == 1 &&
        king_distance[pos.piece_list[WHITE][0]][pos.piece_list[BLACK][0]] > 2) {
        build_attack_table(side ^ 1);
        // Passing is not safe for a king hemmed in by attacked squares.
        if (king_zone_count(side, KING_ZONE_ATTACKED) < 2 || king_zone_count(side, KING_ZONE_FREE) > 0) {
            int result;
            if (null_move_cuts(side, ply, bound, depth, result)) return result;
        }
    }

    int best, no_legal_move;
    if (full_width) {
        best = ply - MATE_SCORE;
        no_legal_move = in_check ? 0 : 1;
    } else {
        best = search.static_eval[ply];
        no_legal_move = 0;
    }

    MoveEntry* list = search.ply_list_start[ply];
    const int n = generate_moves(list, side, full_width, search.ep_square_at_ply[ply - 1]);
    if (n == 1) return no_legal_move ? 0 : best;
    search.ply_list_start[ply + 1] = list + n;

    if (best < bound) {
        int tried = 0, move_number = 0;
        Move m;
        while (next_move(m, list, ply)) {
            if (ply == 1) {
                if (limits.search_moves_text[0] && !root_move_allowed(m, side)) {
                    if (best >= bound) break;
                    continue;
                }
                move_number++;
            }
            tried++;
            // Most moves' child key is known before the move is made: its
            // table lines then arrive while make_move runs.
            const uint32_t child_low = key_low_after(m, side);
            prefetch_child_entries(side ^ 1, child_low);
            const SavedState saved = save_state();
            search.ep_square_at_ply[ply] = make_move(m, side, ply);
            if (pos.hash_key_low != child_low) prefetch_child_entries(side ^ 1, pos.hash_key_low);

            if (in_check && is_attacked(pos.piece_list[side][0], side ^ 1)) {
                unmake_move(m, side);
                restore_state(saved);
                if (ply == 1) move_number--;
                search.on_first_path = 0;
                if (best >= bound) break;
                continue;
            }

            if (ply == 1 && search.iteration_depth > 5 && (search.announce_all_moves || move_number == 1)) {
                const char* text = format_move(m, side);
                if (is_attacked(pos.piece_list[side][0], side ^ 1))
                    move_number--;
                else
                    send_line("info currmove %s currmovenumber %d\n", text, move_number);
            }

            int v;
            if (4 * tried > n && tried >= 5) {
                // Late moves are first searched two plies shallower.
                const int r = search_node(side ^ 1, ply + 1, 1 - bound, depth - 3, quiescence);
                v = -r;
                if (r != ILLEGAL_SCORE && v > best)
                    v = -search_node(side ^ 1, ply + 1, 1 - bound, depth - 1, quiescence);
            } else {
                v = -search_node(side ^ 1, ply + 1, 1 - bound, depth - 1, quiescence);
            }

            unmake_move(m, side);
            restore_state(saved);

            if (v != -ILLEGAL_SCORE) {
                no_legal_move = 0;
                if (v > best) {
                    best = v;
                    best_move = m;
                }
            }
            search.on_first_path = 0;
            if (best >= bound) break;
        }
    }

    if (no_legal_move) best = 0;

    if (search.abort_armed &&
        (!search.search_active.load(std::memory_order_relaxed) || (depth >= 0 && should_stop())))
        return ABORT_SCORE;

    if (best_move == 0) return best;

    if (move_is_quiet(best_move) && depth > 0) {
        reward_history(best_move, depth);
        update_killers(ply, best_move);
    }

    store_hash(side, ply, best, quiescence ? 0 : depth, bound, best_move);

    if (ply == 1 && best >= bound) report_root_result(best, best_move, side);
    return best;
}

void clear_search_ply_arrays() {
    std::memset(search.check_slot, 0, sizeof(search.check_slot));
    std::memset(search.extension_flags, 0, sizeof(search.extension_flags));
    std::memset(pv.pv_move, 0, sizeof(pv.pv_move));
}
