// The exported interface as a host uses it: through dlopen of the built library.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "jux.h"
#include "support.h"

namespace {

void* library() {
    static void* handle = dlopen(JUX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <typename F>
F exported(const char* name, void* from) {
    void* f = from ? dlsym(from, name) : nullptr;
    if (f == nullptr) throw std::runtime_error(std::string("not exported: ") + name);
    return reinterpret_cast<F>(f);
}

// The function of that name in a loaded copy, with the type the header gives it.
#define JUX_IN(copy, name) exported<decltype(&name)>(#name, copy)
#define JUX(name) JUX_IN(library(), name)

TEST(Exports, TextsSettersGameMovesAnAnalysisThatFindsTheMateAndNoOtherSymbol) {
    ASSERT_NE(library(), nullptr) << dlerror();
    unsigned char host_block[28] = {1, 2, 3};
    ASSERT_EQ(JUX(JUXInit)(1024, host_block, 0, 0), 1024);
    EXPECT_EQ(std::string(JUX(JUXGetVersion)()) + " " + JUX(JUXGetAuthor)(), "DIDUV-1 Varnok");
    JUX(JUXNextBest)();
    // After init the clock side is black: JUXSetInfinite gives 1.
    EXPECT_EQ((std::array{JUX(JUXClearHashtable)(), JUX(JUXSetTime)(40, 3), JUX(JUXSetTime)(40, 65),
                          JUX(JUXSetBlitz)(300, 2), JUX(JUXSetDepth)(0), JUX(JUXSetDepth)(150),
                          JUX(JUXSetInfinite)()}),
              (std::array{0, 0, 60, 2, 1, 150, 1}));
    JUX(JUXSetStartPosition)();
    EXPECT_EQ(JUX(JUXEnterMove)("e2e4"), 1);
    EXPECT_EQ(JUX(JUXEnterMove)("e2e4"), 1) << "no black move: nothing played";
    JUX(JUXSetPosition)("k6R/8/8/8/8/8/8/K7 w - - 0 1");  // black in check with white to move
    EXPECT_EQ(JUX(JUXEnterMove)("e7e5"), 0) << "the refused FEN left the game as it was";
    JUX(JUXSetPosition)("4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1");
    EXPECT_EQ(JUX(JUXEnterMove)("e2d3"), 0) << "pinned";
    EXPECT_EQ(JUX(JUXEnterMove)("e1d1"), 1);
    JUX(JUXSetPosition)("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    JUX(JUXSetDepth)(3);
    EXPECT_GE(JUX(JUXAnalyse)(0), 29000);
    EXPECT_STREQ(JUX(JUXGetBestMove)(), "d1d8");
    // The tables of the first init still exist: a second one fails until quit.
    EXPECT_EQ(JUX(JUXInit)(4096, nullptr, 0, 0), -1);
    EXPECT_NE(JUX(JUXQuit)(), 0);
    EXPECT_EQ(JUX(JUXInit)(100, nullptr, 0, 0), 256) << "small sizes are raised";
    JUX(JUXQuit)();
    const std::string names =
        run_command(std::string("nm -D --defined-only ") + JUX_LIBRARY + " | awk '{print $3}' | sort").output;
    EXPECT_EQ(names,
              "JUXAnalyse\nJUXClearHashtable\nJUXEnterMove\nJUXGetAuthor\nJUXGetBestMove\nJUXGetVersion\n"
              "JUXInit\nJUXNextBest\nJUXPonderingOff\nJUXQuit\nJUXSetBlitz\nJUXSetDepth\nJUXSetInfinite\n"
              "JUXSetPosition\nJUXSetStartPosition\nJUXSetTime\nJUXStopAnalyse\n");
}

// Calls out of order, in a child process on a fresh copy of the library; the alarm ends a call that spins.
TEST(ExportOrder, CallsWithoutTablesReturnAtOnce) {
    FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    setvbuf(log, nullptr, _IONBF, 0);
    const pid_t child = fork();
    if (child == 0) {
        alarm(20);
#ifdef JUX_SANITIZED
        // AddressSanitizer cannot load a second namespace; CTest runs each test in a process of its own.
        void* copy = dlopen(JUX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
#else
        void* copy = dlmopen(LM_ID_NEWLM, JUX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
#endif
        if (copy == nullptr) _exit(3);
        const auto calls_without_tables = [&](const char* when) {
            std::fprintf(log, "%s: analyse %d", when, JUX_IN(copy, JUXAnalyse)(0));
            std::fprintf(log, " best '%s'", JUX_IN(copy, JUXGetBestMove)());
            std::fprintf(log, " clear %d", JUX_IN(copy, JUXClearHashtable)());
            JUX_IN(copy, JUXSetStartPosition)();
            JUX_IN(copy, JUXSetPosition)("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
            std::fprintf(log, " enter %d", JUX_IN(copy, JUXEnterMove)("e2e4"));
            std::fprintf(log, " quit %d", JUX_IN(copy, JUXQuit)());
            std::fprintf(log, " quit %d\n", JUX_IN(copy, JUXQuit)());
        };
        calls_without_tables("before init");
        std::fprintf(log, "init %d", JUX_IN(copy, JUXInit)(256, nullptr, 0, 0));
        JUX_IN(copy, JUXSetStartPosition)();
        std::fprintf(log, " enter %d", JUX_IN(copy, JUXEnterMove)("e2e4"));
        std::fprintf(log, " quit %d\n", JUX_IN(copy, JUXQuit)());
        calls_without_tables("after quit");
        std::fprintf(log, "init %d", JUX_IN(copy, JUXInit)(256, nullptr, 0, 0));
        JUX_IN(copy, JUXSetDepth)(1);
        JUX_IN(copy, JUXAnalyse)(0);
        std::fprintf(log, " best move %zu letters", std::strlen(JUX_IN(copy, JUXGetBestMove)()));
        std::fprintf(log, " quit %d\n", JUX_IN(copy, JUXQuit)());
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    char text[1024] = "";
    EXPECT_GT(pread(fileno(log), text, sizeof text - 1, 0), 0);
    std::fclose(log);
    EXPECT_EQ(text, std::string("before init: analyse -32768 best '' clear -1 enter -1 quit 0 quit 0\n"
                                "init 256 enter 1 quit 1\n"
                                "after quit: analyse -32768 best '' clear -1 enter -1 quit 0 quit 0\n"
                                "init 256 best move 4 letters quit 1\n"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
