// The manual pages against the programs: every option the engine announces
// to a GUI, and every juxtool command, has its entry.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support.h"
#include "uci/engine_process.h"

namespace {

std::string manual_page(const char* name) {
    return read_file(std::string(JUX_SOURCE_DIR) + "/man/" + name);
}

TEST(ManualPage, EveryAnnouncedUciOptionHasItsEntry) {
    const std::string page = manual_page("jux.6.in");
    ASSERT_FALSE(page.empty());
    EngineProcess engine;
    engine.send("uci");
    int options = 0;
    for (const std::string& line : engine.read_until("uciok")) {
        const std::string prefix = "option name ";
        if (line.rfind(prefix, 0) != 0) continue;
        const std::string name = line.substr(prefix.size(), line.find(" type ") - prefix.size());
        EXPECT_NE(page.find("\n.TP\n.B " + name + "\n"), std::string::npos) << name;
        options++;
    }
    EXPECT_EQ(options, 9);
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST(ManualPage, EveryJuxtoolCommandHasItsEntry) {
    const std::string page = manual_page("juxtool.1.in");
    // The usage juxtool prints lists its commands, one per indented line.
    std::istringstream usage(run_command(JUXTOOL_BINARY " 2>&1").output);
    int commands = 0;
    for (std::string line; std::getline(usage, line);) {
        std::istringstream words(line);
        std::string first;
        if (line[0] != ' ' || !(words >> first)) continue;
        if (first.rfind("--", 0) != 0) first = first.substr(0, first.find('|'));
        EXPECT_NE(page.find("\n.B juxtool " + (first == "--version" ? "\\-\\-version" : first)),
                  std::string::npos)
            << first;
        commands++;
    }
    EXPECT_EQ(commands, 5);
}

}  // namespace
