// Shared set-up for book tests; the scratch working directory is there for "jux.book", a relative name.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "core/options.h"
#include "search/random.h"
#include "search/startup.h"
#include "support.h"
#include "uci/engine_process.h"

inline void book_setup_position(const char* fen, const char* moves = "") {
    static const bool built = (init_tables(), true);
    ASSERT_TRUE(built && set_position_from_fen(fen)) << fen;
    std::istringstream in(moves);
    for (std::string text; in >> text;) {
        const int side = pos.side_to_move;
        ASSERT_NE(enter_game_move(text.c_str()), side) << "move " << text << " not played";
    }
}

inline uint32_t key_after(const char* moves) {
    book_setup_position(START_FEN, moves);
    return pos.hash_key_high;
}

inline std::string rec(char white, char black, unsigned variants, unsigned book_value, unsigned played,
                       unsigned won, unsigned draw, unsigned lost) {
    char text[64];
    std::snprintf(text, sizeof text, "%c%c%04X%02X%05X%05X%05X%05X", white, black, variants, book_value,
                  played, won, draw, lost);
    return text;
}

inline std::string token(uint32_t key, const std::string& records) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", key);
    return text + records + "\n";
}

// The last line of the answer to go, and whether a search ran.
inline std::pair<std::string, bool> answer(EngineProcess& engine, const std::string& position,
                                           const std::string& go) {
    engine.send(position);
    engine.send(go);
    if (go == "go infinite") engine.send("stop");
    const std::vector<std::string> lines = engine.read_until_prefix("bestmove");
    const bool searched = std::any_of(lines.begin(), lines.end(),
                                      [](const std::string& l) { return l.rfind("info depth", 0) == 0; });
    return {lines.empty() ? "" : lines.back().substr(0, lines.back().find(" ponder")), searched};
}

// In a scratch directory with the book on for a clock game at the start.
class BookTest : public ::testing::Test {
   protected:
    void SetUp() override {
        char pattern[] = "/tmp/jux_book_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        old_dir_ = std::filesystem::current_path();
        std::filesystem::current_path(pattern);
        book_setup_position(START_FEN);
        options.own_book = 1;
        limits.time_mode = TIME_CLOCK_INCREMENT;
        limits.max_depth = 99;
        book = BookState{1, 0};
        seed_random(12345);
    }
    void TearDown() override {
        const std::filesystem::path scratch = std::filesystem::current_path();
        std::filesystem::current_path(old_dir_);
        std::filesystem::remove_all(scratch);
    }
    std::filesystem::path old_dir_;
};
