// Processes a test did not start directly: as subreaper the test adopts the workers.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/pipe.h"
#include "support.h"

namespace process_watch {

// Polls condition every 10 ms until it holds; false on time-out.
inline bool wait_for(const std::function<bool()>& condition, int timeout_ms = 60000) {
    for (int waited = 0;; waited += 10) {
        if (condition()) return true;
        if (waited >= timeout_ms) return false;
        usleep(10000);
    }
}

inline std::vector<std::string> directory_entries(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* d = opendir(directory.c_str())) {
        while (dirent* e = readdir(d)) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Child {
    pid_t pid;
    std::vector<std::string> arguments;  // argv[0] first
    std::string command;                 // the kernel's short name ("jux-guard")
    bool ended;                          // waits to be collected
};

// The processes whose parent is parent (this process by default), ended ones too until collected.
inline std::vector<Child> children_of(pid_t parent = getpid()) {
    std::vector<Child> found;
    for (const std::string& name : directory_entries("/proc")) {
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = read_file("/proc/" + name + "/stat");
        std::istringstream rest(stat.substr(stat.rfind(')') + 1));
        std::string state;
        pid_t its_parent = -1;
        rest >> state >> its_parent;
        if (its_parent != parent) continue;
        Child c{std::stoi(name), {}, read_file("/proc/" + name + "/comm"), state == "Z"};
        if (!c.command.empty()) c.command.pop_back();
        std::istringstream cmdline(read_file("/proc/" + name + "/cmdline"));
        for (std::string argument; std::getline(cmdline, argument, '\0');) c.arguments.push_back(argument);
        found.push_back(c);
    }
    return found;
}

// Adopts orphaned descendants while it lives; ends and collects them all when it goes.
struct Subreaper {
    Subreaper() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~Subreaper() {
        for (const Child& c : children_of()) kill(c.pid, SIGKILL);
        while (waitpid(-1, nullptr, 0) > 0) {
        }
        prctl(PR_SET_CHILD_SUBREAPER, 0);
    }
};

// Waits until the children other than except are exactly one worker per number; returns them in that order.
inline std::vector<Child> wait_for_workers(const std::vector<std::string>& numbers, pid_t except) {
    std::vector<Child> ordered, all;
    const bool found = wait_for([&] {
        all = children_of();
        std::erase_if(all, [&](const Child& c) { return c.pid == except; });
        ordered.clear();
        for (const std::string& number : numbers)
            for (const Child& c : all)
                if (c.arguments.size() == 3 && c.arguments[1] == number) ordered.push_back(c);
        return all.size() == numbers.size() && ordered.size() == numbers.size();
    });
    return found ? ordered : std::vector<Child>{};
}

// The exit status of child pid once it ends (0..255, or 128 + signal); nothing on time-out.
inline std::optional<int> wait_child(pid_t pid, int timeout_ms = 60000) {
    int raw = 0;
    if (!wait_for([&] { return waitpid(pid, &raw, WNOHANG) == pid; }, timeout_ms)) return std::nullopt;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// The pipes and shared-memory blocks of the engine whose master is master.
inline std::vector<std::string> leftovers_of(pid_t master) {
    std::vector<std::string> found;
    const std::string shm_prefix = "jux_" + std::to_string(master) + "_", tail = "-" + std::to_string(master);
    for (const std::string& name : directory_entries("/dev/shm"))
        if (name.starts_with(shm_prefix)) found.push_back("/dev/shm/" + name);
    char pipes[256];
    if (pipe_directory(pipes, sizeof pipes))
        for (const std::string& name : directory_entries(pipes))
            if (name.starts_with("jux-uci") && name.ends_with(tail))
                found.push_back(std::string(pipes) + "/" + name);
    return found;
}

}  // namespace process_watch
