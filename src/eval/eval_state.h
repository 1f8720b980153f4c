// The scratch state of one full evaluation: the side whose pieces are being
// evaluated, its accumulators, and the per-evaluation counters the piece and
// pawn evaluators share. Also kept afterwards as the breakdown of the last
// full evaluation, for debugging output and tests.
#pragma once

#include <cstdint>

#include "board/position.h"

// The seven accumulators of one side.
struct SideTerms {
    int32_t activity_score;     // outposts, slider square values, rook phase bonus, lost castling
    int32_t mobility_score;     // counts half
    int32_t safety_score;       // threats, rook files and seventh rank, trapped bishops
    int32_t pawn_score;         // pawn structure and passed pawns
    int32_t pawn_centre_score;  // central pawns
    int32_t king_score;         // king shelter and king attack
    int32_t tropism_score;      // rooks and queens near the enemy king
};

// The whole-board and final terms of the last full evaluation, per side
// where they belong to a side.
struct EvalBreakdown {
    int32_t evaluated_for;  // the side the score is for
    int32_t base;           // material and piece-square balance handed in
    int32_t rooks_on_file[2];
    int32_t pawn_race[2];
    int32_t wing_majority[2];
    int32_t bad_bishop[2];
    int32_t pawn_balance[2];
    int32_t threats[2];
    int32_t total[2];        // each side's total after every term above
    int32_t before_endings;  // base + totals + side-to-move bonus
    int32_t bare_king;       // added for a bare king
    int32_t defender_pawns;  // taken off a pawnless side's lead for the defender's pawns
    int32_t ending_rule;     // which drawish-ending rule decided, ENDING_*
    int32_t result;
};

inline constexpr int32_t ENDING_NONE = 0;
inline constexpr int32_t ENDING_LONE_MINOR = 1;          // scored 0
inline constexpr int32_t ENDING_TWO_KNIGHTS = 2;         // scored by the lone king's square
inline constexpr int32_t ENDING_ROOK_AGAINST_MINOR = 3;  // halved

struct EvalState {
    int32_t evaluated_side;
    int32_t other_side;
    const int32_t* own_attacks;       // attack_count[evaluated_side]
    const int32_t* enemy_attacks;     // attack_count[other_side]
    const int32_t* own_pawn_files;    // pawn_file_count[evaluated_side]
    const int32_t* enemy_pawn_files;  // pawn_file_count[other_side]
    uint64_t own_pawn_cover;          // the squares evaluated_side's pawns capture onto
    uint64_t enemy_pawn_cover;        // the same for other_side
    uint64_t occupied;                // one bit per occupied square, read with the attack tables
    SideTerms* terms;                 // the accumulators of evaluated_side

    SideTerms side_terms[2];
    int32_t threat_count[2];    // threatened pieces per side
    int32_t rook_square[2];     // the first two rooks met, NO_ROOK when none
    int32_t fixed_pawns[2][2];  // per side and square colour (0 light, 1 dark)
    int32_t race_pawn[2][8];    // per file, a passed pawn the enemy king can still catch; 0 none

    EvalBreakdown breakdown;
};
extern EvalState eval_state;

inline constexpr int32_t NO_ROOK = 100;

// Points the evaluators at side b (its accumulators zeroed, no rook seen
// yet). Both attack tables must be current.
void begin_side_evaluation(int b);

inline int king_square(int side) {
    return pos.piece_list[side][0];
}
