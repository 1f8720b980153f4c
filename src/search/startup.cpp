// Start-up initialisation of the board, the game record and the tables.
#include "search/startup.h"

#include "board/fen.h"
#include "board/geometry.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/options.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "eval/weights.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"

namespace {

// The board and the evaluation sit below the search and read or reset its
// state only through what it points them at here.
void connect_lower_layers() {
    eval_context = &search;
    quiet_move_scores = ordering.history_score;
    fen_hooks.new_position = [] {
        forget_phase();
        clear_search_ply_arrays();
    };
}

}  // namespace

void init_tables() {
    connect_lower_layers();
    reset_to_start_position();
    forget_phase();
    clear_search_ply_arrays();
    reset_game_record();
    hash_tables.search_id = 0;
    hash_tables.new_entries = 0;
    build_distance_tables();
    build_ray_tables();
    build_material_table();
    set_evaluation_weights();
}

void reset_game_state() {
    init_tables();
    rebuild_derived_state();
    pos.side_to_move = WHITE;
    pos.ep_square = 0;
    pos.last_irreversible_ply = pos.game_ply;
    search.root_score = 0;
    search.previous_search_score = 0;
    limits.max_depth = DEEPEST_ITERATION;
}
