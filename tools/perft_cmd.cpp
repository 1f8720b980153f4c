// juxtool perft DEPTH [FEN]: leaf counts per legal root move.
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
#include "board/perft.h"
#include "board/position.h"
#include "commands.h"
#include "search/startup.h"

int perft_command(int argc, char** argv) {
    if (argc < 2 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: juxtool perft DEPTH [FEN]\n");
        return 2;
    }
    int depth = std::atoi(argv[1]);
    init_tables();
    if (!set_position_or_report("perft", fen_from_words(argc, argv, 2))) return 2;
    static MoveEntry root[MAX_MOVES];
    const int side = pos.side_to_move;
    int n = generate_moves(root, side, 1, pos.ep_square);
    uint64_t total = 0;
    for (int i = 0; i < n - 1; i++) {
        Move m = static_cast<Move>(root[i].move);
        char text[6];
        std::strcpy(text, format_move(m, side));
        SavedState saved = save_state();
        int ep = make_move(m, side, 1);
        bool legal = !is_attacked(pos.piece_list[side][0], side ^ 1);
        uint64_t count = legal ? perft(depth - 1, side ^ 1, ep) : 0;
        unmake_move(m, side);
        restore_state(saved);
        if (!legal) continue;
        std::printf("%s: %llu\n", text, static_cast<unsigned long long>(count));
        total += count;
    }
    std::printf("nodes %llu\n", static_cast<unsigned long long>(total));
    return 0;
}
