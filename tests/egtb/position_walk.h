// Positions for probe tests: random placements of given men, and the legal
// moves of a position with the probe of each resulting position.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "board/attack.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "egtb_fixture.h"

// A FEN with the men (FEN letters, kings included) on random squares, side
// to move as given; pawns stay off the first and last ranks. The position
// may be illegal; legal_fen() tells.
inline std::string random_fen(std::mt19937& rng, const std::string& men, int side) {
    char board[64];
    for (char& c : board) c = '.';
    for (char man : men) {
        for (;;) {
            int s = static_cast<int>(rng() % 64);
            if (board[s] != '.') continue;
            if ((man == 'P' || man == 'p') && (s < 8 || s >= 56)) continue;
            board[s] = man;
            break;
        }
    }
    std::string fen;
    for (int rank = 7; rank >= 0; rank--) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            char c = board[rank * 8 + file];
            if (c == '.') {
                empty++;
                continue;
            }
            if (empty) fen += static_cast<char>('0' + empty);
            empty = 0;
            fen += c;
        }
        if (empty) fen += static_cast<char>('0' + empty);
        if (rank) fen += '/';
    }
    return fen + (side == WHITE ? " w - - 0 1" : " b - - 0 1");
}

// The side that is not to move must not be in check.
inline bool position_is_legal() {
    int side = pos.side_to_move;
    return !is_attacked(pos.piece_list[side ^ 1][0], side);
}

// n legal positions with the given men, half of them with black to move.
inline std::vector<std::string> legal_positions(const std::string& men, int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> fens;
    while (static_cast<int>(fens.size()) < n) {
        std::string fen = random_fen(rng, men, static_cast<int>(fens.size() % 2));
        setup_position(fen.c_str());
        if (position_is_legal()) fens.push_back(fen);
    }
    return fens;
}

// The probe of the current position, with bare kings a draw.
inline int probe_or_bare_kings(int side, int ep) {
    if (pos.material_signature[WHITE] == 0 && pos.material_signature[BLACK] == 0) return 0;
    return tb_probe(side, ep);
}

struct ChildScore {
    Move move;
    int score;  // the probe after the move, from the mover's view (negated)
};

// Every legal move of the current position with the negated probe of the
// position it leads to.
inline std::vector<ChildScore> child_scores() {
    static MoveEntry list[256];
    int side = pos.side_to_move;
    int n = generate_moves(list, side, 1, pos.ep_square);
    std::vector<ChildScore> children;
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(list[i].move);
        SavedState saved = save_state();
        int ep = make_move(m, side, 1);
        if (!is_attacked(pos.piece_list[side][0], side ^ 1))
            children.push_back({m, -probe_or_bare_kings(side ^ 1, ep)});
        unmake_move(m, side);
        restore_state(saved);
    }
    return children;
}
