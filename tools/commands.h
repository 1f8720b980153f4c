// The juxtool subcommands; each lives in its own file.
#pragma once

int perft_command(int argc, char** argv);
int bench_command(int argc, char** argv);
int eval_command(int argc, char** argv);
int book_command(int argc, char** argv);

#include <string>

// The FEN given as the words argv[first..argc-1], or the start position when there are none.
std::string fen_from_words(int argc, char** argv, int first);
// Sets the position; a refused FEN is reported on stderr as "juxtool TOOL: refused position: ...".
bool set_position_or_report(const char* tool, const std::string& fen);
