// Move ordering: the staged picker, killers and the history table.
#pragma once

#include <cstdint>

#include "board/types.h"

struct KillerRecord {
    int32_t hits_1;
    int32_t hits_2;
    int32_t move_1;  // the stronger killer
    int32_t move_2;
};

// The move picker's stages at a ply (the values picker_stage holds).
enum PickerStage : int32_t {
    PICK_HASH_MOVE = 0,  // the hash move first
    PICK_CAPTURES = 1,   // captures and promotions by score, then the first killer
    PICK_SECOND_KILLER = 3,
    PICK_REMAINING = 4,  // the rest, best score first
    PICK_RANDOM = 5,     // workers after a fail-low: the hash move, then at random
};

struct Ordering {
    int32_t hash_move[MAX_PLY + 1];
    int32_t picker_stage[MAX_PLY + 1];  // a PickerStage
    KillerRecord killer_table[MAX_PLY + 1];
    int32_t history_score[4096];  // by origin x 64 + destination: the score of quiet moves
};
extern Ordering ordering;

int next_move(Move& out, MoveEntry* list, int ply);
int list_contains(const MoveEntry* list, Move move);
int list_remove(MoveEntry* list, Move move);
void update_killers(int ply, Move move);
// Rewards a quiet best move: 2^depth (32768 from depth 15 on), halving the
// entry when it passes 1000000000 so that it never overflows.
void reward_history(Move move, int depth);
void clear_killers();
void clear_history();
