#pragma once

// Replaces the global position by the one a FEN text describes. Returns false
// (and leaves the position untouched) when the placement cannot be held:
// a side without exactly one king or with more than sixteen pieces.
bool set_position_from_fen(const char* text);

// Why the last set_position_from_fen refused its text (for debug output).
const char* fen_refusal_reason();

inline constexpr const char* START_FEN =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0 # the starting position";
