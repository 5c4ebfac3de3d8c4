// The engine call interface, second part: moving a cursor, reading and writing whole records
// and single fields in the dataset's record buffers, searching by index key, key ranges and
// bookmarks.
//
// A record buffer is a record image of the table's record size (deletion byte first, then the
// fields as text: characters blank-padded, numbers right-aligned with "." as decimal point,
// dates "yyyymmdd", logicals "T"/"F"). Field values in the caller's buffers are typed: strings
// zero-terminated without trailing blanks; dates a 32-bit day count with 1 January of year 1 as
// day 1; Booleans and 16-bit integers 16-bit; floats doubles. A bookmark (dbiBookmarkSize bytes)
// is the physical record number with the table's pack stamp: after a pack it is refused with
// 8713, never answered with another record. Text in a record that is no valid value of its
// field reads as blank.
//
// Every engine status reaches the caller as its database error (ResultOfEngineStatus), and the
// engine's reason is kept for the error text: 10245 record lock refused, 10243 table busy, 9218
// write failed, 9729 key violation, 10763 read-only, 9990 no table, 10250 needs an exclusive
// open, 9998 refused argument, 9217 file missing, and for a damaged file by its reason 8453
// index, 8451 memo, 8449 table header (8450 otherwise). A move, seek or range that meets a
// damaged index rebuilds the indexes and moves again when the cursor has the table's files to
// itself (opened exclusively, or no other holder); otherwise the damage is the result. An
// insert that fails leaves no record behind.
#pragma once

#include "db/EngineTypes.h"

#include <string>

// The day count of a field value for the platform date of 30 December 1899.
constexpr LongInt dbiDateDelta = 693594;

// Positioning.
DBIResult DbiSetToBegin(TCursorHandle cursor);
DBIResult DbiSetToEnd(TCursorHandle cursor);
DBIResult DbiGetBookMark(TCursorHandle cursor, void* bookmark);
DBIResult DbiSetToBookMark(TCursorHandle cursor, const void* bookmark);
DBIResult DbiSetToCursor(TCursorHandle dest, TCursorHandle source);
// compare: -1 when the first bookmark is before the second in the cursor's order, 0, 1.
DBIResult DbiCompareBookMarks(TCursorHandle cursor, const void* bookmark1, const void* bookmark2,
                              int* compare);
DBIResult DbiGetSeqNo(TCursorHandle cursor, LongInt* seqNo);
// Stands on the record with sequence number seqNo (1 = the first).
DBIResult DbiSetToSeqNo(TCursorHandle cursor, LongInt seqNo);
DBIResult DbiGetRecordCount(TCursorHandle cursor, LongInt* count);
DBIResult DbiForceReread(TCursorHandle cursor);

// Reading. A non-zero lock asks for the record lock. 8706 at the end, 8705 at the beginning.
DBIResult DbiGetNextRecord(TCursorHandle cursor, int lock, char* record, TRecordProps* props);
DBIResult DbiGetPriorRecord(TCursorHandle cursor, int lock, char* record, TRecordProps* props);
// The current record; 8709 when the condition or the deleted setting now hides it.
DBIResult DbiGetRecord(TCursorHandle cursor, int lock, char* record, TRecordProps* props);

// Writing. The record written takes the blobs opened for writing on its image (EngineBlobs.h).
// DbiInitRecord gives the blank record the engine appends itself: blanks, and zeros in the
// fields other programs keep as binary values, which they read as empty.
DBIResult DbiInitRecord(TCursorHandle cursor, char* record);
DBIResult DbiInsertRecord(TCursorHandle cursor, int lock, const char* record);
DBIResult DbiModifyRecord(TCursorHandle cursor, const char* record, bool freeLock);
DBIResult DbiDeleteRecord(TCursorHandle cursor, const char* record);
DBIResult DbiRelRecordLock(TCursorHandle cursor, bool all);
DBIResult DbiSaveChanges(TCursorHandle cursor);

// Fields. DbiGetField reports an all-blank field (or text that is no valid value) as blank
// and leaves dest untouched; a missing dest only reports blankness. DbiPutField with no
// source writes a blank value; 10019 (the record image unchanged) when the value does not fit
// the field or is a float that is not finite.
DBIResult DbiGetField(TCursorHandle cursor, Word field, const char* record, void* dest,
                      bool* blank);
DBIResult DbiPutField(TCursorHandle cursor, Word field, char* record, const void* source);

// Keys. key is a record image, or with directKey the key text itself; the key text of a record
// image (DbiExtractKey) is what the controlling order keys it by, a number in plain decimal with
// the digits the order keeps (a numeric field's stored text in full). Kind 0 (equal) compares
// whole keys: 8710 when no key equals it, so an empty (or null, or blank) key finds only a
// record whose key is empty. Kinds 1 and 2 stand on the first record for an empty key.
DBIResult DbiSetToKey(TCursorHandle cursor, int searchKind, bool directKey, Word fieldCount,
                      Word length, const char* key);
DBIResult DbiGetRecordForKey(TCursorHandle cursor, bool directKey, Word fieldCount, Word length,
                             const char* key, char* record);
DBIResult DbiExtractKey(TCursorHandle cursor, const char* record, std::string* key);
// A missing key leaves the range open on its side.
DBIResult DbiSetRange(TCursorHandle cursor, bool keyItself, Word fieldCount1, Word length1,
                      const char* key1, bool inclusive1, Word fieldCount2, Word length2,
                      const char* key2, bool inclusive2);
DBIResult DbiResetRange(TCursorHandle cursor);

// The result code of an engine status of a write (0 for done); a failure's reason is kept for
// its error text.
DBIResult ResultOfEngineStatus(int status);

// While alive, the engine's record buffer of the current area holds a caller's record image;
// the engine's own record is put back afterwards. The current area must be the one of area.
class TEngineWorkArea;
class TBorrowedBuffer {
public:
    TBorrowedBuffer(TEngineWorkArea& area, const char* record);
    ~TBorrowedBuffer();
    TBorrowedBuffer(const TBorrowedBuffer&) = delete;
    TBorrowedBuffer& operator=(const TBorrowedBuffer&) = delete;

    // Copies the engine's buffer, as the engine changed it, into record.
    void CopyBack(char* record) const;

private:
    TEngineWorkArea& area_;
    char* engine_;
};
