// Named and private blocks.
#include "platform/shm.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

std::string block_name(const char* tail) {
    return "/jux_t" + std::to_string(getpid()) + "_" + tail;
}
bool name_exists(const std::string& name) {
    return access(("/dev/shm" + name).c_str(), F_OK) == 0;
}
bool all_zero(const SharedBlock& b) {
    const unsigned char* p = static_cast<const unsigned char*>(b.view);
    for (size_t i = 0; i < b.size; i++)
        if (p[i] != 0) return false;
    return true;
}

// What each way of making a block leaves under its name, and what the file-size
// limit refuses (in a child, whose limit ends with it).
TEST(SharedBlock, NamesKeptOrGoneAndBlocksAboveTheFileSizeLimit) {
    const std::string name = block_name("block");
    const struct {
        bool keep_name;
        size_t size;
        ShmResult result;
        bool named;
    } cases[] = {
        {true, 100000, ShmResult::ok, true},
        {false, 100000, ShmResult::ok, false},
        {true, 300000, ShmResult::failed, false},  // above the limit
        {false, 300000, ShmResult::failed, false},
    };
    for (const auto& c : cases) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit limit = {200000, 200000};
            setrlimit(RLIMIT_FSIZE, &limit);
            SharedBlock b;
            const ShmResult r = shm_create(name.c_str(), c.size, c.keep_name, b);
            int code = r != c.result                                              ? 1
                       : name_exists(name) != c.named                             ? 2
                       : r == ShmResult::ok && (b.size != c.size || !all_zero(b)) ? 3
                                                                                  : 0;
            shm_remove(name.c_str());
            _exit(code);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.keep_name << " " << c.size;
    }
    SharedBlock kept, again;
    ASSERT_EQ(shm_create(name.c_str(), 4096, true, kept), ShmResult::ok);
    EXPECT_EQ(shm_create(name.c_str(), 4096, true, again), ShmResult::exists);
    shm_remove(name.c_str());
    shm_detach(kept);

    SharedBlock own;
    ASSERT_TRUE(private_block(1 << 20, own));
    EXPECT_EQ(own.size, 1u << 20);
    EXPECT_TRUE(all_zero(own));
    shm_detach(own);
    EXPECT_EQ(own.view, nullptr);
}

}  // namespace
