// juxtool perft DEPTH [FEN]: leaf counts per legal root move. Legality is
// decided as the search decides it: make the move, ask whether the own king
// is attacked, unmake.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/attack.h"
#include "board/fen.h"
#include "board/geometry.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "commands.h"

namespace {

MoveEntry perft_buffer[64 * 256];

uint64_t perft(int depth, int side, int ep, MoveEntry* list) {
    int n = generate_moves(list, side, 1, ep);
    uint64_t nodes = 0;
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(list[i].move);
        SavedState saved = save_state();
        int next_ep = make_move(m, side, 1);
        if (!is_attacked(pos.piece_list[side][0], side ^ 1))
            nodes += depth > 1 ? perft(depth - 1, side ^ 1, next_ep, list + n) : 1;
        unmake_move(m, side);
        restore_state(saved);
    }
    return nodes;
}

}  // namespace

int perft_command(int argc, char** argv) {
    if (argc < 2 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: juxtool perft DEPTH [FEN]\n");
        return 2;
    }
    int depth = std::atoi(argv[1]);
    if (depth > 60) depth = 60;
    std::string fen = START_FEN;
    if (argc > 2) {
        fen.clear();
        for (int i = 2; i < argc; i++) fen += std::string(i > 2 ? " " : "") + argv[i];
    }
    init_tables();
    if (!set_position_from_fen(fen.c_str())) {
        std::fprintf(stderr, "juxtool perft: refused position: %s\n", fen_refusal_reason());
        return 2;
    }
    int side = pos.side_to_move;
    MoveEntry* root = perft_buffer;
    int n = generate_moves(root, side, 1, pos.ep_square);
    uint64_t total = 0;
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(root[i].move);
        char text[6];
        std::strcpy(text, format_move(m, side));
        SavedState saved = save_state();
        int ep = make_move(m, side, 1);
        if (!is_attacked(pos.piece_list[side][0], side ^ 1)) {
            uint64_t count = depth > 1 ? perft(depth - 1, side ^ 1, ep, root + n) : 1;
            std::printf("%s: %llu\n", text, static_cast<unsigned long long>(count));
            total += count;
        }
        unmake_move(m, side);
        restore_state(saved);
    }
    std::printf("nodes %llu\n", static_cast<unsigned long long>(total));
    return 0;
}
