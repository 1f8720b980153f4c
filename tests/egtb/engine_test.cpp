// The whole engine with tablebases: the mate it announces from the tables,
// the stop after iteration 5, and endings played out against a defender that
// always takes the longest way to be mated.
#include <algorithm>
#include <fstream>

#include "board/notation.h"
#include "egtb_fixture.h"
#include "support.h"
#include "uci/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

bool has_line(const Lines& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

class TablebaseEngine : public ::testing::Test {
   protected:
    void SetUp() override {
        REQUIRE_SHARED_TABLEBASES();
        // The test's own probes: the distances the engine's moves must keep.
        ASSERT_EQ(register_tablebase_path(syzygy_dir() + ";" + gaviota_dir()), 4);
        ASSERT_TRUE(engine.handshake());
    }
    // Later tests in this process expect no tables.
    void TearDown() override { register_tablebase_path("/nonexistent"); }
    void set_path(const std::string& path) {
        engine.send("setoption name NalimovPath value " + path);
        ASSERT_EQ(engine.lines_before_ready(), Lines{});
    }
    // The lines of a "go" from fen after moves, up to the "bestmove" line.
    Lines search(const std::string& fen, const Lines& moves, const char* go = "go depth 10") {
        std::string line = "position fen " + fen + (moves.empty() ? "" : " moves");
        for (const std::string& move : moves) line += " " + move;
        engine.send(line);
        engine.send(go);
        return engine.read_until_prefix("bestmove");
    }
    static std::string best_move(const Lines& lines) {
        if (lines.empty() || lines.back().rfind("bestmove ", 0) != 0) return "";
        return lines.back().substr(9, lines.back().find(' ', 9) - 9);
    }
    // The test's board: the FEN with the moves played so far.
    static int probe_after(const std::string& fen, const Lines& moves) {
        tb_setup(fen.c_str());
        for (const std::string& move : moves) enter_game_move(move.c_str());
        return tb_probe(pos.side_to_move, pos.ep_square);
    }
    EngineProcess engine;
};

TEST_F(TablebaseEngine, AnnouncesTheMateItReadsAndStopsAfterIteration5) {
    set_path(syzygy_dir() + ";" + gaviota_dir());
    const std::string fen = "8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1";
    const int mate_in = (30000 - probe_after(fen, {})) / 2;
    ASSERT_GT(mate_in, 3);
    Lines lines = search(fen, {});
    EXPECT_TRUE(has_line(lines, "info score mate " + std::to_string(mate_in) + " "));
    EXPECT_FALSE(has_line(lines, "info depth 6 ")) << "a position in the tables stops after iteration 5";
    EXPECT_EQ(probe_after(fen, {best_move(lines)}), -29998 + 2 * (mate_in - 1)) << "a quickest mating move";

    // Without the tables the search goes on.
    engine.send("setoption name UseNalimov value false");
    EXPECT_TRUE(has_line(search(fen, {}, "go depth 6"), "info depth 6 "));
}

// Positions the tables cannot take: the engine either refuses them or
// searches them without asking the tables, and keeps answering.
TEST_F(TablebaseEngine, ImpossiblePositionsDoNotReachTheTables) {
    set_path(syzygy_dir() + ";" + gaviota_dir());
    for (const char* fen : {"k7/8/8/8/8/8/8/RK6 w - - 0 1", "8/8/P7/8/8/8/5K2/6k1 w - - 3 59"}) {
        EXPECT_NE(best_move(search(fen, {}, "go depth 7")), "") << fen;
        EXPECT_EQ(engine.lines_before_ready(), Lines{}) << fen;
    }
}

// Damaged copies next to the good files, set through the real option: each
// is named in a debug line and left out, and a search of its material ends
// normally (the readers crashed on all of these; the file checks have the
// other faults).
TEST_F(TablebaseEngine, DamagedFilesAreLeftOutAndTheSearchGoesOn) {
    namespace fs = std::filesystem;
    const struct {
        const char* file;
        void (*damage)(std::string& bytes);
        const char* fault;
        const char* fen;  // of the file's material: Gaviota lacks KRKN and KNKP, so Syzygy is asked
    } rows[] = {
        {"KRvKN.rtbw", [](std::string& b) { b.resize(144); }, "a table header past the end",
         "8/8/8/3k4/8/2n5/8/1R2K3 w - - 0 1"},
        {"KNvKP.rtbw", [](std::string& b) { b[30] ^= '\x80'; }, "parts that do not add up to the file",
         "8/8/8/3k4/8/2p5/8/1N2K3 w - - 0 1"},
        {"kqk.gtb.cp4", [](std::string& b) { b.assign(64, '\0'); }, "not the reader's block size",
         "8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1"},
    };
    char pattern[] = "/tmp/jux_damaged_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path scratch = pattern;
    engine.send("debug on");
    for (const auto& row : rows) {
        // Links to the good files, and the damaged copy.
        for (const std::string& dir : {syzygy_dir(), gaviota_dir()}) {
            const fs::path copy = scratch / fs::path(dir).filename();
            fs::remove_all(copy);
            fs::create_directory(copy);
            for (const auto& entry : fs::directory_iterator(dir)) {
                if (entry.path().filename() != row.file) {
                    fs::create_symlink(entry.path(), copy / entry.path().filename());
                    continue;
                }
                std::string bytes = read_file(entry.path().string());
                row.damage(bytes);
                std::ofstream(copy / row.file, std::ios::binary) << bytes;
            }
        }
        const std::string syzygy = (scratch / "syzygy").string(), gaviota = (scratch / "gaviota").string();
        engine.send("setoption name NalimovPath value " + syzygy + ";" + gaviota);
        const Lines lines = engine.lines_before_ready();
        const bool is_syzygy = std::string(row.file).find(".rtb") != std::string::npos;
        const std::string named =
            "info string " + (is_syzygy ? syzygy : gaviota) + "/" + row.file + " left out: " + row.fault;
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), named) != lines.end()) << named;
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), "info string JUX found 4 piece Nalimov EGTB") !=
                    lines.end())
            << row.file << ": the other tables still register";
        EXPECT_NE(best_move(search(row.fen, {}, "go depth 8")), "") << row.file;
        const Lines after = engine.lines_before_ready();
        EXPECT_TRUE(after.empty() || after.back() != "<no readyok>") << row.file << ": the engine answers";
    }
    engine.send("debug off");
    fs::remove_all(scratch);
}

// Each ending is played to the mate against the longest defence. Exact: every
// engine move must bring the mate one move nearer; with extra moves allowed
// the win must stay and the mate come within them.
TEST_F(TablebaseEngine, ConvertsEndingsWithoutStalling) {
    const std::string both = syzygy_dir() + ";" + gaviota_dir();
    const struct {
        std::string path;
        const char* fen;
        int extra;
    } rows[] = {
        {both, "8/8/8/3k4/8/8/8/1Q2K3 w - - 0 1", 0},
        {both, "8/8/1k6/8/8/8/4P3/4K3 w - - 0 1", 0},
        // Every Syzygy win scores alike: only the moves that shorten the way
        // to the mate are searched, so the rook mates without stalling.
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
            const std::string move = best_move(search(row.fen, moves));
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
