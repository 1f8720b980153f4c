// Checks of table files: every real file passes, damaged copies do not, no
// single flipped bit in a small file lets a probe crash the reader, and a
// damaged file leaves out exactly the tables that lead to it.
#include "egtb/filecheck.h"

#include <fstream>

#include "egtb/directories.h"
#include "egtb/syzygy.h"
#include "egtb/tables.h"
#include "egtb_fixture.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

int table_number(const char* name) {
    for (int table = 1; table <= TABLE_COUNT; table++)
        if (std::string(table_name(table)) == name) return table;
    return NO_TABLE;
}

// The kind of a table file and its table from the file name: "KQvKR.rtbw"
// and "kqkr.gtb.cp4" both name table kqkr.
TableFileKind file_kind(const std::string& file) {
    return file.find(".gtb") != std::string::npos    ? GAVIOTA_DISTANCES
           : file.find(".rtbz") != std::string::npos ? SYZYGY_DISTANCES
                                                     : SYZYGY_RESULTS;
}
int file_table(const std::string& file) {
    std::string name;
    for (char c : file.substr(0, file.find('.')))
        if (c != 'v') name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return table_number(name.c_str());
}

// The check of bytes of the named file, mapped to whole pages or to the last byte.
const char* check_bytes(const std::string& bytes, const std::string& file, bool whole_pages = true) {
    const size_t mapped = whole_pages ? (bytes.size() + 4095) / 4096 * 4096 : bytes.size();
    return check_table_bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), mapped,
                             file_kind(file), file_table(file));
}

class TableFileCheck : public ::testing::Test {
   protected:
    void SetUp() override { REQUIRE_SHARED_TABLEBASES(); }
};

TEST_F(TableFileCheck, EveryRealFileIsSound) {
    int files = 0;
    for (const std::string& dir : {syzygy_dir(), gaviota_dir()}) {
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string file = entry.path().filename().string();
            const std::string extension = entry.path().extension().string();
            if (extension != ".rtbw" && extension != ".rtbz" && extension != ".cp4") continue;
            ASSERT_NE(file_table(file), NO_TABLE) << file;
            EXPECT_EQ(check_table_file(entry.path().c_str(), file_kind(file), file_table(file)), nullptr)
                << file;
            // Real blocks decode inside the file itself, wherever its pages end.
            EXPECT_EQ(check_bytes(read_file(entry.path().string()), file, false), nullptr)
                << file << " to its end";
            files++;
        }
    }
    EXPECT_EQ(files, 12 + 70);
}

// Damaged copies of real files: the first bytes kept, then some replaced.
TEST_F(TableFileCheck, DamagedCopiesAreRejected) {
    const struct {
        const char* file;
        size_t keep;  // bytes kept, 0 for all
        size_t at;    // where replacement bytes go
        std::string bytes;
        const char* fault;
    } rows[] = {
        // Cut to the reader's own size test (64 k + 16): only the layout tells.
        {"KQvK.rtbw", 144, 0, "", "parts that do not add up to the file"},
        {"KQvK.rtbw", 80, 0, "", "a table header past the end"},
        {"KRvKP.rtbz", 16400, 0, "", "parts that do not add up to the file"},
        {"KQvK.rtbw", 100, 0, "", "not a whole file"},
        {"KQvK.rtbw", 0, 0, "\x72", "not a table of its kind"},
        {"KQvK.rtbz", 0, 0, std::string("\x71\xe8\x23\x5d", 4), "not a table of its kind"},  // a results file
        {"KQvK.rtbw", 0, 6, "\x0f", "men that are not the table's"},
        {"KQvK.rtbw", 0, 5, "\x0f", "men that are not the table's"},  // an order the reader never reaches
        {"KQvK.rtbw", 0, 0x27, "\xff", "an unusable number of symbols"},
        {"KQvK.rtbw", 0, 0x15, "\x0f", "unusable code lengths"},
        {"KQvK.rtbw", 0, 0x0b, "\x7f", "a result that is not a win, draw or loss"},
        {"KRvK.rtbw", 0, 0x0e, "\xff", "an unusable block or index size"},
        {"KRvK.rtbw", 0, 67, "\x80", "an index entry past the blocks"},  // the first entry's block
        // The last blocks zeroed: decoding them runs past the file's last page.
        {"KRvKP.rtbw", 0, 179408 - 16 - 128, std::string(128, '\0'), "a block that decodes past the file"},
        {"kqk.gtb.cp4", 64, 0, std::string(64, '\0'), "not the reader's block size"},
        {"krk.gtb.cp4", 5000, 0, "", "blocks that do not end at the end of the file"},
        {"krk.gtb.cp4", 50, 0, "", "shorter than its block index"},
        {"krk.gtb.cp4", 30, 0, "", "shorter than its header"},
        {"kqkr.gtb.cp4", 0, 52, std::string("\xf0\xff\xff\xff", 4), "a block of an unusable size"},
        {"kqkr.gtb.cp4", 0, 40, std::string("\x00\x00\x00\x00", 4),
         "a block index that does not start at the blocks"},
        {"kqkr.gtb.cp4", 0, 32, std::string("\xd0\x03\x00\x00", 4), "blocks that are not the table's"},
    };
    for (const auto& row : rows) {
        std::string bytes = read_file(
            (file_kind(row.file) == GAVIOTA_DISTANCES ? gaviota_dir() : syzygy_dir()) + "/" + row.file);
        ASSERT_GT(bytes.size(), row.at + row.bytes.size()) << row.file;
        if (row.keep) bytes.resize(row.keep);
        bytes.replace(row.at, row.bytes.size(), row.bytes);
        const char* fault = check_bytes(bytes, row.file);
        EXPECT_STREQ(fault ? fault : "sound", row.fault)
            << row.file << " kept " << row.keep << " at " << row.at;
    }
}

// Single-bit flips of small real files: what the checks let through (flips
// inside compressed data cannot be told from real data) must still be
// probed without a crash. Every flip of a header, a sample of the others
// (each takes a registration), each with the probes of legal positions, and
// for a distances file the root moves rated. A crash ends the test's own
// process, which fails it.
TEST_F(TableFileCheck, NoSingleBitFlipCrashesAProbe) {
    const struct {
        const char* file;
        const char* men;     // FEN letters of the positions probed
        size_t header_bits;  // all flipped
        size_t bit_step;     // beyond them
    } rows[] = {{"KRvK.rtbw", "KRk", 8 * 64, 7}, {"KQvK.rtbw", "KQk", 0, 29}, {"KRvKR.rtbz", "KRkr", 0, 211}};
    char pattern[] = "/tmp/jux_flips_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    TablebaseDirectories dirs;
    split_tablebase_path(pattern, dirs);
    for (const auto& row : rows) {
        const bool distances = std::string(row.file).find(".rtbz") != std::string::npos;
        // A distances file is read only next to its results file.
        if (distances) fs::copy_file(syzygy_dir() + "/KRvKR.rtbw", dir + "/KRvKR.rtbw");
        const std::string original = read_file(syzygy_dir() + "/" + row.file);
        const std::vector<std::string> fens = legal_positions(row.men, distances ? 20 : 60, 99);
        for (size_t bit = 0; bit < 8 * original.size(); bit += bit < row.header_bits ? 1 : row.bit_step) {
            std::string flipped = original;
            flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
            if (check_bytes(flipped, row.file) != nullptr) continue;
            std::ofstream(dir + "/" + row.file, std::ios::binary) << flipped;
            ASSERT_NE(register_syzygy_tables(dirs), 0) << row.file << " bit " << bit;
            for (const std::string& fen : fens) {
                probe_fen(fen.c_str());
                char moves[1024];
                if (distances) tb_root_moves(pos.side_to_move, 0, moves, sizeof moves);
            }
        }
        fs::remove_all(dir);
        fs::create_directory(dir);
    }
    fs::remove_all(dir);
    register_tablebase_path("/nonexistent");
}

TEST(UsableTables, ADamagedFileLeavesOutTheTablesThatLeadToIt) {
    const struct {
        std::vector<const char*> damaged;
        std::vector<const char*> usable;
        std::vector<const char*> left_out;
    } rows[] = {
        // Captures lead down, promotions sideways.
        {{"kqk"}, {"krk", "krkr", "knnk"}, {"kqk", "kqkr", "kpk", "kpkp", "kppk", "kqqk", "krkp", "kqkq"}},
        {{"kpk"}, {"kqk", "kqkr", "krk"}, {"kpk", "kpkp", "krkp", "kppk", "kqpk", "kqkp"}},
        {{"krkr"}, {"krk", "kqkr", "kqkq"}, {"krkr", "krkp", "krrkr", "krpkr"}},
        {{}, {"kqk", "kpkp", "kppkp"}, {}},
    };
    for (const auto& row : rows) {
        int8_t found[TABLE_COUNT + 1], usable[TABLE_COUNT + 1];
        for (int table = 0; table <= TABLE_COUNT; table++) found[table] = TABLE_FILE_SOUND;
        for (const char* name : row.damaged) found[table_number(name)] = TABLE_FILE_DAMAGED;
        find_usable_tables(found, usable);
        for (const char* name : row.usable) EXPECT_EQ(usable[table_number(name)], 1) << name;
        for (const char* name : row.left_out) EXPECT_EQ(usable[table_number(name)], 0) << name;
    }
    // A missing file leaves out nothing else.
    int8_t found[TABLE_COUNT + 1] = {}, usable[TABLE_COUNT + 1];
    found[table_number("kqkr")] = TABLE_FILE_SOUND;
    find_usable_tables(found, usable);
    EXPECT_EQ(usable[table_number("kqkr")], 1);
    EXPECT_EQ(usable[table_number("kqk")], 0);
}

}  // namespace
