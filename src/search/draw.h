// Draw detection by rule: the fifty-move rule and repetitions.
#pragma once

#include "board/types.h"

int is_draw_by_rule(int ply);
int game_drawn_by_rule();
// A hundred plies without a capture or a pawn move.
bool fifty_move_rule_reached();
// Whether side, to move, has a legal move: the pseudo-legal moves are
// generated into list and tried with make at ply.
bool has_legal_move(int side, int ep_square, MoveEntry* list, int ply);
