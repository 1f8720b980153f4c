// Pawn structure: the passed-pawn valuation in all its branches, the terms of
// the per-pawn evaluator, and the whole-board pawn terms.
#include "eval_fixture.h"

namespace {

// clang-format off
TEST_F(EvalTest, PassedPawnValue) {
    // A phase of -1: as the position has it.
    struct { const char* fen; int square, stm, phase, expected; } cases[] = {
        // e6, the black king on h1 outside the square, black without pieces;
        // with black to move the pawn counts one rank back, still outside.
        {"8/8/4P3/8/8/8/8/K6k w - - 0 1", E6, WHITE, -1, 460},
        {"8/8/4P3/8/8/8/8/K6k w - - 0 1", E6, BLACK, -1, 460},
        {"k6K/8/8/8/8/3p4/8/8 b - - 0 1", D3, BLACK, -1, 460},
        // A black knight far away: free passer 200 x w / 8, w = phase / 3 + 4.
        {"8/8/4P3/8/8/8/n7/K6k w - - 0 1", E6, WHITE, -1, 175},
        {"8/8/4P3/8/8/8/n7/K6k w - - 0 1", E6, WHITE, 9, 175},
        {"8/8/4P3/8/8/8/n7/K6k w - - 0 1", E6, WHITE, 5, 125},
        // d6 guards e5: candidate 15 x 7 / 8, kings at distances 3 and 4.
        {"4k3/8/3p4/8/4P3/8/8/4K3 w - - 0 1", E4, WHITE, -1, 13 - 3 + 4},
        // Inside the king's square: 40 x 7 / 8 + 4 x distance 4.
        {"4k3/8/8/8/4P3/8/8/4K3 w - - 0 1", E4, WHITE, -1, 35 + 16},
        {"4k3/8/8/8/4P3/8/8/4K3 w - - 0 1", E4, BLACK, -1, 35 + 16},
        // Attacked by the king with black to move; then defended by a pawn.
        {"8/8/8/3k4/4P3/8/8/K7 b - - 0 1", E4, BLACK, -1, 35 + 4},
        {"8/8/8/3k4/4P3/3P4/8/K7 b - - 0 1", E4, BLACK, -1, 35 + 19 + 4},
        // Outside the square but blocked, by a knight controlling e6 or a rook
        // attacking the pawn: (w - distance(e5, a1) + 8) x distance(e5, h1).
        {"8/6n1/8/8/4P3/8/8/K6k w - - 0 1", E4, WHITE, -1, 35 + (7 - 4 + 8) * 4},
        {"8/8/8/8/4P2r/8/8/K6k w - - 0 1", E4, WHITE, -1, 35 + (7 - 4 + 8) * 4},
    };
    for (const auto& c : cases) {
        context(c.fen, WHITE);
        begin_side_evaluation(pos.board_colour[c.square]);
        if (c.phase >= 0) phase_state.phase = c.phase;
        EXPECT_EQ(passed_pawn_value(c.square, c.stm), c.expected) << c.fen << " phase " << c.phase;
    }
}

TEST_F(EvalTest, PawnTerms) {
    const SideTerms& w = eval_state.side_terms[WHITE];
    const EvalBreakdown& b = eval_state.breakdown;
    expect_values({
        // Passed (460), isolated on the e-file (-14).
        {"8/8/4P3/8/8/8/8/K6k w - - 0 1", E6, {{&w.pawn_score, 460 - 14}}},
        // Candidate (14), isolated, backward with no attacker on it (-11), on
        // a file without black pawns (-12); central, but not at phase 10.
        {"4k3/8/3p4/8/4P3/8/8/4K3 w - - 0 1", E4, {{&w.pawn_score, 14 - 14 - 11 - 12}, {&w.pawn_centre_score, 0}}},
        // Isolated, half-open against a rook, doubled; without the rook no
        // half-open penalty. An a-pawn is isolated for -8 (passed 46).
        {"4k2r/8/8/8/4P3/4P3/8/4K3 w - - 0 1", E3, {{&w.pawn_score, -14 - 12 - 4}}},
        {"4k3/8/8/8/4P3/4P3/8/4K3 w - - 0 1", E3, {{&w.pawn_score, -14 - 4}}},
        {"4k3/8/8/8/8/P7/8/4K3 w - - 0 1", A3, {{&w.pawn_score, 46 - 8}}},
        // d2 blocked by its own knight at phase 0; then also backward (the c4
        // pawn attacks d3, no white pawn covers it) and blocked backward.
        {"rnbqkbnr/pppppppp/8/8/8/3N4/PPPPPPPP/R1BQKBNR w KQkq - 0 1", D2, {{&w.pawn_score, -15}}},
        {"rnbqkbnr/pp1ppppp/8/8/2p1P3/3N4/PP1P1PPP/R1BQKBNR w KQkq - 0 1", D2, {{&w.pawn_score, -15 - 11 - 5}}},
        {"rn1qkbnr/pppppppp/4b3/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", E7,
         {{&eval_state.side_terms[BLACK].pawn_score, -15}}},
        // Backward d3 with the b4 knight as its one attacker.
        {"4k3/8/3p4/4p3/1nP1P3/3P4/8/4K3 w - - 0 1", D3, {{&w.pawn_score, -18}}},
        // Central pawns: 10 - phase, and 5 more below phase 4.
        {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1", E4,
         {{&w.pawn_score, 0}, {&w.pawn_centre_score, 10 + 5}}},
        {"rnb1kbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNB1KBNR w KQkq - 0 1", E4, {{&w.pawn_centre_score, 5}}},
        // White a4 and e4, both inside the black king's square: black's total
        // loses 150. With black to move and its king on d5 it attacks e4,
        // which then does not race; two files apart is not enough; only in
        // pure pawn endings; and the same for black's pawns.
        {"8/8/3k4/8/P3P3/8/8/K7 w - - 0 1", AT_ROOT, {{&b.pawn_race[BLACK], -150}, {&b.pawn_race[WHITE], 0}}},
        {"8/8/8/3k4/P3P3/8/8/K7 b - - 0 1", AT_ROOT, {{&b.pawn_race[BLACK], 0}}},
        {"8/8/3k4/8/2P1P3/8/8/K7 w - - 0 1", AT_ROOT, {{&b.pawn_race[BLACK], 0}}},
        {"n7/8/3k4/8/P3P3/8/8/K7 w - - 0 1", AT_ROOT, {{&b.pawn_race[BLACK], 0}}},
        {"k7/8/8/p3p3/8/3K4/8/8 b - - 0 1", AT_ROOT, {{&b.pawn_race[WHITE], -150}}},
        // Wing majorities at phase 10: a2 and b2 against nothing score 2 x 10
        // twice, black's h7 once. The count of enemy pawns behind is not reset
        // between files: a2, b2, c2 against doubled a-pawns gives nothing.
        {"7k/7p/8/8/8/8/PP6/K7 w - - 0 1", AT_ROOT, {{&b.wing_majority[WHITE], 40}, {&b.wing_majority[BLACK], 20}}},
        {"7k/8/p7/p7/8/8/PPP5/K7 w - - 0 1", AT_ROOT, {{&b.wing_majority[WHITE], 0}}},
        {"k7/p7/8/8/8/8/6PP/7K w - - 0 1", AT_ROOT, {{&b.wing_majority[WHITE], 40}}},
        // A light bishop with three fixed dark pawns (d4 blocked, e3 backward
        // and blocked): + 10 x 3; a dark one: -30; both bishops: nothing.
        {"4k3/8/8/3p4/3Pp3/4P3/8/4KB2 w - - 0 1", AT_ROOT, {{&b.bad_bishop[WHITE], 30}, {&b.bad_bishop[BLACK], 0}}},
        {"4k3/8/8/3p4/3Pp3/4P3/8/2B1K3 w - - 0 1", AT_ROOT, {{&b.bad_bishop[WHITE], -30}}},
        {"4k3/8/8/3p4/3Pp3/4P3/8/2B1KB2 w - - 0 1", AT_ROOT, {{&b.bad_bishop[WHITE], 0}}},
    });
}
// clang-format on

}  // namespace
