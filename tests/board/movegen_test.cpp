// The generator's lists: which moves, their types and their ordering scores.
#include "board/movegen.h"

#include "board_fixture.h"
#include "search/ordering.h"

namespace {

MoveEntry list[256];

// The entry of move m in a fresh list for the side to move, or null.
const MoveEntry* generated(Move m, int all_moves) {
    const int n = generate_moves(list, pos.side_to_move, all_moves, pos.ep_square);
    for (int i = 0; i < n - 1; i++)
        if (static_cast<Move>(list[i].move) == m) return &list[i];
    return nullptr;
}

TEST(MoveGeneration, StartPositionHasTwentyMovesAndNoCaptures) {
    setup_position(START_FEN);
    EXPECT_EQ(generate_moves(list, WHITE, 1, 0), 21);
    EXPECT_EQ(list[20].score, LIST_TERMINATOR);
    EXPECT_EQ(generate_moves(list, WHITE, 0, 0), 1);
    // Quiet moves, double steps included, score their history entry.
    ordering.history_score[(G1 << 6) | F3] = 777;
    EXPECT_EQ(generated(make_move_code(G1, F3, MOVE_QUIET), 1)->score, 777);
    EXPECT_EQ(generated(make_move_code(E2, E4, MOVE_DOUBLE_STEP), 1)->score, 0);
    ordering.history_score[(G1 << 6) | F3] = 0;
}

// clang-format off
TEST(MoveGeneration, CapturesAndPromotionsScoreAboveEveryQuietMove) {
    const char* promotion = "7k/4P3/8/8/8/8/8/4K3 w - - 0 1";
    const char* capture_promotion = "1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1";
    const struct { const char* fen; Square from, to; int type, score; } cases[] = {
        // Promotions come even in capture-only lists.
        {promotion, E7, E8, MOVE_PROMOTE_QUEEN, 30000010},
        {promotion, E7, E8, MOVE_PROMOTE_KNIGHT, 30000009},
        {promotion, E7, E8, MOVE_PROMOTE_ROOK, 30000008},
        {promotion, E7, E8, MOVE_PROMOTE_BISHOP, 30000007},
        {capture_promotion, A7, B8, MOVE_CAPTURE_PROMOTE_QUEEN, 30001500},
        {capture_promotion, A7, B8, MOVE_CAPTURE_PROMOTE_KNIGHT, 30000660},
        {capture_promotion, A7, B8, MOVE_CAPTURE_PROMOTE_ROOK, 30000879},
        {capture_promotion, A7, B8, MOVE_CAPTURE_PROMOTE_BISHOP, 30000672},
        // Big victims and small attackers first.
        {"4k3/8/8/3q4/4P3/8/8/Q3K3 w - - 0 1", E4, D5, MOVE_CAPTURE, 30001199},
        {"4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1", D1, D5, MOVE_CAPTURE, 30000085},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", E5, D6, MOVE_EN_PASSANT, 30000089},
    };
    for (const auto& c : cases) {
        setup_position(c.fen);
        const MoveEntry* entry = generated(make_move_code(c.from, c.to, c.type), 0);
        ASSERT_NE(entry, nullptr) << c.fen << " type " << c.type;
        EXPECT_EQ(entry->score, c.score) << c.fen << " type " << c.type;
    }
    setup_position(promotion);
    EXPECT_EQ(generate_moves(list, WHITE, 0, 0), 5);
}

TEST(MoveGeneration, CastlingNeedsUntouchedSquaresNotAttackedOnTheKingsWay) {
    const struct { const char* fen; bool short_castle, long_castle; } cases[] = {
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", true, true},
        {"4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1", false, true},   // f1 attacked
        {"4r1k1/8/8/8/8/8/8/R3K2R w KQ - 0 1", false, false}, // in check
        {"1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", true, true},   // only b1 attacked
        {"4k3/8/8/8/8/8/8/R3K2R w - - 0 1", false, false},    // no rights in the text
        {"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", true, true},
    };
    for (const auto& c : cases) {
        setup_position(c.fen);
        EXPECT_EQ(generated(SHORT_CASTLE_MOVE, 1) != nullptr, c.short_castle) << c.fen;
        EXPECT_EQ(generated(LONG_CASTLE_MOVE, 1) != nullptr, c.long_castle) << c.fen;
    }
}
// clang-format on

}  // namespace
