// Shared set-up for book tests: tables built once, positions from moves, and
// a scratch directory that becomes the working directory (the engine opens
// "jux.book" by that relative name).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "board/fen.h"
#include "board/geometry.h"
#include "board/notation.h"
#include "board/position.h"

inline void book_setup_position(const char* fen, const char* moves = "") {
    static bool tables_built = false;
    if (!tables_built) {
        init_tables();
        tables_built = true;
    }
    ASSERT_TRUE(set_position_from_fen(fen)) << fen;
    std::istringstream in(moves);
    std::string text;
    while (in >> text) {
        int side = pos.side_to_move;
        ASSERT_NE(enter_game_move(text.c_str()), side) << "move " << text << " not played";
    }
}

inline uint32_t key_after(const char* moves, const char* fen = START_FEN) {
    book_setup_position(fen, moves);
    return pos.hash_key_high;
}

class ScratchDirectory : public ::testing::Test {
   protected:
    void SetUp() override {
        char pattern[] = "/tmp/jux_book_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        old_dir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(old_dir_);
        std::filesystem::remove_all(dir_);
    }
    static void write_file(const std::string& name, const std::string& text) {
        std::ofstream out(name, std::ios::binary);
        out << text;
    }
    static std::string read_file(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path dir_;
    std::filesystem::path old_dir_;
};
