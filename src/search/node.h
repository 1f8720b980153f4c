// The recursive zero-window search and the state it shares with the root
// driver and the evaluation.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/types.h"
#include "eval/evaluate.h"

// Enough room for the move lists of the deepest path (at most 218 moves
// plus the terminator per ply).
inline constexpr int MOVE_BUFFER_SIZE = (MAX_PLY + 1) * MAX_MOVES;

// The evaluation's context (root_score, iteration_depth, on_first_path,
// check_slot, ep_square_at_ply) comes first.
struct SearchState : EvalContext {
    // Root and iteration bookkeeping.
    int32_t current_score;               // the running estimate the time rules read
    int32_t previous_search_score;       // current_score at the end of the previous search
    int32_t announce_all_moves;          // currmove lines for every root move
    std::atomic<int32_t> search_active;  // cleared by "stop" (possibly from another thread)

    // Tree bookkeeping.
    uint64_t node_count;
    int32_t sel_depth;
    int32_t abort_armed;  // set by the first root report; nodes may stop from then on
    int32_t quiescence_start_ply;

    // Per-ply arrays; index 0 is the position before the root move.
    int32_t static_eval[MAX_PLY + 1];
    int32_t extension_flags[MAX_PLY + 1];  // 1 recapture, 2 check or king danger, 4 pawn push
    MoveEntry* ply_list_start[MAX_PLY + 2];

    MoveEntry move_buffer[MOVE_BUFFER_SIZE];  // the root list starts at move_buffer[0]

    // Set by "go" when its line asks for an infinite search: the protocol
    // then forbids "bestmove" before "stop", even when the search ends.
    int32_t infinite_requested;
    // The first legal root move met by count_legal_root_moves, so that a
    // search that never reports still has a move to name.
    int32_t first_legal_root_move;
};
extern SearchState search;

// The root of the tree is ply 1 (ply 0 holds the position before it).
inline constexpr int ROOT_PLY = 1;
// The quiescence flag of search_node: a node of the main search, or one that
// searches only captures once the standing score is no longer enough.
inline constexpr int MAIN_SEARCH = 0;
inline constexpr int QUIESCENCE = 1;

int search_node(int side, int ply, int bound, int depth, int quiescence);
int extend_depth(int side, int depth, int in_check, int ply);
// The empty squares next to side's king that the enemy does not attack
// (KING_ZONE_FREE), or does (KING_ZONE_ATTACKED).
inline constexpr int KING_ZONE_FREE = 0;
inline constexpr int KING_ZONE_ATTACKED = 1;
int king_zone_count(int side, int kind);

// Clears the per-ply arrays owned by the search (start-up and FEN setup).
void clear_search_ply_arrays();
