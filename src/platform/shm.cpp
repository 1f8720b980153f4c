#include "platform/shm.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

constexpr size_t HUGE_PAGE_BYTES = size_t{2} << 20;

// Reserving a file beyond the file-size limit raises SIGXFSZ, which would
// end the process instead of failing the one block.
bool within_file_size_limit(size_t size) {
    struct rlimit limit;
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
    return size <= limit.rlim_cur;
}

}  // namespace

ShmResult shm_create(const char* name, size_t size, bool keep_name, SharedBlock& block) {
    block = {nullptr, 0};
    if (!within_file_size_limit(size)) return ShmResult::failed;
    int fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return errno == EEXIST ? ShmResult::exists : ShmResult::failed;
    if (!keep_name) shm_unlink(name);
    // Reserve every page now: a block larger than the memory behind it must
    // fail here, not later with a bus error when the tables are written.
    if (posix_fallocate(fd, 0, static_cast<off_t>(size)) != 0) {
        close(fd);
        if (keep_name) shm_unlink(name);
        return ShmResult::failed;
    }
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (view == MAP_FAILED) {
        if (keep_name) shm_unlink(name);
        return ShmResult::failed;
    }
    block = {view, size};
    return ShmResult::ok;
}

bool private_block(size_t size, SharedBlock& block) {
    block = {nullptr, 0};
    if (size < HUGE_PAGE_BYTES) {
        void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (view == MAP_FAILED) return false;
        block = {view, size};
        return true;
    }
    // Whole huge pages on a huge-page boundary: the tables are probed at
    // random, and a miss in the address translation cache costs as much as
    // the cache miss itself. The kernel falls back to small pages silently.
    const size_t rounded = (size + HUGE_PAGE_BYTES - 1) & ~(HUGE_PAGE_BYTES - 1);
    const size_t reserved = rounded + HUGE_PAGE_BYTES;
    void* area = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return false;
    const uintptr_t start = reinterpret_cast<uintptr_t>(area);
    const uintptr_t aligned = (start + HUGE_PAGE_BYTES - 1) & ~(HUGE_PAGE_BYTES - 1);
    if (aligned > start) munmap(area, aligned - start);
    const uintptr_t end = start + reserved;
    if (end > aligned + rounded) munmap(reinterpret_cast<void*>(aligned + rounded), end - (aligned + rounded));
    void* view = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(view, rounded, MADV_HUGEPAGE);
#endif
    block = {view, rounded};
    return true;
}

bool shm_attach(const char* name, SharedBlock& block) {
    block = {nullptr, 0};
    int fd = shm_open(name, O_RDWR, 0600);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        close(fd);
        return false;
    }
    size_t size = static_cast<size_t>(st.st_size);
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (view == MAP_FAILED) return false;
    block = {view, size};
    return true;
}

void shm_detach(SharedBlock& block) {
    if (block.view) munmap(block.view, block.size);
    block = {nullptr, 0};
}

void shm_remove(const char* name) {
    shm_unlink(name);
}
