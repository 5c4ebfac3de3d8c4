// The engine's file handle: positioned reads and writes on a POSIX descriptor, the byte-order
// helpers every file format of the engine uses, and the case-insensitive file name lookup.
#pragma once

#include "platform/rtl/Types.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

// Big-endian integers inside a character buffer (little-endian ones are the runtime's
// DecodeLE/EncodeLE). Callers check the bounds first.
LongWord GetBE32(const char* p);
void PutBE32(char* p, LongWord v);

// Each change of a file or folder that the system refuses (a write, a truncation, a flush, a
// file made, renamed or removed, a folder flushed) records the reason its errno gives (a full
// disk, a read-only or missing file) with the path concerned and the errno (XbError.h).
class TXbFile {
public:
    TXbFile() = default;
    ~TXbFile();
    TXbFile(const TXbFile&) = delete;
    TXbFile& operator=(const TXbFile&) = delete;

    // Opens an existing file for reading, or for reading and writing.
    bool Open(const std::string& path, bool writable);
    // Creates a new file (an existing one is truncated).
    bool Create(const std::string& path);
    // Creates a file of this process alone, held in memory and gone when closed; path names
    // it in messages.
    bool CreateInMemory(const std::string& path);
    void Close();
    // Trades the open files (or none) of this and other.
    void Swap(TXbFile& other) noexcept;
    bool IsOpen() const { return fd_ >= 0; }
    int Handle() const { return fd_; }
    bool Writable() const { return writable_; }
    const std::string& Path() const { return path_; }

    // The file's size in bytes, -1 on failure.
    Int64 Size() const;
    // A fold of the time the file's data last changed, to tell whether it changed since: never
    // 0, and 0 when the time cannot be had.
    LongWord ChangeTime() const;
    // Reads exactly count bytes at offset; false on a short read or an error.
    bool ReadAt(Int64 offset, void* buffer, std::size_t count) const;
    // Reads count bytes at offset into text; false when the file is shorter.
    bool ReadAt(Int64 offset, std::string& text, std::size_t count) const;
    // Writes all bytes at offset; false on any failure.
    bool WriteAt(Int64 offset, const void* buffer, std::size_t count);
    bool WriteAt(Int64 offset, std::string_view bytes) {
        return WriteAt(offset, bytes.data(), bytes.size());
    }
    bool Truncate(Int64 size);
    // What Reserve did: took the room; found none on the disk (the reason recorded); or found a
    // file system that cannot set room aside (nothing recorded), whose writes are refused only as
    // they come, so that what is answered done must be written at once.
    enum class TRoom { Taken, Refused, Unkept };
    // Takes room on the disk for count bytes from offset without changing the file's size, so
    // that writing them later needs no more room.
    TRoom Reserve(Int64 offset, Int64 count);
    // Gives back the room reserved past the file's end (the file's data, size and change time
    // stay); counts as no write, and failing it keeps the room taken until the file is cut or
    // removed.
    void GiveBackRoom();
    // Renames the open file to path (replacing a file there); the descriptor stays open.
    bool RenameTo(const std::string& path);
    // The open file was renamed to path by other means.
    void Renamed(const std::string& path) { path_ = path; }
    // Data (and the size) reach the disk.
    bool Flush();

private:
    int fd_ = -1;
    bool writable_ = false;
    std::string path_;
};

// The path of an existing file whose name matches path's file name without regard to case, in
// path's folder; empty when none exists. An exact match wins.
std::string XbFindFile(const std::string& path);
// True when the system refuses this user (its effective identity) to read the file at path for
// want of leave: the file's own, or that of a folder on its way the user may not enter.
bool XbMayNotRead(const std::string& path);
// path with its extension (from the last "." of the file name) replaced by ext (".DBT").
std::string XbChangeExt(const std::string& path, const std::string& ext);
// ext (".DBT") in the letter case of the extension of path's file name: lower case when that
// extension holds a lower-case letter (when there is none, the file name decides).
std::string XbExtLike(const std::string& path, const std::string& ext);
// The path of a file that goes with the file at path (memo, production index): path with ext
// as its extension, in the letter case of path's extension (XbExtLike).
std::string XbCompanionPath(const std::string& path, const std::string& ext);
// The file name of path without directory.
std::string XbFileName(const std::string& path);

// Renames the file at from to to, replacing a file there; false on failure.
bool XbRename(const std::string& from, const std::string& to);
// Removes the file at path; true when it is gone (also when there was none).
bool XbRemove(const std::string& path);
// The entries of the folder holding the file at path (files made, renamed, removed there)
// reach the disk; false on failure, which is recorded for path.
bool XbSyncFolderOf(const std::string& path);

// Gives the file at path the owner, group, access list and mode of the file at of, as a file
// made to take its place must have (platform/rtl/FileReplacement.h). False when the system
// refuses one of them or of has other names (errno EPERM, EMLINK), or a file cannot be had: the
// caller then takes another way, and nothing is recorded. Counts as one write of path (below).
bool XbTakeOverIdentity(const std::string& path, const std::string& of);

// For tests of what survives a failing disk. Every change this process makes to a file or a
// folder goes through this file layer, and each counts as one write: a write, a truncation, a
// flush to disk, a file made, renamed (counted for the file renamed) or removed, a folder
// flushed (counted for the file whose folder it is), a file given another's identity, room
// reserved. From
// write fromWrite on (1 = the next one), count writes in a row fail with errno error (ENOSPC:
// as on a full disk; EACCES or EROFS: as in a folder or on a disk that cannot be written): the
// system call is not made, the write fails as a refused call does and changes nothing; the
// writes after them succeed again. With
// file given, only the writes of files of that name (without folder) are counted and fail.
// nullopt: no write fails. Answers how many writes were counted since the last call, so a test
// can count the writes of an operation first. With error XbKilledAtWrite the process is killed
// (SIGKILL) at write fromWrite, before it is made, as a crash or a kill from outside stops it.
constexpr int XbKilledAtWrite = -1;
long XbSetWriteFailure(std::optional<long> fromWrite, long count = std::numeric_limits<long>::max(),
                       int error = ENOSPC, const std::string& file = {});
// The same for reads: a file opened (for reading or writing) and a positioned read each count
// as one read, and fail with errno error as a refused system call does (EIO: as on a disk that
// cannot read the file; EACCES: as for a file the process may not read). Records read through
// a mapping of the file are not counted.
long XbSetReadFailure(std::optional<long> fromRead, long count = std::numeric_limits<long>::max(),
                      int error = EIO, const std::string& file = {});
