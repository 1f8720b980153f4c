// Any text through the FEN reader; an accepted position is evaluated, and every pseudo-legal move and reply
// is made (the derived state must agree with the board) and unmade (the position must be back exactly).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "board/attack.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "core/options.h"
#include "eval/evaluate.h"
#include "eval/root_eval.h"
#include "fuzz_support.h"
#include "search/hash.h"

namespace {

constexpr size_t MAX_FEN_BYTES = 1024;  // longer texts hold nothing new for the reader

// The position up to its game record, list slots of empty squares cleared, and the current record.
constexpr size_t HEAD_BYTES = offsetof(Position, move_history);
struct BoardSnapshot {
    unsigned char head[HEAD_BYTES];
    HistoryRecord current_record;
};

BoardSnapshot snapshot() {
    BoardSnapshot s{};
    std::memcpy(s.head, &pos, HEAD_BYTES);
    int32_t* slots = reinterpret_cast<int32_t*>(s.head + offsetof(Position, list_slot));
    for (int sq = 0; sq < 64; sq++)
        if (pos.board_colour[sq] == EMPTY) slots[sq] = 0;
    if (pos.game_ply >= 0 && pos.game_ply < MOVE_HISTORY_SIZE)
        s.current_record = pos.move_history[pos.game_ply];
    return s;
}

// Lists of their own for the moves and the replies, so that one that outgrows the engine's room is caught.
MoveEntry move_list[MAX_MOVES];
MoveEntry reply_list[MAX_MOVES];
constexpr uint32_t CACHE_ENTRIES = 1021;
EvalCacheEntry eval_cache[2][CACHE_ENTRIES];

void make_every_move(int side, int ep_square, int depth) {
    MoveEntry* list = depth == 1 ? move_list : reply_list;
    const int n = generate_moves(list, side, 1, ep_square);
    for (int i = 0; i < n - 1; i++) {
        const Move m = static_cast<Move>(list[i].move);
        const std::string move = "move " + std::to_string(m);
        const BoardSnapshot before = snapshot();
        const SavedState saved = save_state();
        const int next_ep = make_move(m, side, depth);
        require(position_is_consistent(), "make leaves the derived state out of step with the board", move);
        if (!is_attacked(pos.piece_list[side][0], side ^ 1)) {
            int in_check = 0, tablebase_hit = 0;
            evaluate(side ^ 1, depth + 1, in_check, tablebase_hit);
            if (depth == 1) make_every_move(side ^ 1, next_ep, 2);
        }
        unmake_move(m, side);
        restore_state(saved);
        const BoardSnapshot after = snapshot();
        require(std::memcmp(&before, &after, sizeof before) == 0, "unmake does not restore the position",
                move);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = false;
    if (!started) {
        start_engine();
        options.use_tablebases = 0;
        options.tablebase_pieces = 0;
        eval_caches.eval_cache[WHITE] = eval_cache[WHITE];
        eval_caches.eval_cache[BLACK] = eval_cache[BLACK];
        eval_caches.cache_count = CACHE_ENTRIES;
        started = true;
    }
    const std::string text(reinterpret_cast<const char*>(data), size < MAX_FEN_BYTES ? size : MAX_FEN_BYTES);
    if (!set_position_from_fen(text.c_str())) return 0;
    require(position_is_consistent(), "the FEN reader leaves the derived state out of step with the board",
            text);
    std::memset(eval_cache, 0, sizeof eval_cache);
    int in_check = 0, tablebase_hit = 0;
    evaluate_at_root(in_check, tablebase_hit);
    make_every_move(pos.side_to_move, pos.ep_square, 1);
    return 0;
}
