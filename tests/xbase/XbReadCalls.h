// Read calls this process made so far (the kernel's count; with "rchar:" the bytes they read),
// -1 when it cannot be had: tests of how many reads a walk or a seek takes, and how much.
#pragma once

#include <fstream>
#include <string>

inline long XbReadCalls(const std::string& counter = "syscr:") {
    std::ifstream io("/proc/self/io");
    std::string name;
    long value = 0;
    while (io >> name >> value)
        if (name == counter) return value;
    return -1;
}
