// Start-up: the constant tables and a fresh game.
#pragma once

// Sets up the start position and a new game record, clears the search's
// per-ply state and builds the constant geometry, material and weight tables.
void init_tables();
