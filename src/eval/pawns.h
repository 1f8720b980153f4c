// Pawn structure: the per-pawn evaluator, the passed-pawn valuation and the
// whole-board pawn terms applied after both sides' pieces.
#pragma once

#include <cstdint>

// Evaluates the pawns of eval_state.evaluated_side; stm is the side to move
// of the evaluated position.
void eval_pawns(int stm);
// Value of a pawn with no pawn ahead of it on its file.
int passed_pawn_value(int square, int stm);

// Whole-board terms, each written per side into out[2].
// Two passed pawns far apart that the enemy king must both catch in a pure
// pawn ending.
void pawn_race_term(int32_t out[2]);
// Pawn majorities on a wing.
void wing_majority_term(int32_t out[2]);
// A lone bishop against its own fixed pawns.
void bad_bishop_term(int32_t out[2]);
