// Placeholder: replaced by the FEN setup.
#include "board/fen.h"

bool set_position_from_fen(const char*) { return false; }
const char* fen_refusal_reason() { return ""; }
