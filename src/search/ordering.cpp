// Placeholder: replaced by the staged picker.
#include "search/ordering.h"

Ordering ordering;

int next_move(Move&, MoveEntry*, int) { return 0; }
int list_contains(const MoveEntry*, Move) { return 0; }
int list_remove(MoveEntry*, Move) { return 0; }
void update_killers(int, Move) {}
void clear_killers() {}
void clear_history() {}
