// Placeholder: replaced by make and unmake.
#include "board/makemove.h"

#include "board/position.h"

int make_move(Move, int, int) { return 0; }
void unmake_move(Move, int) {}
SavedState save_state() { return {}; }
void restore_state(const SavedState&) {}
