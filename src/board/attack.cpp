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

}  // namespace

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
