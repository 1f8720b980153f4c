// Hash tables: sizes, the shared-memory life cycle, and mate scores across plies.
// Which slot keeps what shows in the bench signature.
#include "search/hash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

#include "board/position.h"
#include "core/role.h"
#include "smp/process_watch.h"
#include "uci/engine_process.h"

namespace {

bool name_exists(const char* suffix) {
    char name[64];
    shared_block_name(name, sizeof name, suffix);
    const int fd = shm_open(name, O_RDONLY, 0);
    if (fd >= 0) close(fd);
    return fd >= 0;
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

    // Stores a result for the position with check key `key` in bucket `index`.
    static void store(int side, uint32_t index, uint32_t key, int score, int depth, Move move = 0x11) {
        pos.hash_key_low = index;
        pos.hash_key_high = key;
        store_hash(side, 1, score, depth, 40, move);
    }
    static HashEntry& bucket(int side, uint32_t index) { return hash_tables.table[side][index]; }
};

TEST(HashSizes, FollowTheMemorySplit) {
    const struct {
        int32_t kilobytes;
        uint32_t entries, cache_entries;
    } rows[] = {
        {0, 1455, 3639}, {1024, 5824, 14562}, {16384, 93205, 233015}, {1024 * 1024, 5965231, 14913079}};
    for (const auto& r : rows) {
        EXPECT_EQ(transposition_entries_for(r.kilobytes), r.entries) << r.kilobytes;
        EXPECT_EQ(cache_entries_for(r.kilobytes), r.cache_entries) << r.kilobytes;
    }
}

TEST_F(HashTablesTest, LifeCycleOfTheSharedTables) {
    // Creation empties every slot and leaves no names behind.
    EXPECT_EQ(hash_tables.table_total, 2910u);
    for (const char* suffix : {"_bttable", "_wttable", "_bptable", "_wptable", "_share_entry"})
        EXPECT_FALSE(name_exists(suffix)) << suffix;
    const HashEntry& e = bucket(WHITE, 17);
    EXPECT_EQ(e.a.key, 0u);
    EXPECT_EQ(e.a.upper, 30000);
    EXPECT_EQ(e.b.lower, -30000);
    EXPECT_EQ(e.b.lower_depth, NO_DEPTH);

    // The clears empty what was stored.
    store(WHITE, 40, 7, 50, 8);
    eval_caches.eval_cache[BLACK][3] = {99, 12, 1};
    clear_hash_tables();
    clear_eval_caches();
    int32_t move = 0;
    EXPECT_FALSE(probe_hash(WHITE, 1, move).hit);
    EXPECT_EQ(eval_caches.eval_cache[BLACK][3].key, 0u);

    // A second creation while the tables are held fails with its line.
    testing::internal::CaptureStderr();
    EXPECT_EQ(create_tables(0, 0), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "no more bttable memory \n");

    // A name left by a dead process does not block a new creation: a
    // one-process engine keeps its tables in private memory.
    release_tables();
    char name[64];
    shared_block_name(name, sizeof name, "_wttable");
    const int fd = shm_open(name, O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(create_tables(1024, 4), 1024);
    EXPECT_EQ(hash_tables.entry_count, 5824u);
    shm_unlink(name);
}

// Tables of 2 MB and more start on a huge-page boundary, and every entry up
// to the last is writable memory.
TEST(TableMemory, LargePrivateTablesStartOnHugePageBoundaries) {
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "t%d", static_cast<int>(getpid()));
    ASSERT_EQ(create_tables(16384, 0), 16384);
    const uintptr_t huge_page = uintptr_t{2} << 20;
    for (int side = 0; side < 2; side++) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(hash_tables.table[side]) % huge_page, 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(eval_caches.eval_cache[side]) % huge_page, 0u);
        hash_tables.table[side][hash_tables.entry_count].b.failed_low = 1;
        eval_caches.eval_cache[side][eval_caches.cache_count].in_check = 1;
    }
    release_tables();
}

// Where no named block can be had (a small /dev/shm; here a file-size limit
// below the tables) a one-process engine, which names nobody its blocks,
// takes private memory; it ends with its texts only when no memory can be
// had at all (here an address-space limit). A multi-process engine needs the
// names and ends. Nothing stays under a name.
TEST(TableMemory, PrivateMemoryWhereNoNamedBlockCanBeHad) {
    const std::string one = JUX_BINARY, three = one + " --processes 3";
    const struct {
        std::string engine;
        const char* limit;
        bool searches;
    } cases[] = {
        {one, "ulimit -f 2048", true},
        {one, "ulimit -v 20000", false},
        {three, "ulimit -f 2048", false},
    };
    for (const auto& c : cases) {
#ifdef JUX_SANITIZED
        // AddressSanitizer reserves far more address space than any such limit allows.
        if (std::string(c.limit).rfind("ulimit -v", 0) == 0) continue;
#endif
        SCOPED_TRACE(std::string(c.limit) + " " + c.engine);
        EngineProcess engine({"-c", std::string(c.limit) + " && exec " + c.engine}, "/bin/sh");
        ASSERT_TRUE(engine.handshake());
        engine.send("setoption name Hash value 128");
        if (c.searches) {
            EXPECT_EQ(engine.lines_before_ready(), std::vector<std::string>{});
            engine.send("position startpos");
            engine.send("go depth 5");
            EXPECT_EQ(engine.read_until_prefix("bestmove").back().rfind("bestmove ", 0), 0u);
            engine.send("quit");
            EXPECT_EQ(engine.wait_exit(), 0);
            EXPECT_EQ(engine.error_output(), "");
        } else {
            EXPECT_EQ(engine.read_line(), "info string Memory problems: I quit!");
            EXPECT_EQ(engine.wait_exit(), 1);
            EXPECT_EQ(engine.error_output(), "no more bttable memory \n");
        }
        EXPECT_EQ(process_watch::leftovers_of(engine.pid()), std::vector<std::string>{});
    }
}

TEST_F(HashTablesTest, MateScoresAreKeptFromTheStoringNode) {
    // A result stored at one ply and probed at another (bound 40): what the
    // slot holds and what the probe gives. The empty bound stays 30000 or
    // -30000 whatever the ply, and no stored score reaches those values.
    const struct {
        int store_ply, score, probe_ply;
        int32_t slot_upper, slot_lower;
        int upper, lower;
    } rows[] = {
        {5, 29990, 3, 30000, 29994, 30000, 29992},       // mate at ply 10 is four plies from ply 5 and 3
        {4, -29990, 2, -29993, -30000, -29992, -30000},  // mated at ply 10, fail-low
        {3, 29999, 3, 30000, 29999, 30000, 29997},       // beyond any real mate: held below 30000
        {3, -29999, 3, -29999, -30000, -29997, -30000},
        {9, 28999, 2, 30000, 28999, 30000, 28999},  // short of mate: no shift
        {9, -450, 2, -450, -30000, -450, -30000},
    };
    for (const auto& r : rows) {
        clear_hash_tables();
        pos.hash_key_low = 77;
        pos.hash_key_high = 5;
        store_hash(BLACK, r.store_ply, r.score, 3, 40, 0x21);
        EXPECT_EQ(bucket(BLACK, 77).a.upper, r.slot_upper) << r.score;
        EXPECT_EQ(bucket(BLACK, 77).a.lower, r.slot_lower) << r.score;
        int32_t move = 0;
        const HashProbe p = probe_hash(BLACK, r.probe_ply, move);
        EXPECT_EQ(p.upper, r.upper) << r.score;
        EXPECT_EQ(p.lower, r.lower) << r.score;
    }
}

}  // namespace
