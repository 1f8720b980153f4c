#include "board/perft.h"

#include <cstdlib>

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"

namespace {

constexpr int DEEPEST_PERFT = 60;
MoveEntry perft_buffer[DEEPEST_PERFT * MAX_MOVES];

// line_step[a][b]: the step from a towards b when they share a rank, file or
// diagonal (0 otherwise); line_is_diagonal[a][b] tells which.
int8_t line_step[64][64];
bool line_is_diagonal[64][64];
bool lines_built = false;

void build_lines() {
    for (int a = 0; a < 64; a++) {
        for (int b = 0; b < 64; b++) {
            const int df = (b & 7) - (a & 7), dr = (b >> 3) - (a >> 3);
            line_step[a][b] = 0;
            line_is_diagonal[a][b] = false;
            if (a == b || (df != 0 && dr != 0 && std::abs(df) != std::abs(dr))) continue;
            const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
            line_step[a][b] = static_cast<int8_t>(8 * sr + sf);
            line_is_diagonal[a][b] = sf != 0 && sr != 0;
        }
    }
    lines_built = true;
}

// After a move from `from` by a piece other than the king, made while the
// king was not in check: only a slider behind `from` on the king's line can
// now attack the king, so the first piece on that ray decides.
bool discovers_check(Square king, Square from, int by) {
    const int step = line_step[king][from];
    if (step == 0) return false;
    const bool diagonal = line_is_diagonal[king][from];
    const int df = ((from & 7) > (king & 7)) - ((from & 7) < (king & 7));  // file part of the step
    int f = king & 7;
    for (Square u = king + step;; u += step) {
        f += df;
        if (u < 0 || u > 63 || f < 0 || f > 7) return false;
        if (pos.board_colour[u] == EMPTY) continue;
        if (pos.board_colour[u] != by) return false;
        const int piece = pos.board_piece[u];
        return piece == QUEEN || piece == (diagonal ? BISHOP : ROOK);
    }
}

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
    if (!lines_built) build_lines();
    return perft_from(depth, side, ep_square, perft_buffer);
}
