// The named pipes between engine processes: where they live, who may open
// them, and what the reader sees of the writer.
#include "platform/pipe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

std::string temporary_directory() {
    char pattern[] = "/tmp/jux_pipe_test_XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "";
}

// The runtime directory as the environment names it, restored afterwards.
class RuntimeDirectory : public ::testing::Test {
   protected:
    void SetUp() override {
        const char* old = getenv("XDG_RUNTIME_DIR");
        had_old = old != nullptr;
        if (had_old) old_value = old;
        base = temporary_directory();
        ASSERT_FALSE(base.empty());
    }
    void TearDown() override {
        if (had_old)
            setenv("XDG_RUNTIME_DIR", old_value.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        rmdir((base + "/jux").c_str());
        rmdir(base.c_str());
    }
    bool had_old = false;
    std::string old_value;
    std::string base;
};

TEST_F(RuntimeDirectory, APrivateRuntimeDirectoryHoldsThePipes) {
    ASSERT_EQ(chmod(base.c_str(), 0700), 0);
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    char directory[256];
    ASSERT_TRUE(pipe_directory(directory, sizeof directory));
    EXPECT_EQ(std::string(directory), base + "/jux");
    struct stat st;
    ASSERT_EQ(lstat(directory, &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, geteuid());

    char path[512];
    ASSERT_TRUE(pipe_path(path, sizeof path, 2, "4711"));
    EXPECT_EQ(std::string(path), base + "/jux/jux-uci2-4711");
}

TEST_F(RuntimeDirectory, ARuntimeDirectoryOthersCanEnterIsNotUsed) {
    ASSERT_EQ(chmod(base.c_str(), 0755), 0);
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    char directory[256];
    ASSERT_TRUE(pipe_directory(directory, sizeof directory));
    EXPECT_EQ(std::string(directory), "/tmp/jux-" + std::to_string(geteuid()));
    struct stat st;
    EXPECT_NE(lstat((base + "/jux").c_str(), &st), 0) << "nothing made in the shared directory";

    setenv("XDG_RUNTIME_DIR", "relative/path", 1);
    ASSERT_TRUE(pipe_directory(directory, sizeof directory));
    EXPECT_EQ(std::string(directory), "/tmp/jux-" + std::to_string(geteuid()));
}

TEST_F(RuntimeDirectory, ADirectoryThatIsNotPrivateIsRefused) {
    ASSERT_EQ(chmod(base.c_str(), 0700), 0);
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    // Someone made our directory readable to others: no pipe goes there.
    ASSERT_EQ(mkdir((base + "/jux").c_str(), 0755), 0);
    ASSERT_EQ(chmod((base + "/jux").c_str(), 0755), 0);
    char directory[256];
    EXPECT_FALSE(pipe_directory(directory, sizeof directory));
    char path[512];
    EXPECT_FALSE(pipe_path(path, sizeof path, 1, "4711"));
}

TEST(PipePath, SuffixesThatCouldLeaveTheDirectoryAreRefused) {
    char path[512];
    EXPECT_FALSE(pipe_path(path, sizeof path, 1, "../4711"));
    EXPECT_FALSE(pipe_path(path, sizeof path, 1, "a/b"));
    EXPECT_FALSE(pipe_path(path, sizeof path, 1, ""));
    EXPECT_FALSE(pipe_path(path, sizeof path, 1, "47 11"));
    EXPECT_TRUE(pipe_path(path, sizeof path, 1, "Ab-_09"));
    char small[8];
    EXPECT_FALSE(pipe_path(small, sizeof small, 1, "4711"));
}

// One pipe in a scratch directory, both ends in this process.
class Fifo : public ::testing::Test {
   protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        directory = temporary_directory();
        ASSERT_FALSE(directory.empty());
        path = directory + "/jux-uci1-test";
    }
    void TearDown() override {
        pipe_close(reader);
        pipe_close(writer);
        unlink(path.c_str());
        rmdir(directory.c_str());
    }
    bool exists() const {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }
    std::string directory, path;
    int reader = -1, writer = -1;
};

TEST_F(Fifo, IsCreatedForTheOwnerOnlyWhateverTheCreationMask) {
    const mode_t old_mask = umask(0277);
    const bool made = pipe_create(path.c_str());
    umask(old_mask);
    ASSERT_TRUE(made);
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    pipe_remove(path.c_str());
    EXPECT_FALSE(exists());
}

TEST_F(Fifo, ReplacesWhateverALostProcessLeftUnderItsName) {
    FILE* stale = std::fopen(path.c_str(), "w");
    ASSERT_NE(stale, nullptr);
    std::fclose(stale);
    ASSERT_TRUE(pipe_create(path.c_str()));
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(Fifo, TheWriterWaitsForAReaderAndNeverOpensWhatIsNotAPipe) {
    EXPECT_EQ(pipe_open_writer(path.c_str()), PIPE_FAILED) << "no pipe yet";
    EXPECT_EQ(pipe_open_reader(path.c_str()), PIPE_FAILED) << "no pipe yet";
    ASSERT_TRUE(pipe_create(path.c_str()));
    EXPECT_EQ(pipe_open_writer(path.c_str()), PIPE_NO_READER);

    const std::string file = directory + "/plain";
    FILE* plain = std::fopen(file.c_str(), "w");
    ASSERT_NE(plain, nullptr);
    std::fclose(plain);
    EXPECT_EQ(pipe_open_reader(file.c_str()), PIPE_FAILED);
    EXPECT_EQ(pipe_open_writer(file.c_str()), PIPE_FAILED);
    unlink(file.c_str());
}

TEST_F(Fifo, CarriesBytesInOrderAndReportsTheWritersEnd) {
    ASSERT_TRUE(pipe_create(path.c_str()));
    reader = pipe_open_reader(path.c_str());
    ASSERT_GE(reader, 0);
    // Before any writer: nothing, and not the end either.
    EXPECT_EQ(pipe_pending(reader), 0);
    EXPECT_EQ(pipe_read_byte(reader), PIPE_NO_DATA);

    writer = pipe_open_writer(path.c_str());
    ASSERT_GE(writer, 0);
    // Both ends are blocking and stay behind in no started program.
    for (int fd : {reader, writer}) {
        EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
        EXPECT_EQ(fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    }
    // Once both ends are open the name can go; the pipe lives on.
    pipe_remove(path.c_str());
    EXPECT_FALSE(exists());

    EXPECT_EQ(pipe_pending(reader), 0);
    pipe_write(writer, "go\nstop\n");
    EXPECT_EQ(pipe_pending(reader), 8);
    std::string got;
    for (int i = 0; i < 8; i++) got += static_cast<char>(pipe_read_byte(reader));
    EXPECT_EQ(got, "go\nstop\n");
    EXPECT_EQ(pipe_pending(reader), 0);

    pipe_write(writer, "\xff");
    EXPECT_EQ(pipe_read_byte(reader), 255);

    pipe_close(writer);
    writer = -1;
    EXPECT_EQ(pipe_pending(reader), 1) << "the end counts as waiting input";
    EXPECT_EQ(pipe_read_byte(reader), PIPE_END);
    EXPECT_EQ(pipe_read_byte(reader), PIPE_END);
}

}  // namespace
