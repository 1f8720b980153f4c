// Draw detection by rule and the principal variation rebuilt from the tables.
#pragma once

#include <cstdint>

#include "board/types.h"

inline constexpr int PV_TEXT_SIZE = MAX_PLY * 8 + 16;

struct PvState {
    int32_t pv_move[MAX_PLY + 1];
    uint32_t pv_key[MAX_PLY + 1];
    char pv_text[PV_TEXT_SIZE];
    char best_move_text[12];
    char ponder_move_text[16];
    double last_report_time;
    int32_t last_reported_score;
    int32_t pv_reported;
    // The walk checks each table move against the generated moves here, so
    // that a slot taken over by another position is never played.
    MoveEntry walk_list[MAX_MOVES];
};
extern PvState pv;

int is_draw_by_rule(int ply);
int game_drawn_by_rule();
// A hundred plies without a capture or a pawn move.
bool fifty_move_rule_reached();
// Whether side, to move, has a legal move: the pseudo-legal moves are
// generated into list and tried with make at ply.
bool has_legal_move(int side, int ep_square, MoveEntry* list, int ply);
void pv_walk(int ply, int side, int write_text);
void report_root_result(int score, Move move, int side);
