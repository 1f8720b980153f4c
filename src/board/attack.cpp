// Is a square attacked? Cheap attackers first, sliders along the ray chains.
#include "board/attack.h"

#include "board/geometry.h"
#include "board/position.h"

namespace {

// Walks the rays of kind from s; a hit is the first piece on a ray that is
// one of by's two given pieces.
inline bool slider_hit(Square s, int kind, int by, int piece_a, int piece_b) {
    const uint8_t* step = next_square[kind][s];
    const uint8_t* jump = next_direction[kind][s];
    Square u = step[s];
    while (u != s) {
        if (pos.board_colour[u] == EMPTY) {
            u = step[u];
        } else {
            if (pos.board_colour[u] == by && (pos.board_piece[u] == piece_a || pos.board_piece[u] == piece_b))
                return true;
            u = jump[u];
        }
    }
    return false;
}

// line_step[a][b]: the step from a towards b when they share a rank, file or
// diagonal (0 otherwise); line_is_diagonal[a][b] tells which.
struct Lines {
    int8_t line_step[64][64];
    bool line_is_diagonal[64][64];
    constexpr Lines() : line_step{}, line_is_diagonal{} {
        for (int a = 0; a < 64; a++) {
            for (int b = 0; b < 64; b++) {
                const int df = (b & 7) - (a & 7), dr = (b >> 3) - (a >> 3);
                const int adf = df < 0 ? -df : df, adr = dr < 0 ? -dr : dr;
                if (a == b || (df != 0 && dr != 0 && adf != adr)) continue;
                const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
                line_step[a][b] = static_cast<int8_t>(8 * sr + sf);
                line_is_diagonal[a][b] = sf != 0 && sr != 0;
            }
        }
    }
};
constexpr Lines lines;

}  // namespace

bool discovers_check(Square king, Square from, int by) {
    const int step = lines.line_step[king][from];
    if (step == 0) return false;
    const bool diagonal = lines.line_is_diagonal[king][from];
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

bool piece_attacks(Square s, Square target) {
    const int piece = pos.board_piece[s];
    const int df = (target & 7) - (s & 7), dr = (target >> 3) - (s >> 3);
    switch (piece) {
        case PAWN:
            return (df == 1 || df == -1) && dr == (pos.board_colour[s] == WHITE ? 1 : -1);
        case KNIGHT:
            return (df * df + dr * dr) == 5;
        case BISHOP:
        case ROOK:
        case QUEEN: {
            const int step = lines.line_step[s][target];
            if (step == 0) return false;
            if (piece != QUEEN && lines.line_is_diagonal[s][target] != (piece == BISHOP)) return false;
            for (int u = s + step; u != target; u += step)
                if (pos.board_colour[u] != EMPTY) return false;
            return true;
        }
        case KING:
            return df >= -1 && df <= 1 && dr >= -1 && dr <= 1 && (df | dr) != 0;
        default:
            return false;
    }
}

int is_attacked(Square s, int by) {
    // A pawn of `by` captures onto s from the squares a pawn of the other
    // colour on s would capture onto.
    const int kind = by == BLACK ? 1 : BLACK_PAWN_KIND;
    Square p = next_direction[kind][s][s];
    while (p != s) {
        if (pos.board_piece[p] == PAWN && pos.board_colour[p] == by) return 1;
        p = next_direction[kind][s][p];
    }
    if (king_distance[s][pos.piece_list[by][0]] == 1) return 1;
    if (slider_hit(s, BISHOP, by, BISHOP, QUEEN)) return 1;
    if (slider_hit(s, ROOK, by, ROOK, QUEEN)) return 1;
    Square n = next_direction[KNIGHT][s][s];
    while (n != s) {
        if (pos.board_piece[n] == KNIGHT && pos.board_colour[n] == by) return 1;
        n = next_direction[KNIGHT][s][n];
    }
    return 0;
}
