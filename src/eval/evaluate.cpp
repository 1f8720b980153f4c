// The evaluation entry: legality verdict, in-check flag, tablebase probe,
// cache and lazy exit, and the full evaluation that sums the piece and pawn
// evaluators and applies the whole-board terms and endgame scalings.
#include "eval/evaluate.h"

#include <cstring>

#include "board/attack.h"
#include "board/geometry.h"
#include "board/position.h"
#include "core/options.h"
#include "core/output.h"
#include "egtb/tbprobe.h"
#include "eval/attack_table.h"
#include "eval/eval_cache.h"
#include "eval/eval_state.h"
#include "eval/pawns.h"
#include "eval/phase.h"
#include "eval/pieces.h"
#include "eval/tables.h"
#include "eval/weights.h"

EvalState eval_state;
EvalCaches eval_caches;

namespace {
EvalContext no_search;
}
EvalContext* eval_context = &no_search;

namespace {

// A rook's worth of pieces or less: too little for the lazy exit to be safe.
constexpr int32_t ROOK_WORTH = 579;
// Half-width of the window around the expected score inside which the full
// evaluation runs.
constexpr int32_t LAZY_MARGIN = 250;
// The bonus for having the move.
constexpr int32_t SIDE_TO_MOVE_BONUS = 17;
constexpr int32_t BARE_KING_PENALTY = 200;

// The evaluator of the piece on sq (the pawns are evaluated together). A
// switch rather than a table of functions, so that the compiler can inline
// the evaluators into the loop.
inline void evaluate_piece(int sq, int stm) {
    switch (pos.board_piece[sq]) {
        case KNIGHT:
            eval_knight(sq, stm);
            break;
        case BISHOP:
            eval_bishop(sq, stm);
            break;
        case ROOK:
            eval_rook(sq, stm);
            break;
        case QUEEN:
            eval_queen(sq, stm);
            break;
        case KING:
            eval_king(sq, stm);
            break;
        default:
            break;
    }
}

// What the last evaluation at each ply found: the position (its game ply and
// key) and whether its side to move was in check. A child reads its parent's.
struct PlyCheck {
    int32_t game_ply;
    uint32_t key_high;
    int32_t in_check;
};
PlyCheck ply_check[MAX_PLY + 1];

// The piece check at ply: the slot of the piece that moved last when it
// gives check (a king move reads as 0, like no check).
inline void write_check_slot(int ply, int in_check) {
    eval_context->check_slot[ply] = in_check ? pos.list_slot[pos.move_history[pos.game_ply].move & 63] : 0;
    ply_check[ply] = {pos.game_ply, pos.hash_key_high, in_check};
}

// The record of the parent position when the last move leaves nothing but
// its origin and its destination changed (no castling, en-passant capture
// or null move) and the parent was evaluated legal; nullptr otherwise.
const PlyCheck* parent_of_plain_move(int ply) {
    if (ply < 2 || pos.game_ply < 1) return nullptr;
    const HistoryRecord& last = pos.move_history[pos.game_ply];
    const int type = move_type(static_cast<Move>(last.move));
    if (last.key_high == 0 || type == MOVE_SHORT_CASTLE || type == MOVE_LONG_CASTLE || type == MOVE_EN_PASSANT ||
        type >= MOVE_NULL)
        return nullptr;
    const PlyCheck& parent = ply_check[ply - 1];
    if (parent.game_ply != pos.game_ply - 1 || parent.key_high != pos.move_history[pos.game_ply - 1].key_high)
        return nullptr;
    return &parent;
}

// Whether side attacks the king of the side that has just moved. When that
// king was not in check and did not move, only its line through the square
// the piece left can have opened.
bool mover_king_attacked(int side, const PlyCheck* parent) {
    const int king = king_square(side ^ 1);
    const Move last = static_cast<Move>(pos.move_history[pos.game_ply].move);
    if (parent != nullptr && !parent->in_check && move_to(last) != king) {
        const bool attacked = discovers_check(king, move_from(last), side);
        JUX_ASSERT(attacked == (is_attacked(king, side) != 0));
        return attacked;
    }
    return is_attacked(king, side) != 0;
}

// Whether side, to move, is in check. The parent was legal, so a check
// comes from the piece that moved or from a line opened through the square
// it left.
bool side_in_check(int side, const PlyCheck* parent) {
    const int king = king_square(side);
    if (parent != nullptr) {
        const Move last = static_cast<Move>(pos.move_history[pos.game_ply].move);
        const bool check = piece_attacks(move_to(last), king) || discovers_check(king, move_from(last), side ^ 1);
        JUX_ASSERT(check == (is_attacked(king, side ^ 1) != 0));
        return check;
    }
    return is_attacked(king, side ^ 1) != 0;
}

// The move that led here has type 4 or more (promotion, capture, en
// passant): the material has changed.
bool last_move_above_quiet() {
    return static_cast<uint32_t>(pos.move_history[pos.game_ply].move) > 0x40000u;
}

// Whether the men on the board fit the largest tablebases registered.
bool men_fit_tablebases() {
    const int limit = options.tablebase_pieces;
    int men = 2;  // the kings
    for (int side = WHITE; side <= BLACK; side++) {
        for (int slot = 1; slot < pos.piece_count[side]; slot++) {
            const int sq = pos.piece_list[side][slot];
            if (sq != DEAD_SLOT && pos.board_piece[sq] != NO_PIECE) men++;
        }
        if (men > limit) return false;
    }
    return true;
}

bool is_lone_minor(int32_t signature) {
    return signature == SIGNATURE_KNIGHT || signature == SIGNATURE_DARK_BISHOP ||
           signature == SIGNATURE_LIGHT_BISHOP;
}

}  // namespace

int evaluate(int side, int ply, int& in_check, int& tablebase_hit) {
    JUX_ASSERT(ply >= 1 && ply <= MAX_PLY);
    JUX_ASSERT(pos.board_piece[king_square(WHITE)] == KING && pos.board_piece[king_square(BLACK)] == KING);
    const int opp = side ^ 1;
    const int32_t own_signature = pos.material_signature[side];
    const int32_t enemy_signature = pos.material_signature[opp];
    int base =
        material_of(own_signature) - material_of(enemy_signature) + pos.pst_sum[side] - pos.pst_sum[opp];
    tablebase_hit = 0;

    // Bishops of opposite colours with nothing else but pawns draw often.
    if (phase_state.phase == 10) {
        const int32_t own_pieces = own_signature & SIGNATURE_PIECES_MASK;
        const int32_t enemy_pieces = enemy_signature & SIGNATURE_PIECES_MASK;
        if ((own_pieces == SIGNATURE_DARK_BISHOP && enemy_pieces == SIGNATURE_LIGHT_BISHOP) ||
            (own_pieces == SIGNATURE_LIGHT_BISHOP && enemy_pieces == SIGNATURE_DARK_BISHOP)) {
            if (base > 60)
                base -= 60;
            else if (base < -60)
                base += 60;
            else
                base /= 2;
        }
    }

    // Tablebases near the root, or after a capture or promotion deeper down.
    if (options.tablebase_pieces != 0 && options.use_tablebases == 1 &&
        (own_signature & 15) + (enemy_signature & 15) <= 3 &&
        (ply < 3 || (ply < eval_context->iteration_depth && last_move_above_quiet())) &&
        men_fit_tablebases()) {
        if (is_attacked(king_square(opp), side)) return ILLEGAL_SCORE;
        const int r = tb_probe(side, eval_context->ep_square_at_ply[ply - 1]);
        if (r != NO_TABLEBASE_RESULT) {
            tablebase_hit = 1;
            in_check = is_attacked(king_square(side), opp);
            write_check_slot(ply, in_check);
            return r;
        }
    }

    EvalCacheEntry* entry = nullptr;
    if (eval_caches.eval_cache[side] != nullptr && eval_caches.cache_count != 0) {
        entry = &eval_cache_entry(side, pos.hash_key_low);
        if (entry->key == pos.hash_key_high) {
            const int score = entry->score;
            if (score == ILLEGAL_SCORE) return ILLEGAL_SCORE;
            in_check = entry->in_check;
            write_check_slot(ply, in_check);
            return score;
        }
    }

    const int expected = side == pos.side_to_move ? eval_context->root_score : -eval_context->root_score;
    const bool full = piece_material(WHITE) <= ROOK_WORTH || piece_material(BLACK) <= ROOK_WORTH ||
                      (base > expected - LAZY_MARGIN && base < expected + LAZY_MARGIN) ||
                      eval_context->on_first_path || eval_context->iteration_depth < 3;
    int result;
    if (!full) {
        // Far outside the expected score: material and piece squares decide.
        const PlyCheck* parent = parent_of_plain_move(ply);
        if (mover_king_attacked(side, parent)) return ILLEGAL_SCORE;
        in_check = side_in_check(side, parent);
        result = base;
    } else {
        const uint64_t occupied = occupied_squares();
        eval_state.occupied = occupied;
        build_attack_table(side, occupied);
        if (attack_count[side][king_square(opp)] != 0) return ILLEGAL_SCORE;
        build_attack_table(opp, occupied);
        in_check = attack_count[opp][king_square(side)] > 0;
        result = evaluate_full(side, base);
        if (entry != nullptr) {
            entry->key = pos.hash_key_high;
            entry->score = result;
            entry->in_check = in_check;
        }
    }
    write_check_slot(ply, in_check);
    return result;
}

void begin_side_evaluation(int b) {
    EvalState& st = eval_state;
    st.evaluated_side = b;
    st.other_side = b ^ 1;
    st.own_attacks = attack_count[b];
    st.enemy_attacks = attack_count[b ^ 1];
    st.own_pawn_files = pos.pawn_file_count[b];
    st.enemy_pawn_files = pos.pawn_file_count[b ^ 1];
    st.own_pawn_cover = pawn_cover[b];
    st.enemy_pawn_cover = pawn_cover[b ^ 1];
    st.side_terms[b] = SideTerms{};
    st.terms = &st.side_terms[b];
    st.rook_square[0] = st.rook_square[1] = NO_ROOK;
}

int evaluate_full(int side, int base) {
    const int opp = side ^ 1;
    EvalState& st = eval_state;
    EvalBreakdown& report = st.breakdown;
    update_phase();

    std::memset(st.race_pawn, 0, sizeof(st.race_pawn));
    std::memset(st.fixed_pawns, 0, sizeof(st.fixed_pawns));
    st.threat_count[WHITE] = st.threat_count[BLACK] = 0;
    int32_t total[2] = {0, 0};

    for (int b = WHITE; b <= BLACK; b++) {
        begin_side_evaluation(b);
        const SideTerms& terms = st.side_terms[b];

        for (int slot = pos.piece_count[b] - 1; slot >= 0; slot--) {
            const int sq = pos.piece_list[b][slot];
            if (sq == DEAD_SLOT) continue;
            evaluate_piece(sq, side);
        }
        eval_pawns(side);
        total[b] += terms.activity_score + terms.mobility_score / 2 + terms.safety_score + terms.pawn_score +
                    terms.pawn_centre_score + terms.king_score + terms.tropism_score;
        report.rooks_on_file[b] = 0;
        if (st.rook_square[1] != NO_ROOK) {
            report.rooks_on_file[b] = rooks_on_file();
            total[b] += report.rooks_on_file[b];
        }
    }

    pawn_race_term(report.pawn_race);
    wing_majority_term(report.wing_majority);
    bad_bishop_term(report.bad_bishop);
    for (int b = WHITE; b <= BLACK; b++)
        total[b] += report.pawn_race[b] + report.wing_majority[b] + report.bad_bishop[b];

    // Pawn-count balance: the material table already pays per pawn; this
    // pulls big pawn-count differences back.
    const int32_t own_signature = pos.material_signature[side];
    const int32_t enemy_signature = pos.material_signature[opp];
    const int d = (own_signature & 15) - (enemy_signature & 15);
    report.pawn_balance[side] = report.pawn_balance[opp] = 0;
    if (d < -8 || d > 8)
        send_line("Pawn broken\n");
    else
        report.pawn_balance[side] = pawn_balance_table[d + 8];
    total[side] += report.pawn_balance[side];

    for (int b = WHITE; b <= BLACK; b++) {
        report.threats[b] = weights.threat_weight * st.threat_count[b];
        total[b] += report.threats[b];
    }
    report.evaluated_for = side;
    report.base = base;
    report.total[WHITE] = total[WHITE];
    report.total[BLACK] = total[BLACK];

    int a = base + total[side] - total[opp] + SIDE_TO_MOVE_BONUS;
    report.before_endings = a;

    report.bare_king = 0;
    if (own_signature == 0 && material_of(enemy_signature) > ROOK_WORTH)
        report.bare_king -= BARE_KING_PENALTY;
    if (enemy_signature == 0 && material_of(own_signature) > ROOK_WORTH)
        report.bare_king += BARE_KING_PENALTY;
    a += report.bare_king;

    // Without pawns a lone minor piece cannot win and two knights hardly can;
    // the defender's pawns count against the stronger side's chances.
    report.ending_rule = ENDING_NONE;
    report.defender_pawns = 0;
    if (a > 0 && (own_signature & 15) == 0) {
        if ((enemy_signature & 15) != 0) {
            report.defender_pawns = -(material_of(enemy_signature & 15) / 2);
            a += report.defender_pawns;
        }
        if (a > 0) {
            if (is_lone_minor(own_signature)) {
                report.ending_rule = ENDING_LONE_MINOR;
                return report.result = 0;
            }
            if (own_signature == 2 * SIGNATURE_KNIGHT) {
                report.ending_rule = ENDING_TWO_KNIGHTS;
                return report.result = 30 - pos.slot_pst[opp][0][king_square(opp)];
            }
        }
    } else if (a < 0 && (enemy_signature & 15) == 0) {
        if ((own_signature & 15) != 0) {
            report.defender_pawns = material_of(own_signature & 15) / 2;
            a += report.defender_pawns;
        }
        if (a < 0) {
            if (is_lone_minor(enemy_signature)) {
                report.ending_rule = ENDING_LONE_MINOR;
                return report.result = 0;
            }
            if (enemy_signature == 2 * SIGNATURE_KNIGHT) {
                report.ending_rule = ENDING_TWO_KNIGHTS;
                return report.result = pos.slot_pst[side][0][king_square(side)] - 30;
            }
        }
    }

    // A rook alone against a lone minor piece is usually a draw.
    const int32_t white_signature = pos.material_signature[WHITE];
    const int32_t black_signature = pos.material_signature[BLACK];
    if (white_signature == SIGNATURE_ROOK && is_lone_minor(black_signature)) {
        a /= 2;
        report.ending_rule = ENDING_ROOK_AGAINST_MINOR;
    }
    if (black_signature == SIGNATURE_ROOK && is_lone_minor(white_signature)) {
        a /= 2;
        report.ending_rule = ENDING_ROOK_AGAINST_MINOR;
    }
    return report.result = a;
}
