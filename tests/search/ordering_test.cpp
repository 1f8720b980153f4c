// Move ordering: the picker's stages, killers and the history table.
#include "search/ordering.h"

#include <gtest/gtest.h>

#include <vector>

#include "search/random.h"

namespace {

constexpr int PLY = 7;

constexpr Move quiet(Square from, Square to) {
    return make_move_code(from, to, MOVE_QUIET);
}

const Move a = quiet(A2, A3), b = quiet(B2, B3), c = quiet(C2, C3), d = quiet(D2, D3);
const Move k1 = quiet(B1, C3), k2 = quiet(G1, F3), hot = quiet(E2, E4);
const Move pxq = make_move_code(E4, D5, MOVE_CAPTURE), nxp = make_move_code(F3, E5, MOVE_CAPTURE);

// The moves a list in the generator's layout gives out, from a slot set to stage, hash move and killers.
std::vector<Move> picked(int stage, Move hash, Move killer_1, Move killer_2,
                         const std::vector<std::pair<Move, int32_t>>& moves) {
    MoveEntry entries[16];
    size_t n = 0;
    for (; n < moves.size(); n++) entries[n] = {static_cast<int32_t>(moves[n].first), moves[n].second};
    entries[n] = {0x7777, LIST_TERMINATOR};  // the terminator's move field is not set
    ordering.picker_stage[PLY] = stage;
    ordering.hash_move[PLY] = static_cast<int32_t>(hash);
    ordering.killer_table[PLY] = {0, 0, static_cast<int32_t>(killer_1), static_cast<int32_t>(killer_2)};
    std::vector<Move> out;
    for (Move m; out.size() <= 16 && next_move(m, entries, PLY);) out.push_back(m);
    return out;
}

}  // namespace

TEST(Picker, OrderOfTheStages) {
    // Hash move, captures by score, killers, the rest; a taken entry's slot gets the last, so d precedes c.
    EXPECT_EQ(
        picked(PICK_HASH_MOVE, hot, k1, k2,
               {{a, 40}, {pxq, 30001199}, {k1, 5}, {hot, 100}, {nxp, 30000088}, {c, 90}, {k2, 0}, {d, 90}}),
        (std::vector<Move>{hot, pxq, nxp, k1, k2, d, c, a}));
    EXPECT_EQ(picked(PICK_HASH_MOVE, k1, k1, 0, {{a, 0}, {k1, 0}}), (std::vector<Move>{k1, a}));
    EXPECT_EQ(picked(PICK_RANDOM, b, 0, 0, {{a, 9}, {b, 1}}), (std::vector<Move>{b, a}));
    EXPECT_EQ(picked(PICK_RANDOM, hot, k1, k2, {}), std::vector<Move>{});
}

// A worker's randomised order lets a higher later entry replace the first choice one time in three.
TEST(Picker, RandomisedStagePrefersAHigherLaterEntryOneTimeInThree) {
    seed_random(4242);
    int later = 0;
    for (int i = 0; i < 3000; i++) later += picked(PICK_RANDOM, 0, 0, 0, {{a, 1}, {b, 2}}).at(0) == b;
    EXPECT_NEAR(later, 1000, 80);
}

// The master keeps the clock's seed; workers started in the same second each draw a stream of their own.
TEST(Picker, EachProcessDrawsItsOwnStream) {
    for (uint32_t seconds : {0u, 0xFFFFFFFFu}) {
        EXPECT_EQ(process_seed(seconds, 0), seconds);
        std::vector<std::vector<int>> streams;
        for (int worker = 0; worker < 32; worker++) {
            seed_random(process_seed(seconds, worker));
            std::vector<int> draws;
            for (int i = 0; i < 4; i++) draws.push_back(next_random());
            for (const std::vector<int>& other : streams) EXPECT_NE(draws, other) << seconds << " " << worker;
            streams.push_back(draws);
        }
    }
}

TEST(Killers, NewMoveEntersSecondAndIsPromotedByHits) {
    const int32_t x = k1, y = k2, z = hot;
    // The move, then the record after it: hits_1, hits_2, move_1, move_2.
    const std::vector<std::vector<int32_t>> steps = {
        {x, 0, 1, 0, x},                   // enters second
        {x, 2, 0, x, 0},                   // 2 hits beat 0: promoted
        {y, 2, 1, x, y}, {y, 2, 2, x, y},  // 2 against 2: no swap
        {y, 3, 2, y, x},                   // 3 against 2: swapped with the counters
        {z, 3, 1, y, z},                   // a third move replaces the second killer
    };
    ordering.killer_table[PLY] = {0, 0, 0, 0};
    for (const std::vector<int32_t>& s : steps) {
        update_killers(PLY, static_cast<Move>(s[0]));
        const KillerRecord& k = ordering.killer_table[PLY];
        EXPECT_EQ((std::vector<int32_t>{s[0], k.hits_1, k.hits_2, k.move_1, k.move_2}), s);
    }
}

TEST(History, RewardIsTwoToTheDepthCappedAndHalvedPastOneBillion) {
    clear_history();
    const Move m = quiet(G1, F3);
    int32_t& entry = ordering.history_score[m & 4095];
    reward_history(m, 1);
    reward_history(m, 14);
    reward_history(m, 15);
    reward_history(m, 40);
    EXPECT_EQ(entry, 2 + 16384 + 2 * 32768);
    reward_history(SHORT_CASTLE_MOVE, 3);  // castling indexes by its code's low twelve bits
    EXPECT_EQ(ordering.history_score[0x019], 8);
    entry = 1000000000 - 8;
    reward_history(m, 3);  // exactly 1000000000: not past it
    EXPECT_EQ(entry, 1000000000);
    reward_history(m, 1);  // 1000000002 is halved at once
    EXPECT_EQ(entry, 500000001);
    clear_history();
    EXPECT_EQ(entry, 0);
}
