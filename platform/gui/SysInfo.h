// What the about dialog reports of the machine: the operating system, memory, processor and the
// free space of a disk. Figures of memory and disk are 64-bit byte counts.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TMemoryStatus {
    Int64 TotalPhys = 0;
    Int64 AvailPhys = 0;
    Int64 TotalPageFile = 0; // swap
    Int64 AvailPageFile = 0;
    int MemoryLoad = 0; // percent of physical memory in use
};

// "Linux" with the distribution's name when the system tells it ("Linux (Debian GNU/Linux 12)").
std::string OSName();
// The kernel release ("6.1.0-18-amd64").
std::string OSVersion();
// False (and zeros) when the system does not say.
bool GetMemoryStatus(TMemoryStatus& Status);
// The processor's model name ("Intel(R) Xeon(R) ..."), or the machine type when unknown.
std::string ProcessorName();
int ProcessorCount();
// The processor's family number (the level the original system reported: 5 Pentium, 6 Pentium
// Pro and its successors...); 0 when the system does not say.
int ProcessorLevel();
// Free and total bytes of the disk holding Folder ("" = the current folder); -1 on failure.
Int64 DiskFree(const std::string& Folder = "");
Int64 DiskSize(const std::string& Folder = "");

// Reads the memory figures from the text of /proc/meminfo (values in kB); false when the
// total is missing.
bool ParseMemInfo(const std::string& Text, TMemoryStatus& Status);
// Reads the PRETTY_NAME of an os-release file's text; empty when absent.
std::string ParseOsRelease(const std::string& Text);
// Reads the first "model name" of a cpuinfo text; empty when absent.
std::string ParseCpuModel(const std::string& Text);
// Reads the first "cpu family" of a cpuinfo text; 0 when absent or not a number.
int ParseCpuFamily(const std::string& Text);
