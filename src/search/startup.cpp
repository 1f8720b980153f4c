// Start-up initialisation of the board, the game record and the tables.
#include "search/startup.h"

#include "board/geometry.h"
#include "board/position.h"
#include "eval/weights.h"
#include "search/hash.h"
#include "search/node.h"

void init_tables() {
    reset_to_start_position();
    clear_search_ply_arrays();
    reset_game_record();
    hash_tables.search_id = 0;
    hash_tables.new_entries = 0;
    build_distance_tables();
    build_ray_tables();
    build_material_table();
    set_evaluation_weights();
}
