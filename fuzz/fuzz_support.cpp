#include "fuzz_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

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

// Every global struct an input can change, as raw bytes: the atomics some
// hold are only ever used from this one thread.
struct SavedGlobal {
    void* address;
    size_t size;
    std::vector<unsigned char> bytes;
};
std::vector<SavedGlobal> saved_globals;

template <typename... Globals>
void save_globals(Globals&... globals) {
    (saved_globals.push_back({&globals, sizeof globals, {}}), ...);
    for (SavedGlobal& g : saved_globals)
        g.bytes.assign(static_cast<unsigned char*>(g.address),
                       static_cast<unsigned char*>(g.address) + g.size);
}

ScratchDirectory* scratch_to_remove = nullptr;

void remove_scratch_directory() {
    unlink((scratch_to_remove->path + "/" + BOOK_FILE_NAME).c_str());
    rmdir(scratch_to_remove->path.c_str());
}

}  // namespace

void start_engine() {
    static bool started = false;
    if (started) return;
    started = true;
    init_tables();
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    std::fflush(stdout);
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

void create_scratch_directory(ScratchDirectory& scratch) {
    char name[] = "/tmp/jux-fuzz-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    scratch.path = name;
    scratch.home_fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    scratch_to_remove = &scratch;
    std::atexit(remove_scratch_directory);
}

void enter_scratch_directory(ScratchDirectory& scratch) {
    if (chdir(scratch.path.c_str()) != 0) std::abort();
}

void leave_scratch_directory(ScratchDirectory& scratch) {
    if (fchdir(scratch.home_fd) != 0) std::abort();
}

void write_scratch_file(const ScratchDirectory& scratch, const char* name, const void* data, size_t size) {
    std::FILE* file = std::fopen((scratch.path + "/" + name).c_str(), "wb");
    if (!file || (size > 0 && std::fwrite(data, 1, size, file) != size)) std::abort();
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

void require(bool condition, const char* what, const std::string& detail) {
    if (condition) return;
    std::fprintf(stderr, "fuzz finding: %s: %s\n", what, detail.c_str());
    std::abort();
}

void save_engine_state() {
    save_globals(pos, options, limits, interpreter, search, timer, pv, ordering, book, hash_tables,
                 eval_state, attack_count, phase_state, root_tables, weights, worker_link, role, tb_counters);
}

void restore_engine_state() {
    release_tables();  // shared memory first: the saved state holds no tables
    for (const SavedGlobal& g : saved_globals) std::memcpy(g.address, g.bytes.data(), g.size);
    seed_random(1);
}
