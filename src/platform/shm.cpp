#include "platform/shm.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ShmResult shm_create(const char* name, size_t size, SharedBlock& block) {
    block = {nullptr, 0};
    int fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return errno == EEXIST ? ShmResult::exists : ShmResult::failed;
    // Reserve every page now: a block larger than the memory behind it must
    // fail here, not later with a bus error when the tables are written.
    if (posix_fallocate(fd, 0, static_cast<off_t>(size)) != 0) {
        close(fd);
        shm_unlink(name);
        return ShmResult::failed;
    }
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (view == MAP_FAILED) {
        shm_unlink(name);
        return ShmResult::failed;
    }
    block = {view, size};
    return ShmResult::ok;
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
