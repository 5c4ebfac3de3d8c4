// The state behind the engine call interface: the scoped selection of an engine work area
// (TWA), the per-cursor TEngineWorkArea with its field descriptors, record save buffer and 100
// filter slots, and the global tables that tie cursor and database handles to that state.
//
// The engine's current work area is global, so every entry point selects its cursor's area
// through a TWA and gets the previous area back when the TWA goes. A handle outside 1..255, or
// an area the engine reports closed, never selects anything: no call acts on whatever area
// happens to be current. Everything runs on the GUI thread.
#pragma once

#include "db/EngineTypes.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

constexpr int dbiMaxFilters = 100;
constexpr int dbiMaxDatabases = 199;
// The longest path handed to the engine; a longer one is refused, never cut.
constexpr std::size_t dbiMaxPath = 4095;

class TXbArea;

// Selects a cursor's work area for the life of the object and selects the previous area again
// afterwards (when that one is still open).
class TWA {
public:
    explicit TWA(TCursorHandle area);
    ~TWA();
    TWA(const TWA&) = delete;
    TWA& operator=(const TWA&) = delete;

    // The area is not an open engine work area; nothing was selected.
    bool Failed() const { return failed_; }
    int Previous() const { return previous_; }
    // The engine work area selected, nullptr when Failed: its state (record number, ends,
    // buffer) is read here at once, rather than looked up anew by one engine call each.
    TXbArea* Area() const { return engine_; }

private:
    int area_ = 0;
    int previous_ = -2;
    bool failed_ = true;
    TXbArea* engine_ = nullptr;
};

// One filter slot. A slot is free when its text is empty and it is no callback slot.
struct TEngineFilter {
    std::string Text;
    TFilterCallback Callback = nullptr;
    bool Active = false;
    bool IsCallback = false;
    std::intptr_t ClientData = 0;
    LongInt Kind = 0; // the priority given when added; 2 marks a one-shot search condition
    bool Refused = false; // the engine refused its condition: inactive, yet dropped on request

    bool Free() const { return Text.empty() && !IsCallback; }
};

constexpr LongInt filterKindSearch = 2;

// What the call interface keeps for one open cursor.
class TEngineWorkArea {
public:
    // Loads the field count and record size of the area; an area that cannot be selected
    // leaves everything empty.
    explicit TEngineWorkArea(int area);

    int Area = 0;
    bool CallbackFilters = false; // some slot holds a callback filter
    std::array<TEngineFilter, dbiMaxFilters> Filters{};
    std::vector<TFieldDescriptor> Logical;
    std::vector<TFieldDescriptor> Physical;
    int FieldCount = 0;
    int ListRow = 1; // the next row of a list cursor
    std::string SaveBuffer;
    int Driver = dbiDriverCDX;
    int RecordSize = 0;
    LongInt TranslateMode = 0;
    LongInt OpenMode = dbiOpenReadWrite;
    LongInt ShareMode = dbiShareShared;
    // Blobs opened for writing, by record image and field: their data until the record is
    // written or the blob freed (EngineBlobs.h).
    std::map<std::pair<const char*, Word>, std::string> OpenBlobs;

    // Slot n (1..100), nullptr outside.
    TEngineFilter* Filter(TFilterHandle n);
    // The first free slot (1..100), 0 when all are taken.
    TFilterHandle FindFreeFilterSlot() const;
    // Copies FieldCount descriptors from a caller's array.
    void SetLogical(const TFieldDescriptor* descs);
    void SetPhysical(const TFieldDescriptor* descs);
};

// The work-area table: the object of an open area (1..255) or of the field list (260).
TEngineWorkArea* EngineWorkArea(TCursorHandle handle);
void SetEngineWorkArea(TCursorHandle handle, std::unique_ptr<TEngineWorkArea> area);
void FreeEngineWorkArea(TCursorHandle handle);
void FreeAllEngineWorkAreas();
// Entry 0 of the work-area table: the directory a database gets when none is given.
std::string& DefaultDirectory();

// The directory table. A new directory takes the first free handle 1..199 (0 when all are
// taken); it always ends in "/".
TDatabaseHandle AddDatabaseDirectory(const std::string& directory);
void SetDatabaseDirectory(TDatabaseHandle handle, const std::string& directory);
void FreeDatabaseDirectory(TDatabaseHandle handle);
// The directory of a database handle; a free handle shows "Could not find directory
// associated with this database" and gives false.
bool DirectoryOfDatabase(TDatabaseHandle handle, std::string& directory);
// directory with a "/" at its end.
std::string WithSeparator(const std::string& directory);

// The shared save block that keeps the engine's work block while the layer borrows the engine.
std::vector<char>& SharedSaveBlock();

// Selects the area of a cursor: the previously current area, or 0xFFFF when the handle is no
// open area (nothing is then selected).
int SelectCursorArea(TCursorHandle handle);
// Selects the area as SelectCursorArea and gives its object (nullptr when none); the area stays
// selected.
TEngineWorkArea* WorkAreaOfCursor(TCursorHandle handle);
// The object of a cursor whose engine area is open, without selecting it; nullptr otherwise.
TEngineWorkArea* OpenWorkArea(TCursorHandle handle);
// The driver code of an open cursor, 0 when the handle is no open area.
int DriverOfCursor(TCursorHandle handle);

// True when the work area holds no active callback filter or the first one (lowest slot)
// accepts the record.
bool RunFilterCallbacks(const char* record, TEngineWorkArea& area);

// The reason of an engine failure, kept with the result code the entry point gave for it, so
// the error text of that code can tell why (a missing file, a lock, a damaged file, a read-only
// file, a full disk). EngineFailure records the reason of the engine call that just failed and
// gives code back; LayerFailure records a failure of the layer's own with the layer's reason.
DBIResult EngineFailure(DBIResult code);
DBIResult LayerFailure(DBIResult code, const std::string& reason = {});
// The engine's text of the reason when the last recorded failure gave code; else empty.
std::string FailureReason(DBIResult code);
// The engine's reason itself (an xbErr code of Xbase.h) and the file it concerns when the last
// recorded failure gave code; else xbErrNone and empty.
int FailureReasonCode(DBIResult code);
std::string FailureFile(DBIResult code);
// The errno of the write the system refused for the reason when the last recorded failure gave
// code; else 0.
int FailureSystemError(DBIResult code);

// Shows an information box with an OK button: the way the call interface tells the user.
void EngineNotice(const std::string& text);
