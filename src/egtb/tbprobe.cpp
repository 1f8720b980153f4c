// The one entry point to the tablebases. Registration finds Nalimov,
// Gaviota and Syzygy files under the NalimovPath directories; a probe asks
// Gaviota (distance to mate) first, then Syzygy (win/draw/loss). Nalimov
// tables are registered but never read.
#include "egtb/tbprobe.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "egtb/directories.h"
#include "egtb/gaviota.h"
#include "egtb/nalimov.h"
#include "egtb/syzygy.h"
#include "egtb/tables.h"

TablebaseCounters tb_counters;

namespace {

// The cache a registration creates when it is given no size.
inline constexpr int64_t DEFAULT_CACHE_KB = 64;

TablebaseDirectories directories;

int register_tablebases(int cache_kb) {
    split_tablebase_path(options.nalimov_path, directories);
    int nalimov_class = tablebase_class(register_nalimov_tables(directories));
    if (nalimov.registered_count > 0) {
        debug_line("Nalimov tables found but JUX cannot read them\n");
    }
    int gaviota_class = register_gaviota_tables(directories);
    int syzygy_class = register_syzygy_tables(directories);
    int pieces = nalimov_class;
    if (gaviota_class > pieces) pieces = gaviota_class;
    if (syzygy_class > pieces) pieces = syzygy_class;
    if (pieces == 0) return 0;
    if (gaviota.active) {
        // No size, or a negative one, gives the smallest cache.
        int64_t kilobytes = cache_kb > 0 ? cache_kb : DEFAULT_CACHE_KB;
        if (!create_gaviota_cache(kilobytes * 1024)) end_after_tablebase_failure();
    }
    return pieces;
}

// The en-passant square counts only when a pawn of side can capture onto
// it: one of side's pawns beside the pawn that has just made its double step
// across the square (so the square and the one the pawn came from are empty).
int usable_ep_square(int side, int ep) {
    if (ep <= 0 || ep > 63) return 0;
    if (rank_of(ep) != (side == WHITE ? 5 : 2)) return 0;
    int forward = side == WHITE ? 8 : -8;
    Square passed_pawn = ep - forward;
    if (pos.board_piece[passed_pawn] != PAWN || pos.board_colour[passed_pawn] != (side ^ 1)) return 0;
    if (pos.board_colour[ep] != EMPTY || pos.board_colour[ep + forward] != EMPTY) return 0;
    for (int file_step : {-1, 1}) {
        if (file_of(ep) + file_step < 0 || file_of(ep) + file_step > 7) continue;
        Square from = passed_pawn + file_step;
        if (pos.board_piece[from] == PAWN && pos.board_colour[from] == side) return ep;
    }
    return 0;
}

// Tables know nothing of castling, so a position where it is still
// possible has no stored result.
bool castling_possible() {
    for (int side = 0; side < 2; side++) {
        Square king = side == WHITE ? E1 : E8;
        if (pos.board_piece[king] != KING || pos.board_colour[king] != side || pos.square_moves[king] != 0)
            continue;
        for (Square rook : {king - 4, king + 3}) {
            if (pos.board_piece[rook] == ROOK && pos.board_colour[rook] == side &&
                pos.square_moves[rook] == 0) {
                return true;
            }
        }
    }
    return false;
}

// Each side's squares from the highest piece-list slot down to the king,
// with the piece counts.
void build_probe_position(int side, int ep, ProbePosition& p) {
    p.side = side;
    p.ep_square = ep;
    for (int colour = 0; colour < 2; colour++) {
        int n = 0;
        for (int kind = 0; kind < 5; kind++) p.count[colour][kind] = 0;
        for (int slot = pos.piece_count[colour] - 1; slot >= 0; slot--) {
            Square s = pos.piece_list[colour][slot];
            if (s == DEAD_SLOT || pos.board_piece[s] == NO_PIECE) continue;
            JUX_ASSERT(pos.board_colour[s] == colour);
            p.square[colour][n] = s;
            p.piece[colour][n] = pos.board_piece[s];
            if (pos.board_piece[s] != KING) p.count[colour][pos.board_piece[s] - 1]++;
            n++;
        }
        p.square[colour][n] = LIST_END;
        p.piece[colour][n] = NO_PIECE;
    }
}

// The same position with the colours exchanged and the board turned over,
// so that a table stored for the other colours reads it.
void reverse_colours(ProbePosition& p) {
    ProbePosition reversed;
    for (int colour = 0; colour < 2; colour++) {
        int n = 0;
        for (; p.square[colour][n] != LIST_END; n++) {
            reversed.square[colour ^ 1][n] = p.square[colour][n] ^ 56;
            reversed.piece[colour ^ 1][n] = p.piece[colour][n];
        }
        reversed.square[colour ^ 1][n] = LIST_END;
        reversed.piece[colour ^ 1][n] = NO_PIECE;
        for (int kind = 0; kind < 5; kind++) reversed.count[colour ^ 1][kind] = p.count[colour][kind];
    }
    reversed.side = p.side ^ 1;
    reversed.ep_square = p.ep_square != 0 ? p.ep_square ^ 56 : 0;
    p = reversed;
}

int syzygy_score(int wdl) {
    if (wdl == SYZYGY_WIN) return SYZYGY_WIN_SCORE;
    if (wdl == SYZYGY_LOSS) return SYZYGY_LOSS_SCORE;
    // The fifty-move rule decides cursed wins and blessed losses: draws.
    return 0;
}

int probe_position(int side, int ep) {
    tb_counters.probe_count++;
    if (side != WHITE && side != BLACK) return NO_TABLEBASE_RESULT;
    ProbePosition p;
    build_probe_position(side, usable_ep_square(side, ep), p);
    int32_t reversed = 0;
    const int table = material_table(p.count[WHITE], p.count[BLACK], reversed);
    if (table == NO_TABLE) return NO_TABLEBASE_RESULT;
    if (castling_possible() || !readers_can_take(p)) return NO_TABLEBASE_RESULT;
    if (reversed) reverse_colours(p);
    int value = 0;
    if (gaviota.usable[table] && probe_gaviota(p, value)) return nalimov_score(value);
    int wdl = 0;
    if (syzygy.results_usable[table] && probe_syzygy_wdl(p, wdl)) return syzygy_score(wdl);
    return NO_TABLEBASE_RESULT;
}

// Our move code for a rated root move, or 0 when no generated move matches.
Move matching_move(const MoveEntry* list, const SyzygyRootMove& rated) {
    for (int i = 0; list[i].score != LIST_TERMINATOR; i++) {
        Move m = static_cast<Move>(list[i].move);
        if (m == SHORT_CASTLE_MOVE || m == LONG_CASTLE_MOVE) continue;
        if (move_from(m) != rated.from || move_to(m) != rated.to) continue;
        int type = move_type(m);
        int promotion = NO_PIECE;
        if (type >= MOVE_PROMOTE_QUEEN && type <= MOVE_CAPTURE_PROMOTE_ROOK) {
            static const int promoted[4] = {QUEEN, KNIGHT, BISHOP, ROOK};
            promotion = promoted[(type - MOVE_PROMOTE_QUEEN) & 3];
        }
        if (promotion == rated.promotion) return m;
    }
    return 0;
}

// Results a side would rather have rank higher; equal results rank by the
// distance: quick progress in a win, long resistance in a loss.
bool better_root_move(const SyzygyRootMove& a, const SyzygyRootMove& b) {
    if (a.wdl != b.wdl) return a.wdl > b.wdl;
    if (a.wdl > SYZYGY_DRAW) return a.dtz < b.dtz;
    if (a.wdl < SYZYGY_DRAW) return a.dtz > b.dtz;
    return false;
}

bool same_rank(const SyzygyRootMove& a, const SyzygyRootMove& b) {
    return !better_root_move(a, b) && !better_root_move(b, a);
}

}  // namespace

int tb_probe(int side_or_mode, int arg) {
    if (side_or_mode == TB_REGISTER) return register_tablebases(arg);
    return probe_position(side_or_mode, arg);
}

int tb_root_moves(int side, int ep, char* text, int size) {
    if (size > 0) text[0] = '\0';
    if (!syzygy.active || size <= 0 || (side != WHITE && side != BLACK)) return 0;
    ProbePosition p;
    build_probe_position(side, usable_ep_square(side, ep), p);
    int32_t reversed = 0;
    const int table = material_table(p.count[WHITE], p.count[BLACK], reversed);
    if (table == NO_TABLE || castling_possible() || !readers_can_take(p) || !syzygy.distances_usable[table])
        return 0;
    ProbePosition for_gaviota = p;
    if (reversed) reverse_colours(for_gaviota);
    int value = 0;
    if (gaviota.usable[table] && probe_gaviota(for_gaviota, value))
        return 0;  // distances to mate need no help

    static SyzygyRootMove rated[SYZYGY_MAX_ROOT_MOVES];
    int fifty_move_count = pos.game_ply - pos.last_irreversible_ply;
    int n = rate_syzygy_root_moves(p, fifty_move_count < 0 ? 0 : fifty_move_count, rated);
    if (n == 0) return 0;
    int best = 0;
    for (int i = 1; i < n; i++) {
        if (better_root_move(rated[i], rated[best])) best = i;
    }
    static MoveEntry list[MAX_MOVES];
    generate_moves(list, side, ALL_MOVES, p.ep_square);
    int kept = 0;
    int length = 0;
    for (int i = 0; i < n; i++) {
        if (!same_rank(rated[i], rated[best])) continue;
        Move m = matching_move(list, rated[i]);
        if (m == 0) continue;
        const char* move = format_move(m, side);
        int needed = static_cast<int>(std::strlen(move)) + (length ? 1 : 0);
        if (length + needed >= size) break;
        length += std::snprintf(text + length, size - length, "%s%s", length ? " " : "", move);
        kept++;
    }
    if (kept == 0) text[0] = '\0';
    return kept;
}
