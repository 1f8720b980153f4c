// The exported interface as a host uses it: through dlopen of the built
// library, never by linking the engine.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "jux.h"

namespace {

void* library() {
    static void* handle = dlopen(JUX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <typename F>
F exported(const char* name) {
    void* f = library() ? dlsym(library(), name) : nullptr;
    if (f == nullptr) throw std::runtime_error(std::string("not exported: ") + name);
    return reinterpret_cast<F>(f);
}

// The library's function of that name, with the type the header gives it.
#define JUX(name) exported<decltype(&name)>(#name)

class Exports : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_NE(library(), nullptr) << dlerror();
        unsigned char host_block[28] = {1, 2, 3};
        ASSERT_EQ(JUX(JUXInit)(1024, host_block, 0, 0), 1024);
    }
    void TearDown() override { JUX(JUXQuit)(); }
};

TEST_F(Exports, TextsTheSettersResultsAndASecondInit) {
    EXPECT_STREQ(JUX(JUXGetVersion)(), "DIDUV-1");
    EXPECT_STREQ(JUX(JUXGetAuthor)(), "Varnok");
    JUX(JUXNextBest)();
    EXPECT_EQ(JUX(JUXClearHashtable)(), 0);
    EXPECT_EQ(JUX(JUXSetTime)(40, 3), 0);
    EXPECT_EQ(JUX(JUXSetTime)(40, 65), 60);
    EXPECT_EQ(JUX(JUXSetBlitz)(300, 2), 2);
    EXPECT_EQ(JUX(JUXSetDepth)(0), 1);
    EXPECT_EQ(JUX(JUXSetDepth)(150), 150);
    EXPECT_EQ(JUX(JUXSetInfinite)(), 1) << "after init the clock side is black";
    // The tables of the first init still exist: a second one fails until quit.
    EXPECT_EQ(JUX(JUXInit)(4096, nullptr, 0, 0), -1);
    EXPECT_NE(JUX(JUXQuit)(), 0);
    EXPECT_EQ(JUX(JUXInit)(100, nullptr, 0, 0), 256) << "small sizes are raised";
}

TEST_F(Exports, GameMovesAndAnAnalysisThatFindsTheMate) {
    JUX(JUXSetStartPosition)();
    EXPECT_EQ(JUX(JUXEnterMove)("e2e4"), 1);
    EXPECT_EQ(JUX(JUXEnterMove)("e2e4"), 1) << "no black move: nothing played";
    JUX(JUXSetPosition)("k6R/8/8/8/8/8/8/K7 w - - 0 1");  // black in check with white to move
    EXPECT_EQ(JUX(JUXEnterMove)("e7e5"), 0) << "the refused FEN left the game as it was";
    // The bishop is pinned: its move is found but not played.
    JUX(JUXSetPosition)("4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1");
    EXPECT_EQ(JUX(JUXEnterMove)("e2d3"), 0);
    EXPECT_EQ(JUX(JUXEnterMove)("e1d1"), 1);
    JUX(JUXSetPosition)("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    JUX(JUXSetDepth)(3);
    EXPECT_GE(JUX(JUXAnalyse)(0), 29000);
    EXPECT_STREQ(JUX(JUXGetBestMove)(), "d1d8");
}

TEST_F(Exports, StopFromAnotherThreadEndsAnInfiniteAnalysis) {
    JUX(JUXSetStartPosition)();
    JUX(JUXSetInfinite)();
    auto stop = JUX(JUXStopAnalyse);
    std::atomic<bool> done = false;
    // Stops until the analysis ends (a stop before it starts is forgotten);
    // one that never ends it fails the test instead of hanging the suite.
    std::thread stopper([&] {
        for (int i = 0; i < 200 && !done; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stop();
        }
        if (!done) std::abort();
    });
    JUX(JUXAnalyse)(0);
    done = true;
    stopper.join();
    EXPECT_EQ(std::strlen(JUX(JUXGetBestMove)()), 4u);
}

TEST(ExportTable, OnlyTheInterfaceIsVisible) {
    FILE* p = popen(
        (std::string("nm -D --defined-only ") + JUX_LIBRARY + " | awk '{print $3}' | sort").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string names;
    for (char line[256]; std::fgets(line, sizeof line, p);) names += line;
    pclose(p);
    EXPECT_EQ(names,
              "JUXAnalyse\nJUXClearHashtable\nJUXEnterMove\nJUXGetAuthor\nJUXGetBestMove\nJUXGetVersion\n"
              "JUXInit\nJUXNextBest\nJUXPonderingOff\nJUXQuit\nJUXSetBlitz\nJUXSetDepth\nJUXSetInfinite\n"
              "JUXSetPosition\nJUXSetStartPosition\nJUXSetTime\nJUXStopAnalyse\n");
}

}  // namespace
