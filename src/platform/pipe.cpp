#include "platform/pipe.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A directory that no other user can enter, reach through a link or swap.
bool is_private_directory(const char* path) {
    struct stat st;
    if (lstat(path, &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

bool fits(int written, int size) {
    return written > 0 && written < size;
}

void set_blocking(int fd) {
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace

bool pipe_directory(char* out, int size) {
    // The user's runtime directory when there is a sound one; otherwise a
    // directory of our own under /tmp.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    int written;
    if (runtime != nullptr && runtime[0] == '/' && is_private_directory(runtime))
        written = std::snprintf(out, static_cast<size_t>(size), "%s/jux", runtime);
    else
        written =
            std::snprintf(out, static_cast<size_t>(size), "/tmp/jux-%u", static_cast<unsigned>(geteuid()));
    if (!fits(written, size)) return false;
    if (mkdir(out, 0700) != 0 && errno != EEXIST) return false;
    return is_private_directory(out);
}

bool pipe_path(char* out, int size, int worker_number, const char* name_suffix) {
    if (name_suffix[0] == 0) return false;
    for (const char* c = name_suffix; *c; c++) {
        const bool plain = (*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                           *c == '-' || *c == '_';
        if (!plain) return false;
    }
    char directory[256];
    if (!pipe_directory(directory, sizeof directory)) return false;
    int written = std::snprintf(out, static_cast<size_t>(size), "%s/jux-uci%d-%s", directory, worker_number,
                                name_suffix);
    return fits(written, size);
}

bool pipe_create(const char* path) {
    if (mkfifo(path, 0600) != 0) {
        if (errno != EEXIST) return false;
        unlink(path);
        if (mkfifo(path, 0600) != 0) return false;
    }
    // The creation mask may have taken bits away; the owner needs both.
    if (chmod(path, 0600) != 0) {
        unlink(path);
        return false;
    }
    return true;
}

void pipe_remove(const char* path) {
    unlink(path);
}

namespace {

// Opens path without waiting for the other end and makes sure it is a FIFO;
// the descriptor then blocks again. Returns -1 with errno set on failure.
int open_fifo(const char* path, int access) {
    int fd;
    do fd = open(path, access | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    set_blocking(fd);
    return fd;
}

}  // namespace

int pipe_open_writer(const char* path) {
    int fd = open_fifo(path, O_WRONLY);
    if (fd < 0) return errno == ENXIO ? PIPE_NO_READER : PIPE_FAILED;
    return fd;
}

int pipe_open_reader(const char* path) {
    int fd = open_fifo(path, O_RDONLY);
    return fd < 0 ? PIPE_FAILED : fd;
}

int pipe_pending(int fd) {
    pollfd query = {fd, POLLIN, 0};
    int ready;
    do ready = poll(&query, 1, 0);
    while (ready < 0 && errno == EINTR);
    if (ready < 0) return 1;
    if (ready == 0) return 0;
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) == 0 && count > 0) return count;
    return 1;
}

int pipe_read_byte(int fd) {
    for (;;) {
        unsigned char byte;
        ssize_t got = read(fd, &byte, 1);
        if (got == 1) return byte;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return PIPE_NO_DATA;
        if (got < 0) return PIPE_END;
        // No writer. A pipe reports a hang-up only once a writer has come
        // and gone; before the first one there is simply nothing yet.
        pollfd query = {fd, POLLIN, 0};
        if (poll(&query, 1, 0) > 0 && (query.revents & (POLLHUP | POLLERR | POLLNVAL))) return PIPE_END;
        return PIPE_NO_DATA;
    }
}

void pipe_write(int fd, const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        ssize_t n = write(fd, text, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void pipe_close(int fd) {
    if (fd >= 0) close(fd);
}
