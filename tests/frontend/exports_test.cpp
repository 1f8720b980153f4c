// The exported interface, exercised the way a host uses it: through dlopen of
// the built libjux.so, never by linking the engine.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

struct Library {
    void* handle = nullptr;
    template <typename F>
    F get(const char* name) {
        void* f = dlsym(handle, name);
        EXPECT_NE(f, nullptr) << name;
        return reinterpret_cast<F>(f);
    }
};

Library& library() {
    static Library lib;
    if (!lib.handle) lib.handle = dlopen(JUX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return lib;
}

using IntFn = int32_t (*)();
using IntIntFn = int32_t (*)(int32_t);
using IntIntIntFn = int32_t (*)(int32_t, int32_t);
using TextFn = const char* (*)();
using VoidFn = void (*)();
using SetTextFn = void (*)(const char*);
using EnterFn = int32_t (*)(const char*);
using InitFn = int32_t (*)(int32_t, const void*, int32_t, int32_t);

class Exports : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(library().handle, nullptr) << dlerror();
        Library& lib = library();
        init = lib.get<InitFn>("JUXInit");
        quit = lib.get<IntFn>("JUXQuit");
        analyse = lib.get<IntIntFn>("JUXAnalyse");
        set_depth = lib.get<IntIntFn>("JUXSetDepth");
        set_time = lib.get<IntIntIntFn>("JUXSetTime");
        set_blitz = lib.get<IntIntIntFn>("JUXSetBlitz");
        set_infinite = lib.get<IntFn>("JUXSetInfinite");
        set_position = lib.get<SetTextFn>("JUXSetPosition");
        set_start = lib.get<VoidFn>("JUXSetStartPosition");
        enter_move = lib.get<EnterFn>("JUXEnterMove");
        stop = lib.get<VoidFn>("JUXStopAnalyse");
        best_move = lib.get<TextFn>("JUXGetBestMove");
        unsigned char block[28] = {1, 2, 3};
        ASSERT_EQ(init(1024, block, 0, 0), 1024);
    }
    void TearDown() override { quit(); }

    InitFn init;
    IntFn quit, set_infinite;
    IntIntFn analyse, set_depth;
    IntIntIntFn set_time, set_blitz;
    SetTextFn set_position;
    VoidFn set_start, stop;
    EnterFn enter_move;
    TextFn best_move;
};

TEST_F(Exports, TextsAndTheNoOpEntry) {
    EXPECT_STREQ(library().get<TextFn>("JUXGetVersion")(), "DIDUV-1");
    EXPECT_STREQ(library().get<TextFn>("JUXGetAuthor")(), "Varnok");
    library().get<VoidFn>("JUXNextBest")();
    EXPECT_EQ(library().get<IntFn>("JUXClearHashtable")(), 0);
}

TEST_F(Exports, InitTwiceFailsUntilQuit) {
    EXPECT_EQ(init(4096, nullptr, 0, 0), -1);
    EXPECT_NE(quit(), 0);
    EXPECT_EQ(init(100, nullptr, 0, 0), 256);  // small sizes are raised
}

TEST_F(Exports, LimitSettersReturnWhatTheyUse) {
    EXPECT_EQ(set_time(40, 3), 0);
    EXPECT_EQ(set_time(40, 65), 60);
    EXPECT_EQ(set_blitz(300, 2), 2);
    EXPECT_EQ(set_depth(0), 1);
    EXPECT_EQ(set_depth(150), 150);
    EXPECT_EQ(set_infinite(), 1);  // the clock side after init is black
}

TEST_F(Exports, EnteringMovesReturnsTheSideToMove) {
    set_start();
    EXPECT_EQ(enter_move("e2e4"), 1);
    EXPECT_EQ(enter_move("e2e4"), 1);  // not a black move: nothing played
    EXPECT_EQ(enter_move("e7e5"), 0);
}

TEST_F(Exports, AnalyseFindsAMateInOne) {
    set_position("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    set_depth(3);
    int32_t score = analyse(0);
    EXPECT_STREQ(best_move(), "d1d8");
    EXPECT_GE(score, 29000);
}

TEST_F(Exports, StopFromAnotherThreadEndsAnInfiniteAnalysis) {
    set_start();
    set_infinite();
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop();
    });
    auto start = std::chrono::steady_clock::now();
    analyse(0);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stopper.join();
    EXPECT_LT(seconds, 10.0);  // a stop must end the search at its next check, not never
    EXPECT_EQ(std::strlen(best_move()), 4u);
}

TEST(ExportTable, OnlyTheInterfaceIsVisible) {
    std::string command = std::string("nm -D --defined-only ") + JUX_LIBRARY + " | awk '{print $3}' | sort";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string names;
    char line[256];
    while (fgets(line, sizeof line, p)) names += line;
    pclose(p);
    EXPECT_EQ(names,
              "JUXAnalyse\nJUXClearHashtable\nJUXEnterMove\nJUXGetAuthor\nJUXGetBestMove\nJUXGetVersion\nJUXInit\n"
              "JUXNextBest\nJUXPonderingOff\nJUXQuit\nJUXSetBlitz\nJUXSetDepth\nJUXSetInfinite\nJUXSetPosition\n"
              "JUXSetStartPosition\nJUXSetTime\nJUXStopAnalyse\n");
}

TEST(ExampleHost, RunsToTheEnd) {
    std::string command = std::string(JUX_EXAMPLE_HOST) + " " + JUX_LIBRARY + " < /dev/null";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char line[512];
    while (fgets(line, sizeof line, p)) out += line;
    EXPECT_EQ(pclose(p), 0) << out;
    EXPECT_NE(out.find("engine DIDUV-1"), std::string::npos) << out;
    EXPECT_NE(out.find("infinite, stopped: bestmove "), std::string::npos) << out;
}

}  // namespace
