// The DBF table file: header and field descriptors read, validated and written; records read,
// written and appended in an order that leaves a readable table after a crash.
//
// The header keeps an update stamp (bytes 16..19, reserved in the format, little-endian) that
// ties index files to the table: the first change after the indexes last caught up with the
// table raises it, before the change reaches the file, and an index records the stamp and the
// record count it covers. An index whose stamp or count differs from the table's does not match
// it. An append writes its record first and then the header (count and stamp) that takes it in.
// A shared open writes the count only when it appends (under the table's append lock, with the
// count read under it); its changes of records write the stamp and the date alone.
//
// A table that is one user's alone (SetExclusive) reads records from memory (RecordMemory.h),
// else through a read-only mapping of the file, and gathers appended records in memory, written
// with the header that takes them in when 64 KB have gathered and by FlushAppends (commit, unlock,
// close): a killed process loses the appends since then and leaves a table whose count and stamp
// are those of the last flush. Each gathered record takes its room on the disk as it comes
// (MakeRoom), so that a full disk refuses the append that does not fit, and never the flush of
// records answered done; the room reserved past the file's end is given back by Sync. On a file
// system that cannot set room aside, appends do not gather: each is written as it comes.
//
// A shared table reads records that follow one another in blocks of 64 KB while it is walked in
// record order. A block serves the walk's reads while the header's count and stamp are those it
// was read under and no work area of this process wrote since; every other read goes to the
// file, so a seek or a move to a record always sees what the file holds: every write of another
// user raises the stamp, so a changed record is read anew. Stepping through the records
// (RefreshRecentCount) re-reads the header only when this process wrote or a moment (20 ms) has
// passed, so a scan does not read it once a record; a change another process made within that
// moment may then show a moment late.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/RecordMemory.h"
#include "xbase/XbFile.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Statuses of the engine's operations; 0 is success. xb_AppendEx reports 1..6.
enum TXbStatus {
    xbOK = 0,
    xbLockRefused = 1,  // a record lock could not be had within the lock time-out
    xbTableBusy = 2,    // the table's append lock could not be had
    xbWriteFailed = 3,  // the file refused a write (disk full, I/O error)
    xbKeyViolation = 4, // a unique order already holds the key
    xbReadOnly = 5,     // the area was opened read-only
    xbNoTable = 6,      // no table is open in the area
    xbNotExclusive = 7, // the operation needs an exclusive open
    xbDamaged = 8,      // the file's header or layout is inconsistent
    xbNotFound = 9,     // the file does not exist
    xbSharing = 10,     // the file is open elsewhere in a conflicting mode
    xbBadArgument = 11, // a field list, field number, value or expression was refused
    xbNoLocks = 12      // the file system of the file refuses file locks
};

struct TXbFieldDef {
    std::string Name;
    char Type = 'C';
    int Width = 0;
    int Decimals = 0;
    int Offset =
        0; // position in the record image; the first field is at 1, after the deletion byte
};

enum class TXbMemoKind { None, Dbt, Fpt };

// A double of another program's tables: a B field of 8 bytes holding a little-endian IEEE
// number (a B field of other widths points into the memo file).
inline bool XbIsDoubleField(const TXbFieldDef& f) {
    return f.Type == 'B' && f.Width == 8;
}
// A field whose bytes point into the memo file: M (text), P (picture), G (general), W (blob),
// and B unless it is a double.
inline bool XbIsMemoField(const TXbFieldDef& f) {
    switch (f.Type) {
    case 'M':
    case 'P':
    case 'G':
    case 'W': return true;
    case 'B': return !XbIsDoubleField(f);
    default: return false;
    }
}
// A field other programs store as binary bytes rather than text: integer (I), currency (Y),
// date-time (T), double (B of 8 bytes), the null flags (0), and a memo pointer of 4 bytes. A
// blank record holds zeros there, which those programs read as an empty value.
inline bool XbIsBinaryField(const TXbFieldDef& f) {
    switch (f.Type) {
    case 'I':
    case 'Y':
    case 'T':
    case '0': return true;
    default: return XbIsDoubleField(f) || (XbIsMemoField(f) && f.Width == 4);
    }
}
// The number in a double field's bytes as text with the field's decimals, rounded as STR
// rounds and as long as the number needs; the bytes for a value.
std::string XbDoubleText(const TXbFieldDef& f, std::string_view bytes);
std::string XbDoubleBytes(double value);
// Other programs keep integer, currency, date-time and double fields as binary values,
// little-endian, all zeros for an empty one: an integer (I) in 4 bytes signed, a currency (Y)
// in 8 bytes signed counting ten-thousandths, a date-time (T) as a 4-byte day number and 4
// bytes of milliseconds since midnight, a double (B of 8 bytes) as an IEEE number. As text
// they are the integer's digits, the currency with XbCurrencyDecimals decimals, "yyyymmdd
// hh:mm:ss" (".fff" added when there are milliseconds; empty for no date-time) and the double
// with the field's decimals. XbBinaryText gives the text of such a field's bytes (a double in
// full, the shortest text that reads back as it, when fullDouble is set); false for other
// fields.
constexpr int XbCurrencyDecimals = 4;
bool XbBinaryText(const TXbFieldDef& f, std::string_view bytes, std::string& text,
                  bool fullDouble = false);

class TXbTable {
public:
    TXbTable() = default;
    ~TXbTable() { Close(); }
    TXbTable(const TXbTable&) = delete;
    TXbTable& operator=(const TXbTable&) = delete;

    // Writes a new, empty table. With memo fields the version byte is 0x83 for a DBT memo and
    // 0xF5 for an FPT memo, else 0x03. The memo file itself is created by the caller. A table
    // whose writing the system refuses is removed again.
    static int Create(const std::string& path, std::vector<TXbFieldDef> fields,
                      TXbMemoKind memoKind);
    // The field list checked and completed with offsets; xbBadArgument when refused.
    static int CheckFields(std::vector<TXbFieldDef>& fields);

    // Opens and validates an existing table; a status other than xbOK leaves it closed.
    int Open(const std::string& path, bool writable);
    void Close() {
        FlushAppends();
        GiveBackRoom();
        Unmap();
        file_.Close();
        pending_.clear();
        memory_.Clear();
        exclusive_ = false;
        keepAppends_ = false;
        block_.clear();
        blockRecords_ = 0;
        lastRead_ = 0;
    }
    // The file is this user's alone: records are read from memory or through a mapping, and
    // appends gather in memory.
    void SetExclusive(bool exclusive) {
        exclusive_ = exclusive;
        if (exclusive) return;
        memory_.Clear();
        GiveBackRoom(); // a shared open writes each append at once
    }
    // Records appended from now on stay in memory as well, as records a seek lands on do: the
    // table has an order open, so its records will be read at random. Only for an exclusive open.
    void KeepAppends(bool keep) { keepAppends_ = keep; }
    // Writes the appended records that gathered in memory, then the header that takes them in.
    // When the file refuses them, they stay in memory and the file is left as it was.
    bool FlushAppends();
    // Forgets the gathered appends that could not be written: the table is as the file holds it.
    void DropAppends();
    // Room on the disk for one record more than the table counts and the end-of-file mark after
    // it, taken past the file's end without writing (an exclusive open, whose appends gather in
    // memory; a shared open writes each append at once). False, with the reason, when the disk
    // has none: nothing of that record may be written then. On a file system that cannot set
    // room aside none is taken, and the record is written as it is appended.
    bool MakeRoom();
    bool IsOpen() const { return file_.IsOpen(); }
    TXbFile& File() { return file_; }
    const std::string& Path() const { return file_.Path(); }

    TXbMemoKind MemoKind() const { return memoKind_; }
    bool HasMemoFields() const;
    const std::vector<TXbFieldDef>& Fields() const { return fields_; }
    // Index of the field named name (any case), -1 when none.
    int FieldIndex(const std::string& name) const;
    int RecordSize() const { return recordSize_; }
    int HeaderSize() const { return headerSize_; }
    LongInt RecordCount() const { return count_; }
    // Re-reads the record count and the update stamp that other processes may have changed;
    // false (the count kept) when the header cannot be read or counts past the file's end.
    bool RefreshCount();
    // RefreshCount when this process wrote a table since the last one, or a moment passed.
    bool RefreshRecentCount();
    LongWord Stamp() const { return stamp_; }
    // Raises the stamp on disk unless it was raised since the indexes last caught up (Caught);
    // every write of a record does it first.
    bool Touch();
    // The indexes now record the table as it is: the next change raises the stamp again.
    void Caught() { touched_ = false; }
    // The gathered appends are written, the room reserved for more is given back, and data and
    // size of the file reach the disk.
    bool Sync();
    // A record image of blanks (not deleted): binary fields (memo block numbers of 4 bytes,
    // doubles) hold zeros, which other programs read as no memo and 0.
    std::string BlankRecord() const;

    // A shared open's block of records read ahead is read anew when next needed: a record
    // locked since may have been changed before the lock was had.
    void ForgetBlock() const { blockRecords_ = 0; }
    // Reads record recno (1..count) into image (RecordSize bytes). A shared table serves a read
    // from its block only when stepping (a walk in record order); any other read, such as the
    // record a seek lands on, comes from the file.
    bool ReadRecord(LongInt recno, char* image, bool stepping = false) const;
    // Starts fetching record recno into the processor's caches for a read that follows soon (a
    // seek checks its key before it reads the record); nothing when neither memory nor a
    // mapping holds it.
    void Prefetch(LongInt recno) const;
    // Overwrites record recno (1..count).
    bool WriteRecord(LongInt recno, const std::string& image);
    // Writes image as record count + 1, the end-of-file mark after it, and only then the header
    // count that includes it. A refused write leaves the file as it was: as long as the records
    // it counts, the end-of-file mark after them.
    bool AppendRecord(const std::string& image);
    // Takes back the last record (an append that failed): the header count first, then the file
    // is cut after the remaining records.
    bool RemoveLastRecord();
    // The record count and the stamp now, to take a change back to (TakeBack).
    struct TMark {
        LongInt Count = 0;
        LongWord Stamp = 0;
        bool Touched = false;
    };
    TMark Mark() const { return {count_, stamp_, touched_}; }
    // Takes a shared open's change back to mark with writes that need no room on the disk: the
    // record appended since goes (RemoveLastRecord) and the header has the count and the stamp
    // of mark again; after a change of a record, whose old image the caller wrote back, the
    // stamp is that of mark again (nothing is written when neither moved). A reader then finds
    // the table as it was, and an index that recorded it matches it.
    bool TakeBack(const TMark& mark);

private:
    int ReadHeader();
    // Writes today's date, the record count and the stamp into the header.
    bool WriteHeader();
    // Writes the stamp and today's date, not the count: a shared open's change of a record
    // holds no append lock, so the count it read may be older than another user's append.
    bool WriteStamp();
    // Cuts the file after its first count records and puts the end-of-file mark after them: a
    // refused append leaves no part of its records behind, which other readers would take for
    // one record more than the header counts.
    bool CutAfter(LongInt count);
    // Gives back the room MakeRoom reserved past the file's end.
    void GiveBackRoom() {
        if (roomEnd_ > 0) file_.GiveBackRoom();
        roomEnd_ = 0;
    }
    // Writes bytes at at to the file and to the records kept in memory.
    bool WriteBytes(Int64 at, std::string_view bytes);
    // Offset of record recno in the file.
    Int64 At(LongInt recno) const {
        return headerSize_ + static_cast<Int64>(recno - 1) * recordSize_;
    }
    // The gathered record recno, nullptr when it is not among them.
    char* Pending(LongInt recno) const;
    // Maps the file so that its bytes before end can be read; false when that fails.
    bool MapUpTo(Int64 end) const;
    // A shared open's read: from the block when it is still good, else a new block when the
    // read follows the one before (in either direction), else the record alone.
    bool ReadShared(LongInt recno, char* image, bool stepping) const;
    void Unmap() const;
    int ReadFields(const std::string& header);

    TXbFile file_;
    TXbMemoKind memoKind_ = TXbMemoKind::None;
    std::vector<TXbFieldDef> fields_;
    int recordSize_ = 0;
    int headerSize_ = 0;
    LongInt count_ = 0;
    LongWord stamp_ = 0;
    bool touched_ = false;
    // Appended records go into memory_ too (KeepAppends).
    bool keepAppends_ = false;
    std::string prefix_; // the header's first 32 bytes as read
    bool exclusive_ = false;
    mutable std::string pending_; // appended records count_ - n + 1 .. count_, not yet written
    Int64 roomEnd_ = 0;           // the file's room is reserved up to here (MakeRoom)
    mutable TXbRecordMemory memory_;    // records of an exclusive open, read once from the file
    mutable const char* map_ = nullptr; // the file mapped for reading, mapSize_ bytes
    mutable Int64 mapSize_ = 0;
    Int64 sizeSeen_ = 0;        // the file size the count was last checked against
    std::uint64_t refreshedWrites_ = 0; // the process's write count at the last RefreshCount
    std::chrono::steady_clock::time_point refreshed_;
    // A shared open's block of records: blockRecords_ records from blockFirst_, read while the
    // table had blockCount_ records and blockStamp_, after blockWrites_ writes of this process.
    mutable std::string block_;
    mutable LongInt blockFirst_ = 0;
    mutable LongInt blockRecords_ = 0;
    mutable LongInt blockCount_ = 0;
    mutable LongWord blockStamp_ = 0;
    mutable std::uint64_t blockWrites_ = 0;
    mutable LongInt lastRead_ = 0;
};
