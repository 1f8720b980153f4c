// Shared set-up for board tests: the tables built once, positions from FEN.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/position.h"
#include "search/startup.h"

inline void setup_position(const char* fen) {
    [[maybe_unused]] static const bool built = (init_tables(), true);
    ASSERT_TRUE(set_position_from_fen(fen)) << fen << ": " << fen_refusal_reason();
}

inline constexpr const char* KIWIPETE =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// What make/unmake must give back: not records above game_ply, slots of empty squares, captures by ply.
struct Snapshot {
    Position p;
    explicit Snapshot(const Position& from) : p(from) {
        for (Square s = 0; s < 64; s++)
            if (p.board_colour[s] == EMPTY) p.list_slot[s] = 0;
        std::memset(p.move_history + p.game_ply + 1, 0,
                    sizeof(HistoryRecord) * (MOVE_HISTORY_SIZE - p.game_ply - 1));
        std::memset(p.captured_at_ply, 0, sizeof p.captured_at_ply);
    }
    bool operator==(const Snapshot& o) const { return std::memcmp(&p, &o.p, sizeof p) == 0; }
};
