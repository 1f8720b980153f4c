// Any text through the FEN reader; a position it accepts is evaluated, and
// every pseudo-legal move and every reply to a legal one is made and unmade.
// After each make the derived state must agree with the board (the checked
// build's consistency test), after each unmake the position must be back
// exactly, and nothing may read or write out of bounds on the way.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// FEN texts longer than this hold nothing new for the reader.
constexpr size_t MAX_FEN_BYTES = 1024;

// Everything make and unmake must give back, without what may stay stale
// (history records above game_ply, list slots of empty squares).
struct BoardSnapshot {
    int32_t board_piece[64];
    int32_t board_colour[64];
    int32_t square_moves[64];
    int32_t castle_off[2];
    int32_t piece_list[2][16];
    int32_t piece_count[2];
    int32_t list_slot[64];
    int32_t material_signature[2];
    int32_t pawn_file_count[2][8];
    int32_t pst_sum[2];
    uint32_t hash_key_low;
    uint32_t hash_key_high;
    int32_t side_to_move;
    int32_t ep_square;
    int32_t game_ply;
    int32_t last_irreversible_ply;
    HistoryRecord current_record;
};

BoardSnapshot snapshot() {
    BoardSnapshot s;
    std::memset(&s, 0, sizeof s);
    std::memcpy(s.board_piece, pos.board_piece, sizeof s.board_piece);
    std::memcpy(s.board_colour, pos.board_colour, sizeof s.board_colour);
    std::memcpy(s.square_moves, pos.square_moves, sizeof s.square_moves);
    std::memcpy(s.castle_off, pos.castle_off, sizeof s.castle_off);
    std::memcpy(s.piece_count, pos.piece_count, sizeof s.piece_count);
    for (int c = 0; c < 2; c++)
        for (int slot = 0; slot < pos.piece_count[c] && slot < 16; slot++)
            s.piece_list[c][slot] = pos.piece_list[c][slot];
    for (int sq = 0; sq < 64; sq++)
        if (pos.board_colour[sq] != EMPTY) s.list_slot[sq] = pos.list_slot[sq];
    std::memcpy(s.material_signature, pos.material_signature, sizeof s.material_signature);
    std::memcpy(s.pawn_file_count, pos.pawn_file_count, sizeof s.pawn_file_count);
    std::memcpy(s.pst_sum, pos.pst_sum, sizeof s.pst_sum);
    s.hash_key_low = pos.hash_key_low;
    s.hash_key_high = pos.hash_key_high;
    s.side_to_move = pos.side_to_move;
    s.ep_square = pos.ep_square;
    s.game_ply = pos.game_ply;
    s.last_irreversible_ply = pos.last_irreversible_ply;
    if (pos.game_ply >= 0 && pos.game_ply < MOVE_HISTORY_SIZE)
        s.current_record = pos.move_history[pos.game_ply];
    return s;
}

void require(bool condition, const char* what, Move move) {
    if (condition) return;
    std::fprintf(stderr, "fen_fuzz: %s (move %#x)\n", what, move);
    std::abort();
}

// The engine's room for one list, for the moves and for the replies: two
// arrays of their own, so that a list that outgrows its room is caught.
MoveEntry move_list[MAX_MOVES];
MoveEntry reply_list[MAX_MOVES];
constexpr uint32_t CACHE_ENTRIES = 1021;
EvalCacheEntry eval_cache[2][CACHE_ENTRIES];

void make_every_move(int side, int ep_square, int depth) {
    MoveEntry* list = depth == 1 ? move_list : reply_list;
    const int n = generate_moves(list, side, 1, ep_square);
    for (int i = 0; i < n - 1; i++) {
        const Move m = static_cast<Move>(list[i].move);
        const BoardSnapshot before = snapshot();
        const SavedState saved = save_state();
        const int next_ep = make_move(m, side, depth);
        require(position_is_consistent(), "make leaves the derived state out of step with the board", m);
        if (!is_attacked(pos.piece_list[side][0], side ^ 1)) {
            int in_check = 0, tablebase_hit = 0;
            evaluate(side ^ 1, depth + 1, in_check, tablebase_hit);
            if (depth == 1) make_every_move(side ^ 1, next_ep, 2);
        }
        unmake_move(m, side);
        restore_state(saved);
        const BoardSnapshot after = snapshot();
        require(std::memcmp(&before, &after, sizeof before) == 0, "unmake does not restore the position", m);
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
    char text[MAX_FEN_BYTES + 1];
    if (size > MAX_FEN_BYTES) size = MAX_FEN_BYTES;
    std::memcpy(text, data, size);
    text[size] = 0;
    if (!set_position_from_fen(text)) return 0;
    require(position_is_consistent(), "the FEN reader leaves the derived state out of step with the board",
            0);

    std::memset(eval_cache, 0, sizeof eval_cache);
    int in_check = 0, tablebase_hit = 0;
    evaluate_at_root(in_check, tablebase_hit);
    make_every_move(pos.side_to_move, pos.ep_square, 1);
    return 0;
}
