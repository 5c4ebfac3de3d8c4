// Index files of the engine. An NTX or IDX file holds one order, a CDX or NSX file several
// named tags. The inner layout is the engine's own: a checked header page (format, version,
// kind) and, per order, a page-based B+tree of (key, record number) entries.
//
// Keys are byte strings of the order's fixed key length, built from the key expression:
// character keys as text padded with blanks, numeric keys as fixed-width sortable digits,
// dates as "yyyymmdd", logicals as ".T." / ".F.". Entries are ordered by key bytes, then by
// record number; a descending order walks that sequence backwards.
//
// Every change writes its new pages first and the header that points to them last, so the
// file on disk is always a complete index; pages are checked when read, so a damaged file
// gives isDamaged instead of a crash, and Reindex rebuilds it from the table. Each operation
// takes an open-file-description lock on the file (shared to read, exclusive to write) and
// rereads the header when another user changed the file.
//
// The header records the table's record count and update stamp (XbTable.h) the index covers.
// A work area brackets each change of the table with BeginUpdate / EndUpdate, so that the index
// records the table's new state with the change; an index that records another state does not
// match its table. A shared file found so under its lock, which every writer holds from before
// the table changes until the index has followed, was left by a writer that died, or the table
// was changed by another program (its change time differs from the one recorded: compared at
// open and at the start of every change): it is rebuilt there by a user that may write it, and
// made for this user alone, in memory, by one that may not (MakePrivate). When the files
// are one user's alone (SetExclusive), no locks are taken and changes gather in one batch,
// changed pages written in place when the batch took them itself, until WriteBack writes them
// and then the header; the table's stamp, raised before the first change, marks the file on
// disk as behind until then, and a batch the disk refuses stays to be written again; the pages
// it takes past the end of the file have their room reserved (PrepareUpdate), so that a full
// disk refuses the change that does not fit rather than the write of the batch. A file system
// that cannot set room aside has each update written through instead (PrepareUpdate). Tree pages
// are kept in a cache of their own (IndexPages.h): when it fills, pages not used lately leave, and
// a batch writes back the pages it changed and goes on changing them where they lie, since no
// header on disk points to them yet. The format is described in FORMAT.md beside this file.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbExpr.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum TXbIndexKind { ikNTX = 1, ikIDX = 2, ikCDX = 3, ikNSX = 4 };

// Tree pages an open index file may always keep in memory (about 36 MB); a larger file's cache
// grows to hold it, within the memory all index files share.
constexpr std::size_t XbDefaultCachePages = 8192;

enum TXbIndexStatus {
    isOk = 0,
    isEnd,           // no (further) entry in that direction
    isNotFound,      // a seek found no match; the position is on the next entry in order
    isDuplicate,     // a unique order already holds the key for another record
    isIoError,       // the file could not be read or written
    isForeign,       // not an index file of this engine (or of this kind)
    isDamaged,       // a header or page failed its checks
    isBadExpression, // a key or FOR expression does not compile, or fails on a record
    isBadDefinition, // tag name, key length or tag count out of bounds
    isReadOnly,      // the file is open for reading only
    isNoOrder,       // no order of that name
};

struct TXbOrderDef {
    std::string Tag;     // 1..128 characters above blank; stored upper case
    std::string KeyExpr; // the key expression
    std::string ForExpr; // the FOR condition, empty for none
    bool Unique = false;
    bool Descending = false;
};

// A position in an order: the key and record number of the entry stood on.
struct TXbKeyPos {
    std::string Key;
    LongInt RecNo = 0;
    bool operator==(const TXbKeyPos&) const = default;
};

// Makes record recno the current record of the source the order evaluates; false when the
// record cannot be read. Used to build an order from the table.
using TXbRecordLoader = std::function<bool(LongInt recno)>;
// Runs visit with a loader of the table's records and makes the record current before current
// again afterwards; gives what visit gave. A file rebuilds itself with it at any moment of its
// user's work (SetRecordWalk).
using TXbRecordVisit = std::function<TXbIndexStatus(const TXbRecordLoader& load)>;
using TXbRecordWalk = std::function<TXbIndexStatus(const TXbRecordVisit& visit)>;

class TXbIndexFile;

// The table's record count and update stamp, as an index records them, and the change time of
// the table file (TXbFile::ChangeTime; 0 when unknown).
struct TXbTableState {
    LongWord Count = 0;
    LongWord Stamp = 0;
    LongWord Time = 0;
};
// Gives the table's state; the change time only when withTime (it costs a look at the file).
using TXbTableStateSource = std::function<TXbTableState(bool withTime)>;

class TXbOrder {
public:
    const std::string& Tag() const { return def_.Tag; }
    const std::string& KeyExpr() const { return def_.KeyExpr; }
    const std::string& ForExpr() const { return def_.ForExpr; }
    bool Unique() const { return def_.Unique; }
    bool Descending() const { return def_.Descending; }
    // 'C', 'N', 'D' or 'L'.
    char KeyType() const { return keyType_; }
    int KeyLength() const { return keyLength_; }
    // The field name when the key is a single field of the table, else empty.
    std::string KeyField() const { return key_.SingleField(); }
    TXbIndexFile& File() const { return *file_; }

    // The key of the source's current record. included is false when the FOR condition
    // rejects the record (such records have no entry). isBadExpression when evaluation fails.
    TXbIndexStatus KeyOf(const TXbRecordSource& source, std::string& key, bool& included) const;
    // A caller's key text as the order compares it: character and date keys as given (a prefix
    // when shorter than the key), numbers as text ("-12.5") converted to the key form, logicals
    // ".T." / ".F." (also "T" / "F").
    std::string SearchKey(std::string_view text) const;
    // A key in readable form: character keys as stored, numeric keys as decimal text, dates as
    // "yyyymmdd", logicals ".T." / ".F.".
    std::string KeyText(std::string_view key) const;
    // True when key lies inside the scope [low, high]; the scope texts are search keys and
    // compare by prefix, an empty side is open. Comparison is by key bytes, whatever the
    // direction of the order.
    bool InScope(std::string_view key, std::string_view low, std::string_view high) const;

    // isOk when (key, recno) may be stored; isDuplicate when the order is unique and another
    // record holds the key. Nothing is written: callers check every order before they write.
    TXbIndexStatus CheckUnique(std::string_view key, LongInt recno);
    TXbIndexStatus Insert(std::string_view key, LongInt recno);
    // isNotFound when there is no such entry.
    TXbIndexStatus Delete(std::string_view key, LongInt recno);
    // Moves a record's entry: the old entry goes (when it was included; one that is missing
    // already is no failure), the new one comes (when it is included). Nothing happens when
    // both are the same. One change: a refusal leaves the old entry in place.
    TXbIndexStatus Replace(bool oldIncluded, std::string_view oldKey, bool newIncluded,
                           std::string_view newKey, LongInt recno);

    // Navigation in the order's direction. First/Last give isEnd for an empty order; Next and
    // Prev move pos to the neighbouring entry of pos (pos need not be an entry itself) and
    // give isEnd past either end, leaving pos unchanged.
    TXbIndexStatus First(TXbKeyPos& pos);
    TXbIndexStatus Last(TXbKeyPos& pos);
    TXbIndexStatus Next(TXbKeyPos& pos);
    TXbIndexStatus Prev(TXbKeyPos& pos);
    // Finds the first entry (in order) whose key matches searchKey (a SearchKey result): the
    // whole key with trailing blanks ignored when exact, else as a prefix. isOk with pos on it;
    // isNotFound with pos on the entry a soft seek lands on (the next in order); isEnd when no
    // entry follows.
    TXbIndexStatus Seek(std::string_view searchKey, bool exact, TXbKeyPos& pos);
    // 1-based place of pos's entry in the order (for a position between entries, the place of
    // the next one); 0 on failure.
    LongInt Position(const TXbKeyPos& pos);
    LongInt KeyCount();

private:
    friend class TXbIndexFile;
    TXbOrder() = default;

    TXbIndexFile* file_ = nullptr;
    TXbOrderDef def_;
    TXbExpression key_;
    TXbExpression for_;
    char keyType_ = 'C';
    int keyLength_ = 0;
    int decimals_ = 0;
    int slot_ = -1; // place in the file's tag directory
};

class TXbIndexFile {
public:
    TXbIndexFile();
    ~TXbIndexFile();
    TXbIndexFile(const TXbIndexFile&) = delete;
    TXbIndexFile& operator=(const TXbIndexFile&) = delete;

    // Creates a new, empty index file (replacing any file of that path) and keeps it open for
    // writing; its orders compile against source.
    TXbIndexStatus Create(const std::string& path, TXbIndexKind kind,
                          const TXbRecordSource& source);
    // Opens an existing index file. Its header and tag definitions are checked and the key
    // expressions compiled against source; isForeign / isDamaged / isBadExpression refuse it.
    TXbIndexStatus Open(const std::string& path, bool writable, const TXbRecordSource& source);
    // Writes what is pending and closes the file. The orders are gone afterwards.
    void Close();
    bool IsOpen() const;

    const std::string& Path() const { return path_; }
    TXbIndexKind Kind() const { return kind_; }
    bool Writable() const;
    // True for CDX and NSX files, which hold several tags.
    bool MultiTag() const { return kind_ == ikCDX || kind_ == ikNSX; }

    // Ties the file to its table: source gives the table's count and stamp as they are now (on
    // disk, for a shared file). The file records them whenever it catches up with the table.
    void SetTableState(TXbTableStateSource source);
    // Gives the file its table's records to rebuild itself from when a shared file finds itself
    // behind its table under its lock (BeginUpdate).
    void SetRecordWalk(TXbRecordWalk walk);
    // True when the file, as last read, records state's count and stamp as the table's.
    bool Matches(const TXbTableState& state) const;
    // The change time of the table the file recorded when it last caught up (0: none).
    LongWord TableTime() const;
    // Reads the file again under a shared lock and brings it up to date with its table as reads
    // do, comparing the table file's change time too: a file that may be written is rebuilt
    // there, one that may not gets private orders (MakePrivate).
    TXbIndexStatus Verify();
    // Makes the orders anew for this user alone, from the table's records as they are now, in
    // memory, the file on disk left as it is: for a file behind its table that this user may
    // not write (rights, a read-only open or mount, a full disk). Every find, range and walk
    // answers from them, and reads make them again when the table's count, stamp or change time
    // moves; a change of this user goes back to the file on disk.
    TXbIndexStatus MakePrivate();
    // The table's files are this user's alone: no locks, no rereading of the header, and
    // changes gather in memory until WriteBack (or are written through, PrepareUpdate).
    void SetExclusive(bool exclusive);
    // The most tree pages kept in memory: pages (at least 16), or with 0 (as opened) as many
    // as the file holds, from XbDefaultCachePages up, as far as the memory all index files
    // share allows (see XbPageBudget). Pages not used lately leave first; when half of them are
    // pages a batch changed, the batch writes those back and goes on changing them where they
    // lie.
    void SetCachePages(std::size_t pages);
    // Brackets one change of the table, from before its record is written until every order
    // has followed it; a shared file is locked for writing all the while. A shared file that
    // does not match its table once it has the lock was left so by a user that died between
    // writing the table and the index (every user holds the lock meanwhile), or by another
    // program: it is rebuilt where it lies from the table's records (SetRecordWalk), still under
    // the lock, and the update goes on. Reads under the shared lock that find it so do the same
    // when the file may be written. Begin refuses (isDamaged) a file that does not match and
    // cannot be rebuilt so; End writes the change back (a shared file) and gives isDamaged when
    // an order failed half-way, after which the file refuses every operation until Reindex.
    TXbIndexStatus BeginUpdate();
    TXbIndexStatus EndUpdate();
    // The steps of a shared update between Begin and End, so that the table is written between
    // them: Prepare writes the pages the update changed where no header on disk points to them
    // yet (room on the disk is taken before the table is written), Commit the header that makes
    // them the index and records the table as it is now. TakeBack undoes the update while the
    // lock is still held, so that no other user sees it: the pages are forgotten and a header
    // written is replaced by the one before (its pages are as they were), the file cut back to
    // the pages it counts. For the files' sole user Prepare only reserves the room of the pages
    // the batch took past the file's end (isIoError when the disk has none; Begin reserves what
    // a change may take, as far as the disk has it), Commit does nothing (the batch goes on) and
    // TakeBack leaves its batch: the caller takes the change back order by order. On a file
    // system that cannot set room aside, Prepare writes the sole user's pages and Commit its
    // header, as for a shared file: nothing answered done waits in memory for room.
    TXbIndexStatus PrepareUpdate();
    TXbIndexStatus CommitUpdate();
    void TakeBackUpdate();
    // Writes back what the batch holds: its pages, then the header with the table's state.
    TXbIndexStatus WriteBack();
    // Forgets what the batch holds: the file stays as it was last written back.
    void DropBatch();
    // Data and size of the file reach the disk.
    bool Sync();

    int OrderCount();
    // The order at 0-based index i, nullptr past the end. Pointers stay valid until Close.
    TXbOrder* Order(int i);
    // The order of that tag name (any case), nullptr when none.
    TXbOrder* FindOrder(std::string_view tag);

    // Creates an order and fills it from the table's records 1..recordCount (loaded one after
    // another through load into source). In a multi-tag file a tag of the same name is
    // replaced; a single-order file holds only the new order afterwards.
    TXbIndexStatus AddOrder(const TXbOrderDef& def, const TXbRecordSource& source,
                            LongInt recordCount, const TXbRecordLoader& load);
    // Rebuilds every order from the table's records, keeping the definitions. The records are
    // read under the file's lock: records 1..recordCount, or for a file tied to its table
    // (SetTableState) the records the table counts once the lock is had, which the file records
    // as covered. A rebuild the disk refuses leaves the file as it was. With onlyBehind, a file
    // that, read again under its lock, records the table as it is now is left as it is: another
    // user brought it up to date since this one read its header.
    TXbIndexStatus Reindex(const TXbRecordSource& source, LongInt recordCount,
                           const TXbRecordLoader& load, bool onlyBehind = false);

    struct TImpl;

private:
    friend class TXbOrder;
    std::string path_;
    TXbIndexKind kind_ = ikCDX;
    std::unique_ptr<TImpl> impl_;
};
