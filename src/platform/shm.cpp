#include "platform/shm.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

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
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (view == MAP_FAILED) return false;
    block = {view, size};
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
