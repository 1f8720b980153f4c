// Shared set-up for board tests: the tables built once, positions from FEN.
#pragma once

#include <gtest/gtest.h>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/position.h"

inline void setup_position(const char* fen) {
    static bool tables_built = false;
    if (!tables_built) {
        init_tables();
        tables_built = true;
    }
    ASSERT_TRUE(set_position_from_fen(fen)) << fen << ": " << fen_refusal_reason();
}

inline constexpr const char* KIWIPETE =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
