// Position arguments shared by the juxtool subcommands.
#include <cstdio>

#include "board/fen.h"
#include "commands.h"

std::string fen_from_words(int argc, char** argv, int first) {
    if (argc <= first) return START_FEN;
    std::string fen;
    for (int i = first; i < argc; i++) fen += std::string(i > first ? " " : "") + argv[i];
    return fen;
}

bool set_position_or_report(const char* tool, const std::string& fen) {
    if (set_position_from_fen(fen.c_str())) return true;
    std::fprintf(stderr, "juxtool %s: refused position: %s\n", tool, fen_refusal_reason());
    return false;
}
