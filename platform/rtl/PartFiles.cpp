#include "platform/rtl/PartFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace {

// Takes the lock of type (F_WRLCK on a file open for writing, F_RDLCK on one open for reading)
// on the whole file open at fd, without waiting.
bool Lock(int fd, short type) {
    struct flock whole {};
    whole.l_type = type;
    whole.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &whole) == 0;
}

// True when path names the file open at fd.
bool Names(const std::string& path, int fd) {
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Makes the part path and takes its lock: its descriptor, or -1 with errno set. A part that a
// remover took for a dead writer's between its making and its lock (the lock is the remover's,
// or the name no longer names it) counts as taken (EEXIST). Where the system has no such locks
// the part is kept unlocked: no remover can take it either.
int CreatePart(const std::string& path, mode_t mode) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    const bool locked = Lock(fd, F_WRLCK);
    const bool lockable = locked || errno == EAGAIN || errno == EACCES;
    if ((locked || !lockable) && Names(path, fd)) return fd;
    ::close(fd);
    errno = EEXIST;
    return -1;
}

} // namespace

int CreateFirstFreePart(const std::function<std::string(int)>& name, mode_t mode, std::string& path,
                        const std::function<bool(int)>& taken) {
    for (int n = 1; n < 100000; ++n) {
        if (taken && taken(n)) continue;
        path = name(n);
        const int fd = CreatePart(path, mode);
        if (fd < 0 && errno != EEXIST) return -1;
        if (fd < 0) continue;
        if (!taken || !taken(n)) return fd; // asked again: it may have been taken meanwhile
        ::unlink(path.c_str());
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

void RemoveDeadParts(const std::string& folder,
                     const std::function<bool(const std::string&)>& isPart) {
    std::error_code unreadable;
    for (std::filesystem::directory_iterator entry(folder, unreadable);
         !unreadable && entry != std::filesystem::directory_iterator();
         entry.increment(unreadable)) {
        if (!isPart(entry->path().filename().string())) continue;
        const std::string path = entry->path().string();
        // Opened to be locked only: never followed through a link, never waiting on a pipe. A
        // part the remover may write is locked as its writer locks it, so that no other remover
        // holds it meanwhile; another user's part is probed with a shared lock, which read
        // access is enough for. Its writer's lock refuses either while the writer lives.
        constexpr int kProbe = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int fd = ::open(path.c_str(), O_WRONLY | kProbe);
        const short type = fd >= 0 ? F_WRLCK : F_RDLCK;
        if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | kProbe);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && Lock(fd, type) && Names(path, fd))
            ::unlink(path.c_str());
        ::close(fd);
    }
}

namespace {

// True when entry is a part of the file called name: "<name>.<number>.part".
bool IsPartOf(const std::string& entry, const std::string& name) {
    const std::string head = name + ".", tail = ".part";
    return entry.size() > head.size() + tail.size() && entry.starts_with(head) &&
           entry.ends_with(tail) &&
           std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(head.size()),
                       entry.end() - static_cast<std::ptrdiff_t>(tail.size()),
                       [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

int CreatePartOf(const std::string& name, const std::string& folder, mode_t mode,
                 std::string& path) {
    RemoveDeadParts(folder, [&name](const std::string& entry) { return IsPartOf(entry, name); });
    return CreateFirstFreePart(
        [&](int n) { return folder + "/" + name + "." + std::to_string(n) + ".part"; }, mode, path);
}
