#include "xbase/XbLock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr long long kOpenByte = 1LL << 62;
constexpr long long kAppendByte = kOpenByte + 1;
constexpr long long kFirstRecordByte = kOpenByte + 16;

// What this process holds on one file (by device and inode).
struct TFileEntry {
    int Opens = 0;
    bool Exclusive = false;
    std::map<LongInt, const TXbLock*> Records;
};

// Kept for the whole run (never destroyed), so work areas closed at exit still find it.
std::map<std::string, TFileEntry>& Registry() {
    static auto* registry = new std::map<std::string, TFileEntry>();
    return *registry;
}

std::string FileKey(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

// A refusal that says the file system takes no locks at all, rather than that another holds one.
bool LocksUnsupported(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL;
}

bool LockByte(int fd, long long offset, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

} // namespace

bool TXbLock::SetLock(long long offset, short type, int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : 0);
    for (;;) {
        if (LockByte(fd_, offset, type)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int TXbLock::Attach(int fd, bool exclusive) {
    Detach();
    const std::string key = FileKey(fd);
    if (key.empty()) return xbSharing;
    TFileEntry& entry = Registry()[key];
    const bool conflict = entry.Exclusive || (exclusive && entry.Opens > 0);
    if (conflict || !LockByte(fd, kOpenByte, exclusive ? F_WRLCK : F_RDLCK)) {
        const bool unsupported = !conflict && LocksUnsupported(errno);
        if (entry.Opens == 0) Registry().erase(key);
        return unsupported ? xbNoLocks : xbSharing;
    }
    ++entry.Opens;
    entry.Exclusive = exclusive;
    fd_ = fd;
    exclusive_ = exclusive;
    key_ = key;
    return xbOK;
}

void TXbLock::Detach() {
    if (fd_ < 0) return;
    UnlockAll();
    LockByte(fd_, kOpenByte, F_UNLCK);
    auto it = Registry().find(key_);
    if (it != Registry().end() && --it->second.Opens <= 0)
        Registry().erase(it);
    else if (it != Registry().end() && exclusive_)
        it->second.Exclusive = false;
    fd_ = -1;
    exclusive_ = false;
    key_.clear();
}

bool TXbLock::Alone() const {
    if (fd_ < 0) return false;
    if (exclusive_) return true;
    auto it = Registry().find(key_);
    if (it == Registry().end() || it->second.Opens != 1) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kOpenByte;
    fl.l_len = 1;
    return ::fcntl(fd_, F_OFD_GETLK, &fl) == 0 && fl.l_type == F_UNLCK;
}

bool TXbLock::LockRecord(LongInt recno, int timeoutSeconds) {
    if (fd_ < 0 || recno < 1) return false;
    if (HasRecord(recno)) return true;
    TFileEntry& entry = Registry()[key_];
    if (entry.Records.count(recno) > 0) return false; // another work area of this process holds it
    if (!exclusive_ && !SetLock(kFirstRecordByte + recno, F_WRLCK, timeoutSeconds)) return false;
    entry.Records[recno] = this;
    records_.insert(recno);
    return true;
}

void TXbLock::UnlockRecord(LongInt recno) {
    if (!HasRecord(recno)) return;
    if (!exclusive_) LockByte(fd_, kFirstRecordByte + recno, F_UNLCK);
    Registry()[key_].Records.erase(recno);
    records_.erase(recno);
}

void TXbLock::UnlockAll() {
    while (!records_.empty())
        UnlockRecord(*records_.begin());
}

bool TXbLock::LockAppend(int timeoutSeconds) {
    return fd_ >= 0 && (exclusive_ || SetLock(kAppendByte, F_WRLCK, timeoutSeconds));
}

void TXbLock::UnlockAppend() {
    if (fd_ >= 0 && !exclusive_) LockByte(fd_, kAppendByte, F_UNLCK);
}
