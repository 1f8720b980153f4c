#include "board/perft.h"

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"

namespace {

constexpr int DEEPEST_PERFT = 60;
MoveEntry perft_buffer[DEEPEST_PERFT * MAX_MOVES];

uint64_t perft_from(int depth, int side, int ep, MoveEntry* list) {
    int n = generate_moves(list, side, ALL_MOVES, ep);
    const Square king = pos.piece_list[side][0];
    const bool in_check = is_attacked(king, side ^ 1) != 0;
    uint64_t nodes = 0;
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(list[i].move);
        SavedState saved = save_state();
        int next_ep = make_move(m, side, 1);
        const bool full_test = in_check || move_from(m) == king || move_type(m) == MOVE_EN_PASSANT;
        const bool legal = full_test ? !is_attacked(pos.piece_list[side][0], side ^ 1)
                                     : !discovers_check(king, move_from(m), side ^ 1);
        if (legal) nodes += depth > 1 ? perft_from(depth - 1, side ^ 1, next_ep, list + n) : 1;
        unmake_move(m, side);
        restore_state(saved);
    }
    return nodes;
}

}  // namespace

uint64_t perft(int depth, int side, int ep_square) {
    if (depth < 1) return 1;
    if (depth > DEEPEST_PERFT) depth = DEEPEST_PERFT;
    return perft_from(depth, side, ep_square, perft_buffer);
}
