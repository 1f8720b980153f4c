// Draws by rule read the game record: the fifty-move rule and repetitions
// back to the last capture or pawn move.
#include "search/draw.h"

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "search/pv.h"

bool fifty_move_rule_reached() {
    return pos.game_ply - pos.last_irreversible_ply >= 100;
}

bool has_legal_move(int side, int ep_square, MoveEntry* list, int ply) {
    generate_moves(list, side, ALL_MOVES, ep_square);
    bool legal = false;
    for (const MoveEntry* e = list; !legal && e->score != LIST_TERMINATOR; e++) {
        const Move m = static_cast<Move>(e->move);
        const SavedState saved = save_state();
        make_move(m, side, ply);
        legal = !is_attacked(pos.piece_list[side][0], side ^ 1);
        unmake_move(m, side);
        restore_state(saved);
    }
    return legal;
}

int is_draw_by_rule(int ply) {
    const int n = pos.game_ply - pos.last_irreversible_ply;
    if (fifty_move_rule_reached()) return ply > 1 ? 1 : 0;
    if (n <= 3 || pos.game_ply - 4 < pos.last_irreversible_ply) return 0;
    // Positions with the same side to move, back to the last capture or
    // pawn move; a null move in between breaks the chain.
    for (int i = pos.game_ply - 4; i >= pos.last_irreversible_ply && i >= 0; i -= 2) {
        const uint32_t key = pos.move_history[i].key_high;
        if (key == 0) return 0;
        if (key == pos.hash_key_high && ply > 1) return 1;
    }
    return 0;
}

namespace {

// After the search: the root's move list and ply slot are free again.
bool game_position_is_checkmate() {
    const int side = pos.side_to_move;
    return is_attacked(pos.piece_list[side][0], side ^ 1) &&
           !has_legal_move(side, pos.ep_square, pv.walk_list, 1);
}

}  // namespace

int game_drawn_by_rule() {
    const int n = pos.game_ply - pos.last_irreversible_ply;
    // A mate given on the hundredth ply ends the game before the rule can.
    if (fifty_move_rule_reached()) return game_position_is_checkmate() ? 0 : 1;
    if (n <= 3 || pos.game_ply - 4 < pos.last_irreversible_ply) return 0;
    int count = 0;
    for (int i = pos.game_ply - 4; i >= pos.last_irreversible_ply && i >= 0; i -= 2)
        if (pos.move_history[i].key_high == pos.hash_key_high) count++;
    return count >= 2 ? 1 : 0;
}
