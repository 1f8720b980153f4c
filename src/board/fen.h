#pragma once

// Replaces the global position by the one a FEN text describes. Returns false
// (and leaves the position untouched) when the position cannot be held or
// played from: a side without exactly one king or with more than sixteen
// pieces, a pawn on its first or last rank, or a side not to move in check
// (touching kings included), whose king the side to move could take.
bool set_position_from_fen(const char* text);

// What the layers above keep about the position on the board (the phase
// of the evaluation, the search's per-ply arrays) is stale once a new one is
// set up. They install their reset here; every successful setup calls it.
struct FenHooks {
    void (*new_position)();
};
extern FenHooks fen_hooks;

// The pieces of a FEN placement field, a8 first along each rank, then down.
struct Placement {
    int piece[64];   // NO_PIECE on an empty square
    int colour[64];  // EMPTY on an empty square
};
// Reads the placement field of text into out: digits skip squares, piece
// letters fill them, anything else is passed over; stops after 64 squares or
// at the end of the text. Returns the character after the field.
const char* read_placement(const char* text, Placement& out);

// Why the last set_position_from_fen refused its text (for debug output).
const char* fen_refusal_reason();

inline constexpr const char* START_FEN =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0 # the starting position";
