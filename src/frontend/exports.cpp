// The exported C interface: thin entries into the engine for a host program
// that loads libjux.so.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/options.h"
#include "core/role.h"
#include "frontend/interpreter.h"
#include "jux.h"
#include "platform/clock.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/random.h"
#include "search/root.h"
#include "search/timectl.h"

namespace {

// The host's block is kept, though nothing in the engine reads it.
unsigned char host_block_copy[28];
char version_buffer[16];

// Between JUXInit and JUXQuit the engine has its tables; before the first
// JUXInit it has not even its board geometry. Calls that set up or search a
// position outside that span return at once.
bool initialised() {
    return hash_tables.held;
}

}  // namespace

extern "C" {

int32_t JUXAnalyse(int32_t ponder) {
    pv.best_move_text[0] = 0;
    pv.ponder_move_text[0] = 0;
    if (!initialised()) return JUX_NOT_INITIALISED;
    install_front_end_hooks();
    return start_search(ponder);
}

int32_t JUXClearHashtable(void) {
    if (!initialised()) return -1;
    clear_hash_tables();
    clear_eval_caches();
    clear_history();
    return 0;
}

int32_t JUXEnterMove(const char* move_text) {
    if (!initialised()) return -1;
    return enter_game_move(move_text ? move_text : "");
}

const char* JUXGetAuthor(void) {
    return "Varnok";
}

const char* JUXGetVersion(void) {
    std::strcpy(version_buffer, "DIDUV-1");
    return version_buffer;
}

int32_t JUXInit(int32_t hash_kilobytes, const void* host_block, int32_t /*unused*/,
                int32_t tablebase_pieces) {
    role.library_host = 1;
    install_front_end_hooks();
    // Our shared blocks are named after this process, like a UCI engine's.
    if (role.name_suffix[0] == 0)
        std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    if (host_block) std::memcpy(host_block_copy, host_block, sizeof host_block_copy);
    seed_random(calendar_seconds());
    int result = create_tables(at_least_min_hash(hash_kilobytes), tablebase_pieces);
    if (result != -1) {
        start_fresh_game();
        limits.clock_side = 1;
    }
    return result;
}

void JUXNextBest(void) {}

void JUXPonderingOff(void) {
    limits.pondering.store(0, std::memory_order_relaxed);
}

int32_t JUXQuit(void) {
    int32_t held = hash_tables.held ? 1 : 0;
    release_tables();
    return held;
}

int32_t JUXSetBlitz(int32_t seconds, int32_t increment_seconds) {
    return set_clock_increment(seconds, increment_seconds);
}

int32_t JUXSetDepth(int32_t depth) {
    return set_depth(depth < 1 ? 1 : depth);
}

int32_t JUXSetInfinite(void) {
    return set_infinite();
}

void JUXSetPosition(const char* fen) {
    if (fen && initialised()) set_position_from_fen(fen);
}

void JUXSetStartPosition(void) {
    if (initialised()) set_position_from_fen(START_FEN);
}

int32_t JUXSetTime(int32_t moves_to_go, int32_t seconds) {
    return set_moves_to_go(moves_to_go, seconds);
}

void JUXStopAnalyse(void) {
    search.search_active.store(0, std::memory_order_relaxed);
    timer.extension_count.store(1, std::memory_order_relaxed);
}

const char* JUXGetBestMove(void) {
    return pv.best_move_text;
}

}  // extern "C"
