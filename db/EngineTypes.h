// The types of the engine call interface: handles, result codes, the field, cursor, index and
// record descriptions the entry points fill, and the callback and filter function types.
//
// Every entry point of the interface returns a DBIResult, 0 for success, and never raises.
// A cursor handle 1..255 is an engine work area; higher numbers are cursors served from
// memory (260 the field list, 261 the empty cursor). A database handle is an index 1..199
// into the table of database directories. Directories here end in "/", the path separator of
// this system.
#pragma once

#include "platform/rtl/Types.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

using DBIResult = Word;
using TCursorHandle = LongWord;   // only the low 16 bits are looked at
using TDatabaseHandle = LongWord; // 1..199, 0 = none
using TSessionHandle = LongWord;
using TLocaleHandle = LongWord;
using TFilterHandle = LongWord; // the filter slot 1..100
using TObjectHandle = LongWord; // a cursor, database or session handle given to the properties

// Result codes.
constexpr DBIResult dbiOK = 0;
constexpr DBIResult dbiEngineTooOld = 99;
constexpr DBIResult dbiHeaderDamaged = 8449;     // 0x2101 the table's header fails its checks
constexpr DBIResult dbiFileDamaged = 8450;       // 0x2102 a file's layout fails its checks
constexpr DBIResult dbiMemoDamaged = 8451;       // 0x2103 the memo file fails its checks
constexpr DBIResult dbiIndexDamaged = 8453;      // 0x2105 an index is damaged or out of step
constexpr DBIResult dbiBOF = 8705;               // 0x2201 before the first record
constexpr DBIResult dbiEOF = 8706;               // 0x2202 after the last record / end of list
constexpr DBIResult dbiRecordHidden = 8709;      // 0x2205 the record is no longer visible
constexpr DBIResult dbiKeyNotFound = 8710;       // 0x2206
constexpr DBIResult dbiEndOfBlob = 8711;         // 0x2207
constexpr DBIResult dbiNotFound = 8712;          // 0x2208
constexpr DBIResult dbiStaleBookmark = 8713;     // 0x2209 the table was packed since
constexpr DBIResult dbiFileNotFound = 9217;      // 0x2401 a file of the table is missing
constexpr DBIResult dbiWriteFailed = 9218;       // 0x2402 the file refused a write
constexpr DBIResult dbiKeyViolation = 9729;      // 0x2601
constexpr DBIResult dbiBadHandle = 9990;         // 0x2706
constexpr DBIResult dbiBadParameter = 9998;      // 0x270E
constexpr DBIResult dbiNoLanguageDriver = 10013; // 0x271D
constexpr DBIResult dbiValueTooWide = 10019;     // 0x2723
constexpr DBIResult dbiIndexOpen = 10028;        // 0x272C the index file is open already
constexpr DBIResult dbiTableBusy = 10243;        // 0x2803
constexpr DBIResult dbiLockRefused = 10245;      // 0x2805
constexpr DBIResult dbiNeedExclusive = 10250;    // 0x280A the operation needs an exclusive open
constexpr DBIResult dbiNeedPassword = 10498;     // 0x2902
constexpr DBIResult dbiNoMemory = 10753;         // 0x2A01
constexpr DBIResult dbiNoIndexActive = 10757;    // 0x2A05
constexpr DBIResult dbiNoMoreErrors = 10758;     // 0x2A06
constexpr DBIResult dbiNoSuchIndex = 10760;      // 0x2A08 no order of that tag or file
constexpr DBIResult dbiAlreadyStarted = 10759;   // 0x2A07
constexpr DBIResult dbiReadOnly = 10763;         // 0x2A0B
constexpr DBIResult dbiNoOrderActive = 10764;    // 0x2A0C
constexpr DBIResult dbiTableOpenFailed = 11011;  // 0x2B03
constexpr DBIResult dbiNotSupported = 12033;     // 0x2F01 the entry point does nothing here

// Cursor numbers served from memory (257 and 258 are reserved for table and tag lists, which
// nothing opens; 256 is never valid).
constexpr TCursorHandle dbiFieldListCursor = 260;
constexpr TCursorHandle dbiEmptyCursor = 261;

// Logical field types (the dataset's view) and sub-types.
constexpr Word fldString = 1;
constexpr Word fldDate = 2;
constexpr Word fldBlob = 3;
constexpr Word fldBoolean = 4;
constexpr Word fldInt16 = 5;
constexpr Word fldFloat = 7;
constexpr Word fldUnknown = 255;
constexpr Word fldSubMemo = 22;
constexpr Word fldSubBinary = 28;
// Physical field types (the table's view).
constexpr Word fldPhysChar = 513;
constexpr Word fldPhysNumber = 514;
constexpr Word fldPhysMemo = 515;
constexpr Word fldPhysLogical = 516;
constexpr Word fldPhysDate = 517;
constexpr Word fldPhysBinary = 521;

// Engine drivers chosen for a cursor.
constexpr int dbiDriverNTX = 1;
constexpr int dbiDriverCDX = 2;
constexpr int dbiDriverNSX = 3;

// Cursor and database properties.
constexpr LongWord curTranslateMode = 0x50005;
constexpr LongWord dbDatabaseType = 0x40002;
constexpr LongWord dbParam1 = 0x40004;
constexpr LongWord dbParam2 = 0x40005;
constexpr LongWord sesNetFileDir = 0x20002;
constexpr LongWord sesIgnored = 0x20003;
constexpr LongWord dbTraceFlags = 0x4040007;
constexpr LongWord dbIgnored = 0x4040009;

// A bookmark: the 4-byte physical record number, then the 4-byte pack stamp of the table it
// was taken on (a pack numbers the records anew, so an older bookmark is refused).
constexpr Word dbiBookmarkSize = 8;

// Open and share modes.
constexpr int dbiOpenReadWrite = 0;
constexpr int dbiOpenReadOnly = 1;
constexpr int dbiShareShared = 0;
constexpr int dbiShareExclusive = 1;

// Search kinds of DbiSetToKey.
constexpr int keySearchEq = 0;
constexpr int keySearchGt = 1;
constexpr int keySearchGeq = 2;

#pragma pack(push, 1)
// One field as the interface describes it; the record of the field list cursor.
struct TFieldDescriptor {
    Word FieldNum = 0;
    std::array<char, 32> Name{};
    Word FieldType = 0;
    Word SubType = 0;
    SmallInt Units1 = 0; // characters or digits
    SmallInt Units2 = 0; // decimals
    Word Offset = 0;     // in the record image
    Word Length = 0;     // bytes the value takes in the dataset
    Word NullOffset = 0;
    LongWord ValidityCheck = 0;
    LongWord Rights = 0;
    Word Calculated = 0;
    std::array<Word, 2> Reserved{};
};
#pragma pack(pop)

// The name of a descriptor as a string.
inline std::string FieldDescName(const TFieldDescriptor& desc) {
    return std::string(desc.Name.data(), strnlen(desc.Name.data(), desc.Name.size()));
}

struct TCursorProps {
    std::string TableName;
    std::string DriverName;
    Word FieldCount = 0;
    Word RecordSize = 0;
    Word IndexCount = 0;
    Word BookmarkSize = 0;
    bool Indexed = false;
    Word TableLevel = 0;
    Word FilterCount = 0;
    LongInt TranslateMode = 0;
    LongInt OpenMode = 0;
    LongInt ShareMode = 0;
    Word ValidityChecks = 0;
    bool TempTable = false;
    LongInt SeqNumMode = 0;
};

struct TIndexDesc {
    std::string IndexName; // the index file
    std::string TagName;
    bool Descending = false;
    bool Unique = false;
    bool Subset = false;
    bool Maintained = false;
    bool Expression = false; // the key is an expression rather than one field
    bool CaseInsensitive = false;
    Word FieldsInKey = 0;
    Word KeyLength = 0;
    std::array<Word, 16> KeyFields{};
    std::string KeyExpression;
    std::string Condition;
};

// What a record read tells of the record besides its image, with the bookmark of the record,
// so that a reader needs no second call for it.
struct TRecordProps {
    LongWord SeqNo = 0;
    LongWord PhysRecNo = 0;
    Word Changed = 0;
    Word Locked = 0;
    Word Deleted = 0;
    std::array<char, dbiBookmarkSize> BookMark{};
};

// What the engine is started with; the engine of this system reads none of it.
struct TEngineEnv {
    std::string Language;
};

struct TSessionInfo {
    TSessionHandle Session = 0;
    std::string Name;
    std::string NetFileDir;
    std::string PrivateDir;
};

struct TDatabaseDesc {
    std::string Name;
    std::string Text;
    std::string Path;
    std::string DbType;
};

// A record callback filter: client data, the record image, the record number; true keeps it.
using TFilterCallback = bool (*)(std::intptr_t ClientData, const char* Record, LongInt RecNo);
// An engine callback: the kind, client data and the information block; the result tells the
// engine how to go on.
using TEngineCallbackFunc = int (*)(int Kind, std::intptr_t ClientData, void* Info);
