// Placeholder: replaced by the board.
#include "board/position.h"

Position pos;
const ZobristKey zobrist_keys[2][7][64] = {};

int signature_increment(int, Square) { return 0; }
void reset_to_start_position() {}
void clear_board() {}
void reset_game_record() {}
void rebuild_derived_state() {}
void key_move_piece(int, int, Square, Square) {}
#ifdef JUX_CHECKS
bool position_is_consistent() { return true; }
#endif
