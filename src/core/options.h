// The option values set by "setoption"/"debug" and the limits of the next
// search set by "go" and the exported setters.
#pragma once

#include <atomic>
#include <cstdint>

struct EngineOptions {
    int32_t debug_mode;
    char nalimov_path[512];
    int32_t nalimov_cache_mb;  // 0 = never set
    int32_t tablebase_pieces;  // largest table class registered, 0 = none
    int32_t use_tablebases;
    int32_t null_move;
    int32_t style;  // 0 Solid, 1 Normal, 2 Risky
    int32_t own_book;
    int32_t brute_force;
    int32_t process_count;
};
extern EngineOptions options;

inline constexpr int STYLE_SOLID = 0;
inline constexpr int STYLE_NORMAL = 1;
inline constexpr int STYLE_RISKY = 2;

inline constexpr int TIME_CLOCK_INCREMENT = 2;
inline constexpr int TIME_FIXED = 3;
inline constexpr int TIME_MOVES_TO_GO = 4;
inline constexpr double INFINITE_TIME_MS = 1e13;
// The deepest iteration a search runs to: the depth limit when none is set.
inline constexpr int DEEPEST_ITERATION = 99;

struct SearchLimits {
    int32_t time_mode;
    double clock_ms[2];
    double clock_left_ms[2];  // the clock as the front end gave it, before the safety margin
    int32_t moves_to_go[2];
    int32_t increment;
    int32_t max_depth;
    int64_t node_limit;
    std::atomic<int32_t> pondering;  // cleared by "ponderhit" (possibly from another thread)
    char search_moves_text[5000];
    int32_t clock_side;
};
extern SearchLimits limits;

// Megabytes (an option's unit) to kilobytes without overflow; absurd sizes
// stay absurd (and fail where they are used).
int32_t megabytes_to_kilobytes(int32_t megabytes);

int set_moves_to_go(int moves, int seconds);
int set_infinite();
void set_move_time(int ms);
int set_depth(int depth);
int set_clock_increment(int seconds, int increment_seconds);
