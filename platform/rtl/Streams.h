// Byte streams (in memory and on files) and the little-endian readers and writers that every
// binary file of the program goes through.
#pragma once

#include "platform/rtl/Classes.h"

#include <bit>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

// Seek origins.
constexpr Word soFromBeginning = 0;
constexpr Word soFromCurrent = 1;
constexpr Word soFromEnd = 2;

// File stream modes: one open mode, optionally combined with one share mode. Share modes are
// accepted and not enforced.
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

class TStream : public TObject {
    VANTREL_CLASS(TStream, TObject)

    // Reads up to Count bytes at the position into Buffer; returns how many were read.
    virtual LongInt Read(void* Buffer, LongInt Count) = 0;
    // Writes Count bytes at the position; returns how many were written.
    virtual LongInt Write(const void* Buffer, LongInt Count) = 0;
    // Moves the position by Offset from the start, the current position or the end, and returns
    // the new position. A move before the start leaves the position where it was.
    virtual Int64 Seek(Int64 Offset, Word Origin) = 0;

    // Read and Write that raise EReadError "Stream read error" / EWriteError "Stream write error"
    // unless every byte is transferred.
    void ReadBuffer(void* Buffer, LongInt Count);
    void WriteBuffer(const void* Buffer, LongInt Count);
    // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its
    // start. Returns the number of bytes copied.
    Int64 CopyFrom(TStream& Source, Int64 Count);

    Int64 Position() { return Seek(0, soFromCurrent); }
    void SetPosition(Int64 Value) { Seek(Value, soFromBeginning); }
    virtual Int64 Size();
    virtual void SetSize(Int64 NewSize) = 0;
};

// A stream held in memory; writing past the end extends it.
class TMemoryStream : public TStream {
    VANTREL_CLASS(TMemoryStream, TStream)

    LongInt Read(void* Buffer, LongInt Count) override;
    LongInt Write(const void* Buffer, LongInt Count) override;
    Int64 Seek(Int64 Offset, Word Origin) override;
    Int64 Size() override { return static_cast<Int64>(data_.size()); }
    // Raises EStreamError "Out of memory while expanding memory stream" when it cannot grow.
    void SetSize(Int64 NewSize) override;

    void* Memory() { return data_.data(); }
    const void* Memory() const { return data_.data(); }
    void Clear();
    // Replaces the contents by the whole of Stream (read from its start) or of the file.
    void LoadFromStream(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    void SaveToStream(TStream& Stream) const;
    void SaveToFile(const std::string& FileName) const;

private:
    std::vector<Byte> data_;
    Int64 position_ = 0;
};

// A stream over a file. fmCreate creates the file (or empties an existing one) for reading and
// writing and raises EFCreateError "Cannot create file %s" when it cannot; the open modes raise
// EFOpenError "Cannot open file %s" for a file that is missing, a folder or not accessible.
class TFileStream : public TStream {
    VANTREL_CLASS(TFileStream, TStream)

    TFileStream(const std::string& FileName, Word Mode);
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    ~TFileStream() override;

    LongInt Read(void* Buffer, LongInt Count) override;
    LongInt Write(const void* Buffer, LongInt Count) override;
    Int64 Seek(Int64 Offset, Word Origin) override;
    // Raises EWriteError "Stream write error" when the file cannot take the size.
    void SetSize(Int64 NewSize) override;
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    int handle_ = -1;
};

// ---- Little-endian values ----
// Integers of 1, 2, 4 or 8 bytes, float and double, in little-endian order whatever the
// machine's. Short data raises EReadError "Stream read error"; no room raises EWriteError
// "Stream write error".

template <typename T>
concept TLittleEndianValue = (std::is_integral_v<T> && !std::is_same_v<T, bool>) ||
                             std::is_same_v<T, float> || std::is_same_v<T, double>;

// The unsigned integer of the same size as T, which carries its bytes.
template <TLittleEndianValue T>
using TLittleEndianBits = std::make_unsigned_t<
    std::conditional_t<std::is_floating_point_v<T>,
                       std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>, T>>;

// The byte types a buffer of raw bytes may be seen as (records and file pages are often text).
template <typename B>
concept TRawByte = std::is_same_v<B, Byte> || std::is_same_v<B, char>;

template <TLittleEndianValue T, TRawByte B>
T DecodeLE(const B* bytes) {
    using U = TLittleEndianBits<T>;
    U bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bits |= static_cast<U>(U(static_cast<Byte>(bytes[i])) << (8 * i));
    return std::bit_cast<T>(bits);
}

template <TLittleEndianValue T, TRawByte B>
void EncodeLE(B* bytes, T value) {
    using U = TLittleEndianBits<T>;
    const U bits = std::bit_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<B>(static_cast<Byte>(bits >> (8 * i)));
}

// The value of type T at Offset in Buffer; raises EReadError when it does not fit.
template <TLittleEndianValue T>
T GetLE(std::span<const Byte> Buffer, std::size_t Offset) {
    if (Offset > Buffer.size() || Buffer.size() - Offset < sizeof(T))
        throw EReadError("Stream read error");
    return DecodeLE<T>(Buffer.data() + Offset);
}

// Stores Value at Offset in Buffer; raises EWriteError when it does not fit.
template <TLittleEndianValue T>
void PutLE(std::span<Byte> Buffer, std::size_t Offset, T Value) {
    if (Offset > Buffer.size() || Buffer.size() - Offset < sizeof(T))
        throw EWriteError("Stream write error");
    EncodeLE<T>(Buffer.data() + Offset, Value);
}

template <TLittleEndianValue T>
T ReadLE(TStream& Stream) {
    Byte bytes[sizeof(T)];
    Stream.ReadBuffer(bytes, sizeof(T));
    return DecodeLE<T>(bytes);
}

template <TLittleEndianValue T>
void WriteLE(TStream& Stream, T Value) {
    Byte bytes[sizeof(T)];
    EncodeLE<T>(bytes, Value);
    Stream.WriteBuffer(bytes, sizeof(T));
}
