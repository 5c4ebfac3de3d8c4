#include "platform/rtl/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace {

// The extended attribute that holds a file's access list beyond its mode.
constexpr const char* kAccessList = "system.posix_acl_access";

// The access list of the file at path as the system stores it; empty when it has none (its
// mode says all) or its file system keeps none; nullopt with errno set when it cannot be read.
std::optional<std::string> AccessListOf(const std::string& path) {
    for (;;) {
        const ssize_t size = ::getxattr(path.c_str(), kAccessList, nullptr, 0);
        if (size < 0)
            return errno == ENODATA || errno == EOPNOTSUPP ? std::optional<std::string>("")
                                                           : std::nullopt;
        std::string list(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::getxattr(path.c_str(), kAccessList, list.data(), list.size());
        if (got >= 0) return list.substr(0, static_cast<std::size_t>(got));
        if (errno != ERANGE) return std::nullopt; // ERANGE: the list grew meanwhile
    }
}

// Gives the file open at fd the access list (empty: none, the file's mode says all).
bool SetAccessList(int fd, const std::string& list) {
    if (!list.empty()) return ::fsetxattr(fd, kAccessList, list.data(), list.size(), 0) == 0;
    // A list the new file took from its folder's default list goes.
    return ::fremovexattr(fd, kAccessList) == 0 || errno == ENODATA || errno == EOPNOTSUPP;
}

} // namespace

bool TakeOverIdentity(int fd, const std::string& of) {
    struct stat was {
    }, now{};
    if (::stat(of.c_str(), &was) != 0 || ::fstat(fd, &now) != 0) return false;
    const std::optional<std::string> list = AccessListOf(of);
    if (!list) return false;
    // Owner and group first: giving a file away may clear its set-id bits, which the mode then
    // puts back. The access list comes before the mode: the mode then sets the list's mask and
    // the owner's and others' entries to what they were, and the set-id bits the list may clear.
    if ((now.st_uid != was.st_uid || now.st_gid != was.st_gid) &&
        ::fchown(fd, was.st_uid, was.st_gid) != 0)
        return false;
    if (!SetAccessList(fd, *list) || ::fchmod(fd, was.st_mode & 07777) != 0) return false;
    if (was.st_nlink > 1) {
        errno = EMLINK;
        return false;
    }
    return true;
}

int WriteFully(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0 ? EIO : errno;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int Sync(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
}

namespace {

// Copies from into to as CopyInPlace says, the lock held.
int CopyLocked(int from, int to) {
    struct stat part {
    }, file{};
    if (::fstat(from, &part) != 0 || ::fstat(to, &file) != 0) return errno;
    if (part.st_size > file.st_size && ::fallocate(to, FALLOC_FL_KEEP_SIZE, 0, part.st_size) != 0 &&
        errno != EOPNOTSUPP)
        return errno;
    if (::lseek(from, 0, SEEK_SET) != 0 || ::lseek(to, 0, SEEK_SET) != 0) return errno;
    std::string chunk(1 << 16, '\0');
    for (;;) {
        const ssize_t n = ::read(from, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        if (const int error = WriteFully(to, chunk.data(), static_cast<std::size_t>(n)))
            return error;
    }
    return ::ftruncate(to, part.st_size) == 0 ? Sync(to) : errno;
}

// Takes (F_WRLCK, waiting) or lets go of (F_UNLCK) the lock of the whole file open at fd. A
// file system without such locks copies unlocked.
bool LockWhole(int fd, short type) {
    struct flock whole {};
    whole.l_type = type;
    whole.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLKW, &whole) != 0)
        if (errno != EINTR) return errno == ENOLCK || errno == EINVAL;
    return true;
}

} // namespace

int CopyInPlace(int from, int to) {
    if (!LockWhole(to, F_WRLCK)) return errno;
    const int error = CopyLocked(from, to);
    LockWhole(to, F_UNLCK);
    return error;
}
