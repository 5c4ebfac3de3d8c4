#include "platform/rtl/FileReplacement.h"

#include <cerrno>
#include <unistd.h>

bool TakeOverIdentity(int fd, const struct stat& was) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) return false;
    // Owner and group first: giving a file away may clear its set-id bits, which the mode then
    // puts back.
    if ((now.st_uid != was.st_uid || now.st_gid != was.st_gid) &&
        ::fchown(fd, was.st_uid, was.st_gid) != 0)
        return false;
    if (::fchmod(fd, was.st_mode & 07777) != 0) return false;
    if (was.st_nlink > 1) {
        errno = EMLINK;
        return false;
    }
    return true;
}
