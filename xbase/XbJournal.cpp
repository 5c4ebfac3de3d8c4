#include "xbase/XbJournal.h"

#include "platform/rtl/Streams.h"
#include "xbase/XbError.h"
#include "xbase/Xbase.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>

namespace {

constexpr const char* kInPlace = "in place"; // the first line of the journal of a pack in place
constexpr const char* kEnd = "end";
// The table header's record count, update stamp and pack count (FORMAT.md).
constexpr std::size_t kCountAt = 4;
constexpr std::size_t kStampAt = 16;
constexpr std::size_t kPacksAt = 20;
// A copy in place writes these first bytes of a file last: a table's header up to its stamp.
constexpr Int64 kHeadBytes = 32;
constexpr Int64 kChunkBytes = Int64{1} << 20;
constexpr Int64 kMaxJournalBytes = 65536;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder == "." ? name : folder + "/" + name;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Reads count bytes at offset at of file into bytes; a failure is recorded for the file.
bool ReadOrTell(const TXbFile& file, Int64 at, std::string& bytes, std::size_t count) {
    if (file.ReadAt(at, bytes, count)) return true;
    XbSetReason(XbReasonOfErrno(errno), file.Path(), errno);
    return false;
}

struct TJournal {
    TXbPackWay Way = TXbPackWay::Rename;
    TXbPackMoves Moves;
};

enum class TJournalState { None, Unreadable, Complete };

// Reads the journal at path: Complete with its way and moves; None when there is none or it was
// cut short (never committed); Unreadable when it is there but cannot be read (the reason
// recorded), which tells nothing of whether it was committed.
TJournalState ReadJournal(const std::string& path, TJournal& journal) {
    if (!Exists(path)) return TJournalState::None;
    TXbFile file;
    if (!file.Open(path, false)) return TJournalState::Unreadable;
    const Int64 size = file.Size();
    if (size > kMaxJournalBytes) return TJournalState::None; // no journal a pack writes
    std::string text;
    if (size < 0 || !ReadOrTell(file, 0, text, static_cast<std::size_t>(size)))
        return TJournalState::Unreadable;
    const std::string folder = FolderOf(path);
    std::size_t at = 0;
    for (bool first = true; at < text.size(); first = false) {
        const auto end = text.find('\n', at);
        if (end == std::string::npos) break;
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (first && line == kInPlace) {
            journal.Way = TXbPackWay::InPlace;
            continue;
        }
        if (line == kEnd) return at == text.size() ? TJournalState::Complete : TJournalState::None;
        const auto tab = line.find('\t');
        if (tab == std::string::npos || line.find('/') != std::string::npos) break;
        journal.Moves.emplace_back(InFolder(folder, line.substr(0, tab)),
                                   InFolder(folder, line.substr(tab + 1)));
    }
    return TJournalState::None;
}

std::string JournalText(const TXbPackMoves& moves, TXbPackWay way) {
    std::string text = way == TXbPackWay::InPlace ? std::string(kInPlace) + "\n" : std::string();
    for (const auto& [copy, target] : moves)
        text += XbFileName(copy) + "\t" + XbFileName(target) + "\n";
    return text + kEnd + "\n";
}

bool IsTable(const std::string& path, const std::string& tablePath) {
    return XbFileName(path) == XbFileName(tablePath);
}

// The update stamp in the header of the table file at path; false when it cannot be read (the
// reason recorded).
bool StampOf(const std::string& path, LongWord& stamp) {
    TXbFile file;
    char bytes[4];
    if (!file.Open(path, false)) return false;
    if (!file.ReadAt(static_cast<Int64>(kStampAt), bytes, sizeof bytes)) {
        XbSetReason(xbErrDamagedHeader, path);
        return false;
    }
    stamp = DecodeLE<LongWord>(bytes);
    return true;
}

// The copies of a complete journal still to be put in place, its table's last. While the
// table's copy is there, all of them as long as the table is the one they were packed from (its
// stamp one below its copy's), and none once it is not; mayCopy then lets a refused rename be
// done in place. Without the table's copy, a journal of renames had the table renamed by an
// earlier build, which put it first: the copies left follow it, by rename alone. False when a
// stamp cannot be read.
bool DueCopies(const TJournal& journal, const std::string& tablePath, TXbPackMoves& due,
               bool& mayCopy) {
    const TXbPackMoves& moves = journal.Moves;
    mayCopy =
        !moves.empty() && IsTable(moves.back().second, tablePath) && Exists(moves.back().first);
    if (mayCopy) {
        LongWord table = 0, packed = 0;
        if (!StampOf(tablePath, table) || !StampOf(moves.back().first, packed)) return false;
        if (table + 1 != packed) return true;
    } else if (journal.Way == TXbPackWay::InPlace) {
        return true; // the table's copy goes only after the journal
    }
    for (const auto& move : moves)
        if (Exists(move.first)) due.push_back(move);
    return true;
}

// Writes the bytes of the file at copy over the file at target, cut to the copy's length and
// flushed: all but the first bytes, then those, so that a table's stamp tells the copy whole.
bool CopyInPlace(const std::string& copy, const std::string& target) {
    TXbFile from, to;
    if (!from.Open(copy, false) || !to.Open(target, true)) return false;
    const Int64 size = from.Size();
    if (size < 0) return false;
    const Int64 head = std::min(kHeadBytes, size);
    std::string bytes;
    for (Int64 at = head; at < size; at += kChunkBytes) {
        const auto count = static_cast<std::size_t>(std::min(kChunkBytes, size - at));
        if (!ReadOrTell(from, at, bytes, count) || !to.WriteAt(at, bytes)) return false;
    }
    return to.Truncate(size) && to.Flush() &&
           ReadOrTell(from, 0, bytes, static_cast<std::size_t>(head)) && to.WriteAt(0, bytes) &&
           to.Flush();
}

// Puts the copies due in place, in their order: renamed over their files (way Rename; a rename
// the folder refuses for want of leave is done in place when mayCopy, and so is every copy after
// it) or written over them. False when one could not be put in place.
bool PutInPlace(const TXbPackMoves& due, TXbPackWay way, bool mayCopy) {
    bool copying = way == TXbPackWay::InPlace;
    for (const auto& [copy, target] : due) {
        if (!copying) {
            int error = 0;
            {
                const TXbHandledFailures handled;
                if (XbRename(copy, target)) continue;
                error = errno;
            }
            if (!mayCopy || (error != EPERM && error != EACCES)) {
                XbSetReason(XbReasonOfErrno(error), target, error);
                return false;
            }
            copying = true;
        }
        if (!CopyInPlace(copy, target)) return false;
    }
    return true;
}

// Removes the journal, then the copies. While the journal stays, so do the copies: the table's
// tells that the journal was put in place. False when a file stays.
bool RemoveJournalAndCopies(const std::string& journal, const TXbPackMoves& moves) {
    if (!XbRemove(journal)) return false;
    bool removed = true;
    for (const auto& move : moves)
        removed = XbRemove(move.first) && removed;
    return removed;
}

// The journal's moves with the table's last: an earlier build wrote it first.
void PutTableLast(TXbPackMoves& moves, const std::string& tablePath) {
    std::stable_partition(moves.begin(), moves.end(),
                          [&](const auto& move) { return !IsTable(move.second, tablePath); });
}

// The user's part of name, the name of a pack's file under the common name common ("" for the
// common name itself); nothing when name is no such file.
std::optional<std::string> OwnerIn(const std::string& name, const std::string& common) {
    if (name == common) return std::string();
    const auto dot = common.find_last_of('.');
    if (dot == std::string::npos || name.size() < common.size() + 2 ||
        name.compare(0, dot, common, 0, dot) != 0 || name[dot] != '.' ||
        name.compare(name.size() - (common.size() - dot), std::string::npos, common, dot) != 0)
        return std::nullopt;
    const std::string owner = name.substr(dot + 1, name.size() - common.size() - 1);
    if (!std::all_of(owner.begin(), owner.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return owner;
}

// The owners of the pack journals and copies left beside the table at tablePath and its memo
// files: "" for the common names first, then each user's own names.
std::vector<std::string> LeftOwners(const std::string& tablePath,
                                    const std::vector<std::string>& memoPaths) {
    std::vector<std::string> commons{XbPackJournalPath(tablePath), XbPackCopyPath(tablePath)};
    for (const std::string& memo : memoPaths)
        commons.push_back(XbPackCopyPath(memo));
    std::set<std::string> owners;
    if (std::any_of(commons.begin(), commons.end(), Exists)) owners.insert("");
    for (std::string& common : commons)
        common = XbFileName(common);
    std::error_code error;
    std::filesystem::directory_iterator entry(FolderOf(tablePath), error), end;
    for (; !error && entry != end; entry.increment(error))
        for (const std::string& common : commons)
            if (const auto owner = OwnerIn(entry->path().filename().string(), common);
                owner && !owner->empty())
                owners.insert(*owner);
    return {owners.begin(), owners.end()};
}

// The owner part of this user's own names: the user's number.
std::string ThisUser() {
    return std::to_string(::geteuid());
}

// Whether a complete journal read under the names of owner is the table's: a user's own journal
// name is also the common one of a table named so ("loans.2024.pkj" of "loans.2024.dbf"), whose
// journal lists that table.
bool OfTable(const TJournal& journal, const std::string& owner, const std::string& tablePath) {
    return owner.empty() ||
           std::any_of(journal.Moves.begin(), journal.Moves.end(),
                       [&](const auto& move) { return IsTable(move.second, tablePath); });
}

// Whether the table's complete journal under the names of owner waits to be put in place over
// the table at tablePath (true also when it cannot be read).
bool WaitsInPlace(const std::string& tablePath, const std::string& owner) {
    TJournal journal;
    const TJournalState state = ReadJournal(XbPackJournalPath(tablePath, owner), journal);
    if (state != TJournalState::Complete) return state == TJournalState::Unreadable;
    if (!OfTable(journal, owner, tablePath)) return false;
    PutTableLast(journal.Moves, tablePath);
    TXbPackMoves due;
    bool mayCopy = false;
    return !DueCopies(journal, tablePath, due, mayCopy) || !due.empty();
}

// Finishes or rolls back the pack of the table whose journal and copies have the names of
// owner (XbRecoverPack).
bool RecoverPackOf(const std::string& tablePath, const std::vector<std::string>& memoPaths,
                   const std::string& owner) {
    const std::string path = XbPackJournalPath(tablePath, owner);
    TJournal journal;
    const TJournalState state = ReadJournal(path, journal);
    if (state == TJournalState::Unreadable) return false;
    if (state == TJournalState::Complete && !OfTable(journal, owner, tablePath)) return true;
    if (state == TJournalState::Complete) {
        PutTableLast(journal.Moves, tablePath);
        TXbPackMoves due;
        bool mayCopy = false;
        if (!DueCopies(journal, tablePath, due, mayCopy) ||
            !PutInPlace(due, journal.Way, mayCopy) ||
            (journal.Way == TXbPackWay::Rename && !due.empty() && !XbSyncFolderOf(path)))
            return false;
    } else {
        // Killed before the commit: the files are the old ones; the copies go.
        std::vector<std::string> files = memoPaths;
        files.push_back(tablePath);
        journal.Moves = XbPackMoves(files, owner);
    }
    // What stays does no harm (see the header): another user's journal or copy in a sticky
    // folder keeps neither the table closed nor its stamp from telling. A journal cut short
    // under another user's own names may be another table's being written (OfTable): it stays,
    // for its user to remove.
    const TXbHandledFailures handled;
    if (state == TJournalState::Complete || owner.empty() || owner == ThisUser())
        RemoveJournalAndCopies(path, journal.Moves);
    else
        for (const auto& move : journal.Moves)
            XbRemove(move.first);
    return true;
}

// Removes the journal and the copies of files that a pack left under the names of owner; false
// when one stays.
bool RemoveLeft(const std::string& tablePath, const std::vector<std::string>& files,
                const std::string& owner) {
    return RemoveJournalAndCopies(XbPackJournalPath(tablePath, owner), XbPackMoves(files, owner));
}

} // namespace

std::string XbPackCopyPath(const std::string& path, const std::string& owner) {
    return owner.empty() ? path + ".pk" : path + "." + owner + ".pk";
}

std::string XbPackJournalPath(const std::string& tablePath, const std::string& owner) {
    return XbCompanionPath(tablePath, owner.empty() ? ".PKJ" : "." + owner + ".PKJ");
}

TXbPackMoves XbPackMoves(const std::vector<std::string>& files, const std::string& owner) {
    TXbPackMoves moves;
    for (const std::string& file : files)
        moves.emplace_back(XbPackCopyPath(file, owner), file);
    return moves;
}

void XbPackedHeader(std::string& header, LongInt kept) {
    char* bytes = header.data();
    EncodeLE<LongWord>(bytes + kCountAt, static_cast<LongWord>(kept));
    EncodeLE<LongWord>(bytes + kStampAt, DecodeLE<LongWord>(bytes + kStampAt) + 1);
    EncodeLE<LongWord>(bytes + kPacksAt, DecodeLE<LongWord>(bytes + kPacksAt) + 1);
}

LongWord XbPackCount(const TXbFile& file) {
    char bytes[4];
    return file.ReadAt(static_cast<Int64>(kPacksAt), bytes, sizeof bytes)
               ? DecodeLE<LongWord>(bytes)
               : 0;
}

TXbPackWay XbPackWayFor(const TXbPackMoves& moves) {
    for (const auto& [copy, target] : moves)
        if (!XbTakeOverIdentity(copy, target)) return TXbPackWay::InPlace;
    return TXbPackWay::Rename;
}

bool XbChoosePackNames(const std::string& tablePath, const std::vector<std::string>& files,
                       std::string& owner) {
    owner.clear();
    {
        const TXbHandledFailures handled;
        if (RemoveLeft(tablePath, files, owner)) return true;
    }
    if (WaitsInPlace(tablePath, {})) {
        XbRemove(XbPackJournalPath(tablePath)); // refused again: the cause is recorded
        return false;
    }
    owner = ThisUser();
    return RemoveLeft(tablePath, files, owner);
}

TXbPackCommit XbCommitPack(const std::string& tablePath, const std::string& owner,
                           const TXbPackMoves& moves, TXbPackWay way) {
    const std::string journal = XbPackJournalPath(tablePath, owner);
    TXbFile file;
    if (!file.Create(journal) || !file.WriteAt(0, JournalText(moves, way)) || !file.Flush() ||
        !XbSyncFolderOf(journal)) {
        file.Close();
        // A journal that stays may be whole: the next open judges it by the table's stamp.
        return XbRemove(journal) ? TXbPackCommit::NotCommitted : TXbPackCommit::Pending;
    }
    file.Close();
    if (!PutInPlace(moves, way, true) || (way == TXbPackWay::Rename && !XbSyncFolderOf(journal)))
        return TXbPackCommit::Pending;
    return RemoveJournalAndCopies(journal, moves) ? TXbPackCommit::Done : TXbPackCommit::LeftBehind;
}

bool XbPackPending(const std::string& tablePath, const std::vector<std::string>& memoPaths) {
    return !LeftOwners(tablePath, memoPaths).empty();
}

bool XbPackUnfinished(const std::string& tablePath) {
    const std::vector<std::string> owners = LeftOwners(tablePath, {});
    return std::any_of(owners.begin(), owners.end(),
                       [&](const std::string& owner) { return WaitsInPlace(tablePath, owner); });
}

bool XbRecoverPack(const std::string& tablePath, const std::vector<std::string>& memoPaths) {
    for (const std::string& owner : LeftOwners(tablePath, memoPaths))
        if (!RecoverPackOf(tablePath, memoPaths, owner)) {
            XbSetReason(xbErrOther, XbPackJournalPath(tablePath, owner));
            return false;
        }
    return true;
}
