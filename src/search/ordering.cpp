// The staged move picker. Lists are never sorted: each call scans what is
// left and takes one move out by moving the last entry into its place, so a
// cut-off after the first few moves costs only a few scans.
#include "search/ordering.h"

#include <cstring>

#include "search/random.h"

Ordering ordering;

namespace {

// Index of the terminator, that is the number of moves left in the list.
inline int list_length(const MoveEntry* list) {
    int n = 0;
    while (list[n].score != LIST_TERMINATOR) n++;
    return n;
}

// Takes entry out of a list whose last entry is last: the last entry fills
// the gap.
inline void take_out(MoveEntry* entry, MoveEntry* last) {
    *entry = *last;
    last->score = LIST_TERMINATOR;
}

// The highest-scoring entry scoring above floor (the first of equal ones),
// or nullptr, in one pass that also sets end to the list's terminator.
inline MoveEntry* best_above(MoveEntry* list, int32_t floor, MoveEntry*& end) {
    MoveEntry* best = nullptr;
    int32_t best_score = floor;
    for (end = list; end->score != LIST_TERMINATOR; end++)
        if (end->score > best_score) {
            best_score = end->score;
            best = end;
        }
    return best;
}

// Takes out the highest-scoring entry (the first of equal ones) of a list
// that is not empty.
inline Move take_best(MoveEntry* list) {
    MoveEntry* end;
    MoveEntry* best = best_above(list + 1, list->score, end);
    if (best == nullptr) best = list;
    const Move m = static_cast<Move>(best->move);
    take_out(best, end - 1);
    return m;
}

// The randomised order of workers: a higher-scoring entry displaces the
// current choice only one time in three, so processes sharing the tables
// spread over different moves.
Move take_random(MoveEntry* list, int n) {
    int choice = 0;
    for (int i = 1; i < n; i++)
        if (list[i].score > list[choice].score && next_random() < 10922) choice = i;
    Move m = static_cast<Move>(list[choice].move);
    take_out(list + choice, list + n - 1);
    return m;
}

}  // namespace

int list_contains(const MoveEntry* list, Move move) {
    for (int i = 0; list[i].score != LIST_TERMINATOR; i++)
        if (static_cast<Move>(list[i].move) == move) return 1;
    return 0;
}

int list_remove(MoveEntry* list, Move move) {
    if (move == 0) return 0;
    MoveEntry* found = nullptr;
    MoveEntry* end = list;
    for (; end->score != LIST_TERMINATOR; end++)
        if (found == nullptr && static_cast<Move>(end->move) == move) found = end;
    if (found == nullptr) return 0;
    take_out(found, end - 1);
    return 1;
}

int next_move(Move& out, MoveEntry* list, int ply) {
    int32_t& stage = ordering.picker_stage[ply];
    int32_t& hash_move = ordering.hash_move[ply];
    KillerRecord& killers = ordering.killer_table[ply];

    if (stage == PICK_RANDOM) {
        if (hash_move != 0 && list_contains(list, static_cast<Move>(hash_move))) {
            out = static_cast<Move>(hash_move);
            list_remove(list, out);
            hash_move = 0;
            return 1;
        }
        int n = list_length(list);
        if (n == 0) return 0;
        out = take_random(list, n);
        return 1;
    }

    if (stage == PICK_HASH_MOVE) {
        stage = PICK_CAPTURES;
        // The hash move stays in the list until the next call removes it.
        if (hash_move != 0 && list_contains(list, static_cast<Move>(hash_move))) {
            out = static_cast<Move>(hash_move);
            return 1;
        }
    }

    if (stage == PICK_CAPTURES) {
        if (hash_move != 0) {
            list_remove(list, static_cast<Move>(hash_move));
            hash_move = 0;
        }
        MoveEntry* end;
        MoveEntry* best = best_above(list, CAPTURE_SCORE_BASE, end);
        if (best != nullptr) {
            out = static_cast<Move>(best->move);
            take_out(best, end - 1);
            return 1;
        }
        if (end == list) return 0;
        if (list_remove(list, static_cast<Move>(killers.move_1))) {
            stage = PICK_SECOND_KILLER;
            out = static_cast<Move>(killers.move_1);
            return 1;
        }
        stage = PICK_SECOND_KILLER;  // falls through to the second killer
    }

    if (stage == PICK_SECOND_KILLER) {
        if (list_remove(list, static_cast<Move>(killers.move_2))) {
            stage = PICK_REMAINING;
            out = static_cast<Move>(killers.move_2);
            return 1;
        }
    }

    if (list[0].score == LIST_TERMINATOR) return 0;
    stage = PICK_REMAINING;
    out = take_best(list);
    return 1;
}

void update_killers(int ply, Move move) {
    KillerRecord& k = ordering.killer_table[ply];
    const int32_t m = static_cast<int32_t>(move);
    if (m == k.move_1) {
        k.hits_1++;
    } else if (m == k.move_2) {
        k.hits_2++;
        if (k.hits_1 < k.hits_2) {
            KillerRecord swapped = {k.hits_2, k.hits_1, k.move_2, k.move_1};
            k = swapped;
        }
    } else {
        k.move_2 = m;
        k.hits_2 = 1;
    }
}

void reward_history(Move move, int depth) {
    int32_t& h = ordering.history_score[move & 4095];
    h += depth <= 14 ? (1 << depth) : 32768;
    if (h > 1000000000) h /= 2;
}

void clear_killers() {
    std::memset(ordering.killer_table, 0, sizeof(ordering.killer_table));
}

void clear_history() {
    std::memset(ordering.history_score, 0, sizeof(ordering.history_score));
}
