// juxtool bench [DEPTH]: searches a fixed set of positions to a fixed depth,
// each with fresh 16 MB tables, and prints the node counts. The total is the
// engine's signature: it changes only when search or evaluation behaviour
// changes, so every such commit names it.
#include <fcntl.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "board/fen.h"
#include "board/position.h"
#include "book/book.h"
#include "commands.h"
#include "core/options.h"
#include "core/role.h"
#include "platform/clock.h"
#include "search/hash.h"
#include "search/startup.h"
#include "search/node.h"
#include "search/root.h"
#include "search/timectl.h"

namespace {

constexpr int DEFAULT_DEPTH = 9;
constexpr int BENCH_HASH_KB = 16 * 1024;

// Openings, middlegames, tactics and endgames.
const char* const bench_positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "r1bqkbnr/1ppp1ppp/p1n5/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 1 4",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "rnbqkb1r/ppp2ppp/4pn2/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 2 4",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7",
    "r1bqk2r/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQK2R w KQkq - 0 7",
    "rnb2rk1/pp2qppp/2p2n2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8",
    "r1bq1rk1/pp2npbp/2np2p1/2p1p3/2P1P3/2NP2P1/PP2NPBP/R1BQ1RK1 w - - 0 9",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "3r1rk1/p4ppp/1pq1pn2/2b5/2P5/1P2PN2/PBQ2PPP/3R1RK1 w - - 0 17",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "r1b1kb1r/3q1ppp/pBp1pn2/8/Np3P2/5B2/PPP3PP/R2QK2R w KQkq - 0 1",
    "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10",
    "r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r5k1/5ppp/8/8/8/8/5PPP/1Q4K1 w - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/5pk1/6p1/8/3R4/6P1/r4PK1/8 w - - 0 40",
    "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
    "8/8/1p1k4/1P6/2K5/8/8/8 w - - 0 1",
    "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
    "8/3k4/8/2P5/1P1K4/8/8/8 w - - 0 1",
    "8/8/8/4k3/8/8/8/4K2R w - - 0 1",
    "3k4/8/8/8/8/8/8/4KQ2 w - - 0 1",
    "8/P7/8/8/8/8/k7/4K3 w - - 0 1",
    "8/p7/1p6/2p5/2P5/1P6/P5k1/4K3 b - - 0 1",
};

// The search reports on standard output; the bench keeps only its counts.
struct SilencedOutput {
    int saved;
    SilencedOutput() {
        std::fflush(stdout);
        saved = dup(1);
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 1);
        close(null_fd);
    }
    ~SilencedOutput() {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

}  // namespace

int bench_command(int argc, char** argv) {
    const int depth = argc > 1 ? std::atoi(argv[1]) : DEFAULT_DEPTH;
    if (depth < 1) {
        std::fprintf(stderr, "bench: depth must be at least 1\n");
        return 2;
    }
    std::snprintf(role.name_suffix, sizeof(role.name_suffix), "%d", static_cast<int>(getpid()));
    timer.poll_input = 0;

    uint64_t total_nodes = 0;
    double total_ms = 0;
    int index = 0;
    for (const char* fen : bench_positions) {
        index++;
        if (create_tables(BENCH_HASH_KB, 0) < 0) {
            std::fprintf(stderr, "bench: cannot create the hash tables\n");
            return 1;
        }
        reset_game_state();
        if (!set_position_from_fen(fen)) {
            std::fprintf(stderr, "bench: position %d refused: %s\n", index, fen_refusal_reason());
            release_tables();
            return 1;
        }
        book.book_in_use = 0;
        limits.clock_side = pos.side_to_move;
        limits.node_limit = 0;
        limits.search_moves_text[0] = 0;
        // A pure depth limit: no clock, so the counts never depend on speed.
        limits.time_mode = TIME_FIXED;
        limits.clock_ms[pos.side_to_move] = INFINITE_TIME_MS;
        limits.max_depth = depth > 99 ? 99 : depth;
        limits.pondering.store(0);
        hash_tables.new_entries = 0;

        const double start = monotonic_ms();
        {
            SilencedOutput quiet;
            start_search(0);
        }
        const double ms = monotonic_ms() - start;
        total_ms += ms;
        total_nodes += search.node_count;
        std::printf("%2d %12" PRIu64 " nodes %8.0f ms  %s\n", index, search.node_count, ms, fen);
        std::fflush(stdout);
        release_tables();
    }
    const uint64_t nps =
        total_ms > 0 ? static_cast<uint64_t>(static_cast<double>(total_nodes) * 1000.0 / total_ms) : 0;
    std::printf("nodes %" PRIu64 "\n", total_nodes);
    std::printf("nps %" PRIu64 "\n", nps);
    return 0;
}
