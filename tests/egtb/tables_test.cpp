// The readers' position guard, table file checks, what a damaged file leaves out.
#include "egtb/tables.h"

#include "data_rows.h"
#include "egtb/directories.h"
#include "egtb/filecheck.h"
#include "egtb/syzygy.h"
#include "egtb_fixture.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

int table_number(const std::string& name) {
    for (int table = 1; table <= TABLE_COUNT; table++)
        if (table_name(table) == name) return table;
    return NO_TABLE;
}

TableFileKind file_kind(const std::string& file) {
    return file.find(".gtb") != std::string::npos    ? GAVIOTA_DISTANCES
           : file.find(".rtbz") != std::string::npos ? SYZYGY_DISTANCES
                                                     : SYZYGY_RESULTS;
}
int file_table(const std::string& file) {
    std::string name;
    for (char c : file.substr(0, file.find('.')))
        if (c != 'v') name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return table_number(name);
}
std::string real_file(const std::string& file) {
    return read_file((file_kind(file) == GAVIOTA_DISTANCES ? gaviota_dir() : syzygy_dir()) + "/" + file);
}

const char* check_bytes(const std::string& bytes, const std::string& file, bool whole_pages = true) {
    const size_t mapped = whole_pages ? (bytes.size() + 4095) / 4096 * 4096 : bytes.size();
    return check_table_bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), mapped,
                             file_kind(file), file_table(file));
}

TEST(TableFileCheck, EveryRealFileIsSoundAndDamagedCopiesAreRejected) {
    REQUIRE_SHARED_TABLEBASES();
    int files = 0;
    for (const std::string& dir : {syzygy_dir(), gaviota_dir()}) {
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string file = entry.path().filename().string();
            const std::string extension = entry.path().extension().string();
            if (extension != ".rtbw" && extension != ".rtbz" && extension != ".cp4") continue;
            ASSERT_NE(file_table(file), NO_TABLE) << file;
            EXPECT_EQ(check_table_file(entry.path().c_str(), file_kind(file), file_table(file)), nullptr)
                << file;
            EXPECT_EQ(check_bytes(read_file(entry.path().string()), file, false), nullptr)
                << file << " to its end";
            files++;
        }
    }
    EXPECT_EQ(files, 12 + 70);
    for (const auto& row : data_rows("egtb/data/damaged_copies.txt")) {
        std::string bytes = real_file(row[0]), replacement;
        if (const size_t keep = std::stoul(row[1])) bytes.resize(keep);
        const size_t star = row[3].find('*');
        for (size_t i = 0; i + 1 < std::min(star, row[3].size()); i += 2)
            replacement += char(std::stoi(row[3].substr(i, 2), nullptr, 16));
        if (star != std::string::npos)
            replacement = std::string(std::stoul(row[3].substr(star + 1)), replacement[0]);
        bytes.replace(std::stoul(row[2]), replacement.size(), replacement);
        const char* fault = check_bytes(bytes, row[0]);
        EXPECT_EQ(fault ? fault : "sound", row[4]) << row[0] << " kept " << row[1] << " at " << row[2];
    }
}

// Flips that pass the check must still probe without a crash: every header bit, a sample beyond.
TEST(TableFileCheck, NoSingleBitFlipCrashesAProbe) {
    REQUIRE_SHARED_TABLEBASES();
    const struct {
        const char* file;
        const char* men;
        size_t header_bits, bit_step;
    } rows[] = {{"KRvK.rtbw", "KRk", 8 * 64, 7}, {"KQvK.rtbw", "KQk", 0, 29}, {"KRvKR.rtbz", "KRkr", 0, 211}};
    char pattern[] = "/tmp/jux_flips_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    TablebaseDirectories dirs;
    split_tablebase_path(pattern, dirs);
    for (const auto& row : rows) {
        const bool distances = file_kind(row.file) == SYZYGY_DISTANCES;
        // A distances file is read only next to its results file; its reader rates root moves.
        if (distances) fs::copy_file(syzygy_dir() + "/KRvKR.rtbw", dir + "/KRvKR.rtbw");
        const std::string original = real_file(row.file);
        const std::vector<std::string> fens = legal_positions(row.men, distances ? 20 : 60, 99);
        for (size_t bit = 0; bit < 8 * original.size(); bit += bit < row.header_bits ? 1 : row.bit_step) {
            std::string flipped = original;
            flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
            if (check_bytes(flipped, row.file) != nullptr) continue;
            write_file(dir + "/" + row.file, flipped);
            ASSERT_NE(register_syzygy_tables(dirs), 0) << row.file << " bit " << bit;
            for (const std::string& fen : fens) {
                probe_fen(fen.c_str());
                char moves[1024];
                if (distances) tb_root_moves(pos.side_to_move, 0, moves, sizeof moves);
            }
        }
        for (const auto& entry : fs::directory_iterator(dir)) fs::remove(entry);
    }
    fs::remove_all(dir);
    register_tablebase_path("/nonexistent");
}

TEST(TableFileCheck, ADamagedFileLeavesOutTheTablesThatLeadToIt) {
    // Captures lead down, promotions sideways; a missing file (the last row) leaves out nothing else.
    const struct {
        std::vector<const char*> damaged, usable, left_out;
        int8_t others;
    } rows[] = {
        {{"kqk"}, {"krk", "krkr", "knnk"}, {"kqk", "kqkr", "kpk", "kpkp", "kppk", "kqqk", "krkp", "kqkq"}, 1},
        {{"kpk"}, {"kqk", "kqkr", "krk"}, {"kpk", "kpkp", "krkp", "kppk", "kqpk", "kqkp"}, 1},
        {{"krkr"}, {"krk", "kqkr", "kqkq"}, {"krkr", "krkp", "krrkr", "krpkr"}, 1},
        {{}, {"kqk", "kpkp", "kppkp"}, {}, 1},
        {{}, {"kqkr"}, {"kqk"}, 0},
    };
    for (const auto& row : rows) {
        int8_t found[TABLE_COUNT + 1], usable[TABLE_COUNT + 1];
        for (int8_t& f : found) f = row.others ? TABLE_FILE_SOUND : TABLE_FILE_MISSING;
        for (const char* name : row.damaged) found[table_number(name)] = TABLE_FILE_DAMAGED;
        for (const char* name : row.usable) found[table_number(name)] = TABLE_FILE_SOUND;
        find_usable_tables(found, usable);
        for (const char* name : row.usable) EXPECT_EQ(usable[table_number(name)], 1) << name;
        for (const char* name : row.left_out) EXPECT_EQ(usable[table_number(name)], 0) << name;
    }
}

TEST(MaterialTables, FindsTheTableWithTheColoursExchanged) {
    int32_t white[5] = {0, 0, 0, 1, 0}, black[5] = {0, 0, 0, 0, 1}, reversed = -1;  // KR against KQ
    EXPECT_EQ(material_table(white, black, reversed), table_number("kqkr"));
    EXPECT_EQ(reversed, 1);
}

// The readers' lists from a FEN placement: white first, each king last (a second king is kept too).
ProbePosition probe_position(const char* placement, int side, int ep = 0) {
    Placement board;
    read_placement(placement, board);
    ProbePosition p{};
    p.side = side;
    p.ep_square = ep;
    for (int colour = 0; colour < 2; colour++) {
        int n = 0;
        for (int king_last = 0; king_last < 2; king_last++) {
            for (int square = 0; square < 64; square++) {
                const int piece = board.piece[square];
                if (board.colour[square] != colour || (piece == KING) != (king_last == 1)) continue;
                p.square[colour][n] = square;
                p.piece[colour][n++] = piece;
                if (piece != KING) p.count[colour][piece - 1]++;
            }
        }
        p.square[colour][n] = LIST_END;
    }
    return p;
}

TEST(ProbePositionGuard, OnlyPositionsTheReadersCanTakePass) {
    for (const auto& row : data_rows("egtb/data/reader_guard.txt")) {
        const std::string& ep = row[2];
        const int ep_square = ep == "-" ? 0 : ep == "off" ? 64 : (ep[1] - '1') * 8 + ep[0] - 'a';
        EXPECT_EQ(readers_can_take(probe_position(row[0].c_str(), std::stoi(row[1]), ep_square)),
                  row[3] == "yes")
            << row[0] << " side " << row[1] << " ep " << ep;
    }
}

}  // namespace
