// The message of the database error an action raises, for tests that check the system's texts.
#pragma once

#include "db/DB.h"

#include <string>

template <typename F>
std::string MessageOf(F action) {
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return "<nothing raised>";
}
