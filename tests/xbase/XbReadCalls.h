// Read calls this process made so far, and the bytes they read (the kernel's counts), -1 when
// they cannot be had: tests of how many reads a walk or a seek takes, and how much it reads.
#pragma once

#include <fstream>
#include <string>

inline long XbProcessIo(const std::string& counter) {
    std::ifstream io("/proc/self/io");
    std::string name;
    long value = 0;
    while (io >> name >> value)
        if (name == counter) return value;
    return -1;
}

inline long XbReadCalls() {
    return XbProcessIo("syscr:");
}

inline long XbReadBytes() {
    return XbProcessIo("rchar:");
}
