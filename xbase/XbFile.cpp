#include "xbase/XbFile.h"

#include "platform/rtl/FileReplacement.h"
#include "platform/rtl/Paths.h"
#include "xbase/XbError.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

LongWord GetBE32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (static_cast<LongWord>(u[0]) << 24) | (static_cast<LongWord>(u[1]) << 16) |
           (static_cast<LongWord>(u[2]) << 8) | static_cast<LongWord>(u[3]);
}

void PutBE32(char* p, LongWord v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
}

namespace {

// A run of failing writes (or reads) a test set with XbSetWriteFailure (XbSetReadFailure), and
// the writes (reads) counted since: of every file, or of the files named File alone.
struct TInjectedFailure {
    std::optional<long> From;
    long Count = 0;
    int Error = 0;
    std::string File;
    long Made = 0;

    // Counts one write (read) of the file at path and answers whether it is to fail: errno is
    // then Error, as the system call would leave it, and the call takes the way of a refused
    // one. Unless a test set a failure this is a count and a test, nothing more.
    bool Refuses(const std::string& path) {
        if (!File.empty() && XbFileName(path) != File) return false;
        ++Made;
        if (!From || Made < *From || Made - *From >= Count) return false;
        if (Error == XbKilledAtWrite) ::raise(SIGKILL);
        errno = Error;
        return true;
    }
    long Set(std::optional<long> from, long count, int error, const std::string& file) {
        From = from;
        Count = count;
        Error = error;
        File = from ? file : std::string();
        return std::exchange(Made, 0);
    }
};

TInjectedFailure writeFailure, readFailure;

// A system call on path failed: the reason its errno gives is recorded. Answers false.
bool Refused(const std::string& path) {
    XbSetReason(XbReasonOfErrno(errno), path, errno);
    return false;
}

} // namespace

TXbFile::~TXbFile() {
    Close();
}

bool TXbFile::Open(const std::string& path, bool writable) {
    Close();
    fd_ = readFailure.Refuses(path)
              ? -1
              : ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        // Refused for want of leave: a file that may be read is only read-only.
        const bool unreadable = (error == EACCES || error == EPERM) && XbMayNotRead(path);
        XbSetReason(unreadable ? xbErrNotReadable : XbReasonOfErrno(error), path);
        errno = error;
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        Close();
        errno = error; // a folder is told as such
        return false;
    }
    writable_ = writable;
    path_ = path;
    return true;
}

bool TXbFile::Create(const std::string& path) {
    Close();
    fd_ = writeFailure.Refuses(path)
              ? -1
              : ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return Refused(path);
    writable_ = true;
    path_ = path;
    return true;
}

bool TXbFile::CreateInMemory(const std::string& path) {
    Close();
    fd_ = ::memfd_create(XbFileName(path).c_str(), MFD_CLOEXEC);
    if (fd_ < 0) return Refused(path);
    writable_ = true;
    path_ = path;
    return true;
}

void TXbFile::Swap(TXbFile& other) noexcept {
    std::swap(fd_, other.fd_);
    std::swap(writable_, other.writable_);
    std::swap(path_, other.path_);
}

void TXbFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    writable_ = false;
    path_.clear();
}

Int64 TXbFile::Size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return st.st_size;
}

LongWord TXbFile::ChangeTime() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
    // The seconds and nanoseconds, folded by the multiplier of a 64-bit linear congruence.
    const auto nanos = static_cast<unsigned long long>(st.st_mtim.tv_sec) * 1000000000ULL +
                       static_cast<unsigned long long>(st.st_mtim.tv_nsec);
    const unsigned long long mixed = nanos * 6364136223846793005ULL;
    const auto fold = static_cast<LongWord>(mixed >> 32);
    return fold == 0 ? 1 : fold;
}

namespace {

// Moves all count bytes at offset with io (pread or pwrite), going on after partial transfers
// and interruptions.
template <typename Io, typename Pointer>
bool Transfer(Io io, Pointer p, std::size_t count, Int64 offset) {
    while (count > 0) {
        const ssize_t n = io(p, count, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool TXbFile::ReadAt(Int64 offset, void* buffer, std::size_t count) const {
    if (fd_ < 0 || offset < 0 || readFailure.Refuses(path_)) return false;
    const int fd = fd_;
    return Transfer([fd](char* p, std::size_t n, Int64 at) { return ::pread(fd, p, n, at); },
                    static_cast<char*>(buffer), count, offset);
}

bool TXbFile::ReadAt(Int64 offset, std::string& text, std::size_t count) const {
    text.assign(count, '\0');
    return ReadAt(offset, text.data(), count);
}

bool TXbFile::WriteAt(Int64 offset, const void* buffer, std::size_t count) {
    if (fd_ < 0 || !writable_ || offset < 0) return false;
    const int fd = fd_;
    errno = 0;
    if (!writeFailure.Refuses(path_) &&
        Transfer([fd](const char* p, std::size_t n, Int64 at) { return ::pwrite(fd, p, n, at); },
                 static_cast<const char*>(buffer), count, offset))
        return true;
    if (errno == 0) errno = ENOSPC; // nothing written
    return Refused(path_);
}

bool TXbFile::Truncate(Int64 size) {
    if (fd_ < 0 || !writable_) return false;
    return (!writeFailure.Refuses(path_) && ::ftruncate(fd_, size) == 0) || Refused(path_);
}

TXbFile::TRoom TXbFile::Reserve(Int64 offset, Int64 count) {
    if (fd_ < 0 || !writable_ || offset < 0) return TRoom::Refused;
    bool refused = writeFailure.Refuses(path_);
    while (!refused && ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, offset, count) != 0) {
        if (errno == EOPNOTSUPP || errno == ENOSYS) return TRoom::Unkept;
        refused = errno != EINTR;
    }
    if (!refused) return TRoom::Taken;
    Refused(path_);
    return TRoom::Refused;
}

void TXbFile::GiveBackRoom() {
    // Cutting a file to its own size frees the blocks reserved past its end. The cut marks the
    // file as changed, though its data is not: the time of its last change is put back, which
    // an index records of its table (XbIndex.h).
    struct stat st {};
    if (fd_ < 0 || !writable_ || ::fstat(fd_, &st) != 0 || ::ftruncate(fd_, st.st_size) != 0)
        return;
    const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    (void)::futimens(fd_, times);
}

bool TXbFile::RenameTo(const std::string& path) {
    if (fd_ < 0 || !XbRename(path_, path)) return false;
    path_ = path;
    return true;
}

bool TXbFile::Flush() {
    if (fd_ < 0) return false;
    return (!writeFailure.Refuses(path_) && ::fsync(fd_) == 0) || Refused(path_);
}

bool XbRename(const std::string& from, const std::string& to) {
    return (!writeFailure.Refuses(from) && ::rename(from.c_str(), to.c_str()) == 0) || Refused(to);
}

bool XbRemove(const std::string& path) {
    return (!writeFailure.Refuses(path) && (::unlink(path.c_str()) == 0 || errno == ENOENT)) ||
           Refused(path);
}

bool XbSyncFolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = writeFailure.Refuses(path)
                       ? -1
                       : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Refused(path);
    const bool done = ::fsync(fd) == 0 || Refused(path);
    ::close(fd);
    return done;
}

bool XbTakeOverIdentity(const std::string& path, const std::string& of) {
    if (writeFailure.Refuses(path)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool taken = TakeOverIdentity(fd, of);
    const int error = errno;
    ::close(fd);
    errno = error;
    return taken;
}

long XbSetWriteFailure(std::optional<long> fromWrite, long count, int error,
                       const std::string& file) {
    return writeFailure.Set(fromWrite, count, error, file);
}

long XbSetReadFailure(std::optional<long> fromRead, long count, int error,
                      const std::string& file) {
    return readFailure.Set(fromRead, count, error, file);
}

std::string XbFindFile(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return FindFileCaseInsensitive("", path);
    return FindFileCaseInsensitive(slash == 0 ? "/" : path.substr(0, slash),
                                   path.substr(slash + 1));
}

bool XbMayNotRead(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) != 0 && errno == EACCES;
}

std::string XbChangeExt(const std::string& path, const std::string& ext) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
    return path.substr(0, dot) + ext;
}

std::string XbExtLike(const std::string& path, const std::string& ext) {
    const std::string name = XbFileName(path);
    const auto dot = name.find_last_of('.');
    const std::string letters = dot == std::string::npos ? name : name.substr(dot + 1);
    std::string result = ext;
    const bool lower = std::any_of(letters.begin(), letters.end(), [](char c) {
        return std::islower(static_cast<unsigned char>(c)) != 0;
    });
    for (char& c : result)
        c = static_cast<char>(lower ? std::tolower(static_cast<unsigned char>(c))
                                    : std::toupper(static_cast<unsigned char>(c)));
    return result;
}

std::string XbCompanionPath(const std::string& path, const std::string& ext) {
    return XbChangeExt(path, XbExtLike(path, ext));
}

std::string XbFileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
