// Registration of Nalimov files the test makes in a scratch working directory: names, both compressed
// name forms, the class, the first directory wins, and every line that ends the engine.
#include <cstring>

#include "egtb/nalimov.h"
#include "egtb_fixture.h"
#include "support.h"
#include "uci/engine_process.h"

namespace {

namespace fs = std::filesystem;

struct File {
    const char* name;
    std::string bytes;  // "/" makes a directory
};
File plain(const char* name, int length) {
    return {name, std::string(size_t(length), 'x')};
}
// A compressed file's head: block size and uncompressed length, little-endian words.
File compressed(const char* name, uint32_t block_size, uint32_t length) {
    std::string bytes;
    for (uint32_t word : {block_size, length})
        for (int byte = 0; byte < 4; byte++) bytes += char(word >> (8 * byte) & 0xFF);
    return {name, bytes + std::string(100, 'z')};
}

class NalimovRegistration : public ::testing::Test {
   protected:
    void SetUp() override {
        char pattern[] = "/tmp/jux_egtb_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        old_dir = fs::current_path();
        fs::current_path(pattern);
    }
    void TearDown() override {
        const fs::path scratch = fs::current_path();
        fs::current_path(old_dir);
        fs::remove_all(scratch);
        std::memset(&nalimov, 0, sizeof nalimov);
        register_tablebase_path("/nonexistent");
    }
    // A fresh registry and a directory tree holding just these files.
    static void make(const std::vector<File>& files) {
        std::memset(&nalimov, 0, sizeof nalimov);
        for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry);
        for (const File& f : files) {
            fs::create_directories((fs::path(".") / f.name).parent_path());
            if (f.bytes == "/")
                fs::create_directories(f.name);
            else
                write_file(f.name, f.bytes);
        }
    }
    fs::path old_dir;
};

TEST_F(NalimovRegistration, NamesFormsClassAndTheFirstDirectory) {
    struct Registered {
        int table, side;
        const char* file;  // "" for none
        int64_t length;
    };
    const std::vector<File> first_wins = {plain("a/kqk.nbw", 10), plain("b/kqk.nbw", 10),
                                          plain("b/krk.nbw", 20), compressed("b/kqk.nbb.emd", 8192, 30)};
    const std::vector<Registered> in_order = {
        {5, 0, "a/kqk.nbw", 10}, {5, 1, "b/kqk.nbb.emd", 30}, {4, 0, "b/krk.nbw", 20}};
    const struct {
        std::vector<File> files;
        const char* path;
        int pieces;
        std::vector<Registered> registered;
    } rows[] = {
        {{plain("a/kqk.nbw", 1000)}, "a", 3, {{5, 0, "a/kqk.nbw", 1000}, {5, 1, "", 0}}},
        {{compressed("a/krk.nbw.emd", 8192, 123456), compressed("a/krknbb.emd", 8192, 654321)},
         "a",
         3,
         {{4, 0, "a/krk.nbw.emd", 123456}, {4, 1, "a/krknbb.emd", 654321}}},
        // A plain file comes first; the bad block size of the other is never read.
        {{plain("a/kpk.nbb", 77), compressed("a/kpk.nbb.emd", 4096, 5)}, "a", 3, {{1, 1, "a/kpk.nbb", 77}}},
        {{plain("a/kpk.nbw", 10), plain("a/kqkq.nbb", 10), plain("a/kqqk.nbw", 10)}, "a", 4, {}},
        {{plain("a/kppkp.nbw", 10)}, "a", 5, {{36, 0, "a/kppkp.nbw", 10}}},
        {{plain("a/kkq.nbw", 10), plain("a/kqqqk.nbw", 10), plain("a/KQK.nbw", 10)}, "a;missing", 0, {}},
        // Empty pieces of the path name the current directory.
        {{plain("knk.nbw", 10)}, ";missing,", 3, {{2, 0, "knk.nbw", 10}}},
        {first_wins, "a;b", 3, in_order},
        {first_wins, "a,b", 3, in_order},
    };
    for (const auto& row : rows) {
        make(row.files);
        EXPECT_EQ(register_tablebase_path(row.path), row.pieces) << row.files[0].name;
        for (const Registered& r : row.registered) {
            EXPECT_STREQ(nalimov.file[r.table][r.side], r.file);
            EXPECT_EQ(nalimov.expected_length[r.table][r.side], r.length) << r.file;
        }
    }
    // The tables are never decoded.
    EXPECT_EQ(probe_fen("8/8/8/4k3/8/8/8/Q3K3 b - - 0 1"), 30000);
    EXPECT_EQ(probe_fen("8/8/8/4k3/8/8/8/1Q2K3 w - - 0 1"), 30000);
}

TEST_F(NalimovRegistration, UnusableFilesEndTheEngineWithOneLine) {
    const struct {
        std::vector<File> files;
        std::vector<const char*> paths;  // set in turn
        const char* line;
    } rows[] = {
        // The same length again is fine; another length is corruption, measured by a compressed head too.
        {{plain("a/kbk.nbb", 500), plain("b/kbk.nbb", 501)}, {"a", "a", "b"}, "*** b/kbk.nbb corrupted"},
        {{plain("a/kbk.nbw", 999), compressed("b/kbknbw.emd", 8192, 998)},
         {"a", "b"},
         "*** b/kbknbw.emd corrupted"},
        {{compressed("a/kqkr.nbw.emd", 4096, 1000)},
         {"a"},
         "*** a/kqkr.nbw.emd: Unsupported block size 4096"},
        {{{"a/kqkrnbb.emd", "short"}}, {"a"}, "*** Unable to read a/kqkrnbb.emd - read error"},
        {{compressed("a/kqkrnbb.emd", 8192, 0)}, {"a"}, "*** Unable to read a/kqkrnbb.emd - file broken"},
        {{{"a/krkp.nbw", "/"}}, {"a"}, "*** Seek in a/krkp.nbw failed"},
    };
    for (const auto& row : rows) {
        make(row.files);
        EngineProcess engine;  // started here, so that the paths name the files
        ASSERT_TRUE(engine.handshake());
        for (const char* path : row.paths)
            engine.send(std::string("setoption name NalimovPath value ") + path);
        EXPECT_EQ(engine.read_line(), row.line);
        EXPECT_EQ(engine.wait_exit(), 1) << row.line;
    }
    // A tablebase cache that cannot be had ends the engine without a word (unless any amount is granted).
    std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
    int policy = 0;
    if (shared_tablebases().empty() || (overcommit >> policy && policy == 1)) return;
    EngineProcess engine;
    ASSERT_TRUE(engine.handshake());
    engine.send("setoption name NalimovPath value " + gaviota_dir());
    engine.send("setoption name NalimovCache value 2000000000");
    EXPECT_EQ(engine.wait_exit(), 1);
    EXPECT_FALSE(engine.read_line(1000));
}

}  // namespace
