#include "platform/rtl/Streams.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

// ---- TStream ----

void TStream::ReadBuffer(void* Buffer, LongInt Count) {
    if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, LongInt Count) {
    if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

Int64 TStream::CopyFrom(TStream& Source, Int64 Count) {
    if (Count < 0) throw EReadError("Stream read error");
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    constexpr Int64 bufferSize = 0xF000;
    std::vector<Byte> buffer(static_cast<std::size_t>(std::min(Count, bufferSize)));
    for (Int64 left = Count; left > 0;) {
        const auto n = static_cast<LongInt>(std::min(left, bufferSize));
        Source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return Count;
}

Int64 TStream::Size() {
    const Int64 position = Seek(0, soFromCurrent);
    const Int64 size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

namespace {

// The position that Offset from Origin names, or -1 for an unknown origin or a position before
// the start.
Int64 SeekTarget(Int64 Offset, Word Origin, Int64 current, Int64 size) {
    Int64 base = 0;
    switch (Origin) {
    case soFromBeginning: base = 0; break;
    case soFromCurrent: base = current; break;
    case soFromEnd: base = size; break;
    default: return -1;
    }
    if (Offset < 0 ? base < -Offset : Offset > std::numeric_limits<Int64>::max() - base) return -1;
    return base + Offset;
}

} // namespace

// ---- TMemoryStream ----

LongInt TMemoryStream::Read(void* Buffer, LongInt Count) {
    if (Count <= 0 || position_ >= Size()) return 0;
    const auto n = static_cast<LongInt>(std::min<Int64>(Count, Size() - position_));
    std::memcpy(Buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

LongInt TMemoryStream::Write(const void* Buffer, LongInt Count) {
    if (Count <= 0) return 0;
    if (position_ > std::numeric_limits<Int64>::max() - Count)
        throw EStreamError("Out of memory while expanding memory stream");
    const Int64 end = position_ + Count;
    if (end > Size()) SetSize(end);
    std::memcpy(data_.data() + position_, Buffer, static_cast<std::size_t>(Count));
    position_ = end;
    return Count;
}

Int64 TMemoryStream::Seek(Int64 Offset, Word Origin) {
    const Int64 target = SeekTarget(Offset, Origin, position_, Size());
    if (target >= 0) position_ = target;
    return position_;
}

void TMemoryStream::SetSize(Int64 NewSize) {
    if (NewSize < 0) NewSize = 0;
    try {
        data_.resize(static_cast<std::size_t>(NewSize));
    } catch (const std::bad_alloc&) {
        throw EStreamError("Out of memory while expanding memory stream");
    } catch (const std::length_error&) {
        throw EStreamError("Out of memory while expanding memory stream");
    }
    if (position_ > NewSize) position_ = NewSize;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
    Stream.SetPosition(0);
    const Int64 count = Stream.Size();
    SetSize(count);
    if (count > std::numeric_limits<LongInt>::max()) throw EReadError("Stream read error");
    Stream.ReadBuffer(data_.data(), static_cast<LongInt>(count));
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TMemoryStream::SaveToStream(TStream& Stream) const {
    if (data_.size() > static_cast<std::size_t>(std::numeric_limits<LongInt>::max()))
        throw EWriteError("Stream write error");
    Stream.WriteBuffer(data_.data(), static_cast<LongInt>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(stream);
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& FileName, Word Mode) : fileName_(FileName) {
    if ((Mode & fmCreate) == fmCreate) {
        handle_ = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (handle_ < 0) throw EFCreateError("Cannot create file %s", {FileName});
        return;
    }
    int flags = 0;
    switch (Mode & 3) {
    case fmOpenRead: flags = O_RDONLY; break;
    case fmOpenWrite: flags = O_WRONLY; break;
    case fmOpenReadWrite: flags = O_RDWR; break;
    default: throw EFOpenError("Cannot open file %s", {FileName});
    }
    handle_ = ::open(FileName.c_str(), flags | O_CLOEXEC);
    struct stat info {};
    if (handle_ >= 0 && (::fstat(handle_, &info) != 0 || S_ISDIR(info.st_mode))) {
        ::close(handle_);
        handle_ = -1;
    }
    if (handle_ < 0) throw EFOpenError("Cannot open file %s", {FileName});
}

TFileStream::~TFileStream() {
    if (handle_ >= 0) ::close(handle_);
}

LongInt TFileStream::Read(void* Buffer, LongInt Count) {
    LongInt done = 0;
    while (done < Count) {
        const ssize_t n = ::read(handle_, static_cast<char*>(Buffer) + done,
                                 static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<LongInt>(n);
    }
    return done;
}

LongInt TFileStream::Write(const void* Buffer, LongInt Count) {
    LongInt done = 0;
    while (done < Count) {
        const ssize_t n = ::write(handle_, static_cast<const char*>(Buffer) + done,
                                  static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<LongInt>(n);
    }
    return done;
}

Int64 TFileStream::Seek(Int64 Offset, Word Origin) {
    const Int64 current = ::lseek(handle_, 0, SEEK_CUR);
    struct stat info {};
    const Int64 size = ::fstat(handle_, &info) == 0 ? info.st_size : 0;
    const Int64 target = SeekTarget(Offset, Origin, current, size);
    if (target < 0) return current;
    const Int64 result = ::lseek(handle_, target, SEEK_SET);
    return result < 0 ? current : result;
}

void TFileStream::SetSize(Int64 NewSize) {
    if (NewSize < 0 || ::ftruncate(handle_, NewSize) != 0) throw EWriteError("Stream write error");
    if (Position() > NewSize) SetPosition(NewSize);
}
