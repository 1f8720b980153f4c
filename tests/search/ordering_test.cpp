#include "search/ordering.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "search/random.h"

namespace {

constexpr int PLY = 7;

Move quiet(Square from, Square to) {
    return make_move_code(from, to, MOVE_QUIET);
}
Move capture(Square from, Square to) {
    return make_move_code(from, to, MOVE_CAPTURE);
}

struct Entry {
    Move move;
    int32_t score;
};

// A list in the generator's layout, closed by a terminator.
struct TestList {
    MoveEntry entries[64];
    explicit TestList(std::initializer_list<Entry> moves) {
        int n = 0;
        for (const Entry& e : moves) entries[n++] = {static_cast<int32_t>(e.move), e.score};
        entries[n].move = 0x7777;  // the terminator's move field is not set
        entries[n].score = LIST_TERMINATOR;
    }
};

void reset_slot(int stage, Move hash, Move killer_1 = 0, Move killer_2 = 0) {
    ordering.picker_stage[PLY] = stage;
    ordering.hash_move[PLY] = static_cast<int32_t>(hash);
    ordering.killer_table[PLY] = {0, 0, static_cast<int32_t>(killer_1), static_cast<int32_t>(killer_2)};
}

std::vector<Move> drain(MoveEntry* list) {
    std::vector<Move> out;
    Move m;
    while (next_move(m, list, PLY)) {
        out.push_back(m);
        if (out.size() > 64) break;
    }
    return out;
}

}  // namespace

TEST(Picker, StagesComeInOrderHashCapturesKillersThenHistory) {
    const Move hash = quiet(G1, F3);
    const Move pxq = capture(E4, D5), nxp = capture(F3, E5), bxr = capture(C4, F7);
    const Move k1 = quiet(B1, C3), k2 = quiet(D2, D4);
    const Move q1 = quiet(A2, A3), q2 = quiet(H2, H3), q3 = quiet(F1, E1);
    TestList l({{q1, 40},
                {pxq, 30001199},
                {k1, 5},
                {hash, 100},
                {nxp, 30000088},
                {q2, 90},
                {bxr, 30000576},
                {k2, 0},
                {q3, 90}});
    reset_slot(0, hash, k1, k2);
    // Taking an entry out moves the last one into its place, so by the time
    // the quiet moves are reached q3 stands before q2; of equal scores the
    // one nearer the start of the list wins.
    std::vector<Move> expected = {hash, pxq, bxr, nxp, k1, k2, q3, q2, q1};
    EXPECT_EQ(drain(l.entries), expected);
    EXPECT_EQ(ordering.picker_stage[PLY], 4);
    EXPECT_EQ(ordering.hash_move[PLY], 0);
}

TEST(Picker, HashMoveStaysInTheListUntilTheNextCall) {
    const Move a = quiet(A2, A3), b = quiet(B2, B3);
    TestList l({{a, 1}, {b, 2}});
    reset_slot(0, a);
    Move m;
    ASSERT_EQ(next_move(m, l.entries, PLY), 1);
    EXPECT_EQ(m, a);
    EXPECT_EQ(list_contains(l.entries, a), 1);
    ASSERT_EQ(next_move(m, l.entries, PLY), 1);
    EXPECT_EQ(m, b);
    EXPECT_EQ(list_contains(l.entries, a), 0);
    EXPECT_EQ(next_move(m, l.entries, PLY), 0);
}

TEST(Picker, HashMoveMissingFromTheListIsNeverReturned) {
    // A quiet hash move against a capture-only list.
    const Move hash = quiet(D1, D7);
    const Move c = capture(E4, D5);
    TestList l({{c, 30000089}});
    reset_slot(0, hash);
    EXPECT_EQ(drain(l.entries), std::vector<Move>{c});
}

TEST(Picker, HashMoveThatIsAlsoAKillerComesOnce) {
    const Move k = quiet(B1, C3), other = quiet(A2, A3);
    TestList l({{other, 0}, {k, 0}});
    reset_slot(0, k, k, 0);
    EXPECT_EQ(drain(l.entries), (std::vector<Move>{k, other}));
}

TEST(Picker, KillerNotGeneratedHereIsSkipped) {
    const Move k1 = quiet(B1, C3), k2 = quiet(G1, F3), a = quiet(A2, A3), b = quiet(H2, H4);
    TestList l({{a, 3}, {k2, 0}, {b, 1}});
    reset_slot(0, 0, k1, k2);
    EXPECT_EQ(drain(l.entries), (std::vector<Move>{k2, a, b}));
}

TEST(Picker, QuietMoveWithHugeHistoryComesBeforeTheKillers) {
    const Move hot = quiet(E2, E4), k1 = quiet(B1, C3), c = capture(E4, D5);
    TestList l({{k1, 0}, {hot, 30000001}, {c, 30000085}});
    reset_slot(0, 0, k1, 0);
    EXPECT_EQ(drain(l.entries), (std::vector<Move>{c, hot, k1}));
}

TEST(Picker, EmptyListGivesNothingInEveryStage) {
    for (int stage : {0, 1, 3, 4, 5}) {
        TestList l({});
        reset_slot(stage, quiet(E2, E4), quiet(B1, C3), quiet(G1, F3));
        Move m = 12345;
        EXPECT_EQ(next_move(m, l.entries, PLY), 0) << "stage " << stage;
    }
}

TEST(Picker, EqualScoresComeOutFirstThenFromTheTail) {
    // With all scores equal each call takes the first entry and the last
    // moves into its place: a, b, c, d come out as a, d, c, b.
    const Move a = quiet(A2, A3), b = quiet(B2, B3), c = quiet(C2, C3), d = quiet(D2, D3);
    TestList l({{a, 0}, {b, 0}, {c, 0}, {d, 0}});
    reset_slot(0, 0);
    EXPECT_EQ(drain(l.entries), (std::vector<Move>{a, d, c, b}));
}

TEST(Picker, RandomisedStageDrawsOnlyForHigherEntries) {
    const Move a = quiet(A2, A3), b = quiet(B2, B3), c = quiet(C2, C3), d = quiet(D2, D3);
    // Falling scores: nothing ever beats the first entry, so nothing is drawn.
    {
        TestList l({{a, 4}, {b, 3}, {c, 2}, {d, 1}});
        reset_slot(5, 0);
        seed_random(99);
        const int first_draw = next_random();
        seed_random(99);
        Move m;
        ASSERT_EQ(next_move(m, l.entries, PLY), 1);
        EXPECT_EQ(m, a);
        EXPECT_EQ(next_random(), first_draw);
    }
    // Rising scores: every later entry is higher than any current choice, so
    // each draws once; it replaces the choice when the draw is below 10922.
    {
        TestList l({{a, 1}, {b, 2}, {c, 3}, {d, 4}});
        reset_slot(5, 0);
        seed_random(4242);
        std::vector<int> draws;
        for (int i = 0; i < 4; i++) draws.push_back(next_random());
        Move expected = a;
        const Move later[3] = {b, c, d};
        for (int i = 0; i < 3; i++)
            if (draws[i] < 10922) expected = later[i];
        seed_random(4242);
        Move m;
        ASSERT_EQ(next_move(m, l.entries, PLY), 1);
        EXPECT_EQ(m, expected);
        EXPECT_EQ(next_random(), draws[3]);
        EXPECT_EQ(ordering.picker_stage[PLY], 5);
    }
}

TEST(Picker, RandomisedStageTakesTheHashMoveFirstAndSingleMoveWithoutDrawing) {
    const Move a = quiet(A2, A3), b = quiet(B2, B3);
    TestList l({{a, 9}, {b, 1}});
    reset_slot(5, b);
    seed_random(7);
    Move m;
    ASSERT_EQ(next_move(m, l.entries, PLY), 1);
    EXPECT_EQ(m, b);
    EXPECT_EQ(ordering.hash_move[PLY], 0);
    EXPECT_EQ(list_contains(l.entries, b), 0);
    ASSERT_EQ(next_move(m, l.entries, PLY), 1);
    EXPECT_EQ(m, a);
    seed_random(7);
    const int first = next_random();
    seed_random(7);
    EXPECT_EQ(next_move(m, l.entries, PLY), 0);
    EXPECT_EQ(next_random(), first);
}

TEST(MoveList, RemoveFillsTheGapWithTheLastEntry) {
    const Move a = quiet(A2, A3), b = quiet(B2, B3), c = quiet(C2, C3);
    TestList l({{a, 1}, {b, 2}, {c, 3}});
    EXPECT_EQ(list_remove(l.entries, 0), 0);
    EXPECT_EQ(list_remove(l.entries, quiet(H2, H3)), 0);
    EXPECT_EQ(list_remove(l.entries, a), 1);
    EXPECT_EQ(static_cast<Move>(l.entries[0].move), c);
    EXPECT_EQ(l.entries[0].score, 3);
    EXPECT_EQ(static_cast<Move>(l.entries[1].move), b);
    EXPECT_EQ(l.entries[2].score, LIST_TERMINATOR);
    EXPECT_EQ(list_contains(l.entries, a), 0);
    EXPECT_EQ(list_contains(l.entries, b), 1);
    EXPECT_EQ(list_contains(l.entries, c), 1);
}

TEST(Killers, NewMoveEntersSecondAndIsPromotedByHits) {
    const Move x = quiet(B1, C3), y = quiet(G1, F3), z = quiet(E2, E4);
    ordering.killer_table[PLY] = {0, 0, 0, 0};
    update_killers(PLY, x);
    KillerRecord k = ordering.killer_table[PLY];
    EXPECT_EQ(k.move_1, 0);
    EXPECT_EQ(k.move_2, static_cast<int32_t>(x));
    EXPECT_EQ(k.hits_2, 1);
    update_killers(PLY, x);  // 2 hits beat 0: x becomes the first killer
    k = ordering.killer_table[PLY];
    EXPECT_EQ(k.move_1, static_cast<int32_t>(x));
    EXPECT_EQ(k.hits_1, 2);
    EXPECT_EQ(k.move_2, 0);
    EXPECT_EQ(k.hits_2, 0);
    update_killers(PLY, y);
    update_killers(PLY, y);  // 2 hits against 2: no swap
    k = ordering.killer_table[PLY];
    EXPECT_EQ(k.move_1, static_cast<int32_t>(x));
    EXPECT_EQ(k.move_2, static_cast<int32_t>(y));
    EXPECT_EQ(k.hits_2, 2);
    update_killers(PLY, y);  // 3 against 2: swap with the counters
    k = ordering.killer_table[PLY];
    EXPECT_EQ(k.move_1, static_cast<int32_t>(y));
    EXPECT_EQ(k.hits_1, 3);
    EXPECT_EQ(k.move_2, static_cast<int32_t>(x));
    EXPECT_EQ(k.hits_2, 2);
    update_killers(PLY, z);  // a third move replaces the second killer
    k = ordering.killer_table[PLY];
    EXPECT_EQ(k.move_1, static_cast<int32_t>(y));
    EXPECT_EQ(k.move_2, static_cast<int32_t>(z));
    EXPECT_EQ(k.hits_2, 1);
    update_killers(PLY, y);
    EXPECT_EQ(ordering.killer_table[PLY].hits_1, 4);
}

TEST(History, RewardIsTwoToTheDepthCappedAndHalvedPastOneBillion) {
    clear_history();
    const Move m = quiet(G1, F3);
    reward_history(m, 1);
    EXPECT_EQ(ordering.history_score[m & 4095], 2);
    reward_history(m, 14);
    EXPECT_EQ(ordering.history_score[m & 4095], 2 + 16384);
    reward_history(m, 15);
    reward_history(m, 40);
    EXPECT_EQ(ordering.history_score[m & 4095], 2 + 16384 + 2 * 32768);
    // Castling indexes the table by its code's low twelve bits.
    reward_history(SHORT_CASTLE_MOVE, 3);
    EXPECT_EQ(ordering.history_score[0x019], 8);

    ordering.history_score[m & 4095] = 1000000000 - 8;
    reward_history(m, 3);  // exactly 1000000000: not past it
    EXPECT_EQ(ordering.history_score[m & 4095], 1000000000);
    reward_history(m, 1);  // 1000000002 is halved at once
    EXPECT_EQ(ordering.history_score[m & 4095], 500000001);
    clear_history();
    EXPECT_EQ(ordering.history_score[m & 4095], 0);
}
