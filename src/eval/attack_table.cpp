#include "eval/attack_table.h"

#include <cstring>

#include "board/geometry.h"
#include "board/position.h"

const int32_t attack_flag[7] = {0,
                                ATTACK_PAWN,
                                ATTACK_KNIGHT | ATTACK_MINOR,
                                ATTACK_BISHOP | ATTACK_MINOR,
                                ATTACK_ROOK,
                                ATTACK_QUEEN,
                                ATTACK_KING};
int32_t attack_count[2][64];
uint64_t pawn_squares[2];

void build_attack_table(int side) {
    int32_t* words = attack_count[side];
    std::memset(words, 0, sizeof(attack_count[side]));
    const int32_t* list = pos.piece_list[side];
    uint64_t pawns = 0;
    const int forward = side == WHITE ? 8 : -8;
    for (int slot = 0; slot < pos.piece_count[side]; slot++) {
        const int s = list[slot];
        if (s == DEAD_SLOT) continue;
        const int piece = pos.board_piece[s];
        const int32_t flag = attack_flag[piece];
        if (piece == PAWN) {
            pawns |= uint64_t{1} << s;
            // The capture squares one rank ahead: a pawn never stands on a
            // back rank, so that rank is on the board.
            JUX_ASSERT(s >= 8 && s < 56);
            const int ahead = s + forward;
            if ((s & 7) != 0) words[ahead - 1] = (words[ahead - 1] + 1) | flag;
            if ((s & 7) != 7) words[ahead + 1] = (words[ahead + 1] + 1) | flag;
        } else if (piece >= BISHOP && piece <= QUEEN) {
            // Sliders see up to and including the first piece on each ray.
            const uint8_t* along = next_square[piece][s];
            const uint8_t* next_ray = next_direction[piece][s];
            int u = along[s];
            while (u != s) {
                words[u] = (words[u] + 1) | flag;
                u = pos.board_colour[u] == EMPTY ? along[u] : next_ray[u];
            }
        } else {
            // Knights and kings: one step per ray.
            const uint8_t* next_ray = next_direction[piece_kind[side][piece]][s];
            for (int u = next_ray[s]; u != s; u = next_ray[u]) words[u] = (words[u] + 1) | flag;
        }
    }
    pawn_squares[side] = pawns;
}
