// The UCI command interpreter: main mode reads forever, poll mode handles at
// most one waiting line during a search.
#pragma once

#include <cstdint>

inline constexpr int LINE_BUFFER_SIZE = 5000;

struct Interpreter {
    char line[LINE_BUFFER_SIZE];
    int32_t last_position_ply;  // game_ply of the previous "position" command
};
extern Interpreter interpreter;

int run_interpreter(int poll_mode);
// The quit sequence: pause, release the tables, close pipes, exit 0.
[[noreturn]] void quit_engine();
