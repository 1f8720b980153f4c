// juxtool: developer commands over the engine library.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "core/build_info.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(int argc, char** argv);  // argv[0] is the subcommand itself
    const char* usage;
};

const Subcommand subcommands[] = {
    {"perft", perft_command, "perft DEPTH [FEN]   count leaf nodes per root move"},
    {"bench", bench_command,
     "bench [DEPTH]       search the bench positions; the node total is the signature"},
    {"eval", eval_command,
     "eval [--terms] [FEN | -]   static evaluation at the root (- reads FENs from stdin)"},
    {"book", book_command,
     "book build|probe|walk   build a book from PGN files, list a position's book moves, walk it"},
};

int usage() {
    std::fprintf(stderr, "usage: juxtool COMMAND [ARGS]\n  --version           print the version\n");
    for (const Subcommand& c : subcommands) std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("juxtool (JUX) %s\n", JUX_RELEASE);
        return 0;
    }
    for (const Subcommand& c : subcommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
    return usage();
}
