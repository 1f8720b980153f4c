// Piece terms: the knight, bishop, rook, queen and king evaluators and the
// routines they share.
#pragma once

// Each evaluates the piece of eval_state.evaluated_side on square; stm is the
// side to move of the evaluated position. They add to the accumulators.
void eval_knight(int square, int stm);
void eval_bishop(int square, int stm);
void eval_rook(int square, int stm);
void eval_queen(int square, int stm);
void eval_king(int square, int stm);

// For the bishop, rook or queen on square: the king-zone value of the squares
// its rays reach plus pin and discovery bonuses; mobility gets the number of
// empty squares reached.
int slider_scan(int square, int& mobility);
// For a knight, bishop, rook or queen: every square it can go to is unsafe.
bool has_no_safe_square(int square);
// King safety of the evaluated side's king on square.
int king_attack(int square);
// The first two rooks of the evaluated side on one file with nothing between.
int rooks_on_file();
