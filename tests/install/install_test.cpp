// The installed engine: this build tree installed into a staging directory
// (DESTDIR) lays out the programs, the versioned library with its links, the
// header, the files a host builds with, the book, the manual pages and the
// licence as configured; the installed engine started in an empty directory
// plays from the installed book, one in a directory with a jux.book plays
// from that; the uninstall leaves no file behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "book/book_fixture.h"
#include "support.h"
#include "uci/engine_process.h"

namespace {

namespace fs = std::filesystem;

std::string read_text(const fs::path& path) {
    return read_file(path.string());
}

// A book whose one record plays a2a3 (rank 0 among the start position's
// moves, sorted by text) with five wins in eight games: the default book
// never gives that move from the start.
std::string a2a3_book() {
    return token(key_after(""), rec('A', '-', 8, 50, 8, 5, 2, 1));
}

// One test installs, checks and uninstalls: the install manifest lies in
// the build tree, so two installs of the same tree must not run at once.
class InstalledTree : public ::testing::Test {
   public:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/jux_install_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch_ = pattern;
        stage_ = scratch_ / "stage";
        // The component name keeps the install manifest of make install
        // (build/install_manifest.txt) as it was: this one goes to
        // install_manifest_Unspecified.txt.
        const std::string install = "DESTDIR='" + stage_.string() + "' '" + JUX_CMAKE_COMMAND +
                                    "' -DCMAKE_INSTALL_COMPONENT=Unspecified -P '" + JUX_BUILD_DIR +
                                    "/cmake_install.cmake' >'" + (scratch_ / "install.log").string() +
                                    "' 2>&1";
        install_status_ = std::system(install.c_str());
    }
    static void TearDownTestSuite() { fs::remove_all(scratch_); }

    void SetUp() override { ASSERT_EQ(install_status_, 0) << read_text(scratch_ / "install.log"); }

    static fs::path staged(const char* installed_dir) {
        return stage_ / fs::path(installed_dir).relative_path();
    }

    // A fresh empty directory to start the engine in.
    static fs::path empty_directory(const char* name) {
        const fs::path dir = scratch_ / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        return dir;
    }

    // The engine's answer to "go depth 5" from the start position, started
    // in dir: the lines up to "bestmove".
    static std::vector<std::string> start_position_answer(const fs::path& dir) {
        const fs::path old_dir = fs::current_path();
        fs::current_path(dir);
        const std::string program = (staged(JUX_INSTALL_PROGRAM_DIR) / "jux").string();
        EngineProcess engine({}, program.c_str());
        fs::current_path(old_dir);
        EXPECT_TRUE(engine.handshake());
        engine.send("position startpos");
        engine.send("go depth 5");
        std::vector<std::string> lines = engine.read_until_prefix("bestmove");
        engine.send("quit");
        EXPECT_EQ(engine.wait_exit(), 0);
        return lines;
    }

    static bool searched(const std::vector<std::string>& lines) {
        return std::any_of(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind("info depth", 0) == 0; });
    }

    static inline fs::path scratch_, stage_;
    static inline int install_status_ = -1;
};

TEST_F(InstalledTree, HasItsFilesPlaysFromItsBookAndUninstallsCleanly) {
    // The layout.
    const std::string major = JUX_VERSION_MAJOR;
    const fs::path lib = staged(JUX_INSTALL_LIBDIR);
    for (const fs::path& program :
         {staged(JUX_INSTALL_PROGRAM_DIR) / "jux", staged(JUX_INSTALL_BINDIR) / "juxtool"}) {
        struct stat info;
        EXPECT_EQ(stat(program.c_str(), &info), 0) << program;
        EXPECT_TRUE(S_ISREG(info.st_mode) && (info.st_mode & S_IXOTH)) << program;
    }
    // libjux.so -> libjux.so.<major> -> libjux.so.<version>, whose soname
    // is the middle name.
    EXPECT_EQ(fs::read_symlink(lib / "libjux.so"), "libjux.so." + major);
    EXPECT_EQ(fs::read_symlink(lib / ("libjux.so." + major)),
              std::string("libjux.so.") + JUX_PROJECT_VERSION);
    EXPECT_TRUE(fs::is_regular_file(lib / (std::string("libjux.so.") + JUX_PROJECT_VERSION)));
    EXPECT_NE(run_command("objdump -p '" + (lib / "libjux.so").string() + "'")
                  .output.find("SONAME               libjux.so." + major + "\n"),
              std::string::npos);

    EXPECT_EQ(read_text(staged(JUX_INSTALL_INCLUDEDIR) / "jux.h"),
              read_text(fs::path(JUX_SOURCE_DIR) / "include/jux.h"));
    EXPECT_EQ(read_text(staged(JUX_INSTALL_DATADIR) / "jux.book"),
              read_text(fs::path(JUX_SOURCE_DIR) / "jux.book"));
    const std::string pc = read_text(lib / "pkgconfig/jux.pc");
    EXPECT_NE(pc.find(std::string("\nVersion: ") + JUX_PROJECT_VERSION + "\n"), std::string::npos) << pc;
    EXPECT_NE(pc.find("\nLibs: -L${libdir} -ljux\n"), std::string::npos) << pc;
    EXPECT_NE(pc.find(std::string("\nlibdir=") + "${prefix}/"), std::string::npos) << pc;
    const std::string package_version = read_text(lib / "cmake/jux/juxConfigVersion.cmake");
    EXPECT_NE(package_version.find(std::string("\"") + JUX_PROJECT_VERSION + "\""), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(lib / "cmake/jux/juxConfig.cmake"));
    EXPECT_NE(read_text(lib / "cmake/jux/juxTargets.cmake").find("add_library(jux::jux SHARED IMPORTED)"),
              std::string::npos);

    const fs::path man = staged(JUX_INSTALL_MANDIR);
    EXPECT_EQ(read_text(man / "man6/jux.6")
                  .rfind(std::string(".TH JUX 6 \"December 2026\" \"JUX ") + JUX_PROJECT_VERSION + "\"", 0),
              0u);
    EXPECT_EQ(read_text(man / "man1/juxtool.1").rfind(".TH JUXTOOL 1 ", 0), 0u);
    EXPECT_NE(read_text(staged(JUX_INSTALL_DOCDIR) / "LICENSE").find("MIT License"), std::string::npos);
    EXPECT_EQ(read_text(staged(JUX_INSTALL_DOCDIR) / "copyright").rfind("Format: ", 0), 0u);
    // The versions.
    const CommandResult jux =
        run_command("'" + (staged(JUX_INSTALL_PROGRAM_DIR) / "jux").string() + "' --version");
    EXPECT_EQ(jux.output, std::string("JUX ") + JUX_PROJECT_VERSION + "\n");
    EXPECT_EQ(jux.status, 0);
    const CommandResult tool =
        run_command("'" + (staged(JUX_INSTALL_BINDIR) / "juxtool").string() + "' --version");
    EXPECT_EQ(tool.output, std::string("juxtool (JUX) ") + JUX_PROJECT_VERSION + "\n");
    EXPECT_EQ(tool.status, 0);
    // Started elsewhere, as a GUI starts it: the installed book answers at once.
    std::vector<std::string> lines = start_position_answer(empty_directory("empty"));
    ASSERT_FALSE(lines.empty());
    EXPECT_FALSE(searched(lines));
    EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u) << lines.back();

    // A book here is the book.
    const fs::path own = empty_directory("own");
    std::ofstream(own / "jux.book") << a2a3_book();
    lines = start_position_answer(own);
    ASSERT_FALSE(lines.empty());
    EXPECT_FALSE(searched(lines));
    EXPECT_EQ(lines.back(), "bestmove a2a3");

    // So is anything else of that name, even when it is no book: the
    // installed one does not stand in.
    const fs::path other = empty_directory("other");
    fs::create_directory(other / "jux.book");
    lines = start_position_answer(other);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(searched(lines));
    // The uninstall.
    const fs::path manifest = fs::path(JUX_BUILD_DIR) / "install_manifest_Unspecified.txt";
    ASSERT_TRUE(fs::is_regular_file(manifest));
    const std::string uninstall = "DESTDIR='" + stage_.string() + "' '" + JUX_CMAKE_COMMAND +
                                  "' -DMANIFEST='" + manifest.string() + "' -P '" + JUX_SOURCE_DIR +
                                  "/cmake/uninstall.cmake' >/dev/null";
    ASSERT_EQ(std::system(uninstall.c_str()), 0);
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(stage_))
        if (!entry.is_directory() || entry.path().filename() == "jux") left.push_back(entry.path().string());
    EXPECT_EQ(left, std::vector<std::string>{});
}

}  // namespace
