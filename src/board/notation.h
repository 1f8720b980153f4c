#pragma once

#include "board/types.h"

// The shared move text buffer that format_move overwrites.
extern char move_text[6];

// Writes the coordinate text of move into move_text and returns it.
const char* format_move(Move move, int side);

// Looks for the move of side whose text equals text exactly, using the root
// move list and picker slot 5. Returns 1 and writes out_move on success.
int find_move_by_text(int side, const char* text, Move& out_move, int ep_square);

enum GameMoveResult : int {
    GAME_MOVE_PLAYED,
    GAME_MOVE_UNKNOWN,       // the text names no move of the side to move
    GAME_MOVE_SELF_IN_CHECK  // found, but it would leave the mover's king attacked
};

// Plays the move of side_to_move that text names on the game board. Only a
// legal move is played: anything else leaves the position as it was.
GameMoveResult play_game_move(const char* text);

// Plays a text move on the game board; returns the new side_to_move. A text
// that names no legal move is not played (the side to move stays).
int enter_game_move(const char* text);
