// The UCI command interpreter: main mode reads forever, poll mode handles at
// most one waiting line during a search.
#pragma once

#include <cstdint>

inline constexpr int LINE_BUFFER_SIZE = 5000;
// The longest move word the "moves" list reads.
inline constexpr int MOVE_WORD_SIZE = 64;

struct Interpreter {
    char line[LINE_BUFFER_SIZE];
    int32_t last_position_ply;  // game_ply of the previous "position" command
};
extern Interpreter interpreter;

// The poll_mode of run_interpreter and execute_command.
inline constexpr int MAIN_MODE = 0;  // read and run lines until "quit"
inline constexpr int POLL_MODE = 1;  // run one waiting line, if any, during a search

int run_interpreter(int poll_mode);
// Makes the search's input poll run the interpreter in poll mode, a lost
// standard output end the engine through the quit sequence, and the search
// ask the opening book first when it is in use; a failed tablebase
// registration releases the shared tables before it ends the process.
void install_front_end_hooks();
// Runs one command line through the interpreter's tests, as a line just
// read: the debug echo, the forwarding to the next worker, then the rules in
// their fixed order. In poll mode a line that is not allowed during a search
// ends the process.
void execute_command(const char* line, int poll_mode);
// New tables start a new game: the start position, the search's scores
// (reset_game_state) and the book off until a new-game rule sets it.
void start_fresh_game();
// The quit sequence: pause, release the tables, close pipes, exit 0.
[[noreturn]] void quit_engine();
