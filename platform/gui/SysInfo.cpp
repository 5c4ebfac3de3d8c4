#include "platform/gui/SysInfo.h"

#include "platform/rtl/Strings.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadText(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    return text.str();
}

// The value after "key:" on the line that starts with key, trimmed; empty when absent.
std::string FieldOf(const std::string& text, const std::string& key, char separator) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t sep = line.find(separator);
        if (sep == std::string::npos) continue;
        if (Trim(line.substr(0, sep)) == key) return Trim(line.substr(sep + 1));
    }
    return {};
}

// "16318540 kB" as bytes; -1 when it is no number.
Int64 KiloBytes(const std::string& value) {
    std::istringstream in(value);
    long long kb = 0;
    if (!(in >> kb) || kb < 0) return -1;
    return static_cast<Int64>(kb) * 1024;
}

utsname Uname() {
    utsname u{};
    if (uname(&u) != 0) u = utsname{};
    return u;
}

bool StatFolder(const std::string& folder, struct statvfs& st) {
    return statvfs(folder.empty() ? "." : folder.c_str(), &st) == 0;
}

} // namespace

bool ParseMemInfo(const std::string& Text, TMemoryStatus& Status) {
    Status = TMemoryStatus{};
    const Int64 total = KiloBytes(FieldOf(Text, "MemTotal", ':'));
    if (total <= 0) return false;
    Int64 avail = KiloBytes(FieldOf(Text, "MemAvailable", ':'));
    if (avail < 0) avail = KiloBytes(FieldOf(Text, "MemFree", ':'));
    Status.TotalPhys = total;
    Status.AvailPhys = std::max<Int64>(std::min(avail, total), 0);
    Status.TotalPageFile = std::max<Int64>(KiloBytes(FieldOf(Text, "SwapTotal", ':')), 0);
    Status.AvailPageFile = std::max<Int64>(KiloBytes(FieldOf(Text, "SwapFree", ':')), 0);
    Status.MemoryLoad = static_cast<int>((total - Status.AvailPhys) * 100 / total);
    return true;
}

std::string ParseOsRelease(const std::string& Text) {
    std::string name = FieldOf(Text, "PRETTY_NAME", '=');
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
        name.back() == name.front())
        name = name.substr(1, name.size() - 2);
    return name;
}

std::string ParseCpuModel(const std::string& Text) {
    return FieldOf(Text, "model name", ':');
}

int ParseCpuFamily(const std::string& Text) {
    std::istringstream in(FieldOf(Text, "cpu family", ':'));
    int family = 0;
    if (!(in >> family) || family < 0) return 0;
    return family;
}

std::string OSName() {
    const std::string system = Uname().sysname;
    const std::string distribution = Utf8ToWin1252(ParseOsRelease(ReadText("/etc/os-release")));
    const std::string base = system.empty() ? "Linux" : system;
    return distribution.empty() ? base : base + " (" + distribution + ")";
}

std::string OSVersion() {
    return Uname().release;
}

bool GetMemoryStatus(TMemoryStatus& Status) {
    return ParseMemInfo(ReadText("/proc/meminfo"), Status);
}

std::string ProcessorName() {
    const std::string model = Utf8ToWin1252(ParseCpuModel(ReadText("/proc/cpuinfo")));
    return model.empty() ? std::string(Uname().machine) : model;
}

int ProcessorLevel() {
    return ParseCpuFamily(ReadText("/proc/cpuinfo"));
}

int ProcessorCount() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

Int64 DiskFree(const std::string& Folder) {
    struct statvfs st {};
    if (!StatFolder(Folder, st)) return -1;
    return static_cast<Int64>(st.f_bavail) * static_cast<Int64>(st.f_frsize);
}

Int64 DiskSize(const std::string& Folder) {
    struct statvfs st {};
    if (!StatFolder(Folder, st)) return -1;
    return static_cast<Int64>(st.f_blocks) * static_cast<Int64>(st.f_frsize);
}
