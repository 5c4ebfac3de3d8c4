#include "platform/rtl/Paths.h"

#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    throw EInOutError("The home folder is unknown: set HOME or VANTREL_HOME");
}

bool IsDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The entry of folder whose name is `part` ignoring the case of ASCII letters.
std::optional<fs::path> FindEntry(const fs::path& folder, const std::string& part) {
    std::error_code error;
    if (fs::exists(folder / part, error)) return folder / part;
    std::optional<std::string> best;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (SameText(entry, part) && (!best || entry < *best)) best = entry;
    }
    if (!best) return std::nullopt;
    return folder / *best;
}

} // namespace

std::string SettingsFolder() {
    const char* configured = std::getenv("VANTREL_HOME");
    const fs::path folder = (configured && *configured)
                                ? fs::path(configured)
                                : fs::path(HomeFolder()) / ".local/share/vantrel-plus";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !IsDirectory(folder))
        throw EInOutError("Cannot create the settings folder %s: %s",
                          {folder.string(), error ? error.message() : "not a folder"});
    return folder.string();
}

std::string ProgramFolder() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) return fs::current_path(error).string();
    return exe.parent_path().string();
}

std::string DataFolder() {
    const fs::path program = ProgramFolder();
    const fs::path installed = program.parent_path() / "share/vantrel-plus";
    return IsDirectory(installed) ? installed.string() : program.string();
}

std::string FindFileCaseInsensitive(const std::string& folder, const std::string& name) {
    fs::path current = folder.empty() ? fs::path(".") : fs::path(folder);
    bool named = false;
    for (const fs::path& part : fs::path(name).relative_path()) {
        if (part.empty() || part == ".") continue;
        const auto entry = FindEntry(current, part.string());
        if (!entry) return {};
        current = *entry;
        named = true;
    }
    return named ? current.string() : std::string{};
}

std::string TempFolder() {
    const char* configured = std::getenv("TMPDIR");
    return (configured && *configured) ? configured : "/tmp";
}

std::string CreateTempFile(const std::string& Prefix) {
    std::string pattern = (fs::path(TempFolder()) / (Prefix + "XXXXXX")).string();
    const int handle = mkstemp(pattern.data());
    if (handle < 0) throw EInOutError("Cannot create a temporary file in %s", {TempFolder()});
    close(handle);
    return pattern;
}
