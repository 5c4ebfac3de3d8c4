// Test helper: the message of the exception of type E that an action raises.
#pragma once

#include <functional>
#include <string>

// The message of the E raised by action, or "no error" when it raises nothing.
template <typename E>
std::string RaisedMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.Message();
    }
    return "no error";
}
