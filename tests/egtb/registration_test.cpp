// Registration of Nalimov files made by the test: names, both compressed
// name forms, first directory wins, and every line that ends the engine.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "egtb/nalimov.h"
#include "egtb_fixture.h"

namespace {

namespace fs = std::filesystem;

class NalimovRegistration : public ::testing::Test {
   protected:
    void SetUp() override {
        std::memset(&nalimov, 0, sizeof nalimov);
        char pattern[] = "/tmp/jux_egtb_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override {
        fs::remove_all(root);
        std::memset(&nalimov, 0, sizeof nalimov);
        register_tablebase_path(root + "/removed");
    }

    std::string dir(const std::string& name) {
        fs::create_directories(root + "/" + name);
        return root + "/" + name;
    }
    static void plain_file(const std::string& path, int length) {
        std::ofstream(path, std::ios::binary) << std::string(static_cast<size_t>(length), 'x');
    }
    // A compressed file's head: block size and uncompressed length, then
    // some bytes standing for the compressed blocks.
    static void compressed_file(const std::string& path, uint32_t block_size, uint32_t length) {
        std::ofstream out(path, std::ios::binary);
        for (uint32_t word : {block_size, length}) {
            for (int byte = 0; byte < 4; byte++) out.put(static_cast<char>(word >> (8 * byte) & 0xFF));
        }
        out << std::string(100, 'z');
    }

    std::string root;
};

TEST_F(NalimovRegistration, OneWhiteToMoveFileRegistersItsTableOnly) {
    std::string tb = dir("tb");
    plain_file(tb + "/kqk.nbw", 1000);
    EXPECT_EQ(register_tablebase_path(tb), 3);
    EXPECT_EQ(tb + "/kqk.nbw", nalimov.file[5][0]);
    EXPECT_STREQ(nalimov.file[5][1], "");
    EXPECT_EQ(nalimov.expected_length[5][0], 1000);
    EXPECT_EQ(nalimov.registered_count, 1);
    // The table is never decoded: no probe gets a result from it.
    EXPECT_EQ(probe_fen("8/8/8/4k3/8/8/8/Q3K3 b - - 0 1"), 30000);
    EXPECT_EQ(probe_fen("8/8/8/4k3/8/8/8/Q3K3 w - - 0 1"), 30000);
}

TEST_F(NalimovRegistration, BothCompressedNameFormsRegister) {
    std::string tb = dir("tb");
    compressed_file(tb + "/krk.nbw.emd", 8192, 123456);
    compressed_file(tb + "/krknbb.emd", 8192, 654321);
    EXPECT_EQ(register_tablebase_path(tb), 3);
    EXPECT_EQ(tb + "/krk.nbw.emd", nalimov.file[4][0]);
    EXPECT_EQ(tb + "/krknbb.emd", nalimov.file[4][1]);
    EXPECT_EQ(nalimov.expected_length[4][0], 123456);
    EXPECT_EQ(nalimov.expected_length[4][1], 654321);
}

TEST_F(NalimovRegistration, APlainFileComesBeforeItsCompressedForms) {
    std::string tb = dir("tb");
    plain_file(tb + "/kpk.nbb", 77);
    compressed_file(tb + "/kpk.nbb.emd", 4096, 5);  // would end the engine if it were read
    EXPECT_EQ(register_tablebase_path(tb), 3);
    EXPECT_EQ(tb + "/kpk.nbb", nalimov.file[1][1]);
    EXPECT_EQ(nalimov.expected_length[1][1], 77);
}

TEST_F(NalimovRegistration, TheLargestTableGivesTheClass) {
    std::string tb = dir("tb");
    plain_file(tb + "/kpk.nbw", 10);
    plain_file(tb + "/kqkq.nbb", 10);  // table 20
    EXPECT_EQ(register_tablebase_path(tb), 4);
    plain_file(tb + "/kqqk.nbw", 10);  // table 35
    EXPECT_EQ(register_tablebase_path(tb), 4);
    plain_file(tb + "/kppkp.nbw", 10);  // table 36
    EXPECT_EQ(register_tablebase_path(tb), 5);
    EXPECT_EQ(nalimov.largest_table, 36);
    EXPECT_EQ(nalimov.registered_count, 4);
    // Names outside the numbering are not tables.
    fs::remove_all(tb);
    tb = dir("other");
    plain_file(tb + "/kkq.nbw", 10);
    plain_file(tb + "/kqqqk.nbw", 10);
    plain_file(tb + "/KQK.nbw", 10);
    EXPECT_EQ(register_tablebase_path(tb), 0);
    EXPECT_EQ(register_tablebase_path(root + "/missing"), 0);
}

TEST_F(NalimovRegistration, SemicolonAndCommaGiveTheSameListAndTheFirstDirectoryWins) {
    std::string first = dir("first"), second = dir("second");
    plain_file(first + "/kqk.nbw", 10);
    plain_file(second + "/kqk.nbw", 10);
    plain_file(second + "/krk.nbw", 20);
    compressed_file(second + "/kqk.nbb.emd", 8192, 30);
    for (const char* separator : {";", ","}) {
        std::memset(&nalimov, 0, sizeof nalimov);
        EXPECT_EQ(register_tablebase_path(first + separator + second), 3);
        EXPECT_EQ(first + "/kqk.nbw", nalimov.file[5][0]) << separator;
        EXPECT_EQ(second + "/kqk.nbb.emd", nalimov.file[5][1]) << separator;
        EXPECT_EQ(second + "/krk.nbw", nalimov.file[4][0]) << separator;
        EXPECT_EQ(nalimov.registered_count, 3) << separator;
    }
}

TEST_F(NalimovRegistration, AnEmptyDirectoryIsTheCurrentOne) {
    std::string tb = dir("tb");
    plain_file(tb + "/knk.nbw", 10);
    ChildRun run = run_in_child([&] {
        if (chdir(tb.c_str()) != 0) _exit(50);
        // Leading, doubled and trailing separators all name the current directory.
        if (register_tablebase_path("") != 3 || std::strcmp(nalimov.file[2][0], "knk.nbw") != 0) _exit(51);
        if (register_tablebase_path(";/nonexistent,") != 3) _exit(52);
        _exit(0);
    });
    EXPECT_EQ(run.exit_status, 0);
}

TEST_F(NalimovRegistration, DebugReportsNalimovTablesItCannotRead) {
    std::string tb = dir("tb");
    plain_file(tb + "/kqk.nbw", 10);
    plain_file(tb + "/kqk.nbb", 10);
    ChildRun run = run_in_child([&] {
        options.debug_mode = 1;
        register_tablebase_path(tb);
        register_tablebase_path(root + "/missing");
        options.debug_mode = 0;
        register_tablebase_path(tb);
    });
    EXPECT_EQ(run.exit_status, 100);
    EXPECT_EQ(run.output, "info string Nalimov tables found but JUX cannot read them\n");
}

// Each failure: the exact line, and the process ends with status 1.
TEST_F(NalimovRegistration, ALengthDifferentFromTheOneRecordedIsCorruption) {
    std::string first = dir("first"), second = dir("second");
    plain_file(first + "/kbk.nbb", 500);
    plain_file(second + "/kbk.nbb", 501);
    ChildRun run = run_in_child([&] {
        if (register_tablebase_path(first) != 3) _exit(50);
        if (register_tablebase_path(first) != 3) _exit(51);  // the same length again is fine
        register_tablebase_path(second);
    });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "*** " + second + "/kbk.nbb corrupted\n");

    // A compressed file is measured by the length its header gives.
    compressed_file(second + "/kbknbw.emd", 8192, 999);
    plain_file(first + "/kbk.nbw", 999);
    fs::remove(second + "/kbk.nbb");
    plain_file(second + "/kbk.nbb", 500);
    run = run_in_child([&] {
        if (register_tablebase_path(first) != 3) _exit(50);
        if (register_tablebase_path(second) != 3) _exit(51);
        compressed_file(second + "/kbknbw.emd", 8192, 998);
        register_tablebase_path(second);
    });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "*** " + second + "/kbknbw.emd corrupted\n");
}

TEST_F(NalimovRegistration, ACompressedFileNeedsBlocksOf8192Bytes) {
    std::string tb = dir("tb");
    compressed_file(tb + "/kqkr.nbw.emd", 4096, 1000);
    ChildRun run = run_in_child([&] { register_tablebase_path(tb); });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "*** " + tb + "/kqkr.nbw.emd: Unsupported block size 4096\n");
}

TEST_F(NalimovRegistration, AnUnreadableCompressedHeaderEndsTheEngine) {
    std::string tb = dir("tb");
    std::ofstream(tb + "/kqkrnbb.emd", std::ios::binary) << "short";
    ChildRun run = run_in_child([&] { register_tablebase_path(tb); });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "*** Unable to read " + tb + "/kqkrnbb.emd - read error\n");

    fs::remove(tb + "/kqkrnbb.emd");
    compressed_file(tb + "/kqkrnbb.emd", 8192, 0);
    run = run_in_child([&] { register_tablebase_path(tb); });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "*** Unable to read " + tb + "/kqkrnbb.emd - file broken\n");
}

TEST_F(NalimovRegistration, AFileThatCannotBeMeasuredEndsTheEngine) {
    std::string tb = dir("tb");
    fs::create_directories(tb + "/krkp.nbw");
    ChildRun run = run_in_child([&] { register_tablebase_path(tb); });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "*** Seek in " + tb + "/krkp.nbw failed\n");
}

TEST_F(NalimovRegistration, AWorkerEndsSilently) {
    std::string tb = dir("tb");
    compressed_file(tb + "/kqkr.nbw.emd", 1, 1000);
    ChildRun run = run_in_child([&] {
        role.is_master = 0;
        register_tablebase_path(tb);
    });
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.output, "");
}

}  // namespace
