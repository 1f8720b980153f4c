#include "smp/process_watch.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/pipe.h"

namespace process_watch {

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The fields after the command name in /proc/<pid>/stat.
std::vector<std::string> stat_fields(pid_t pid) {
    const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    std::vector<std::string> fields;
    const size_t end_of_name = stat.rfind(')');
    if (end_of_name == std::string::npos) return fields;
    std::istringstream rest(stat.substr(end_of_name + 1));
    for (std::string field; rest >> field;) fields.push_back(field);
    return fields;
}

pid_t parent_of(pid_t pid) {
    const std::vector<std::string> fields = stat_fields(pid);
    return fields.size() > 1 ? static_cast<pid_t>(std::atoi(fields[1].c_str())) : -1;
}

std::vector<std::string> arguments_of(pid_t pid) {
    const std::string text = read_file("/proc/" + std::to_string(pid) + "/cmdline");
    std::vector<std::string> arguments;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

double now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

std::vector<std::string> directory_entries(const std::string& directory) {
    std::vector<std::string> names;
    DIR* d = opendir(directory.c_str());
    if (d == nullptr) return names;
    while (dirent* e = readdir(d)) names.push_back(e->d_name);
    closedir(d);
    return names;
}

std::string pipe_directory_path() {
    char directory[256];
    return pipe_directory(directory, sizeof directory) ? directory : "";
}

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

Subreaper::Subreaper() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

Subreaper::~Subreaper() {
    for (const Child& c : children()) kill(c.pid, SIGKILL);
    for (;;) {
        pid_t r = waitpid(-1, nullptr, 0);
        if (r < 0) break;
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

std::vector<Child> children(pid_t except) {
    std::vector<Child> found;
    const pid_t self = getpid();
    for (const std::string& name : directory_entries("/proc")) {
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = static_cast<pid_t>(std::atoi(name.c_str()));
        if (pid == except || parent_of(pid) != self) continue;
        found.push_back({pid, arguments_of(pid)});
    }
    std::sort(found.begin(), found.end(), [](const Child& a, const Child& b) { return a.pid < b.pid; });
    return found;
}

std::optional<std::vector<Child>> wait_for_children(const std::vector<std::string>& numbers, pid_t except,
                                                    int timeout_ms) {
    const double deadline = now_ms() + timeout_ms;
    for (;;) {
        const std::vector<Child> found = children(except);
        std::vector<Child> ordered;
        for (const std::string& number : numbers)
            for (const Child& c : found)
                if (c.arguments.size() == 3 && c.arguments[1] == number) ordered.push_back(c);
        if (found.size() == numbers.size() && ordered.size() == numbers.size()) return ordered;
        if (now_ms() >= deadline) return std::nullopt;
        usleep(10000);
    }
}

bool collect_if_ended(pid_t pid, int* status) {
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) != pid) return false;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

std::optional<int> wait_child(pid_t pid, int timeout_ms) {
    const double deadline = now_ms() + timeout_ms;
    int status = 0;
    while (!collect_if_ended(pid, &status)) {
        if (now_ms() >= deadline) return std::nullopt;
        usleep(5000);
    }
    return status;
}

char state_of(pid_t pid) {
    const std::vector<std::string> fields = stat_fields(pid);
    return fields.empty() || fields[0].empty() ? 0 : fields[0][0];
}

std::string executable_of(pid_t pid) {
    return descriptor_target(pid, -1);
}

std::string descriptor_target(pid_t pid, int fd) {
    const std::string path =
        "/proc/" + std::to_string(pid) + (fd < 0 ? std::string("/exe") : "/fd/" + std::to_string(fd));
    char buffer[512];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "";
}

pid_t session_of(pid_t pid) {
    const std::vector<std::string> fields = stat_fields(pid);
    return fields.size() > 3 ? static_cast<pid_t>(std::atoi(fields[3].c_str())) : -1;
}

std::vector<std::string> leftovers_of(pid_t master) {
    std::vector<std::string> found;
    const std::string shm_prefix = "jux_" + std::to_string(master) + "_";
    for (const std::string& name : directory_entries("/dev/shm"))
        if (name.compare(0, shm_prefix.size(), shm_prefix) == 0) found.push_back("/dev/shm/" + name);
    const std::string pipes = pipe_directory_path();
    const std::string pipe_tail = "-" + std::to_string(master);
    for (const std::string& name : directory_entries(pipes))
        if (name.compare(0, 7, "jux-uci") == 0 && ends_with(name, pipe_tail))
            found.push_back(pipes + "/" + name);
    std::sort(found.begin(), found.end());
    return found;
}

void remove_leftovers_of(pid_t master) {
    for (const std::string& path : leftovers_of(master)) unlink(path.c_str());
}

}  // namespace process_watch
