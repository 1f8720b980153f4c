// What a test of the worker chain needs to see of processes it did not start
// directly: the workers become children of the test (it is made their
// subreaper), so it can collect their exit statuses and leave nothing behind.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace process_watch {

// Makes this process the parent of every orphan among its descendants, as
// long as the guard lives; the guard ends and collects them all on exit.
class Subreaper {
   public:
    Subreaper();
    ~Subreaper();
    Subreaper(const Subreaper&) = delete;
    Subreaper& operator=(const Subreaper&) = delete;
};

struct Child {
    pid_t pid;
    std::vector<std::string> arguments;  // argv[0] first
};
// The children of this process other than except, in ascending pid order.
std::vector<Child> children(pid_t except = -1);
// Waits until the children other than except are exactly one per worker
// number in numbers, each with that number as its first argument, and
// returns them in the order of numbers. A started worker shows its
// starter's arguments until it has loaded the program, so the numbers tell
// when all are there. Nothing on time-out.
std::optional<std::vector<Child>> wait_for_children(const std::vector<std::string>& numbers, pid_t except,
                                                    int timeout_ms = 30000);

// Collects child pid once it has ended: its exit status (0..255), or 128 +
// signal; nothing on time-out.
std::optional<int> wait_child(pid_t pid, int timeout_ms = 30000);
// True when the child has ended and is collected now (status into *status).
bool collect_if_ended(pid_t pid, int* status);

// State letter of a process from /proc ('R', 'S', 'T', 'Z'...); 0 when gone.
char state_of(pid_t pid);
std::string executable_of(pid_t pid);
std::string descriptor_target(pid_t pid, int fd);
pid_t session_of(pid_t pid);

// Names an engine whose master has process id master left behind: its pipes
// and its shared-memory blocks.
std::vector<std::string> leftovers_of(pid_t master);
// Removes them (tear-down after a failed test).
void remove_leftovers_of(pid_t master);

}  // namespace process_watch
