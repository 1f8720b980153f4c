// Start-up: the constant tables and a fresh game.
#pragma once

// Sets up the start position and a new game record, clears the search's
// per-ply state and builds the constant geometry, material and weight tables.
void init_tables();
// The start position and a fresh game with the search's scores and depth
// limit reset, as a new set of tables starts; the constant tables are built
// again (init_tables). The book state is the caller's.
void reset_game_state();
