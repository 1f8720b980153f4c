// Helpers shared by the tests: whole files, links, and shell commands with their output.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

// The bytes of a file; what was read before an error (a /proc file of a process that ends while it is read
// fails with ESRCH, which the stream library turns into an exception).
inline std::string read_file(const std::string& path) {
    std::string bytes;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(n));
    close(fd);
    return bytes;
}

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Where a symbolic link such as /proc/PID/fd/N points; "" for no link.
inline std::string link_target(const std::string& path) {
    char buffer[512];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : "";
}

// A shell command's standard output and exit status (-1 when a signal ended it).
struct CommandResult {
    std::string output;
    int status;
};
inline CommandResult run_command(const std::string& command) {
    CommandResult result{"", -1};
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result;
}
