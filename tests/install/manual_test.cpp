// The manual pages against the programs: every option the engine announces to a GUI, and every juxtool
// command, has its entry.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support.h"
#include "uci/engine_process.h"

namespace {

TEST(ManualPage, EveryUciOptionAndJuxtoolCommandHasItsEntry) {
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
    // The usage juxtool prints lists its commands, one per indented line.
    const std::string tool_page = read_file(std::string(JUX_SOURCE_DIR) + "/man/juxtool.1.in");
    std::istringstream usage(run_command(JUXTOOL_BINARY " 2>&1").output);
    int commands = 0;
    for (std::string line, first; std::getline(usage, line);) {
        if (line[0] != ' ' || !(std::istringstream(line) >> first)) continue;
        first = first == "--version" ? "\\-\\-version" : first.substr(0, first.find('|'));
        EXPECT_NE(tool_page.find("\n.B juxtool " + first), std::string::npos) << first;
        commands++;
    }
    EXPECT_EQ(commands, 5);
}

}  // namespace
