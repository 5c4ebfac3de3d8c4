// The xBase engine's call interface. Every call acts on the current work area (xb_Select);
// texts are single-byte strings. Calls that write return a status of TXbStatus (0 = done).
// Files, their order of writes and what survives a killed process: FORMAT.md beside this file.
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbTable.h"

#include <cstdint>
#include <string>
#include <vector>

// Open modes of xb_Use.
constexpr int xbModeShared = 0;
constexpr int xbModeReadOnly = 1;
constexpr int xbModeExclusive = 2;
// Drivers: the index family and the memo format that go with a table.
constexpr int xbNTX = 1; // NTX indexes, DBT memos
constexpr int xbCDX = 2; // CDX indexes, FPT memos
constexpr int xbNSX = 3; // NSX indexes, FPT memos
// Kinds of xb_Replace.
constexpr int xbReplaceText = 1024;
constexpr int xbReplaceDateText = 1056;
constexpr int xbReplaceMemo = 3072;
constexpr int xbReplaceDouble = 8;
constexpr int xbReplaceLogical = 128;

// Reasons of the last failed call (xb_LastError); 0 when the last failing call left none.
enum : int {
    xbErrNone = 0,
    xbErrFileMissing = 1,
    xbErrLocked = 2,
    xbErrDamagedHeader = 3,
    xbErrDamagedIndex = 4,
    xbErrDamagedMemo = 5,
    xbErrReadOnly = 6,
    xbErrDiskFull = 7,
    xbErrOther = 8,
    xbErrNoLocks = 9,     // the file system of the table's folder does not support file locks
    xbErrNotReadable = 10 // the user may not read the file, or not enter its folder
};
// The reason of the last call that failed (by its result, or by a memo or index it could not
// read although its result does not show it); a call that succeeds leaves it as it was.
int xb_LastError();             // the code of the last failure's reason
std::string xb_LastErrorText(); // a short English text for it, naming the file where known
std::string xb_LastErrorFile(); // the path of the file it concerns, empty when none is known
int xb_LastErrorErrno();        // the errno of a write the system refused, 0 when none was

// Settings. Each setter returns the value it replaced; a value out of range is refused and the
// setting stays. The lock time-out is in seconds. xb_SysProp codes: 65000 address of the
// current area's record buffer; 65002 area (value) open; 65005 closes everything; 65006 orders
// named after their index files (NTX); 65008/65010 address and size of the work block (it holds
// the last text a call gave); 65012 field (value) is variable-length text; 65014 the current
// area may repair its table's files: it has them to itself (an exclusive open, or no other
// holder) and may write them; 65016 the
// area's pack stamp, which changes whenever the table is packed, here or elsewhere; 3000 order
// count; 3002 order (value) descending; 1000/1001 read/set soft seek; 1002/1003 read/set exact;
// 1006 deleted records hidden; 1009 the current area's driver; 1305 fixed blob length that
// xb_PutBlob pads or cuts to (0 = the length given). Unknown codes give 0.
std::string xb_Version();
int xb_SetStringType(int type);
int xb_ErrorLevel(int level);
int xb_SetCentury(int on);
int xb_SetDateFormat(int format);
int xb_SetDeleted(int on);
int xb_SetExact(int on);
int xb_SetSoftSeek(int on);
int xb_SetLockTimeout(int seconds);
int xb_SetMemoBlockSize(int size);
int xb_SetEpoch(int year);
int xb_SetTurboRead(int on);
std::intptr_t xb_SysProp(int code, std::intptr_t value);

// Creating tables and orders.
// A new table from a field list (C to 254, N and F to 19 with decimals, D, L, M); driver decides
// the memo format (DBT for NTX, else FPT). An existing table of that name is replaced unless it
// is open anywhere (xbSharing); its production index goes with it. A table the system refuses
// to write leaves no file.
int xb_Create(const std::string& path, const std::vector<TXbFieldDef>& fields, int driver);
// A new order in an index file of the current area (the production index when path is empty;
// a missing, damaged or foreign file is made anew) and makes it the controlling order; returns
// the order number, 0 on failure. NTX and IDX files take their file name as tag.
int xb_IndexCreate(const std::string& path, const std::string& tag, const std::string& key,
                   const std::string& condition, int unique, int descending);
// Rebuilds every open order from the table. A pending record change that cannot be written is
// kept, and its status given, before anything is rebuilt.
int xb_Reindex();

// Work areas. xb_Use opens in the first free area (1..255) and selects it; 0 on failure (missing
// or damaged file, memo or production index; sharing conflict; alias in use). Names match files
// without regard to case; ".DBF" is added to a name without extension. An index file that no
// longer matches its table is rebuilt when nobody else has the table open, else refused (the
// damaged-index reason); a pack a killed process left half done is finished or rolled back.
// Memo and index files made for a table take the letter case of its extension. Opened read-only,
// a table whose index is behind opens with that index listed but not used: walks go in record
// order and seeks fail with the damaged-index reason.
int xb_Use(const std::string& path, const std::string& alias, int mode, int driver);
int xb_Select(int area);
int xb_WorkArea(const std::string& alias = {});
std::string xb_Alias();
std::string xb_BaseName();
int xb_Close();
void xb_CloseAll();

// Structure. Fields are numbered from 1; the record size counts the deletion byte, so the
// offset (1-based) of field 1 is 2. Out-of-range fields give empty texts and 0.
int xb_FieldCount();
int xb_RecSize();
std::string xb_FieldName(int field);
int xb_FieldNum(const std::string& name);
std::string xb_FieldType(int field);
int xb_FieldWidth(int field);
int xb_FieldDecimals(int field);
int xb_FieldOffset(int field);

// Moving. Each gives the status of writing back a record changed by xb_Replace or xb_PutBlob
// (the cursor moves even when that write was refused), else xbDamaged when the controlling
// order could not be read (the damaged-index reason; the cursor is then at the end).
int xb_GoTop();
int xb_GoBottom();
int xb_Skip(LongInt count);
int xb_Go(LongInt record);
LongInt xb_RecNo();
LongInt xb_RecCount();
int xb_Bof();
int xb_Eof();
int xb_Deleted();
LongInt xb_OrderRecNo();

// Records. xb_GetRecord/xb_PutRecord move the whole record image with its deletion byte; a put
// updates every open order (xbKeyViolation from a unique order writes nothing) and locks the
// record for the write when shared. A write refused anywhere (the record, a memo, an index page
// or header; a full disk) is taken back whole: the table and every index stay as they were, and
// the call that was asked to write fails with the cause (xb_LastError). xb_AppendEx reserves the
// table's next record, blank and locked when shared (xb_RecNo, xb_RecCount count it), and holds
// the table's append lock until its first write (a put, or the cursor leaving it, which writes
// it as it stands) puts it into the table and the orders at once; a refused first write leaves
// no record (the cursor at the end), and other users see none before; xb_Delete before that
// write, of the record still blank, gives the reservation back, writing nothing. It gives 0 done, 1
// record lock refused, 2 append lock refused, 3 the change pending in the buffer could not be
// written or the table's header not read, 4 that change's key taken, 5 read-only, 6 no table.
// xb_Replace changes the record buffer (text 1024, date text 1056 in the engine's date
// format, memo 3072, double 8, logical 128); the change reaches the file on xb_Commit or when
// the cursor moves. xb_Pack needs an exclusive open; the files keep their owner, group, mode
// and other names (XbJournal.h). A failed write makes it answer xbWriteFailed with the table as
// it was, or packed when only its journal or a copy could not be removed; a pack that took
// effect but could not put every copy in place closes the area, and the next open finishes it.
// xb_Rlock gives 1 when locked (0 = the current record), waiting up to the lock time-out; a
// shared area that locks its current record reads it again as the last holder of the lock left
// it (changes made with xb_Replace kept). xb_Unlock(0) releases all; a change of the current
// record made under its lock is written before its lock goes. It gives 1, or 0 when a write it
// made was refused (the locks go all the same, and a refused change of a record that was in the
// table stays in the buffer).
// A clean xb_Commit or xb_Close leaves memo, table and index files on disk, in that order; an
// exclusive open writes its index pages and gathered appends at commit, unlock and close.
std::string xb_GetRecord();
int xb_PutRecord(const std::string& image);
int xb_AppendEx();
int xb_Delete();
int xb_Commit();
int xb_Pack();
int xb_Rlock(LongInt record);
int xb_Unlock(LongInt record);
int xb_Replace(int field, int kind, const std::string& text);
int xb_Replace(int field, int kind, const char* text);
int xb_Replace(int field, int kind, double value);
int xb_Replace(int field, int kind, bool value);
std::string xb_GetString(int field);
std::string xb_GetTrimString(int field);
std::string xb_GetDateString(int field);
int xb_GetLogical(int field);
int xb_Empty(int field);

// A B field of 8 bytes (another program's double) reads as a number: its text with the field's
// decimals, a numeric value in expressions and keys, written by xb_Replace(xbReplaceDouble).
// Another program's integer (I), currency (Y), date-time (T) and double fields read with
// xb_GetString as text: "-5", "1.2500" (4 decimals), "20240102 03:04:05" (".678" added for
// milliseconds, empty for no date-time), and xb_Replace(xbReplaceText) writes such text as the
// field's binary value (a currency rounded to 4 decimals, blank text as the empty value);
// other text, and any text for the null flags (0) or a field of unknown type, is refused with
// xbBadArgument. In expressions, conditions and keys an integer or currency field is a number
// too, and a date-time field is that text padded with blanks to 21 characters, whose order is
// the order in time (an empty one first): "AT >= '20240102'".
// Memos (M, P and other B fields). A memo given with xb_Replace or xb_PutBlob reaches the memo
// file only when its record is written (a refused record leaves the old memo); until then the
// area that gave it reads it back and others read the old one. A DBT memo cannot hold the byte
// 0x1A (xbBadArgument). A replaced memo keeps its blocks when it fits in them and no other
// record points to them; a pack compacts the memo file. xb_GetMemo gives a copy in memory
// that xb_MemDealloc frees (nullptr when the field is no memo or its memo cannot be read);
// xb_GetBlob fills buffer with the data and gives its length; xb_PutBlob stores length bytes as
// binary data.
char* xb_GetMemo(int field, int reserved);
void xb_MemDealloc(char* memory);
LongInt xb_GetBlob(int field, std::string& buffer);
LongInt xb_GetBlobLength(int field);
int xb_PutBlob(int field, const char* data, LongInt length);
int xb_IsEncrypted(int reserved);

// Orders, numbered from 1 across the open index files. xb_SetOrder returns the order it
// replaced and keeps the current record; a scope is cleared by a change of order. xb_Seek gives
// 1 when found; otherwise soft seek stands on the next key (or at the end), else at the end. A
// failure gives a negative status: -xbDamaged when the order could not be read (at the end),
// or minus the status of a pending change that could not be written (cursor and change stay).
// xb_SetOrder, xb_QueryRecCount and xb_IndexCreate keep such a change and fail with its reason.
// Exact on compares the whole key (trailing blanks aside), else the key text as a prefix.
// xb_SetScope: inclusive prefix bounds, an empty side is open, both empty remove the scope.
int xb_IndexOpen(const std::string& path);
int xb_IndexOrd();
int xb_SetOrder(int order);
int xb_TagArea(const std::string& tag);
std::string xb_TagName(int order);
std::string xb_IndexName(int order);
std::string xb_IndexKey();
std::string xb_IndexKeyField();
int xb_IndexType();
std::string xb_IndexCondition();
int xb_Seek(const std::string& key);
int xb_SetScope(const std::string& low, const std::string& high);
std::string xb_KeyData();

// Expressions. xb_EvalTest gives the type (1 character, 2 numeric, 3 logical, 4 date, 0 error);
// xb_Query sets the condition that hides records (a logical expression; an empty text removes
// it; a refused text keeps the old one and gives xbBadArgument; a pending change that cannot be
// written keeps the old condition and gives its status).
int xb_EvalTest(const std::string& expression);
std::string xb_EvalString(const std::string& expression);
int xb_EvalLogical(const std::string& expression);
int xb_Query(const std::string& condition);
LongInt xb_QueryRecCount();
std::string xb_DBFilter();
