// Hash tables: sizes, memory, and mate scores across plies. Which slot keeps what shows in the bench.
#include "search/hash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <tuple>

#include "board/position.h"
#include "core/role.h"
#include "smp/process_watch.h"
#include "uci/engine_process.h"

namespace {

class HashTablesTest : public ::testing::Test {
   protected:
    void SetUp() override {
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
        ASSERT_EQ(create_tables(kilobytes, 0), kilobytes ? kilobytes : 256);
        hash_tables.search_id = 1;  // as the root driver does before its first store
    }
    void TearDown() override { release_tables(); }
    int kilobytes = 0;
};

}  // namespace

TEST_F(HashTablesTest, LifeCycleOfPrivateTables) {
    EXPECT_EQ(transposition_entries_for(1024 * 1024), 5965231u);
    EXPECT_EQ(cache_entries_for(1024 * 1024), 14913079u);
    // Creation empties every slot; a one-process engine names no block.
    EXPECT_EQ(hash_tables.table_total, 2910u);
    const HashEntry& e = hash_tables.table[WHITE][17];
    EXPECT_EQ(std::tuple(e.a.key, e.a.upper, e.b.lower, e.b.lower_depth),
              std::tuple(0u, 30000, -30000, NO_DEPTH));
    EXPECT_EQ(process_watch::leftovers_of(getpid()), std::vector<std::string>{});
    pos.hash_key_low = 40;
    pos.hash_key_high = 7;
    store_hash(WHITE, 1, 50, 8, 40, 0x11);
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

    // A name left by a dead process does not block a new creation. Tables of 2 MB and more start on a
    // huge-page boundary, and every entry up to the last is writable.
    release_tables();
    char name[64];
    shared_block_name(name, sizeof name, "_wttable");
    const int fd = shm_open(name, O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(create_tables(16384, 4), 16384);
    shm_unlink(name);
    EXPECT_EQ(hash_tables.entry_count, 93205u);
    for (int side = 0; side < 2; side++) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(hash_tables.table[side]) % (2 << 20), 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(eval_caches.eval_cache[side]) % (2 << 20), 0u);
        hash_tables.table[side][hash_tables.entry_count].b.failed_low = 1;
        eval_caches.eval_cache[side][eval_caches.cache_count].in_check = 1;
    }
}

// Where no named block can be had (here a file-size limit) a one-process engine takes private memory; it
// ends with its texts only when no memory can be had at all. A multi-process engine needs the names.
TEST(TableMemory, PrivateMemoryWhereNoNamedBlockCanBeHad) {
    const std::string one = JUX_BINARY, three = one + " --processes 3";
    const struct {
        std::string engine;
        const char* limit;
        bool searches;
    } cases[] = {
        {one, "ulimit -f 2048", true},
#ifndef JUX_SANITIZED  // AddressSanitizer reserves far more address space than the limit allows
        {one, "ulimit -v 20000", false},
#endif
        {three, "ulimit -f 2048", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.limit) + " " + c.engine);
        EngineProcess engine({"-c", std::string(c.limit) + " && exec " + c.engine}, "/bin/sh");
        ASSERT_TRUE(engine.handshake());
        engine.send("setoption name Hash value 128");
        if (c.searches) {
            EXPECT_EQ(engine.lines_before_ready(), std::vector<std::string>{});
            engine.send("position startpos");
            engine.send("go depth 5");
            EXPECT_TRUE(engine.read_until_prefix("bestmove").back().starts_with("bestmove "));
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
    // Stored at one ply and probed at another (bound 40): the slot's bounds, then the probe's. The empty
    // bound stays 30000 or -30000 whatever the ply, and no stored score reaches those values.
    const struct {
        int store_ply, score, probe_ply;
        int32_t slot_upper, slot_lower, upper, lower;
    } rows[] = {
        {5, 29990, 3, 30000, 29994, 30000, 29992},       // mate at ply 10 is four plies from ply 5 and 3
        {4, -29990, 2, -29993, -30000, -29992, -30000},  // mated at ply 10, fail-low
        {3, 29999, 3, 30000, 29999, 30000, 29997},       // beyond any real mate: held below 30000
        {3, -29999, 3, -29999, -30000, -29997, -30000},
        {9, 28999, 2, 30000, 28999, 30000, 28999},  // short of mate: no shift
    };
    for (const auto& r : rows) {
        clear_hash_tables();
        pos.hash_key_low = 77;
        pos.hash_key_high = 5;
        store_hash(BLACK, r.store_ply, r.score, 3, 40, 0x21);
        const HashEntry& slot = hash_tables.table[BLACK][77];
        int32_t move = 0;
        const HashProbe p = probe_hash(BLACK, r.probe_ply, move);
        EXPECT_EQ(std::tuple(slot.a.upper, slot.a.lower, p.upper, p.lower),
                  std::tuple(r.slot_upper, r.slot_lower, r.upper, r.lower))
            << r.score;
    }
}
