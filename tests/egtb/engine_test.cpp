// The engine with tablebases: the mate it announces, damaged files, endings against the longest defence.
#include <algorithm>

#include "board/notation.h"
#include "egtb_fixture.h"
#include "support.h"
#include "uci/engine_process.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

bool has_line(const Lines& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

class TablebaseEngine : public ::testing::Test {
   protected:
    void SetUp() override {
        REQUIRE_SHARED_TABLEBASES();
        both = syzygy_dir() + ";" + gaviota_dir();
        ASSERT_EQ(register_tablebase_path(both), 4);  // the test's own probes
        ASSERT_TRUE(engine.handshake());
    }
    void TearDown() override { register_tablebase_path("/nonexistent"); }
    void set_path(const std::string& path) {
        engine.send("setoption name NalimovPath value " + path);
        ASSERT_EQ(engine.lines_before_ready(), Lines{});
    }
    std::string search(const std::string& fen, const Lines& moves, const char* go, Lines* lines = nullptr) {
        std::string line = "position fen " + fen + (moves.empty() ? "" : " moves");
        for (const std::string& move : moves) line += " " + move;
        engine.send(line);
        engine.send(go);
        const Lines output = engine.read_until_prefix("bestmove");
        if (lines) *lines = output;
        if (output.empty() || output.back().rfind("bestmove ", 0) != 0) return "";
        return output.back().substr(9, output.back().find(' ', 9) - 9);
    }
    static int probe_after(const std::string& fen, const Lines& moves) {
        tb_setup(fen.c_str());
        for (const std::string& move : moves) enter_game_move(move.c_str());
        return tb_probe(pos.side_to_move, pos.ep_square);
    }
    EngineProcess engine;
    std::string both;
};

TEST_F(TablebaseEngine, AnnouncesTheMateItReadsAndStopsAfterIteration5) {
    set_path(both);
    const std::string fen = "8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1";
    const int mate_in = (30000 - probe_after(fen, {})) / 2;
    ASSERT_GT(mate_in, 3);
    Lines lines;
    const std::string move = search(fen, {}, "go depth 10", &lines);
    EXPECT_TRUE(has_line(lines, "info score mate " + std::to_string(mate_in) + " "));
    EXPECT_FALSE(has_line(lines, "info depth 6 "));
    EXPECT_EQ(probe_after(fen, {move}), -29998 + 2 * (mate_in - 1)) << "a quickest mating move";
    // Positions the tables cannot take are refused or searched without them.
    for (const char* impossible : {"k7/8/8/8/8/8/8/RK6 w - - 0 1", "8/8/P7/8/8/8/5K2/6k1 w - - 3 59"}) {
        EXPECT_NE(search(impossible, {}, "go depth 7"), "") << impossible;
        EXPECT_EQ(engine.lines_before_ready(), Lines{}) << impossible;
    }
    engine.send("setoption name UseNalimov value false");
    search(fen, {}, "go depth 6", &lines);
    EXPECT_TRUE(has_line(lines, "info depth 6 "));
}

// A damaged file is named in a debug line and left out, and a search of its material ends normally.
TEST_F(TablebaseEngine, DamagedFilesAreLeftOutAndTheSearchGoesOn) {
    const struct {
        const char* file;
        void (*damage)(std::string& bytes);
        const char* fault;
        const char* fen;
    } rows[] = {
        {"KRvKN.rtbw", [](std::string& b) { b.resize(144); }, "a table header past the end",
         "8/8/8/3k4/8/2n5/8/1R2K3 w - - 0 1"},
        {"kqk.gtb.cp4", [](std::string& b) { b.assign(64, '\0'); }, "not the reader's block size",
         "8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1"},
    };
    char scratch[] = "/tmp/jux_damaged_XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    engine.send("debug on");
    for (const auto& row : rows) {
        const bool syzygy = std::string(row.file).find(".rtb") != std::string::npos;
        std::string bytes = read_file((syzygy ? syzygy_dir() : gaviota_dir()) + "/" + row.file);
        row.damage(bytes);
        const std::string copy = std::string(scratch) + "/" + row.file;
        write_file(copy, bytes);
        engine.send(std::string("setoption name NalimovPath value ") + scratch);
        EXPECT_TRUE(has_line(engine.lines_before_ready(), "info string " + copy + " left out: " + row.fault))
            << copy;
        EXPECT_NE(search(row.fen, {}, "go depth 8"), "") << row.file;
        EXPECT_FALSE(has_line(engine.lines_before_ready(), "<no readyok>")) << row.file;
        fs::remove(copy);
    }
    fs::remove_all(scratch);
}

// Exact (extra 0): every move brings the mate one nearer; else the win stays and mate comes within extra.
TEST_F(TablebaseEngine, ConvertsEndingsWithoutStalling) {
    const struct {
        std::string path;
        const char* fen;
        int extra;
    } rows[] = {
        {both, "8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1", 0},
        {both, "8/8/1k6/8/8/8/4P3/4K3 w - - 0 1", 0},
        // Every Syzygy win scores alike: only the moves that shorten the way to the mate are searched.
        {syzygy_dir(), "8/8/4K3/8/8/8/3k4/R7 w - - 0 1", 0},
        // A pawn ending converts by the quickest pawn moves, not the quickest mate.
        {syzygy_dir(), "8/8/1k6/8/8/8/4P3/4K3 w - - 0 1", 20},
    };
    for (const auto& row : rows) {
        set_path(row.path);
        const int mate_in = (30000 - probe_after(row.fen, {})) / 2;
        Lines moves;
        bool mated = false;
        for (int n = 1; n <= mate_in + row.extra && !mated; n++) {
            const std::string move = search(row.fen, moves, "go depth 10");
            ASSERT_NE(move, "") << row.fen;
            moves.push_back(move);
            const int defender = probe_after(row.fen, moves);
            if (row.extra == 0) {
                EXPECT_EQ(defender, -29998 + 2 * (mate_in - n)) << row.fen << " after " << move;
            }
            EXPECT_LT(defender, -29000) << row.fen << " after " << move << ": the win must stay";
            const std::vector<ChildScore> replies = child_scores();
            mated = replies.empty();
            if (!mated) {
                const auto longest = std::max_element(replies.begin(), replies.end(),
                                                      [](auto& a, auto& b) { return a.score < b.score; });
                moves.push_back(format_move(longest->move, pos.side_to_move));
            }
        }
        EXPECT_TRUE(mated) << row.fen << ": no mate after " << mate_in + row.extra << " moves";
    }
}

}  // namespace
