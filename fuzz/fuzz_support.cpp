#include "fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "book/book.h"
#include "core/role.h"
#include "search/startup.h"

void start_engine() {
    static bool started = false;
    if (started) return;
    started = true;
    init_tables();
    std::snprintf(role.name_suffix, sizeof role.name_suffix, "%d", static_cast<int>(getpid()));
    std::fflush(stdout);
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

const std::string& scratch_book_path() {
    static std::string path;
    if (!path.empty()) return path;
    char directory[] = "/tmp/jux-fuzz-XXXXXX";
    if (!mkdtemp(directory)) std::abort();
    path = std::string(directory) + "/" + BOOK_FILE_NAME;
    std::atexit([] {
        unlink(path.c_str());
        rmdir(path.substr(0, path.rfind('/')).c_str());
    });
    return path;
}

void write_file(const std::string& path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size > 0 && std::fwrite(data, 1, size, file) != size)) std::abort();
    std::fclose(file);
}

void require(bool condition, const char* what, const std::string& detail) {
    if (condition) return;
    std::fprintf(stderr, "fuzz finding: %s: %s\n", what, detail.c_str());
    std::abort();
}
