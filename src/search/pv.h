// The principal variation rebuilt from the tables, and its progress line.
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

// A score as the protocol prints it: "cp %d" short of the mate bound, else
// "mate %d" in moves, negative when the side to move is mated.
void format_score(char* out, int size, int score);

// Follows the table moves from ply on, keeping them in pv_move; with
// PV_WITH_TEXT also writes their text into pv_text.
inline constexpr int PV_MOVES_ONLY = 0;
inline constexpr int PV_WITH_TEXT = 1;
void pv_walk(int ply, int side, int write_text);
void report_root_result(int score, Move move, int side);
