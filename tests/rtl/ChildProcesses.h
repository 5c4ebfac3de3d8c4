// Child processes started together, for tests of several processes meeting on the same files.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>
#include <vector>

// Runs work in a child made by fork alone and waits: its wait status, 0 when work gave true.
inline int RunInChild(const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work() ? 0 : 1);
    int status = -1;
    if (child > 0) ::waitpid(child, &status, 0);
    return status;
}

// Runs work(n) in processes child processes at once, n = 0 .. processes - 1, and waits for
// them, killing those still running after timeout. True when every one gave true. The children
// are made by fork alone: work keeps to file calls.
inline bool RunTogether(int processes, const std::function<bool(int)>& work,
                        std::chrono::seconds timeout = std::chrono::seconds(120)) {
    int start[2];
    if (::pipe(start) != 0) return false;
    std::vector<pid_t> children;
    for (int n = 0; n < processes; ++n) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(start[1]);
            char c = 0;
            (void)!::read(start[0], &c, 1); // the end of the pipe starts them all
            ::_exit(work(n) ? 0 : 1);
        }
        if (child > 0) children.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);
    bool all = static_cast<int>(children.size()) == processes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (const pid_t child : children) {
        int status = -1;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) ::kill(child, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        all = all && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return all;
}
