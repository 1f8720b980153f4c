// juxtool eval [--terms] [FEN | -]: the static evaluation of a position as
// the search sees it at the root, optionally with its breakdown per side.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/position.h"
#include "commands.h"
#include "core/options.h"
#include "eval/eval_state.h"
#include "eval/phase.h"
#include "eval/root_eval.h"
#include "search/hash.h"
#include "search/startup.h"

namespace {

// The evaluation caches of the tool: small, local, emptied for every position.
constexpr uint32_t TOOL_CACHE_ENTRIES = 3639;
EvalCacheEntry tool_cache[2][TOOL_CACHE_ENTRIES];

void print_row(const char* name, int32_t white, int32_t black) {
    std::printf("  %-16s %7d %7d\n", name, white, black);
}

void print_terms() {
    const EvalState& st = eval_state;
    const EvalBreakdown& r = st.breakdown;
    const SideTerms* t = st.side_terms;
    std::printf("phase %d root_phase %d\n", phase_state.phase, phase_state.root_phase);
    std::printf("terms              white   black\n");
    print_row("material", material_of(pos.material_signature[WHITE]),
              material_of(pos.material_signature[BLACK]));
    print_row("piece_square", pos.pst_sum[WHITE], pos.pst_sum[BLACK]);
    print_row("activity", t[0].activity_score, t[1].activity_score);
    print_row("mobility", t[0].mobility_score, t[1].mobility_score);
    print_row("mobility_half", t[0].mobility_score / 2, t[1].mobility_score / 2);
    print_row("safety", t[0].safety_score, t[1].safety_score);
    print_row("pawn", t[0].pawn_score, t[1].pawn_score);
    print_row("pawn_centre", t[0].pawn_centre_score, t[1].pawn_centre_score);
    print_row("king", t[0].king_score, t[1].king_score);
    print_row("tropism", t[0].tropism_score, t[1].tropism_score);
    print_row("rooks_on_file", r.rooks_on_file[0], r.rooks_on_file[1]);
    print_row("pawn_race", r.pawn_race[0], r.pawn_race[1]);
    print_row("wing_majority", r.wing_majority[0], r.wing_majority[1]);
    print_row("bad_bishop", r.bad_bishop[0], r.bad_bishop[1]);
    print_row("pawn_balance", r.pawn_balance[0], r.pawn_balance[1]);
    print_row("threats", r.threats[0], r.threats[1]);
    print_row("total", r.total[0], r.total[1]);
    static const char* const ending_names[] = {"none", "lone minor", "two knights", "rook against minor"};
    std::printf("final (for %s)\n", r.evaluated_for == WHITE ? "white" : "black");
    std::printf("  %-16s %7d\n", "base", r.base);
    std::printf("  %-16s %7d\n", "with_totals", r.before_endings);
    std::printf("  %-16s %7d\n", "bare_king", r.bare_king);
    std::printf("  %-16s %7d\n", "defender_pawns", r.defender_pawns);
    std::printf("  %-16s %7s\n", "ending_rule", ending_names[r.ending_rule]);
    std::printf("  %-16s %7d\n", "result", r.result);
}

// Sets the position, prepares it as the search driver would and prints the
// evaluation (and the breakdown when asked). False when the FEN is refused.
bool evaluate_fen(const char* fen, bool terms) {
    if (!set_position_or_report("eval", fen)) {
        std::printf("eval invalid\nincheck -\n");
        return false;
    }
    options.use_tablebases = 0;
    options.tablebase_pieces = 0;
    for (int side = WHITE; side <= BLACK; side++)
        for (EvalCacheEntry& e : tool_cache[side]) e.key = 0;

    int in_check = 0;
    int tablebase_hit = 0;
    // A position whose side to move could take the king is refused above,
    // so the score is never the illegal one.
    const int score = evaluate_at_root(in_check, tablebase_hit);
    std::printf("eval %d\nincheck %d\n", score, in_check);
    if (terms) print_terms();
    return true;
}

}  // namespace

int eval_command(int argc, char** argv) {
    bool terms = false;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--terms") == 0) {
        terms = true;
        first = 2;
    }
    init_tables();
    eval_caches.eval_cache[WHITE] = tool_cache[WHITE];
    eval_caches.eval_cache[BLACK] = tool_cache[BLACK];
    eval_caches.cache_count = TOOL_CACHE_ENTRIES;

    if (argc == first + 1 && std::strcmp(argv[first], "-") == 0) {
        // One FEN per line; blank lines are skipped. A refused one keeps its
        // place in the output and makes the exit status 2.
        std::string line;
        bool all_set = true;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find_first_not_of(" \t") != std::string::npos)
                all_set = evaluate_fen(line.c_str(), terms) && all_set;
        }
        std::fflush(stdout);
        return all_set ? 0 : 2;
    }

    const bool set = evaluate_fen(fen_from_words(argc, argv, first).c_str(), terms);
    std::fflush(stdout);
    return set ? 0 : 2;
}
