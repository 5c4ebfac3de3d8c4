// The DBF table file: header and field descriptors read, validated and written; records read,
// written and appended in an order that leaves a readable table after a crash.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbFile.h"

#include <string>
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
    xbBadArgument = 11  // a field list, field number, value or expression was refused
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

class TXbTable {
public:
    // Writes a new, empty table. With memo fields the version byte is 0x83 for a DBT memo and
    // 0xF5 for an FPT memo, else 0x03. The memo file itself is created by the caller.
    static int Create(const std::string& path, std::vector<TXbFieldDef> fields,
                      TXbMemoKind memoKind);
    // The field list checked and completed with offsets; xbBadArgument when refused.
    static int CheckFields(std::vector<TXbFieldDef>& fields);

    // Opens and validates an existing table; a status other than xbOK leaves it closed.
    int Open(const std::string& path, bool writable);
    void Close() { file_.Close(); }
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
    // Re-reads the record count that other processes may have raised.
    bool RefreshCount();
    // A record image of blanks (not deleted).
    std::string BlankRecord() const {
        return std::string(static_cast<std::size_t>(recordSize_), ' ');
    }

    // Reads record recno (1..count) into image (RecordSize bytes).
    bool ReadRecord(LongInt recno, char* image) const;
    // Overwrites record recno (1..count).
    bool WriteRecord(LongInt recno, const std::string& image);
    // Writes image as record count + 1, the end-of-file mark after it, and only then the header
    // count that includes it.
    bool AppendRecord(const std::string& image);
    // Takes back the last record (an append that failed): the header count first, then the file
    // is cut after the remaining records.
    bool RemoveLastRecord();
    // Writes the record count and today's date into the header.
    bool WriteHeader();

private:
    int ReadHeader();
    int ReadFields(const std::string& header);

    TXbFile file_;
    TXbMemoKind memoKind_ = TXbMemoKind::None;
    std::vector<TXbFieldDef> fields_;
    int recordSize_ = 0;
    int headerSize_ = 0;
    LongInt count_ = 0;
};
