// Hash tables: sizes, the shared-memory life cycle, and the two-slot rules.
#include "search/hash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "board/position.h"
#include "frontend/roles.h"

namespace {

bool name_exists(const char* suffix) {
    char name[64];
    shared_block_name(name, sizeof name, suffix);
    int fd = shm_open(name, O_RDONLY, 0);
    if (fd < 0) return false;
    close(fd);
    return true;
}

class HashTablesTest : public ::testing::Test {
   protected:
    void SetUp() override {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "t%d", static_cast<int>(getpid()));
        ASSERT_EQ(create_tables(0, 0), 256);
        hash_tables.search_id = 1;  // as the root driver does before its first store
        hash_tables.new_entries = 0;
    }
    void TearDown() override { release_tables(); }

    // Puts the position under test at bucket `index` with check key `key`.
    static void at(uint32_t index, uint32_t key) {
        pos.hash_key_low = index;
        pos.hash_key_high = key;
    }
    static HashEntry& bucket(int side, uint32_t index) { return hash_tables.table[side][index]; }
};

TEST(HashSizes, FollowTheMemorySplit) {
    EXPECT_EQ(transposition_entries_for(0), 1455u);
    EXPECT_EQ(cache_entries_for(0), 3639u);
    EXPECT_EQ(transposition_entries_for(1024), 5824u);
    EXPECT_EQ(cache_entries_for(1024), 14562u);
    EXPECT_EQ(transposition_entries_for(16384), 93205u);
    EXPECT_EQ(cache_entries_for(16384), 233015u);
    EXPECT_EQ(transposition_entries_for(1024 * 1024), 5965231u);
    EXPECT_EQ(cache_entries_for(1024 * 1024), 14913079u);
}

TEST_F(HashTablesTest, CreationResetsTheBoardAndLeavesNoNamesBehind) {
    EXPECT_EQ(hash_tables.entry_count, 1455u);
    EXPECT_EQ(hash_tables.table_total, 2910u);
    EXPECT_EQ(pos.board_piece[E1], KING);
    EXPECT_EQ(pos.piece_count[BLACK], 16);
    for (const char* suffix : {"_bttable", "_wttable", "_bptable", "_wptable", "_share_entry"})
        EXPECT_FALSE(name_exists(suffix)) << suffix;
    const HashEntry& e = bucket(WHITE, 17);
    EXPECT_EQ(e.a.key, 0u);
    EXPECT_EQ(e.a.upper, 30000);
    EXPECT_EQ(e.b.lower, -30000);
    EXPECT_EQ(e.b.lower_depth, NO_DEPTH);
}

TEST_F(HashTablesTest, SecondCreationWhileHeldFails) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(create_tables(0, 0), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "no more bttable memory \n");
    release_tables();
    EXPECT_EQ(create_tables(1024, 4), 1024);
}

TEST_F(HashTablesTest, StaleNameOfADeadProcessDoesNotBlockCreation) {
    release_tables();
    char name[64];
    shared_block_name(name, sizeof name, "_wttable");
    int fd = shm_open(name, O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(create_tables(0, 0), 256);
    EXPECT_FALSE(name_exists("_wttable"));
}

TEST_F(HashTablesTest, FailHighThenFailLowKeepBothBounds) {
    at(5, 0xABCD);
    store_hash(WHITE, 120, 6, 100, 0x123);
    store_hash(WHITE, 40, 4, 100, 0x456);
    int32_t move = 0;
    HashProbe p = probe_hash(WHITE, move);
    ASSERT_TRUE(p.hit);
    EXPECT_EQ(p.lower, 120);
    EXPECT_EQ(p.lower_depth, 6);
    EXPECT_EQ(p.upper, 40);
    EXPECT_EQ(p.upper_depth, 4);
    EXPECT_EQ(p.failed_low, 1);
    EXPECT_EQ(move, 0x123);                     // a fail-low does not replace the move
    EXPECT_FALSE(probe_hash(BLACK, move).hit);  // the other side's table
}

TEST_F(HashTablesTest, NewPositionsInAClaimedBucketGoToSlotB) {
    at(9, 1);
    store_hash(WHITE, 50, 8, 40, 0x11);  // claims slot A for this search
    EXPECT_EQ(hash_tables.new_entries, 1);
    at(9, 2);
    store_hash(WHITE, 60, 2, 40, 0x22);  // slot B
    at(9, 3);
    store_hash(WHITE, 60, 5, 40, 0x33);  // slot B again; the deeper old entry stays in A
    EXPECT_EQ(hash_tables.new_entries, 1);
    EXPECT_EQ(bucket(WHITE, 9).a.key, 1u);
    EXPECT_EQ(bucket(WHITE, 9).b.key, 3u);
    // A shallower slot A is replaced by the deeper slot B before B is rewritten.
    at(20, 1);
    store_hash(WHITE, 50, 2, 40, 0x11);
    at(20, 2);
    store_hash(WHITE, 50, 7, 40, 0x22);
    at(20, 3);
    store_hash(WHITE, 50, 1, 40, 0x33);
    EXPECT_EQ(bucket(WHITE, 20).a.key, 2u);
    EXPECT_EQ(bucket(WHITE, 20).a.lower_depth, 7);
    EXPECT_EQ(bucket(WHITE, 20).b.key, 3u);
    // Either bound counts: an upper bound in B beats an A that has none.
    at(25, 1);
    store_hash(WHITE, 50, 8, 40, 0x11);
    at(25, 2);
    store_hash(WHITE, 10, 2, 40, 0x22);
    at(25, 3);
    store_hash(WHITE, 60, 5, 40, 0x33);
    EXPECT_EQ(bucket(WHITE, 25).a.key, 2u);
    EXPECT_EQ(bucket(WHITE, 25).b.key, 3u);
}

TEST_F(HashTablesTest, NewSearchClaimsSlotAOnFirstTouch) {
    at(30, 1);
    store_hash(BLACK, 50, 8, 40, 0x11);
    hash_tables.search_id++;
    hash_tables.new_entries = 0;
    at(30, 2);
    store_hash(BLACK, 50, 1, 40, 0x22);
    EXPECT_EQ(bucket(BLACK, 30).a.key, 2u);
    EXPECT_EQ(hash_tables.new_entries, 1);
    at(30, 3);
    store_hash(BLACK, 50, 1, 40, 0x33);
    EXPECT_EQ(bucket(BLACK, 30).b.key, 3u);
    EXPECT_EQ(hash_tables.new_entries, 1);
}

TEST_F(HashTablesTest, ClearsEmptyEverySlot) {
    at(40, 7);
    store_hash(WHITE, 50, 8, 40, 0x11);
    hash_tables.eval_cache[BLACK][3] = {99, 12, 1};
    clear_hash_tables();
    clear_eval_caches();
    int32_t move = 0;
    EXPECT_FALSE(probe_hash(WHITE, move).hit);
    EXPECT_EQ(hash_tables.eval_cache[BLACK][3].key, 0u);
}

}  // namespace
