// Registration of Nalimov files made in a scratch working directory, and every line that ends the engine.
#include <cstring>
#include <sstream>

#include "data_rows.h"
#include "egtb/nalimov.h"
#include "egtb_fixture.h"
#include "uci/engine_process.h"

namespace {

namespace fs = std::filesystem;

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
    // A fresh registry and a tree of just these files (the data files' header says how they read).
    static void make(const std::string& files) {
        std::memset(&nalimov, 0, sizeof nalimov);
        for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry);
        std::istringstream in(files);
        for (std::string file; in >> file;) {
            const std::string name = file.substr(0, file.find('=')), value = file.substr(file.find('=') + 1);
            fs::create_directories((fs::path(".") / name).parent_path());
            uint32_t block_size, length;
            std::string bytes = value;
            if (std::sscanf(value.c_str(), "%u:%u", &block_size, &length) == 2) {
                bytes.clear();
                for (uint32_t word : {block_size, length})
                    for (int byte = 0; byte < 4; byte++) bytes += char(word >> (8 * byte) & 0xFF);
                bytes += std::string(100, 'z');
            } else if (std::isdigit(static_cast<unsigned char>(value[0]))) {
                bytes = std::string(std::stoul(value), 'x');
            }
            if (value == "/")
                fs::create_directories(name);
            else
                write_file(name, bytes);
        }
    }
    fs::path old_dir;
};

TEST_F(NalimovRegistration, NamesFormsClassAndTheFirstDirectory) {
    for (const auto& row : data_rows("egtb/data/nalimov_registration.txt")) {
        make(row[0]);
        EXPECT_EQ(register_tablebase_path(row[1]), std::stoi(row[2])) << row[0];
        std::istringstream registered(row[3] == "-" ? "" : row[3]);
        for (std::string entry; registered >> entry;) {
            const size_t equals = entry.find('='), colon = entry.rfind(':');
            const int table = std::stoi(entry), side = entry[equals - 1] == 'b';
            EXPECT_EQ(nalimov.file[table][side], entry.substr(equals + 1, colon - equals - 1)) << row[0];
            EXPECT_EQ(nalimov.expected_length[table][side], std::stoll(entry.substr(colon + 1))) << entry;
        }
    }
    // The tables are never decoded.
    EXPECT_EQ(probe_fen("8/8/8/4k3/8/8/8/Q3K3 b - - 0 1"), 30000);
    EXPECT_EQ(probe_fen("8/8/8/4k3/8/8/8/1Q2K3 w - - 0 1"), 30000);
}

TEST_F(NalimovRegistration, UnusableFilesEndTheEngineWithOneLine) {
    for (const auto& row : data_rows("egtb/data/nalimov_unusable.txt")) {
        make(row[0]);
        EngineProcess engine;  // started here, so that the paths name the files
        ASSERT_TRUE(engine.handshake());
        std::istringstream paths(row[1]);
        for (std::string path; paths >> path;) engine.send("setoption name NalimovPath value " + path);
        EXPECT_EQ(engine.read_line(), row[2]);
        EXPECT_EQ(engine.wait_exit(), 1) << row[2];
    }
}

}  // namespace
