// Exact leaf counts of the legal move tree: generation, make, unmake, attacks and castling.
#include "board/perft.h"

#include <string>
#include <utility>

#include "board_fixture.h"
#include "support.h"

namespace {

TEST(Perft, MatchesTheStandardCounts) {
    const struct {
        const char* fen;
        int depth;
        uint64_t nodes;
    } cases[] = {
        {START_FEN, 5, 4865609},
        {KIWIPETE, 4, 4085603},
        // En-passant captures that expose the own king along the rank.
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 5, 674624},
        // Promotions with capture, castling rights lost by captures on the rook squares.
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4, 422333},
        // Checks by promotion and a knight fork on f2.
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594},
        // Castling through and out of check, en passant giving check.
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 3, 13744},
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", 4, 17945},
        {"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", 6, 1440467},
        {"8/5bk1/8/2Pp4/8/1K6/8/8 w - d6 0 1", 6, 824064},
        {"n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 5, 3605103},
        {"8/P1k5/K7/8/8/8/8/8 w - - 0 1", 6, 92683},
    };
    for (const auto& c : cases) {
        setup_position(c.fen);
        EXPECT_EQ(perft(c.depth, pos.side_to_move, pos.ep_square), c.nodes) << c.fen << " depth " << c.depth;
    }
}

// juxtool perft: the root moves with their counts, or the reason a position cannot be played.
TEST(JuxtoolPerft, CountsRootMovesOrRefusesThePosition) {
    const std::pair<const char*, const char*> rows[] = {
        {"1 4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1", "e1f1: 1\ne1d1: 1\ne1d2: 1\ne1f2: 1\nnodes 4\nstatus 0"},
        {"2 1k6/2R3n1/8/Q4K2/8/8/8/8 b - - 0 1",
         "juxtool perft: refused position: the side not to move is in check\nstatus 2"},
    };
    for (const auto& [arguments, expected] : rows) {
        const CommandResult run =
            run_command(std::string("timeout 60 ") + JUXTOOL_BINARY + " perft " + arguments + " 2>&1");
        EXPECT_EQ(run.output + "status " + std::to_string(run.status), expected) << arguments;
    }
}

}  // namespace
