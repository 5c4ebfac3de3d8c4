#include "db/EngineWorkAreas.h"

#include "platform/gui/Dialogs.h"
#include "xbase/XbArea.h"
#include "xbase/Xbase.h"

#include <optional>

namespace {

constexpr int kTableSize = dbiFieldListCursor + 1;

std::array<std::unique_ptr<TEngineWorkArea>, kTableSize>& WorkAreaTable() {
    static std::array<std::unique_ptr<TEngineWorkArea>, kTableSize> table;
    return table;
}

std::array<std::optional<std::string>, dbiMaxDatabases + 1>& DirectoryTable() {
    static std::array<std::optional<std::string>, dbiMaxDatabases + 1> table;
    return table;
}

// The area number of a handle inside 1..255, else 0.
int AreaOf(TCursorHandle handle) {
    const int area = static_cast<int>(handle & 0xFFFF);
    return area >= 1 && area <= 255 ? area : 0;
}

bool AreaOpen(int area) {
    return area > 0 && XbArea(area) != nullptr;
}

// The slot of a handle in the work-area table, -1 when it has none.
int TableSlot(TCursorHandle handle) {
    const int n = static_cast<int>(handle & 0xFFFF);
    return AreaOf(handle) || n == static_cast<int>(dbiFieldListCursor) ? n : -1;
}

struct TFailure {
    DBIResult Code = dbiOK;
    std::string Reason;
    int ReasonCode = xbErrNone;
    std::string File;
    int SystemError = 0;
};

TFailure& LastFailure() {
    static TFailure failure;
    return failure;
}

} // namespace

// ---- TWA ----

TWA::TWA(TCursorHandle area) {
    area_ = AreaOf(area);
    engine_ = XbArea(area_);
    failed_ = !engine_;
    // Calls in a row on one cursor find its area selected already.
    if (!failed_) previous_ = XbCurrentAreaNumber() == area_ ? area_ : xb_Select(area_);
    if (previous_ == -2) {
        const int current = xb_WorkArea();
        previous_ = current > 255 ? 0 : current;
    }
}

TWA::~TWA() {
    if (previous_ > 0 && (failed_ || previous_ != area_) && AreaOpen(previous_))
        xb_Select(previous_);
}

// ---- TEngineWorkArea ----

TEngineWorkArea::TEngineWorkArea(int area) : Area(area) {
    TWA wa(static_cast<TCursorHandle>(area));
    if (wa.Failed()) return;
    FieldCount = xb_FieldCount();
    RecordSize = xb_RecSize();
    Logical.resize(static_cast<std::size_t>(FieldCount));
    Physical.resize(static_cast<std::size_t>(FieldCount));
    SaveBuffer.assign(static_cast<std::size_t>(RecordSize), '\0');
}

TEngineFilter* TEngineWorkArea::Filter(TFilterHandle n) {
    return n >= 1 && n <= dbiMaxFilters ? &Filters[n - 1] : nullptr;
}

TFilterHandle TEngineWorkArea::FindFreeFilterSlot() const {
    for (std::size_t i = 0; i < Filters.size(); ++i)
        if (Filters[i].Free()) return static_cast<TFilterHandle>(i + 1);
    return 0;
}

void TEngineWorkArea::SetLogical(const TFieldDescriptor* descs) {
    Logical.assign(descs, descs + FieldCount);
}

void TEngineWorkArea::SetPhysical(const TFieldDescriptor* descs) {
    Physical.assign(descs, descs + FieldCount);
}

// ---- Tables ----

TEngineWorkArea* EngineWorkArea(TCursorHandle handle) {
    const int slot = TableSlot(handle);
    return slot < 0 ? nullptr : WorkAreaTable()[static_cast<std::size_t>(slot)].get();
}

void SetEngineWorkArea(TCursorHandle handle, std::unique_ptr<TEngineWorkArea> area) {
    const int slot = TableSlot(handle);
    if (slot >= 0) WorkAreaTable()[static_cast<std::size_t>(slot)] = std::move(area);
}

void FreeEngineWorkArea(TCursorHandle handle) {
    SetEngineWorkArea(handle, nullptr);
}

void FreeAllEngineWorkAreas() {
    for (auto& area : WorkAreaTable())
        area.reset();
}

std::string& DefaultDirectory() {
    static std::string directory = "./";
    return directory;
}

std::string WithSeparator(const std::string& directory) {
    return !directory.empty() && directory.back() == '/' ? directory : directory + "/";
}

TDatabaseHandle AddDatabaseDirectory(const std::string& directory) {
    auto& table = DirectoryTable();
    for (std::size_t n = 1; n < table.size(); ++n)
        if (!table[n]) {
            table[n] = WithSeparator(directory);
            return static_cast<TDatabaseHandle>(n);
        }
    return 0;
}

void SetDatabaseDirectory(TDatabaseHandle handle, const std::string& directory) {
    if (handle >= 1 && handle <= dbiMaxDatabases)
        DirectoryTable()[handle] = WithSeparator(directory);
}

void FreeDatabaseDirectory(TDatabaseHandle handle) {
    if (handle >= 1 && handle <= dbiMaxDatabases) DirectoryTable()[handle].reset();
}

bool DirectoryOfDatabase(TDatabaseHandle handle, std::string& directory) {
    if (handle < 1 || handle > dbiMaxDatabases || !DirectoryTable()[handle]) {
        EngineNotice("Could not find directory associated with this database");
        return false;
    }
    directory = *DirectoryTable()[handle];
    return true;
}

std::vector<char>& SharedSaveBlock() {
    static std::vector<char> block;
    return block;
}

// ---- Selection ----

int SelectCursorArea(TCursorHandle handle) {
    const int area = AreaOf(handle);
    return AreaOpen(area) ? xb_Select(area) : 0xFFFF;
}

TEngineWorkArea* WorkAreaOfCursor(TCursorHandle handle) {
    return SelectCursorArea(handle) == 0xFFFF ? nullptr : EngineWorkArea(handle);
}

TEngineWorkArea* OpenWorkArea(TCursorHandle handle) {
    return AreaOpen(AreaOf(handle)) ? EngineWorkArea(handle) : nullptr;
}

int DriverOfCursor(TCursorHandle handle) {
    const TEngineWorkArea* area = OpenWorkArea(handle);
    return area ? area->Driver : 0;
}

bool RunFilterCallbacks(const char* record, TEngineWorkArea& area) {
    if (!area.CallbackFilters) return true;
    for (const TEngineFilter& f : area.Filters)
        if (f.Active && f.IsCallback && f.Callback)
            return f.Callback(f.ClientData, record, xb_RecNo());
    return true;
}

DBIResult EngineFailure(DBIResult code) {
    const int reason = xb_LastError();
    LastFailure() = {code, reason == xbErrNone ? std::string() : xb_LastErrorText(), reason,
                     reason == xbErrNone ? std::string() : xb_LastErrorFile(),
                     reason == xbErrNone ? 0 : xb_LastErrorErrno()};
    return code;
}

DBIResult LayerFailure(DBIResult code, const std::string& reason) {
    LastFailure() = {code, reason, xbErrNone, {}};
    return code;
}

std::string FailureReason(DBIResult code) {
    return LastFailure().Code == code ? LastFailure().Reason : std::string();
}

int FailureReasonCode(DBIResult code) {
    return LastFailure().Code == code ? LastFailure().ReasonCode : xbErrNone;
}

std::string FailureFile(DBIResult code) {
    return LastFailure().Code == code ? LastFailure().File : std::string();
}

int FailureSystemError(DBIResult code) {
    return LastFailure().Code == code ? LastFailure().SystemError : 0;
}

void EngineNotice(const std::string& text) {
    MessageDlg(text, mtInformation, TMsgDlgButtons{mbOK}, 0);
}
