// This tree installed under DESTDIR: its files, its book, a clean uninstall; every UCI option in the manual.
#include <cstdlib>

#include "book/book_fixture.h"

namespace {

namespace fs = std::filesystem;

std::pair<std::string, bool> installed_answer(const fs::path& stage, const fs::path& dir) {
    fs::create_directories(dir);
    const fs::path old_dir = fs::current_path();
    fs::current_path(dir);
    EngineProcess engine({}, (stage / fs::path(JUX_INSTALL_PROGRAM_DIR).relative_path() / "jux").c_str());
    fs::current_path(old_dir);
    EXPECT_TRUE(engine.handshake());
    return answer(engine, "position startpos", "go depth 5");
}

TEST(InstalledTree, HasItsFilesPlaysFromItsBookAndUninstallsCleanly) {
    char pattern[] = "/tmp/jux_install_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path scratch = pattern, stage = scratch / "stage";
    const auto staged = [&](const char* dir, const std::string& file) {
        return stage / fs::path(dir).relative_path() / file;
    };
    // The component keeps the manifest of make install (build/install_manifest.txt) as it was.
    const std::string install = "DESTDIR='" + stage.string() + "' '" + JUX_CMAKE_COMMAND +
                                "' -DCMAKE_INSTALL_COMPONENT=Unspecified -P '" + JUX_BUILD_DIR +
                                "/cmake_install.cmake' >'" + pattern + "/install.log' 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << read_file(scratch / "install.log");
    const std::string version = JUX_PROJECT_VERSION, major = JUX_VERSION_MAJOR;
    const std::string source = JUX_SOURCE_DIR;
    // libjux.so -> libjux.so.<major> -> libjux.so.<version>, whose soname is the middle name.
    EXPECT_EQ(fs::read_symlink(staged(JUX_INSTALL_LIBDIR, "libjux.so")), "libjux.so." + major);
    EXPECT_EQ(fs::read_symlink(staged(JUX_INSTALL_LIBDIR, "libjux.so." + major)), "libjux.so." + version);
    const struct {
        fs::path file;
        std::string text;  // expected within the file
    } contents[] = {
        {staged(JUX_INSTALL_LIBDIR, "libjux.so." + version),
         "\x7f"
         "ELF"},
        {staged(JUX_INSTALL_INCLUDEDIR, "jux.h"), read_file(source + "/include/jux.h")},
        {staged(JUX_INSTALL_DATADIR, "jux.book"), read_file(source + "/jux.book")},
        {staged(JUX_INSTALL_LIBDIR, "pkgconfig/jux.pc"), "\nVersion: " + version + "\n"},
        {staged(JUX_INSTALL_LIBDIR, "pkgconfig/jux.pc"), "\nLibs: -L${libdir} -ljux\n"},
        {staged(JUX_INSTALL_LIBDIR, "pkgconfig/jux.pc"), "\nlibdir=${prefix}/"},
        {staged(JUX_INSTALL_LIBDIR, "cmake/jux/juxConfigVersion.cmake"), "\"" + version + "\""},
        {staged(JUX_INSTALL_LIBDIR, "cmake/jux/juxConfig.cmake"), ""},
        {staged(JUX_INSTALL_LIBDIR, "cmake/jux/juxTargets.cmake"), "add_library(jux::jux SHARED IMPORTED)"},
        {staged(JUX_INSTALL_MANDIR, "man6/jux.6"), ".TH JUX 6 \"December 2026\" \"JUX " + version + "\""},
        {staged(JUX_INSTALL_MANDIR, "man1/juxtool.1"), ".TH JUXTOOL 1 "},
        {staged(JUX_INSTALL_DOCDIR, "LICENSE"), "MIT License"},
        {staged(JUX_INSTALL_DOCDIR, "copyright"), "Format: "},
    };
    for (const auto& [file, text] : contents) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_NE(read_file(file).find(text), std::string::npos) << file << " lacks " << text;
    }
    EXPECT_NE(run_command("objdump -p '" + staged(JUX_INSTALL_LIBDIR, "libjux.so").string() + "'")
                  .output.find("SONAME               libjux.so." + major + "\n"),
              std::string::npos);
    for (const auto& [program, name] : {std::pair{staged(JUX_INSTALL_PROGRAM_DIR, "jux"), "JUX "},
                                        std::pair{staged(JUX_INSTALL_BINDIR, "juxtool"), "juxtool (JUX) "}}) {
        const CommandResult run = run_command("'" + program.string() + "' --version");
        EXPECT_EQ(run.output, name + version + "\n");
        EXPECT_EQ(run.status, 0);
    }
    // Started elsewhere, the installed book answers at once; a jux.book where it starts wins, even a bad one.
    const auto [move, searched] = installed_answer(stage, scratch / "empty");
    EXPECT_EQ(move.rfind("bestmove ", 0), 0u) << move;
    EXPECT_FALSE(searched);
    fs::create_directories(scratch / "own");
    write_file((scratch / "own/jux.book").string(), token(key_after(""), rec('A', '-', 8, 50, 8, 5, 2, 1)));
    EXPECT_EQ(installed_answer(stage, scratch / "own"), std::make_pair(std::string("bestmove a2a3"), false));
    fs::create_directories(scratch / "other/jux.book");
    EXPECT_EQ(installed_answer(stage, scratch / "other").second, true);
    const fs::path manifest = fs::path(JUX_BUILD_DIR) / "install_manifest_Unspecified.txt";
    const std::string uninstall = "DESTDIR='" + stage.string() + "' '" + JUX_CMAKE_COMMAND +
                                  "' -DMANIFEST='" + manifest.string() + "' -P '" + source +
                                  "/cmake/uninstall.cmake' >/dev/null";
    ASSERT_EQ(std::system(uninstall.c_str()), 0);
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(stage))
        if (!entry.is_directory() || entry.path().filename() == "jux") left.push_back(entry.path().string());
    EXPECT_EQ(left, std::vector<std::string>{});
    fs::remove_all(scratch);
}

TEST(ManualPage, EveryUciOptionHasItsEntry) {
    const std::string engine_page = read_file(std::string(JUX_SOURCE_DIR) + "/man/jux.6.in");
    EngineProcess engine;
    engine.send("uci");
    int options = 0;
    for (const std::string& line : engine.read_until("uciok")) {
        if (line.rfind("option name ", 0) != 0) continue;
        const std::string name = line.substr(12, line.find(" type ") - 12);
        EXPECT_NE(engine_page.find("\n.TP\n.B " + name + "\n"), std::string::npos) << name;
        options++;
    }
    EXPECT_EQ(options, 9);
}

}  // namespace
