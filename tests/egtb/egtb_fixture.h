// Shared set-up for the tablebase tests: table paths, probes of FEN positions and of random legal ones.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "board/attack.h"
#include "board/fen.h"
#include "board/geometry.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/options.h"
#include "egtb/tbprobe.h"
#include "search/startup.h"

// JUX_TB_DIR names a directory with gaviota/ and syzygy/ in it; the tests that need them skip without it.
inline std::string shared_tablebases() {
    const char* dir = std::getenv("JUX_TB_DIR");
    if (!dir || !*dir || !std::filesystem::is_directory(std::string(dir) + "/gaviota")) return "";
    return std::filesystem::canonical(dir).string();
}
inline std::string gaviota_dir() {
    return shared_tablebases() + "/gaviota";
}
inline std::string syzygy_dir() {
    return shared_tablebases() + "/syzygy";
}

#define REQUIRE_SHARED_TABLEBASES() \
    if (shared_tablebases().empty()) GTEST_SKIP() << "JUX_TB_DIR names no tablebase files"

// As "setoption name NalimovPath" does; returns the class found.
inline int register_tablebase_path(const std::string& path, int cache_kb = 16384) {
    std::snprintf(options.nalimov_path, sizeof options.nalimov_path, "%s", path.c_str());
    return tb_probe(TB_REGISTER, cache_kb);
}

inline bool tb_setup(const char* fen) {
    static const bool built = (init_tables(), true);
    return built && set_position_from_fen(fen);
}

inline int probe_fen(const char* fen) {
    EXPECT_TRUE(tb_setup(fen)) << fen;
    return tb_probe(pos.side_to_move, pos.ep_square);
}

// n legal positions of the men (FEN letters) on random squares, every other one with black to move.
inline std::vector<std::string> legal_positions(const std::string& men, int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> fens;
    while (static_cast<int>(fens.size()) < n) {
        std::string board(64, '1');
        for (char man : men) {
            int s;
            do s = static_cast<int>(rng() % 64);
            while (board[s] != '1' || ((man == 'P' || man == 'p') && (s < 8 || s >= 56)));
            board[s] = man;
        }
        std::string fen;  // one digit per empty square is a valid FEN
        for (int rank = 7; rank >= 0; rank--) fen += board.substr(rank * 8, 8) + (rank ? "/" : "");
        fen += fens.size() % 2 ? " b - - 0 1" : " w - - 0 1";
        if (tb_setup(fen.c_str())) fens.push_back(fen);
    }
    return fens;
}

struct ChildScore {
    Move move;
    int score;  // the probe after the move, from the mover's view; bare kings draw
};
inline std::vector<ChildScore> child_scores() {
    static MoveEntry list[256];
    const int side = pos.side_to_move;
    const int n = generate_moves(list, side, 1, pos.ep_square);
    std::vector<ChildScore> children;
    for (int i = 0; i < n - 1; i++) {
        const Move m = static_cast<Move>(list[i].move);
        SavedState saved = save_state();
        const int ep = make_move(m, side, 1);
        const bool bare = pos.material_signature[WHITE] == 0 && pos.material_signature[BLACK] == 0;
        if (!is_attacked(pos.piece_list[side][0], side ^ 1))
            children.push_back({m, bare ? 0 : -tb_probe(side ^ 1, ep)});
        unmake_move(m, side);
        restore_state(saved);
    }
    return children;
}
