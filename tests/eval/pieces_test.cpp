// Piece terms: outposts, slider scans with pins and discoveries, mobility,
// threats and trapped pieces, rook files, queen and rook tropism, king
// safety. Each row runs the evaluator of the piece on the square named.
#include "board/makemove.h"
#include "eval_fixture.h"

namespace {

const SideTerms& w = eval_state.side_terms[WHITE];
const SideTerms& b = eval_state.side_terms[BLACK];
const int32_t* const white_threats = &eval_state.threat_count[WHITE];
const int32_t* const phase = &phase_state.phase;
const int32_t* const rooks_on_file = &eval_state.breakdown.rooks_on_file[WHITE];

// clang-format off
TEST_F(EvalTest, KnightAndBishopTerms) {
    expect_values({
        // Phase 0, no black pawn on the d- or f-file above the fourth rank:
        // outpost 10, defended 10, by two pawns 20; one pawn: no third bonus.
        // A black f7 pawn could chase it; in the bare ending no outposts.
        {"rnbqkbnr/ppp1p1pp/8/4N3/3P1P2/8/PPP3PP/RNBQKB1R w KQkq - 0 1", E5, {{&w.activity_score, 10 + 10 + 20}}},
        {"rnbqkbnr/ppp1p1pp/8/4N3/3P4/8/PPP3PP/RNBQKB1R w KQkq - 0 1", E5, {{&w.activity_score, 20}}},
        {"rnbqkbnr/ppp1pppp/8/4N3/3P1P2/8/PPP3PP/RNBQKB1R w KQkq - 0 1", E5, {{&w.activity_score, 0}}},
        {"4k3/8/8/4N3/3P1P2/8/8/4K3 w - - 0 1", E5, {{&w.activity_score, 0}}},
        // Attacked and defended by a rook: -8. Defended by a pawn, attacked by
        // the rook: nothing. Attacked by a pawn: hanging although defended.
        // Undefended and attacked by a bishop: hanging.
        {"4r1k1/8/8/8/4N3/8/8/4R1K1 w - - 0 1", E4, {{&w.safety_score, -8}, {white_threats, 0}}},
        {"4r1k1/8/8/8/4N3/3P4/8/6K1 w - - 0 1", E4, {{&w.safety_score, 0}}},
        {"4r1k1/8/8/3p4/4N3/8/8/4R1K1 w - - 0 1", E4, {{&w.safety_score, -12}, {white_threats, 1}}},
        {"6k1/8/8/8/4N3/8/6b1/6K1 w - - 0 1", E4, {{&w.safety_score, -12}, {white_threats, 1}}},
        // Bb5 pins Nc6 to the king (24), outpost 8 at phase 10, seven empty
        // squares reached through the pin: mobility 12.
        {"4k3/1p6/2n5/1B6/8/8/8/7K w - - 0 1", B5,
         {{&w.activity_score, 24 + 8}, {&w.mobility_score, 12}, {&w.safety_score, 0}}},
        // Outpost weight 8 at phase 10, twice when a pawn defends the bishop.
        {"4k3/8/8/3B4/4P3/8/8/4K3 w - - 0 1", D5, {{&w.activity_score, 16}}},
        // A bishop on a7 behind b7 with b6 covered by the black king (or a
        // pawn on b6) is trapped: -130; with b6 free of black control it is
        // not. Black's bishop on h2 behind g2, g3 covered by the white king.
        {"8/Bpk5/8/8/8/8/8/4K3 w - - 0 1", A7, {{&w.safety_score, -130}}},
        {"8/B1k5/1p6/8/8/8/8/4K3 w - - 0 1", A7, {{&w.safety_score, -130}}},
        {"8/Bp6/8/8/8/8/8/4K2k w - - 0 1", A7, {{&w.safety_score, 0}}},
        {"4k3/8/8/8/8/8/5KPb/8 b - - 0 1", H2, {{&b.safety_score, -130}}},
        // Fianchetto bishops whose centre pawn is blocked: g2 sees f3, h3,
        // h1, f1 (mobility 4) and takes -7; b7 sees a8, c8, a6, c6 and -4.
        {"4k3/8/8/4p3/4P3/8/6B1/4K3 w - - 0 1", G2, {{&w.mobility_score, 4 - 7}}},
        {"4k3/1b6/8/3p4/3P4/8/8/4K3 b - - 0 1", B7, {{&b.mobility_score, 4 - 4}}},
        {"4k3/1b6/8/3p4/8/8/8/4K3 b - - 0 1", B7, {{&b.mobility_score, 4}}},
    });
}

TEST_F(EvalTest, SliderScanFindsPinsDiscoveriesAndKingSquares) {
    // Mobility and black's threats -1: not checked.
    struct { const char* fen; int square, value, mobility, black_threats; } cases[] = {
        // The knight on c6, defended by b7, pinned; undefended it is also a
        // threat against black. Empty squares: a6, d7, c4, d3, e2, f1, a4.
        {"4k3/1p6/2n5/1B6/8/8/8/7K w - - 0 1", B5, 24, 7, 0},
        {"4k3/8/2n5/1B6/8/8/8/7K w - - 0 1", B5, 24, -1, 1},
        // Re1 behind its own knight sees an undefended black knight on e7: a
        // discovery (e2, e3, e5, e6, d1, c1, b1, a1 empty). A defended piece
        // cheaper than the rook behind: nothing.
        {"k7/4n3/8/8/4N3/8/8/4RK2 w - - 0 1", E1, 16, 8, -1},
        {"4k3/4n3/8/8/4N3/8/8/4RK2 w - - 0 1", E1, 0, -1, -1},
        // A black knight before an undefended rook of the same kind: a pin;
        // the knight is defended by that rook, so white's one rook on it is
        // no threat. A pawn in front ends the ray.
        {"k7/4r3/8/8/4n3/8/8/4RK2 w - - 0 1", E1, 24, -1, 0},
        {"k7/4r3/8/8/4P3/8/8/4RK2 w - - 0 1", E1, 0, 6, -1},
        // Squares next to the enemy king (or its own) are worth
        // opening_weight each: none for the a1 rook at the start; d7 and d8
        // for a rook on the open d-file at phase 5.
        {START_FEN, A1, 0, -1, -1},
        {"rnb1kbnr/ppp2ppp/8/8/8/8/PPP2PPP/RNBRKBN1 w - - 0 1", D1, 5 + 5, -1, -1},
    };
    for (const auto& c : cases) {
        context(c.fen, WHITE);
        int mobility = -1;
        EXPECT_EQ(slider_scan(c.square, mobility), c.value) << c.fen;
        // A column of -1 compares -1 with itself.
        EXPECT_EQ(c.mobility < 0 ? -1 : mobility, c.mobility) << c.fen;
        EXPECT_EQ(c.black_threats < 0 ? -1 : eval_state.threat_count[BLACK], c.black_threats) << c.fen;
    }
}

TEST_F(EvalTest, RookAndQueenTerms) {
    expect_values({
        // Phase 10: open file 14, seventh rank with two black pawns and the
        // king on the eighth 13 + 2 x 10; four squares next to the king are
        // worth nothing at phase 10; 11 empty squares; tropism 14 - 5.
        {"k7/pp2R3/8/8/8/8/8/4K3 w - - 0 1", E7, {{&w.safety_score, 14 + 13 + 2 * 10}, {&w.activity_score, 4 * 10},
                                                  {&w.mobility_score, 16}, {&w.tropism_score, 14 - 5}}},
        // The king off the back rank: only the phase for the seventh. One
        // black pawn is not enough; an own pawn on the file leaves it neither
        // open nor half-open. Half-open: 10.
        {"8/pp2R3/k7/8/8/8/8/4K3 w - - 0 1", E7, {{&w.safety_score, 14 + 10}}},
        {"k7/p3R3/8/8/4P3/8/8/4K3 w - - 0 1", E7, {{&w.safety_score, 0}}},
        {"k7/4p3/8/8/8/8/8/4RK2 w - - 0 1", E1, {{&w.safety_score, 10}}},
        {"4k3/3r4/8/8/8/8/PP1r4/K7 b - - 0 1", D2, {{&b.safety_score, 14 + 13 + 2 * 10}}},
        // The queen on a8 hangs to the h8 rook, and every square it can reach
        // is covered or holds the defended rook: 1 + 2 threats. Without the
        // b7 pawn it can go to b7. Tropism above phase 2: 14 - distance.
        {"Q6r/PP5k/8/8/8/8/8/6K1 w - - 0 1", A8,
         {{phase, 9}, {&w.safety_score, -12}, {white_threats, 3}, {&w.tropism_score, 14 - 8}}},
        {"Q6r/P6k/8/8/8/8/8/6K1 w - - 0 1", A8, {{&w.safety_score, -12}, {white_threats, 1}}},
        // Within two of the king: 12 more. At phase 1 nothing.
        {"3k4/8/2Q5/8/8/8/8/4K3 w - - 0 1", C6, {{&w.tropism_score, 12 + 14 - 3}}},
        {"rnb1kbnr/pppppppp/8/3Q4/8/8/PPPPPPPP/RNB1KBNR w KQkq - 0 1", D5, {{phase, 1}, {&w.tropism_score, 0}}},
        // Two rooks on one file with nothing between: opening_weight (phase 5).
        {"r2qk3/pppppppp/8/8/4R3/8/PPPP1PPP/3QR1K1 w - - 0 1", AT_ROOT, {{phase, 5}, {rooks_on_file, 5}}},
        {"r2qk3/pppppppp/8/8/4R3/4P3/PPPP1PPP/3QR1K1 w - - 0 1", AT_ROOT, {{rooks_on_file, 0}}},
        {"r2qk3/pppppppp/8/8/8/8/PPPPPPPP/2QRR1K1 w - - 0 1", AT_ROOT, {{rooks_on_file, 0}}},
    });
}

TEST_F(EvalTest, KingTerms) {
    expect_values({
        // Phase 8 with queens: no king attack; A = -4, B = -2. No own h-pawn:
        // A; no own g-pawn beside it either: 2A as the enemy has a queen; the
        // enemy lacks the h-pawn too: twice B.
        {"3q2k1/5ppp/8/8/8/8/5P1P/3Q2K1 w - - 0 1", G1, {{phase, 8}, {&w.king_score, -4}}},
        {"3q2k1/5ppp/8/8/8/8/5P2/3Q2K1 w - - 0 1", G1, {{&w.king_score, -4 - 8}}},
        {"3q2k1/5pp1/8/8/8/8/5P2/3Q2K1 w - - 0 1", G1, {{&w.king_score, -4 - 8 - 4}}},
        // Queen against rook (phase 9, A = -2): black has no queen, so the
        // h-file counts once. An f-file king looks at h and g, not at e.
        {"r5k1/5ppp/8/8/8/8/5P2/3Q2K1 w - - 0 1", G1, {{phase, 9}, {&w.king_score, -2 - 2}}},
        {"3q1k2/6pp/8/8/8/8/6PP/3Q1K2 w - - 0 1", F1, {{&w.king_score, -4 - 2}}},
        // A king in check is a threatened piece.
        {"4k3/8/8/8/8/8/8/r3K3 w - - 0 1", E1, {{&w.safety_score, -12}, {white_threats, 1}}},
        // Phase 4 (W = 24): black's queen on h4 and bishop on d6 aim at h2 and
        // f2. One dangerous square (h2, two attackers): -8 x 24 / 16 = -12;
        // f2 defended and attacked once: -3; h2 controlled with a backed-up
        // queen: -96; f2 and h2 controlled: -24 and -24 x 2. No castling
        // rights: castled bonus 6.
        {"3r2k1/5ppp/3b4/8/7q/8/5PPP/1NBQR1K1 w - - 0 1", G1,
         {{&phase_state.king_attack_weight, 24}, {&w.king_score, -3 - 12 - 96 - 24 - 48 + 6}}},
        // A rook instead of the queen (phase 5, W = 20): h2 is dangerous,
        // -8 x 20 / 16 = -10, halved without an enemy queen; castled bonus 5.
        {"3r2k1/5ppp/3b4/8/7r/8/5PPP/1NBQR1K1 w - - 0 1", G1, {{phase, 5}, {&w.king_score, -10 / 2 + 5}}},
    });
    EXPECT_EQ(king_attack(G1), -10);  // the last position, before halving
    // Phase 0 without castling rights castle_off is set: + 10 over the same
    // king with rights. The king walks without castling: -40 with queens.
    context("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w - - 0 1", WHITE);
    eval_king(E1, WHITE);
    const int no_rights = w.king_score;
    context("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1", WHITE);
    eval_king(E1, WHITE);
    EXPECT_EQ(no_rights - w.king_score, 10);
    EXPECT_EQ(w.activity_score, 0);
    make_move(make_move_code(E1, E2, MOVE_QUIET), WHITE, 1);
    build_attack_table(WHITE);
    build_attack_table(BLACK);
    begin_side_evaluation(WHITE);
    eval_king(E2, WHITE);
    EXPECT_EQ(w.activity_score, -40);
}
// clang-format on

}  // namespace
