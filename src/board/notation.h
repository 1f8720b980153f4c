#pragma once

#include "board/types.h"

// The shared move text buffer that format_move overwrites.
extern char move_text[6];

// Writes the coordinate text of move into move_text and returns it.
const char* format_move(Move move, int side);

// Looks for the move of side whose text equals text exactly, using the root
// move list and picker slot 5. Returns 1 and writes out_move on success.
int find_move_by_text(int side, const char* text, Move& out_move, int ep_square);

// Plays a text move on the game board; returns the new side_to_move. A text
// that names no move is not played (the side to move stays).
int enter_game_move(const char* text);
