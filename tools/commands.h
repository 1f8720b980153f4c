// The juxtool subcommands; each lives in its own file.
#pragma once

int perft_command(int argc, char** argv);
int bench_command(int argc, char** argv);
int eval_command(int argc, char** argv);
int book_command(int argc, char** argv);
