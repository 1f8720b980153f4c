// The attack tables: who attacks each square, per side, rebuilt on demand
// and shared by the evaluation and the search.
#pragma once

#include <cstdint>

#include "board/rays.h"

// attack_count[side][square]: bits 0-7 the number of attackers, then one flag
// per attacker kind, the cheaper kinds on the higher bits (so whole words
// compare as "who controls the square").
inline constexpr int32_t ATTACK_KING = 0x100;
inline constexpr int32_t ATTACK_QUEEN = 0x200;
inline constexpr int32_t ATTACK_ROOK = 0x400;
inline constexpr int32_t ATTACK_MINOR = 0x800;
inline constexpr int32_t ATTACK_BISHOP = 0x1000;
inline constexpr int32_t ATTACK_KNIGHT = 0x2000;
inline constexpr int32_t ATTACK_PAWN = 0x4000;
extern const int32_t attack_flag[7];  // by piece code
extern int32_t attack_count[2][64];
// pawn_squares[side]: one bit per square holding a pawn of side, written with
// attack_count[side] (so it describes the same position).
extern uint64_t pawn_squares[2];
// pawn_cover[side]: the squares side's pawns capture onto (the pawn flags of
// attack_count[side] as one mask), written with it.
extern uint64_t pawn_cover[2];

// occupied: one bit per occupied square of the current position (the
// evaluation reads it once for both tables).
void build_attack_table(int side, uint64_t occupied = occupied_squares());
