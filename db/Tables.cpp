#include "db/Tables.h"


#include "db/EngineRecords.h"
#include "db/EngineServices.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/LoginDialogs.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Strings.h"
#include "xbase/XbFile.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

// ---- TDBDataSet ----

namespace {

constexpr LongWord curUpdateLockMode = 0x04050000;

} // namespace

TDBDataSet::~TDBDataSet() {
    // Closed here, while the override that leaves the database still runs.
    Destroying();
    Close();
}

void TDBDataSet::SetDatabaseName(const std::string& Value) {
    if (databaseName_ == Value) return;
    CheckInactive();
    if (database_) DBError(dbmDatabaseOpen);
    databaseName_ = Value;
    DataEvent(dePropertyChange, 0);
}

void TDBDataSet::SetSessionName(const std::string& Value) {
    if (sessionName_ == Value) return;
    CheckInactive();
    sessionName_ = Value;
    DataEvent(dePropertyChange, 0);
}

TDatabaseHandle TDBDataSet::DBHandle() const {
    return database_ ? database_->Handle() : 0;
}

TLocaleHandle TDBDataSet::DBLocale() const {
    return database_ ? database_->Locale() : 0;
}

TSession* TDBDataSet::DBSession() const {
    if (database_) return database_->Session();
    if (TSession* named = Sessions()->FindSession(sessionName_)) return named;
    return ::Session();
}

void TDBDataSet::SetUpdateMode(TUpdateMode Value) {
    updateMode_ = Value;
    ApplyUpdateMode();
}

void TDBDataSet::ApplyUpdateMode() {
    if (Active() && database_ && database_->IsSQLBased() && CanModify())
        CheckEngineResult(DbiSetProp(Handle(), curUpdateLockMode, updateMode_));
}

void TDBDataSet::OpenCursor() {
    SetDBFlag(0, true);
    TDataSet::OpenCursor();
    ApplyUpdateMode();
}

void TDBDataSet::CloseCursor() {
    TDataSet::CloseCursor();
    SetDBFlag(0, false);
}

void TDBDataSet::SetDBFlag(int Flag, bool Value) {
    const unsigned bit = 1u << Flag;
    if (Value) {
        if (dbFlags_ == 0) Connect();
        dbFlags_ |= bit;
        return;
    }
    if (dbFlags_ == 0) return;
    dbFlags_ &= ~bit;
    if (dbFlags_ != 0 || !database_) return;
    SetLocale(DefaultSessionLocale());
    TDatabase* database = database_;
    database_ = nullptr;
    database->RemoveDataSet(this);
    database->Session()->CloseDatabase(database);
}

void TDBDataSet::Connect() {
    if (!sessionName_.empty() && !databaseName_.empty()) {
        TSession* named = Sessions()->FindSession(sessionName_);
        if (named && !named->DoFindDatabase(databaseName_))
            if (TDatabase* shared = ::Session()->DoFindDatabase(databaseName_))
                shared->SetSessionName(sessionName_);
    }
    TSession* session = DBSession();
    for (;;) {
        try {
            database_ = session->OpenDatabase(databaseName_);
            break;
        } catch (EDBEngineError& E) {
            if (E.ErrorCount() == 0 || E.Errors(0).ErrorCode != dbiNeedPassword ||
                !session->GetPassword())
                throw;
        }
    }
    database_->AddDataSet(this);
    SetLocale(database_->Locale());
}

// ---- Index definitions ----

namespace {

// The extension of a file name from its last ".", upper-cased; empty when none.
std::string UpperExtension(const std::string& Name) {
    const std::string file = XbFileName(Name);
    const auto dot = file.find_last_of('.');
    return dot == std::string::npos ? std::string() : UpperCase(file.substr(dot));
}

// The file name without directory and extension.
std::string BaseName(const std::string& Name) {
    const std::string file = XbFileName(Name);
    return file.substr(0, file.find_last_of('.'));
}

constexpr const char* kDriverNames[] = {"PARADOX", "PARADOX", "DBASE", "ASCIIDRV",
                                        "XBNTX",   "XBFOX",   "XBNSX"};

bool IsXBaseType(TTableType Type) {
    return Type == ttXBNTX || Type == ttXBFOX || Type == ttXBNSX;
}

} // namespace

void TIndexDefs::Add(const std::string& Name, const std::string& Fields, TIndexOptions Options) {
    if (IndexOf(Name) >= 0) DBErrorFmt(dbmDuplicateIndexName, {Name});
    items_.push_back(new TIndexDef(this, Name, Fields, Options));
}

void TIndexDefs::Clear() {
    for (TIndexDef* def : items_)
        delete def;
    items_.clear();
}

int TIndexDefs::IndexOf(const std::string& Name) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i]->Name(), Name)) return static_cast<int>(i);
    return -1;
}

void TIndexDefs::Update() {
    dataSet_->UpdateIndexDefs();
}

TIndexDef* TIndexDefs::GetIndexForFields(const std::string& Fields, bool CaseInsensitive) const {
    auto usable = [CaseInsensitive](const TIndexDef* def) {
        if (def->Options() & (ixExpression | ixDescending)) return false;
        return !CaseInsensitive || (def->Options() & ixCaseInsensitive) != 0;
    };
    for (TIndexDef* def : items_)
        if (usable(def) && SameText(def->Fields(), Fields)) return def;
    const std::string wanted = UpperCase(Fields);
    for (TIndexDef* def : items_) {
        const std::string fields = UpperCase(def->Fields());
        if (usable(def) && fields.compare(0, wanted.size(), wanted) == 0 &&
            (fields.size() == wanted.size() || fields[wanted.size()] == ';'))
            return def;
    }
    return nullptr;
}

TIndexDef* TIndexDefs::FindIndexForFields(const std::string& Fields) const {
    TIndexDef* def = GetIndexForFields(Fields, false);
    if (!def) DBErrorFmt(dbmNoFieldIndexes, {dataSet_->TableName(), Fields});
    return def;
}

// ---- Index files ----

int TIndexFiles::Add(const std::string& S) {
    const int index = TStringList::Add(S);
    OpenFile(index);
    return index;
}

void TIndexFiles::Insert(int Index, const std::string& S) {
    TStringList::Insert(Index, S);
    OpenFile(Index);
}

void TIndexFiles::Delete(int Index) {
    CloseFile(Index);
    TStringList::Delete(Index);
}

void TIndexFiles::Clear() {
    for (int i = Count() - 1; i >= 0; --i)
        Delete(i);
    TStringList::Clear();
}

void TIndexFiles::OpenFile(int Index) {
    if (!owner_->Active()) return;
    std::string native;
    AnsiToNative(owner_->DBLocale(), Strings(Index), native,
                 static_cast<int>(Strings(Index).size()));
    const DBIResult result = DbiOpenIndex(owner_->Handle(), native.c_str(), 0);
    if (result == dbiOK || result == dbiIndexOpen) return;
    TStringList::Delete(Index);
    CheckEngineResult(result);
}

void TIndexFiles::CloseFile(int Index) {
    if (!owner_->Active()) return;
    const std::string name = Strings(Index);
    std::string native;
    AnsiToNative(owner_->DBLocale(), name, native, static_cast<int>(name.size()));
    CheckEngineResult(DbiCloseIndex(owner_->Handle(), native.c_str(), 0));
    if (SameText(BaseName(name), BaseName(owner_->IndexName()))) owner_->SetIndexName("");
}

// ---- Master link ----

void TTableDataLink::SetFieldNames(const std::string& Value) {
    if (fieldNames_ == Value) return;
    fieldNames_ = Value;
    ActiveChanged();
}

void TTableDataLink::ActiveChanged() {
    fields_.clear();
    if (Active() && DataSet()) {
        try {
            DataSet()->GetFieldList(fields_, fieldNames_);
        } catch (...) {
            fields_.clear();
            throw;
        }
    }
    if (!table_->Active()) return;
    if (Active() && !fields_.empty())
        table_->MasterChanged();
    else
        table_->MasterDisabled();
}

void TTableDataLink::CheckBrowseMode() {
    if (table_->Active()) table_->CheckBrowseMode();
}

void TTableDataLink::RecordChanged(TField* Field) {
    if (!DataSource() || DataSource()->State() == dsSetKey || !table_->Active() || fields_.empty())
        return;
    if (!Field || std::find(fields_.begin(), fields_.end(), Field) != fields_.end())
        table_->MasterChanged();
}

// ---- TTable ----

TTable::TTable(TComponent* AOwner)
    : TDBDataSet(AOwner), indexDefs_(std::make_unique<TIndexDefs>(this)),
      masterLink_(std::make_unique<TTableDataLink>(this)),
      indexFiles_(std::make_unique<TIndexFiles>(this)) {}

TTable::~TTable() {
    Destroying();
    Close();
    indexFiles_.reset();
    masterLink_.reset();
    indexDefs_.reset();
}

void TTable::SetExclusive(bool Value) {
    CheckInactive();
    exclusive_ = Value;
}

void TTable::SetReadOnly(bool Value) {
    CheckInactive();
    readOnly_ = Value;
}

void TTable::SetTableType(TTableType Value) {
    CheckInactive();
    tableType_ = Value;
}

void TTable::SetTableName(const std::string& Value) {
    CheckInactive();
    if (Value != tableName_ && !ComponentState().Contains(csLoading)) indexFiles_->Clear();
    tableName_ = Value;
    DataEvent(dePropertyChange, 0);
}

void TTable::SetMasterSource(TDataSource* Value) {
    if (Value && IsLinkedTo(Value)) DBError(dbmCircularDataLink);
    masterLink_->SetDataSource(Value);
}

std::string TTable::GetDriverName() const {
    if (Database() && Database()->IsSQLBased()) return {};
    TTableType type = tableType_;
    if (type == ttDefault) {
        const std::string ext = UpperExtension(tableName_);
        if (ext == ".DBF") type = ttXBFOX;
        if (ext == ".TXT") type = ttASCII;
    }
    return kDriverNames[type];
}

bool TTable::IsDBaseTable() const {
    return tableType_ == ttDBase || IsXBaseType(tableType_) || UpperExtension(tableName_) == ".DBF";
}

bool TTable::GetCanModify() const {
    return TDBDataSet::GetCanModify() && !readOnly_;
}

void TTable::DataEvent(TDataEvent Event, std::intptr_t Info) {
    if (Event == dePropertyChange) indexDefs_->SetUpdated(false);
    TDBDataSet::DataEvent(Event, Info);
}

void TTable::ResolveIndexName(std::string& IndexFile, std::string& Tag, bool AskDefs) {
    IndexFile.clear();
    Tag.clear();
    if (indexText_.empty()) return;
    std::string name = indexText_;
    if (fieldsIndex_) {
        if (Database() && Database()->IsSQLBased()) {
            Tag = "@" + StringReplace(indexText_, ";", "@", TReplaceFlags{rfReplaceAll});
            return;
        }
        if (!AskDefs) return;
        if (!indexDefs_->Updated()) UpdateIndexDefs();
        name = indexDefs_->FindIndexForFields(indexText_)->Name();
    }
    if (IsXBaseType(tableType_)) {
        AnsiToNative(DBLocale(), name, Tag, 30);
        AnsiToNative(DBLocale(), name, IndexFile, 127);
        return;
    }
    if (!IsDBaseTable()) {
        Tag = name;
        return;
    }
    if (UpperExtension(name) == ".NDX") {
        IndexFile = name;
        return;
    }
    if (!AskDefs) return;
    if (!indexDefs_->Updated()) UpdateIndexDefs();
    if (indexDefs_->IndexOf(name) < 0) DBErrorFmt(dbmIndexNotFound, {name});
    Tag = name;
}

bool TTable::IsProductionIndex(const std::string& IndexFile) const {
    return !IndexFile.empty() && IsDBaseTable() && UpperExtension(IndexFile) != ".NDX" &&
           SameText(BaseName(IndexFile), BaseName(tableName_));
}

TCursorHandle TTable::CreateHandle() {
    if (tableName_.empty()) DBError(dbmNoTableName);
    std::string file, tag;
    ResolveIndexName(file, tag, false);
    if (!IsProductionIndex(file)) file.clear(), tag.clear();
    return OpenTableHandle(file, tag);
}

TCursorHandle TTable::OpenTableHandle(const std::string& IndexFile, const std::string& Tag) {
    std::string name;
    // The whole path is passed: a cut one would name another file.
    AnsiToNative(DBLocale(), tableName_, name, static_cast<int>(tableName_.size()));
    const std::string driver = GetDriverName();
    int openMode = readOnly_ ? dbiOpenReadOnly : dbiOpenReadWrite;
    const int shareMode = exclusive_ ? dbiShareExclusive : dbiShareShared;
    TCursorHandle cursor = 0;
    for (;;) {
        const DBIResult result = DbiOpenTable(DBHandle(), name.c_str(), driver.c_str(),
                                              IndexFile.empty() ? nullptr : IndexFile.c_str(),
                                              Tag.empty() ? nullptr : Tag.c_str(), 0, openMode,
                                              shareMode, 2, false, nullptr, &cursor);
        if (result == dbiReadOnly && openMode == dbiOpenReadWrite) {
            openMode = dbiOpenReadOnly;
            continue;
        }
        CheckEngineResult(result);
        break;
    }
    if (!IsDBaseTable()) return cursor;
    for (int i = 0; i < indexFiles_->Count(); ++i) {
        std::string file;
        AnsiToNative(DBLocale(), indexFiles_->Strings(i), file,
                     static_cast<int>(indexFiles_->Strings(i).size()));
        const DBIResult result = DbiOpenIndex(cursor, file.c_str(), 0);
        if (result != dbiOK && result != dbiIndexOpen) {
            DbiCloseCursor(cursor);
            CheckEngineResult(result);
        }
    }
    return cursor;
}

void TTable::DestroyHandle() {
    DestroyLookupCursor();
    TDBDataSet::DestroyHandle();
}

void TTable::InitFieldDefs() {
    if (tableName_.empty()) DBError(dbmNoTableName);
    SetDBFlag(dbfTemporary, true);
    TCursorHandle list = 0;
    try {
        std::string name;
        AnsiToNative(DBLocale(), tableName_, name, static_cast<int>(tableName_.size()));
        CheckEngineResult(
            DbiOpenFieldList(DBHandle(), name.c_str(), GetDriverName().c_str(), false, &list));
        TFieldDefs* defs = FieldDefList();
        defs->Clear();
        TFieldDescriptor desc;
        for (int fieldNo = 1;
             DbiGetNextRecord(list, 0, reinterpret_cast<char*>(&desc), nullptr) == dbiOK; ++fieldNo)
            defs->AddFieldDesc(desc, false, fieldNo);
    } catch (...) {
        DbiCloseCursor(list);
        SetDBFlag(dbfTemporary, false);
        throw;
    }
    DbiCloseCursor(list);
    SetDBFlag(dbfTemporary, false);
}

void TTable::ReadIndexDefs(TCursorHandle Cursor) {
    TCursorProps props;
    CheckEngineResult(DbiGetCursorProps(Cursor, &props));
    std::vector<TIndexDesc> descs(props.IndexCount);
    if (!descs.empty()) CheckEngineResult(DbiGetIndexDescs(Cursor, descs.data()));
    std::vector<TFieldDescriptor> fields(props.FieldCount);
    if (!fields.empty()) CheckEngineResult(DbiGetFieldDescs(Cursor, fields.data()));
    indexDefs_->Clear();
    for (const TIndexDesc& desc : descs) {
        TIndexOptions options = 0;
        if (desc.Unique) options |= ixUnique;
        if (desc.Descending) options |= ixDescending;
        if (desc.CaseInsensitive) options |= ixCaseInsensitive;
        if (desc.Expression) options |= ixExpression;
        std::string keys = desc.KeyExpression;
        if (!desc.Expression) {
            keys.clear();
            for (int i = 0; i < desc.FieldsInKey; ++i) {
                const Word number = desc.KeyFields[static_cast<std::size_t>(i)];
                if (number >= 1 && number <= fields.size())
                    keys += (keys.empty() ? "" : ";") + FieldDescName(fields[number - 1u]);
            }
        }
        indexDefs_->Add(desc.TagName.empty() ? BaseName(desc.IndexName) : desc.TagName, keys,
                        options);
    }
}

void TTable::UpdateIndexDefs() {
    if (Handle() != 0) {
        // Reading the descriptions visits every order, which drops the engine's range: the
        // range in force is set again.
        std::vector<char> start = KeyBuffers(3);
        std::vector<char> end = KeyBuffers(4);
        ReadIndexDefs(Handle());
        if ((!start.empty() && start[0]) || (!end.empty() && end[0])) {
            std::swap(KeyBuffers(1), start);
            std::swap(KeyBuffers(2), end);
            InitKeyBuffer(KeyBuffers(3));
            InitKeyBuffer(KeyBuffers(4));
            SetCursorRange();
            std::swap(KeyBuffers(1), start);
            std::swap(KeyBuffers(2), end);
            CursorPosChanged();
        }
    } else {
        SetDBFlag(dbfTemporary, true);
        TCursorHandle cursor = 0;
        try {
            cursor = OpenTableHandle("", "");
            ReadIndexDefs(cursor);
        } catch (...) {
            DbiCloseCursor(cursor);
            SetDBFlag(dbfTemporary, false);
            throw;
        }
        DbiCloseCursor(cursor);
        SetDBFlag(dbfTemporary, false);
    }
    indexDefs_->SetUpdated(true);
}

void TTable::SwitchIndex(const std::string& IndexFile, const std::string& Tag) {
    SwitchToIndex(IndexFile, Tag);
    // A change of order drops the engine's range.
    InitKeyBuffer(KeyBuffers(3));
    InitKeyBuffer(KeyBuffers(4));
}

void TTable::PrepareCursor() {
    std::string file, tag;
    ResolveIndexName(file, tag, true);
    if (!indexText_.empty() && !IsProductionIndex(file)) {
        SwitchIndex(file, tag);
        CheckEngineResult(DbiSetToBegin(Handle()));
    }
    CheckMasterRange();
}

void TTable::SetIndex(const std::string& Value, bool FieldsIndex) {
    if (Active()) CheckBrowseMode();
    if (Value == indexText_ && FieldsIndex == fieldsIndex_) return;
    const std::string oldText = indexText_;
    const bool oldFields = fieldsIndex_;
    indexText_ = Value;
    fieldsIndex_ = FieldsIndex;
    if (!Active()) return;
    try {
        std::string file, tag;
        ResolveIndexName(file, tag, true);
        SwitchIndex(file, tag);
        CheckMasterRange();
    } catch (...) {
        indexText_ = oldText;
        fieldsIndex_ = oldFields;
        Resync(0);
        throw;
    }
    Resync(0);
}

void TTable::CheckMasterRange() {
    if (masterLink_->Active() && !masterLink_->Fields().empty()) {
        SetLinkRanges(masterLink_->Fields());
        SetCursorRange();
    }
}

void TTable::MasterChanged() {
    CheckBrowseMode();
    SetLinkRanges(masterLink_->Fields());
    ApplyRange();
}

void TTable::MasterDisabled() {
    CancelRange();
}

void TTable::DoOnNewRecord() {
    if (masterLink_->Active() && !masterLink_->Fields().empty()) {
        const auto& fields = masterLink_->Fields();
        for (std::size_t i = 0; i < fields.size(); ++i)
            GetIndexField(static_cast<int>(i))->Assign(fields[i]);
    }
    TDBDataSet::DoOnNewRecord();
}

TCursorHandle TTable::GetLookupCursor(const std::string& KeyFields, bool CaseInsensitive) {
    if (lookupCursor_ != 0 && SameText(KeyFields, lookupKey_) && CaseInsensitive == lookupCaseIns_)
        return lookupCursor_;
    DestroyLookupCursor();
    if (!indexDefs_->Updated()) UpdateIndexDefs();
    const TIndexDef* def = indexDefs_->GetIndexForFields(KeyFields, CaseInsensitive);
    if (!def) return 0;
    TCursorHandle clone = 0;
    CheckEngineResult(DbiCloneCursor(Handle(), true, false, &clone));
    // A clone that cannot take the index serves no search; the search then filters.
    if (DbiSwitchToIndex(clone, def->Name().c_str(), def->Name().c_str(), 0, false) != dbiOK) {
        DbiCloseCursor(clone);
        return 0;
    }
    lookupCursor_ = clone;
    lookupKey_ = KeyFields;
    lookupCaseIns_ = CaseInsensitive;
    return lookupCursor_;
}

void TTable::DestroyLookupCursor() {
    if (lookupCursor_ != 0) DbiCloseCursor(lookupCursor_);
    lookupCursor_ = 0;
    lookupKey_.clear();
}

// ---- Keys and ranges ----

void TTable::CheckKeyEntry() const {
    if (!EditedKeyBuffer()) DBError(dbmNotEditing);
}

std::vector<char>& TTable::EditedKey() const {
    CheckKeyEntry();
    return *EditedKeyBuffer();
}

bool TTable::KeyExclusive() const {
    return EditedKey()[1] != 0;
}

void TTable::SetKeyExclusive(bool Value) {
    EditedKey()[1] = Value ? 1 : 0;
}

int TTable::KeyFieldCount() const {
    return KeyBufferFieldCount(EditedKey());
}

void TTable::SetKeyFieldCount(int Value) {
    SetKeyBufferFieldCount(EditedKey(), Value);
}

bool TTable::GotoKey() {
    CheckBrowseMode();
    CursorPosChanged();
    const std::vector<char>& key = KeyBuffers(0);
    std::string text;
    CheckEngineResult(DbiExtractKey(Handle(), key.data() + keyHeaderSize, &text));
    const DBIResult result = DbiGetRecordForKey(
        Handle(), true, static_cast<Word>(KeyBufferFieldCount(key)), 0, text.c_str(), nullptr);
    if (result == dbiKeyNotFound) return false;
    CheckEngineResult(result); // an order that cannot be read is no answer
    Resync(rmExact | rmCenter);
    return true;
}

void TTable::GotoNearest() {
    CheckBrowseMode();
    CursorPosChanged();
    const std::vector<char>& key = KeyBuffers(0);
    std::string text;
    CheckEngineResult(DbiExtractKey(Handle(), key.data() + keyHeaderSize, &text));
    CheckEngineResult(DbiSetToKey(Handle(), key[1] ? keySearchGt : keySearchGeq, true,
                                  static_cast<Word>(KeyBufferFieldCount(key)), 0, text.c_str()));
    Resync(rmCenter);
}

bool TTable::FindKey(const std::vector<TVarRec>& KeyValues) {
    CheckBrowseMode();
    SetKeyFields(0, KeyValues);
    return GotoKey();
}

void TTable::FindNearest(const std::vector<TVarRec>& KeyValues) {
    CheckBrowseMode();
    SetKeyFields(0, KeyValues);
    GotoNearest();
}

void TTable::ApplyRange() {
    CheckBrowseMode();
    if (SetCursorRange()) First();
}

void TTable::CancelRange() {
    CheckBrowseMode();
    UpdateCursorPos();
    if (ResetCursorRange()) Resync(0);
}

void TTable::SetRange(const std::vector<TVarRec>& StartValues,
                      const std::vector<TVarRec>& EndValues) {
    CheckBrowseMode();
    SetKeyFields(1, StartValues);
    SetKeyFields(2, EndValues);
    ApplyRange();
}

// ---- Creating tables ----

namespace {

int DriverOfType(TTableType Type) {
    return Type == ttXBNTX ? dbiDriverNTX : Type == ttXBNSX ? dbiDriverNSX : dbiDriverCDX;
}

// The index file of an order: an NTX file of its tag beside the table, else the production
// index (empty path).
std::string OrderFile(const std::string& Path, int Driver, const TIndexDesc& Index) {
    return Driver == dbiDriverNTX
               ? Path.substr(0, Path.find_last_of('/') + 1) + Index.TagName + ".NTX"
               : std::string();
}

// Opens the table at Path exclusively in a work area of its own; 0 when the engine refuses.
int UseAlone(const std::string& Path, int Driver) {
    return xb_Use(Path, AliasForTable(Path), xbModeExclusive, Driver);
}

// Raises the failure of an exclusive open: the table busy when another holder has it.
[[noreturn]] void RaiseOpenFailure() {
    DbiError(EngineFailure(xb_LastError() == xbErrLocked ? dbiTableBusy : dbiTableOpenFailed));
}

// Makes the orders of Indexes in the table open in the current area, each in the file FileOf
// gives (empty: the production index), then closes it; the engine's refusal raises.
void MakeOrdersAndClose(const std::vector<TIndexDesc>& Indexes,
                        const std::function<std::string(const TIndexDesc&)>& FileOf) {
    DBIResult result = dbiOK;
    for (const TIndexDesc& index : Indexes) {
        if (xb_IndexCreate(FileOf(index), index.TagName, index.KeyExpression, index.Condition,
                           index.Unique ? 1 : 0, index.Descending ? 1 : 0) <= 0) {
            result = EngineFailure(dbiNoSuchIndex);
            break;
        }
    }
    xb_Close();
    CheckEngineResult(result);
}

// The index file of the order Index of the table at Table, as found (the name made when none is
// there): an NTX file of its own or the production index.
std::string IndexFileOf(const std::string& Table, int Driver, const TIndexDesc& Index) {
    const std::string file = Driver == dbiDriverNTX
                                 ? OrderFile(Table, Driver, Index)
                                 : XbCompanionPath(Table, Driver == dbiDriverNSX ? ".NSX" : ".CDX");
    const std::string found = XbFindFile(file);
    return found.empty() ? file : found;
}

// Empties the index file at Path, when there is one, so that the engine makes it anew in place;
// false when the system refuses (the reason recorded).
bool EmptiedIndex(const std::string& Path) {
    TXbFile file;
    return XbFindFile(Path).empty() || (file.Open(Path, true) && file.Truncate(0));
}

} // namespace

bool CreateTable(const std::string& Path, const std::vector<TXbFieldDef>& Fields,
                 const std::vector<TIndexDesc>& Indexes, TTableType Type) {
    if (!XbFindFile(Path).empty() ||
        (UpperExtension(Path).empty() && !XbFindFile(Path + ".DBF").empty()))
        return false;
    const int driver = DriverOfType(Type);
    CheckEngineResult(ResultOfEngineStatus(xb_Create(Path, Fields, driver)));
    const TWA remembered(0);
    const int area = UseAlone(Path, driver);
    // Another copy that made the table at the same moment holds it: it is that copy's to finish.
    if (area == 0 && xb_LastError() == xbErrLocked) RaiseOpenFailure();
    try {
        if (area == 0) RaiseOpenFailure();
        MakeOrdersAndClose(Indexes,
                           [&](const TIndexDesc& index) { return OrderFile(Path, driver, index); });
    } catch (...) {
        // A table that could not be opened or ordered goes with its index files: left, it would
        // be taken for one made whole and never be made again.
        for (const TIndexDesc& index : Indexes)
            XbRemove(IndexFileOf(Path, driver, index));
        XbRemove(Path);
        throw;
    }
    return true;
}

void RebuildIndexes(const std::string& Path, const std::vector<TIndexDesc>& Indexes,
                    TTableType Type) {
    const int driver = DriverOfType(Type);
    const TWA remembered(0);
    // The table is had alone without its production index (the NTX driver opens none), and each
    // index file is emptied and made anew in place: it keeps its owner, group, mode, access list
    // and other names, on which others sharing it rely.
    if (UseAlone(Path, dbiDriverNTX) == 0) RaiseOpenFailure();
    std::string table = XbFindFile(Path);
    if (table.empty()) table = XbFindFile(Path + ".DBF");
    const auto fileOf = [&](const TIndexDesc& index) { return IndexFileOf(table, driver, index); };
    for (const TIndexDesc& index : Indexes)
        if (!EmptiedIndex(fileOf(index))) {
            xb_Close();
            DbiError(EngineFailure(xb_LastError() == xbErrReadOnly ? dbiReadOnly : dbiWriteFailed));
        }
    MakeOrdersAndClose(Indexes, fileOf);
}
