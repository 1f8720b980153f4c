#include "fuzz_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "board/geometry.h"
#include "board/position.h"
#include "book/book.h"
#include "core/options.h"
#include "core/role.h"
#include "egtb/tbprobe.h"
#include "eval/eval_state.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "eval/root_pst.h"
#include "eval/weights.h"
#include "frontend/interpreter.h"
#include "search/hash.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/pv.h"
#include "search/random.h"
#include "search/startup.h"
#include "search/timectl.h"
#include "smp/workers.h"

namespace {

// Every global struct an input can change, as raw bytes: some hold atomics,
// which the engine only ever uses from one thread here.
struct SavedGlobal {
    void* address;
    size_t size;
    std::vector<unsigned char> bytes;
};
std::vector<SavedGlobal> saved_globals;

template <typename T>
void add_global(T& global) {
    saved_globals.push_back({static_cast<void*>(&global), sizeof global, {}});
}

void remove_scratch_directory_at_exit();
ScratchDirectory* scratch_to_remove = nullptr;

}  // namespace

void start_engine() {
    static bool started = false;
    if (started) return;
    started = true;
    init_tables();
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
        std::fflush(stdout);
        dup2(null_fd, 1);
        close(null_fd);
    }
}

void create_scratch_directory(ScratchDirectory& scratch) {
    char name[] = "/tmp/jux-fuzz-XXXXXX";
    if (!mkdtemp(name)) {
        std::perror("mkdtemp");
        std::abort();
    }
    scratch.path = name;
    scratch.home_fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    scratch_to_remove = &scratch;
    std::atexit(remove_scratch_directory_at_exit);
}

void enter_scratch_directory(ScratchDirectory& scratch) {
    if (chdir(scratch.path.c_str()) != 0) std::abort();
}

void leave_scratch_directory(ScratchDirectory& scratch) {
    if (fchdir(scratch.home_fd) != 0) std::abort();
}

void write_scratch_file(const ScratchDirectory& scratch, const char* name, const void* data, size_t size) {
    std::string path = scratch.path + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

void keep_artifacts_here(int* argc, char*** argv) {
    for (int i = 1; i < *argc; i++)
        if (!std::strncmp((*argv)[i], "-artifact_prefix=", 17) ||
            !std::strncmp((*argv)[i], "-exact_artifact_path=", 21))
            return;
    char* here = getcwd(nullptr, 0);
    if (!here) return;
    static std::string prefix = std::string("-artifact_prefix=") + here + "/";
    free(here);
    static std::vector<char*> arguments;
    arguments.assign(*argv, *argv + *argc);
    arguments.push_back(prefix.data());
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
}

namespace {

void remove_scratch_directory_at_exit() {
    if (!scratch_to_remove) return;
    std::string book = scratch_to_remove->path + "/" + BOOK_FILE_NAME;
    unlink(book.c_str());
    rmdir(scratch_to_remove->path.c_str());
}

}  // namespace

void save_engine_state() {
    add_global(pos);
    add_global(options);
    add_global(limits);
    add_global(interpreter);
    add_global(search);
    add_global(timer);
    add_global(pv);
    add_global(ordering);
    add_global(book);
    add_global(hash_tables);
    add_global(eval_state);
    add_global(attack_count);
    add_global(phase_state);
    add_global(root_tables);
    add_global(weights);
    add_global(worker_link);
    add_global(role);
    add_global(tb_counters);
    for (SavedGlobal& g : saved_globals) {
        const unsigned char* bytes = static_cast<const unsigned char*>(g.address);
        g.bytes.assign(bytes, bytes + g.size);
    }
}

void restore_engine_state() {
    // Shared memory first: the snapshot holds no tables.
    release_tables();
    for (const SavedGlobal& g : saved_globals) std::memcpy(g.address, g.bytes.data(), g.size);
    seed_random(1);
}
