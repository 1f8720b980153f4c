// Make/unmake of every move, several plies deep: derived values in step, the position restored exactly, and
// the captures-only generation agreeing with the full one at every position.
#include "board/makemove.h"

#include <random>

#include "board/attack.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board_fixture.h"

namespace {

int32_t fresh_pst_sum(int c) {
    int32_t sum = 0;
    for (int slot = 0; slot < pos.piece_count[c]; slot++)
        if (pos.piece_list[c][slot] != DEAD_SLOT) sum += pos.slot_pst[c][slot][pos.piece_list[c][slot]];
    return sum;
}

MoveEntry lists[8][256];

// The captures-only list is the full list without its quiet moves, in the same order and with the same scores.
void expect_captures_match(const MoveEntry* all, int side, int ep) {
    MoveEntry captures[256];
    const int n = generate_moves(captures, side, 0, ep);
    int k = 0;
    for (; all->score != LIST_TERMINATOR; all++) {
        if (move_is_quiet(static_cast<Move>(all->move))) continue;
        ASSERT_TRUE(k < n - 1 && captures[k].move == all->move && captures[k].score == all->score)
            << "capture " << k << ": " << std::hex << all->move;
        k++;
    }
    ASSERT_EQ(k, n - 1);
}

void walk(int depth, int side, int ep, int& checked) {
    const int n = generate_moves(lists[depth], side, 1, ep);
    expect_captures_match(lists[depth], side, ep);
    for (int i = 0; i < n - 1; i++) {
        const Move m = static_cast<Move>(lists[depth][i].move);
        const Snapshot before(pos);
        const SavedState saved = save_state();
        const int next_ep = make_move(m, side, depth + 1);
        ASSERT_TRUE(position_is_consistent() && pos.pst_sum[0] == fresh_pst_sum(0) &&
                    pos.pst_sum[1] == fresh_pst_sum(1) &&
                    pos.move_history[pos.game_ply].key_high == pos.hash_key_high)
            << "after make of " << std::hex << m;
        checked++;
        if (depth > 1 && !is_attacked(pos.piece_list[side][0], side ^ 1))
            walk(depth - 1, side ^ 1, next_ep, checked);
        unmake_move(m, side);
        restore_state(saved);
        ASSERT_TRUE(Snapshot(pos) == before) << "unmake of " << std::hex << m;
    }
}

TEST(MakeUnmake, RoundTripOverEveryMoveRestoresThePosition) {
    std::mt19937 rng(7);
    for (const char* fen :
         {START_FEN, KIWIPETE, "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
          "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"}) {
        setup_position(fen);
        // Random piece-square rows make a wrong pst_sum update visible.
        for (auto& side : pos.slot_pst)
            for (auto& row : side)
                for (int32_t& v : row) v = static_cast<int32_t>(rng() % 201) - 100;
        pos.pst_sum[0] = fresh_pst_sum(0);
        pos.pst_sum[1] = fresh_pst_sum(1);
        int checked = 0;
        walk(3, pos.side_to_move, pos.ep_square, checked);
        EXPECT_GT(checked, 1000) << fen;
    }
}

TEST(Notation, FormatsSquaresPromotionsAndCastling) {
    EXPECT_STREQ(format_move(make_move_code(G2, H1, MOVE_CAPTURE_PROMOTE_ROOK), BLACK), "g2h1r");
    EXPECT_STREQ(format_move(make_move_code(A7, A8, MOVE_PROMOTE_KNIGHT), WHITE), "a7a8n");
    EXPECT_STREQ(format_move(LONG_CASTLE_MOVE, BLACK), "e8c8");
    EXPECT_STREQ(format_move(SHORT_CASTLE_MOVE, WHITE), "e1g1");
}

}  // namespace
