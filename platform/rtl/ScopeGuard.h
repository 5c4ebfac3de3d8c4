// A scope guard: runs an action when the scope it lives in ends, by return or by exception, so
// that locks, counters and flags set for the length of a routine are always put back.
#pragma once

#include <utility>

template <typename Action>
class TScopeGuard {
public:
    explicit TScopeGuard(Action action) : action_(std::move(action)) {}
    ~TScopeGuard() { action_(); }
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;

private:
    Action action_;
};

template <typename Action>
TScopeGuard<Action> MakeScopeGuard(Action action) {
    return TScopeGuard<Action>(std::move(action));
}
