// What a test of the worker chain needs to see of processes it did not start
// directly: the test is made the subreaper of its descendants, so the
// workers become its children; it collects their exit statuses and can tell
// that nothing of an engine is left behind.
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
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        if (condition()) return true;
        usleep(10000);
    }
    return condition();
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

// Adopts every orphan among this process's descendants while it lives; ends
// and collects them all when it goes.
struct Subreaper {
    Subreaper() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~Subreaper();
};

struct Child {
    pid_t pid;
    std::vector<std::string> arguments;  // argv[0] first
    std::string command;                 // the kernel's short name ("jux-guard")
    bool ended;                          // waits to be collected
};

// The processes whose parent is parent, ended ones too until collected.
inline std::vector<Child> children_of(pid_t parent) {
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

// The children of this process other than except.
inline std::vector<Child> children(pid_t except = -1) {
    std::vector<Child> found = children_of(getpid());
    std::erase_if(found, [&](const Child& c) { return c.pid == except; });
    return found;
}

// Every process below this one that has not ended: its children, theirs,
// and so on.
inline std::vector<Child> descendants() {
    std::vector<Child> found;
    std::vector<pid_t> parents = {getpid()};
    for (size_t i = 0; i < parents.size(); i++)
        for (const Child& c : children_of(parents[i]))
            if (!c.ended) {
                found.push_back(c);
                parents.push_back(c.pid);
            }
    return found;
}

inline Subreaper::~Subreaper() {
    for (const Child& c : children()) kill(c.pid, SIGKILL);
    while (waitpid(-1, nullptr, 0) > 0) {
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// Waits until the children other than except are exactly one worker per
// number in numbers, and returns them in that order. A started worker shows
// its starter's arguments until it has loaded the program, so the numbers
// tell when all are there. Nothing on time-out.
inline std::optional<std::vector<Child>> wait_for_children(const std::vector<std::string>& numbers,
                                                           pid_t except) {
    std::vector<Child> ordered;
    const bool found = wait_for([&] {
        const std::vector<Child> all = children(except);
        ordered.clear();
        for (const std::string& number : numbers)
            for (const Child& c : all)
                if (c.arguments.size() == 3 && c.arguments[1] == number) ordered.push_back(c);
        return all.size() == numbers.size() && ordered.size() == numbers.size();
    });
    return found ? std::optional(ordered) : std::nullopt;
}

// True when child pid has ended, collected now: its exit status (0..255), or
// 128 + signal.
inline bool collect_if_ended(pid_t pid, int* status) {
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) != pid) return false;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}
inline std::optional<int> wait_child(pid_t pid) {
    int status = 0;
    return wait_for([&] { return collect_if_ended(pid, &status); }) ? std::optional(status) : std::nullopt;
}

// Collects every child that ends until none is left (what a killed engine
// leaves ends by itself); false on time-out.
inline bool collect_all_children() {
    return wait_for([] {
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        return children().empty();
    });
}

// The pipes and shared-memory blocks of the engine whose master is master.
inline std::vector<std::string> leftovers_of(pid_t master) {
    std::vector<std::string> found;
    const std::string shm_prefix = "jux_" + std::to_string(master) + "_";
    for (const std::string& name : directory_entries("/dev/shm"))
        if (name.rfind(shm_prefix, 0) == 0) found.push_back("/dev/shm/" + name);
    char pipes[256];
    const std::string tail = "-" + std::to_string(master);
    if (pipe_directory(pipes, sizeof pipes))
        for (const std::string& name : directory_entries(pipes))
            if (name.rfind("jux-uci", 0) == 0 && name.size() > tail.size() &&
                name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
                found.push_back(std::string(pipes) + "/" + name);
    return found;
}

}  // namespace process_watch
