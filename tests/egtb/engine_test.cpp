// The whole engine with tablebases: the registration lines, the mate it
// announces from the tables, the stop after iteration 5, and endings played
// out against a defender that always takes the longest way to be mated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/notation.h"
#include "position_walk.h"
#include "uci/engine_process.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

bool begins_with(const std::string& line, const char* prefix) {
    return line.compare(0, std::strlen(prefix), prefix) == 0;
}

class TablebaseEngine : public ::testing::Test {
   protected:
    void SetUp() override {
        REQUIRE_SHARED_TABLEBASES();
        // The test's own probes: the distances the engine's moves must keep.
        ASSERT_EQ(register_tablebase_path(syzygy_dir() + ";" + gaviota_dir(), 16384), 4);
        ASSERT_TRUE(engine.handshake());
    }
    void set_path(const std::string& path) {
        engine.send("setoption name NalimovPath value " + path);
        ASSERT_EQ(engine.lines_before_ready(), Lines{});
    }
    // The lines of a "go" up to the "bestmove" line, which comes last.
    Lines search(const std::string& fen, const Lines& moves, const char* go = "go depth 10") {
        std::string line = "position fen " + fen;
        if (!moves.empty()) {
            line += " moves";
            for (const std::string& move : moves) line += " " + move;
        }
        engine.send(line);
        engine.send(go);
        Lines lines;
        while (auto next = engine.read_line()) {
            lines.push_back(*next);
            if (begins_with(*next, "bestmove")) break;
        }
        return lines;
    }
    static std::string best_move(const Lines& lines) {
        if (lines.empty() || !begins_with(lines.back(), "bestmove ")) return "";
        std::string move = lines.back().substr(9);
        return move.substr(0, move.find(' '));
    }
    // The test's board: the FEN with the moves played so far.
    static int probe_after(const std::string& fen, const Lines& moves) {
        setup_position(fen.c_str());
        for (const std::string& move : moves) enter_game_move(move.c_str());
        return tb_probe(pos.side_to_move, pos.ep_square);
    }

    // Plays the ending from fen (the stronger side to move) to the mate;
    // every defence is the longest. Exact: every engine move must bring the
    // mate one move nearer. Otherwise the win must stay and the mate come
    // within extra moves more than the quickest. Returns the number of
    // engine moves.
    int play_to_mate(const std::string& fen, bool exact, int extra = 0) {
        int score = probe_after(fen, {});
        int mate_in = (30000 - score) / 2;
        EXPECT_GT(score, 29000) << fen;
        Lines moves;
        for (int move_number = 1; move_number <= mate_in + extra; move_number++) {
            std::string move = best_move(search(fen, moves));
            EXPECT_NE(move, "") << fen;
            if (move.empty()) return -1;
            moves.push_back(move);
            int defender = probe_after(fen, moves);
            if (exact) {
                EXPECT_EQ(defender, -29998 + 2 * (mate_in - move_number)) << fen << " after " << move;
            } else {
                EXPECT_LT(defender, -29000) << fen << " after " << move << ": the win must stay";
            }
            std::vector<ChildScore> replies = child_scores();
            if (replies.empty()) {
                EXPECT_EQ(defender, -29998) << "mated";
                return move_number;
            }
            const ChildScore* longest = &replies[0];
            for (const ChildScore& reply : replies) {
                if (reply.score > longest->score) longest = &reply;
            }
            moves.push_back(format_move(longest->move, pos.side_to_move));
        }
        ADD_FAILURE() << fen << ": no mate after " << mate_in + extra << " moves";
        return -1;
    }

    EngineProcess engine;
};

TEST_F(TablebaseEngine, AnnouncesTheMateItReadsAndStopsAfterIteration5) {
    set_path(syzygy_dir() + ";" + gaviota_dir());
    const std::string fen = "8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1";
    int mate_in = (30000 - probe_after(fen, {})) / 2;
    ASSERT_GT(mate_in, 3);
    Lines lines = search(fen, {});
    const std::string mate = "info score mate " + std::to_string(mate_in) + " ";
    int announced = 0;
    for (const std::string& line : lines) {
        if (begins_with(line, mate.c_str())) announced++;
        EXPECT_FALSE(begins_with(line, "info depth 6 "))
            << "a position in the tables stops after iteration 5";
    }
    EXPECT_GT(announced, 0) << "no \"" << mate << "\" line";
    EXPECT_EQ(probe_after(fen, {best_move(lines)}), -29998 + 2 * (mate_in - 1)) << "a quickest mating move";
}

TEST_F(TablebaseEngine, WithoutTablesTheSearchGoesOn) {
    set_path(syzygy_dir() + ";" + gaviota_dir());
    engine.send("setoption name UseNalimov value false");
    Lines lines = search("8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1", {}, "go depth 6");
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& line) { return begins_with(line, "info depth 6 "); }),
              lines.end());
}

TEST_F(TablebaseEngine, PlaysKRKKQKAndKPKPerfectly) {
    set_path(syzygy_dir() + ";" + gaviota_dir());
    EXPECT_EQ(play_to_mate("8/8/4K3/8/8/8/3k4/R7 w - - 0 1", true), 11);
    EXPECT_GT(play_to_mate("8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1", true), 0);
    EXPECT_GT(play_to_mate("8/8/1k6/8/8/8/4P3/4K3 w - - 0 1", true), 0);
}

TEST_F(TablebaseEngine, ConvertsKRKWithSyzygyAlone) {
    set_path(syzygy_dir());
    // Every Syzygy win scores alike: only the moves that shorten the way
    // to the mate are searched, so the rook mates without stalling.
    EXPECT_EQ(play_to_mate("8/8/4K3/8/8/8/3k4/R7 w - - 0 1", true), 11);
    // A pawn ending converts by the quickest pawn moves, not the quickest mate.
    EXPECT_GT(play_to_mate("8/8/1k6/8/8/8/4P3/4K3 w - - 0 1", false, 20), 0);
}

TEST_F(TablebaseEngine, DebugSaysWhatItFoundAndEndsOnACorruptTable) {
    char pattern[] = "/tmp/jux_egtb_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string first = std::string(pattern) + "/first", second = std::string(pattern) + "/second";
    fs::create_directories(first);
    fs::create_directories(second);
    std::ofstream(first + "/kqk.nbw") << std::string(100, 'x');
    std::ofstream(second + "/kqk.nbw") << std::string(101, 'x');
    engine.send("debug on");
    engine.lines_before_ready();
    const std::string path = first + ";" + syzygy_dir();
    engine.send("setoption name NalimovPath value " + path);
    EXPECT_EQ(engine.lines_before_ready(), (Lines{
                                               "info string JUX got setoption name NalimovPath value " + path,
                                               "info string NalimovCache is 0 MB",
                                               "info string ->NalimovPath is " + path,
                                               "info string Nalimov tables found but JUX cannot read them",
                                               "info string JUX found 4 piece Nalimov EGTB",
                                               "info string JUX got isready",
                                           }));
    engine.send("debug off");
    EXPECT_EQ(engine.read_line(), "info string JUX got debug off");
    engine.send("setoption name NalimovPath value " + second);
    EXPECT_EQ(engine.read_line(), "*** " + second + "/kqk.nbw corrupted");
    EXPECT_EQ(engine.wait_exit(), 1);
    fs::remove_all(pattern);
}

}  // namespace
