#include "dbcontrols/DataSetParts.h"

#include "db/DBTables.h"
#include "db/EngineFilters.h"
#include "db/EngineServices.h"
#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/FilterParser.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Modules.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "xbase/XbModule.h"

#include <algorithm>
#include <limits>

// ---- The dwFilter text ----

std::string dwJoinFilterLines(const TStrings* Lines) {
    std::string text;
    for (int i = 0; Lines != nullptr && i < Lines->Count(); ++i) {
        std::string line = (*Lines)[i];
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ')
            line.pop_back();
        if (line.empty()) continue;
        text += text.empty() ? line : " AND (" + line + ")";
    }
    return text;
}

namespace {

// Hands an xBase condition to the engine through its module's entry points.
bool QueryThroughModule(const std::string& Text, TCursorHandle Cursor) {
    if (Text.size() > kMaxXBaseFilterLength) return false;
    TModuleHandle module = 0;
    for (const char* name : kXBaseModules)
        if ((module = GetModuleHandle(name)) != 0) break;
    if (module == 0) return false;
    const auto select = reinterpret_cast<TXbSelectProc>(GetProcAddress(module, "XB_SELECT"));
    const auto query = reinterpret_cast<TXbQueryProc>(GetProcAddress(module, "XB_QUERY"));
    if (select == nullptr || query == nullptr) return false;
    const auto area = static_cast<Word>(Cursor & 0xFFFF);
    const Word previous = select(area);
    char buffer[kMaxXBaseFilterLength + 1] = {};
    Text.copy(buffer, kMaxXBaseFilterLength);
    const Word result = query(buffer);
    if (previous != area) select(previous);
    return result == 0;
}

bool ApplyXBaseText(const std::string& Text, TDataSet* DataSet) {
    const TCursorHandle cursor = DataSet->Handle();
    if (Text.empty()) {
        if (cursor != 0) DbiRestoreFilterCondition(cursor);
    } else if (!QueryThroughModule(Text, cursor)) {
        return false;
    }
    if (DataSet->Active()) DataSet->Refresh();
    return true;
}

void DropExpressionFilter(TDataSet* DataSet, TFilterHandle& Handle) {
    if (Handle != 0 && DataSet->Handle() != 0) DbiDropFilter(DataSet->Handle(), Handle);
    Handle = 0;
}

bool ApplyParsedText(const std::string& Text, TDataSet* DataSet, TFilterHandle& Handle) {
    if (Text.empty()) {
        DropExpressionFilter(DataSet, Handle);
        if (DataSet->Active()) DataSet->Refresh();
        return true;
    }
    std::vector<Byte> block;
    try {
        block = BuildFilterExpr(Text, DataSet);
    } catch (const EConvertError&) {
        block.clear();
    }
    // The current filter goes in every case, so a refused text leaves the table unfiltered.
    DropExpressionFilter(DataSet, Handle);
    if (block.empty()) {
        if (DataSet->Active()) DataSet->Refresh();
        return false;
    }
    TFilterHandle filter = 0;
    if (DbiAddFilter(DataSet->Handle(), 0, 1, false, block.data(), nullptr, &filter) != dbiOK) {
        Handle = 0;
        return false;
    }
    Handle = filter;
    DbiActivateFilter(DataSet->Handle(), filter);
    if (DataSet->Active()) DataSet->Refresh();
    return true;
}

} // namespace

bool dwApplyFilterText(const std::string& Text, TDataSet* DataSet, TFilterHandle& Handle,
                       bool Opening, bool XBaseText) {
    if (!DataSet->Active() && !Opening) {
        Handle = 0;
        return true;
    }
    return XBaseText ? ApplyXBaseText(Text, DataSet) : ApplyParsedText(Text, DataSet, Handle);
}

// ---- The value search ----

namespace {

bool TextMatches(const std::string& FieldText, const std::string& Wanted, Byte MatchType) {
    switch (MatchType) {
    case dwMatchWhole: return FieldText == Wanted;
    case dwMatchStart: return FieldText.compare(0, Wanted.size(), Wanted) == 0;
    case dwMatchAnywhere: return FieldText.find(Wanted) != std::string::npos;
    default: return false;
    }
}

bool IsMemo(const TField* Field) {
    return Field->DataType() == ftMemo || Field->DataType() == ftFmtMemo;
}

// The first 32767 bytes of the memo, as the field's stream delivers them.
std::string MemoText(TField* Field) {
    std::string text(static_cast<std::size_t>(kMemoSearchLength), '\0');
    TdwMemoStream stream(Field);
    text.resize(static_cast<std::size_t>(stream.Read(text.data(), kMemoSearchLength)));
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

bool RecordMatches(TField* Field, const std::string& Wanted, Byte MatchType, bool CaseSensitive) {
    const TFieldType type = Field->DataType();
    if ((type == ftFloat || type == ftCurrency || type == ftBCD) && MatchType == dwMatchWhole &&
        !Wanted.empty()) {
        double value = 0;
        return TextToFloat(Wanted, value) && !Field->IsNull() && Field->AsFloat() == value;
    }
    std::string text;
    if (!IsMemo(Field)) {
        text = Field->AsString();
    } else {
        try {
            text = MemoText(Field);
        } catch (const EDatabaseError&) {
            MessageDlg("Fail to create blob", mtInformation, {mbOK}, 0);
            return false;
        }
    }
    if (!CaseSensitive) text = AnsiUpperCase(text);
    return TextMatches(text, Wanted, MatchType);
}

// Scans from the first record; on no match the dataset goes back to Bookmark.
bool ScanForValue(TDataSet* DataSet, TField* Field, const std::string& Wanted, Byte MatchType,
                  bool CaseSensitive) {
    const std::vector<char> bookmark = DataSet->GetBookmark();
    TWaitCursor wait;
    DataSet->DisableControls();
    bool found = false;
    try {
        for (DataSet->First(); !DataSet->Eof() && !found;) {
            found = RecordMatches(Field, Wanted, MatchType, CaseSensitive);
            if (!found) DataSet->Next();
        }
        if (!found && !bookmark.empty()) DataSet->GotoBookmark(bookmark);
    } catch (...) {
        DataSet->EnableControls();
        throw;
    }
    DataSet->EnableControls();
    return found;
}

} // namespace

bool dwFindValue(TDataSet* DataSet, const std::string& Value, const std::string& FieldName,
                 Byte MatchType, bool CaseSensitive, const TdwIndexSearch& IndexSearch) {
    TField* field = DataSet->FindField(FieldName);
    if (field == nullptr) {
        MessageDlg("Field " + FieldName + " not found.", mtWarning, {mbOK}, 0);
        return false;
    }
    const std::string current = field->AsString();
    if (CaseSensitive ? current == Value : AnsiLowerCase(current) == AnsiLowerCase(Value))
        return true;
    DataSet->CheckBrowseMode();
    DataSet->UpdateCursorPos();
    const std::string wanted = CaseSensitive ? Value : AnsiUpperCase(Value);
    bool found = false;
    if (IndexSearch && !IsMemo(field) && IndexSearch(field, Value, found)) return found;
    return ScanForValue(DataSet, field, wanted, MatchType, CaseSensitive);
}

// ---- TdwRecordFilter ----

TdwRecordFilter::~TdwRecordFilter() {
    Drop();
}

void TdwRecordFilter::Drop() {
    if (handle_ != 0 && dataSet_->Handle() != 0) DbiDropFilter(dataSet_->Handle(), handle_);
    handle_ = 0;
}

void TdwRecordFilter::SetOptions(TdwOnFilterOptions Value) {
    const bool switchedOff = options_.Contains(ofoEnabled) && !Value.Contains(ofoEnabled);
    options_ = Value;
    if (switchedOff && !inCallback_ && dataSet_->Active() && Event) {
        dataSet_->UpdateCursorPos();
        dataSet_->Resync(0);
    }
}

bool TdwRecordFilter::Install(bool On) {
    Drop();
    const TCursorHandle cursor = dataSet_->Handle();
    if (On && cursor != 0) {
        TFilterHandle filter = 0;
        if (DbiAddFilter(cursor, reinterpret_cast<std::intptr_t>(this), 1, false, nullptr,
                         &TdwRecordFilter::Callback, &filter) != dbiOK ||
            filter == 0)
            return false;
        handle_ = filter;
        DbiActivateFilter(cursor, filter);
    }
    Reread();
    return true;
}

void TdwRecordFilter::Reread() {
    if (!dataSet_->Active()) return;
    if (dataSet_->GetIndexFieldCount() > 0) {
        dataSet_->Refresh();
    } else {
        dataSet_->UpdateCursorPos();
        dataSet_->Resync(0);
    }
}

bool TdwRecordFilter::Callback(std::intptr_t ClientData, const char* Record, LongInt) {
    return reinterpret_cast<TdwRecordFilter*>(ClientData)->Accept(Record);
}

bool TdwRecordFilter::Accept(const char* Record) {
    if (dataSet_->ComponentState().Contains(csDestroying) || !Event || running_ ||
        !options_.Contains(ofoEnabled))
        return true;
    struct TGuard {
        TdwRecordFilter& f;
        ~TGuard() {
            f.running_ = false;
            f.inCallback_ = false;
            f.record_ = nullptr;
        }
    } guard{*this};
    inCallback_ = true;
    running_ = true;
    record_ = Record;
    bool accept = true;
    dataSet_->ReadFilterRecord(Record, [&] { Event(accept); });
    running_ = false;
    record_ = nullptr;
    if (options_.Contains(ofoCancelOnEscape)) {
        escapeCounter_ = escapeCounter_ + 1 >= 32000 ? 0 : escapeCounter_ + 1;
        if (escapeCounter_ % 100 == 0 && dwTakeEscapeKey()) {
            TdwOnFilterOptions options = options_;
            options.Exclude(ofoEnabled);
            SetOptions(options);
            if (OnFilterEscape) OnFilterEscape(dataSet_);
        }
    }
    return accept;
}

// ---- TdwMemoStream ----

TdwMemoStream::TdwMemoStream(TField* Field) {
    auto* blob = dynamic_cast<TBlobField*>(Field);
    if (blob != nullptr && blob->DataSet() != nullptr)
        blob_ = std::make_unique<TBlobStream>(blob, bmRead);
}

TdwMemoStream::~TdwMemoStream() = default;

LongInt TdwMemoStream::Read(void* Buffer, LongInt Count) {
    if (!blob_ || Count <= 0) return 0;
    constexpr LongInt kRequest = 32768;
    auto* out = static_cast<char*>(Buffer);
    LongInt total = 0;
    while (total < Count) {
        blob_->Seek(position_, soFromBeginning);
        const LongInt got = blob_->Read(out + total, std::min(kRequest, Count - total));
        if (got <= 0) break;
        total += got;
        position_ += got;
    }
    return total;
}

Int64 TdwMemoStream::Seek(Int64 Offset, Word Origin) {
    const Int64 size = blob_ ? blob_->Seek(0, soFromEnd) : 0;
    Int64 target = Offset;
    if (Origin == soFromCurrent) target += position_;
    if (Origin == soFromEnd) target += size;
    if (target >= 0 && target <= std::numeric_limits<LongInt>::max())
        position_ = static_cast<LongInt>(target);
    return position_;
}

// ---- TdwDataSetParts ----

void TdwDataSetParts::ValidateBeforePost() {
    if (!ValidateWithMask) return;
    dwValidateRecordMasks(dataSet_, OnInvalidValue, [this](TField* field) {
        return dwGetPictureMask(dataSet_, field->FieldName()).Mask;
    });
}

void TdwDataSetParts::CleanDefinitions() {
    dwCleanLookupDefinitions(dataSet_, &LookupFields, &LookupLinks, &ControlType);
}

void TdwDataSetParts::SetFilterEvent(std::function<void(bool& Accept)> Event,
                                     const std::string& Refusal) {
    Filter.Event = std::move(Event);
    if (!dataSet_->Active()) return;
    if (!Filter.Install(static_cast<bool>(Filter.Event))) MessageDlg(Refusal, mtWarning, {mbOK}, 0);
}

void TdwDataSetParts::AfterOpen() {
    if (Filter.Event) Filter.Install(true);
}

// ---- Queries ----

TCursorHandle dwExecuteQuery(TDatabaseHandle Database, int Language, const std::string& Text,
                             bool AuxiliaryTables, bool BlankAsZero, DBIResult& Result) {
    constexpr LongWord stmtAuxiliaryTables = 393254;
    constexpr LongWord stmtBlankAsZero = 393251;
    LongWord statement = 0;
    TCursorHandle cursor = 0;
    Result = DbiQAlloc(Database, Language, &statement);
    if (Result != dbiOK) return 0;
    if (Language == kQBELanguage) {
        DbiSetProp(statement, stmtAuxiliaryTables, AuxiliaryTables ? 1 : 0);
        DbiSetProp(statement, stmtBlankAsZero, BlankAsZero ? 1 : 0);
    }
    Result = DbiQPrepare(statement, Text.c_str());
    if (Result == dbiOK) {
        TWaitCursor wait;
        Result = DbiQExec(statement, &cursor);
    }
    DbiQFree(statement);
    return Result == dbiOK ? cursor : 0;
}

// ---- TdwTableWatch ----

TdwTableWatch::TdwTableWatch(TdwTable* Table) : table_(Table) {
    if (table_ != nullptr) table_->watches_.push_back(this);
}

TdwTableWatch::~TdwTableWatch() {
    if (table_ == nullptr) return;
    auto& list = table_->watches_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

// ---- TdwTable ----

namespace {

// Raises a search depth for its lifetime.
struct TDepthGuard {
    explicit TDepthGuard(int& Depth) : depth(Depth) { ++depth; }
    ~TDepthGuard() { --depth; }
    int& depth;
};

TdwDataSetParts& PartsOf(TdwTable& t) {
    return t.Parts();
}

void PublishTable() {
    using T = TdwTable;
    dwPublishDataSetParts<T>(&PartsOf, true);
    RegisterProperty<T>("dwFilter", &T::dwFilter, &T::SetDwFilter);
    RegisterProperty<T>(
        "SyncSQLByRange", [](T& t) { return t.SyncSQLByRange; },
        [](T& t, bool v) { t.SyncSQLByRange = v; });
    RegisterProperty<T>(
        "NarrowSearch", [](T& t) { return t.NarrowSearch; },
        [](T& t, bool v) { t.NarrowSearch = v; });
    RegisterProperty<T>(
        "NarrowSearchUpperChar", [](T& t) { return t.NarrowSearchUpperChar; },
        [](T& t, Word v) { t.NarrowSearchUpperChar = v; });
    RegisterProperty<T>("Query", &T::Query, &T::SetQuery);
    RegisterProperty<T>(
        "TableName", [](T& t) { return t.TableName(); },
        [](T& t, const std::string& v) { t.SetTableName(v); });
    RegisterProperty<T>("OnFilter", &T::OnFilter, &T::SetOnFilter);
}

} // namespace

std::string dwKeyValueText(const TVarRec& Value) {
    if (Value.IsInteger()) return std::to_string(Value.AsInteger());
    if (Value.IsFloat()) return FloatToStr(static_cast<double>(Value.AsFloat()));
    if (Value.IsString()) return Value.AsString();
    return {};
}

TdwTable::TdwTable(TComponent* AOwner) : TTable(AOwner) {
    static const bool published = (PublishTable(), true);
    (void)published;
}

TdwTable::~TdwTable() {
    // Closing walks the filters and the lookup tables, so it runs while they still exist.
    Destroying();
    Close();
    FreeLookupTables();
    for (TdwTableWatch* watch : watches_)
        watch->table_ = nullptr;
    watches_.clear();
    if (OnDestroyNotify) OnDestroyNotify(this);
}

void TdwTable::FreeLookupTables() {
    while (!lookupTables_.empty())
        lookupTables_.pop_back();
}

bool TdwTable::XBaseFilter() const {
    const TTableType type = TableType();
    return type == ttXBNTX || type == ttXBFOX || type == ttXBNSX;
}

bool TdwTable::IsSQLTable() const {
    return Database() != nullptr && Database()->IsSQLBased();
}

bool TdwTable::IsParadoxTable() const {
    if (TableType() == ttParadox) return true;
    if (TableType() != ttDefault) return false;
    const std::string name = AnsiLowerCase(TableName());
    return name.find(".db") != std::string::npos && !name.empty() && name.back() == 'b';
}

void TdwTable::SetDwFilter(TStrings* Value) {
    dwFilter_.Assign(Value);
    if (!Active()) return;
    if (!dwApplyFilterText(dwJoinFilterLines(&dwFilter_), this, filterHandle_, false,
                           XBaseFilter()))
        MessageDlg("Fail to set filter", mtWarning, {mbOK}, 0);
}

void TdwTable::ClearTableSource() {
    TTable::SetTableName("");
    if (!IndexFieldNames().empty()) SetIndexFieldNames("");
    SetMasterSource(nullptr);
    SetMasterFields("");
}

void TdwTable::SetQuery(TStrings* Value) {
    if (Active()) Close();
    if (Value != nullptr && Value->Count() > 0) ClearTableSource();
    query_.Assign(Value);
}

void TdwTable::SetTableName(const std::string& Value) {
    if (!Value.empty()) query_.Clear();
    TTable::SetTableName(Value);
}

void TdwTable::SetOnFilter(TdwTableFilterEvent Value) {
    onFilter_ = std::move(Value);
    if (onFilter_)
        parts_.Filter.Event = [this](bool& accept) { onFilter_(this, accept); };
    else
        parts_.Filter.Event = nullptr;
    parts_.Filter.Install(static_cast<bool>(onFilter_));
}

void TdwTable::OpenCursor() {
    if (IsQueryTable()) {
        const std::string first = AnsiLowerCase(query_[0].substr(0, query_[0].find(' ')));
        queryLanguage_ = first == "query" ? "QBE" : "SQL";
    }
    TTable::OpenCursor();
}

TCursorHandle TdwTable::CreateHandle() {
    if (!IsQueryTable()) return TTable::CreateHandle();
    ClearTableSource();
    const bool qbe = queryLanguage_ == "QBE";
    DBIResult result = dbiOK;
    const TCursorHandle cursor = dwExecuteQuery(DBHandle(), qbe ? kQBELanguage : kSQLLanguage,
                                                dwJoinLines(&query_, !qbe), false, true, result);
    CheckEngineResult(result);
    return cursor;
}

void TdwTable::InitFieldDefs() {
    if (IsQueryTable())
        TDataSet::InitFieldDefs();
    else
        TTable::InitFieldDefs();
}

void TdwTable::CloseCursor() {
    FreeLookupTables();
    TTable::CloseCursor();
    parts_.Filter.CursorClosed();
    filterHandle_ = 0;
    if (IsQueryTable()) TTable::SetTableName("");
}

void TdwTable::PrepareCursor() {
    TTable::PrepareCursor();
    const std::string text = dwJoinFilterLines(&dwFilter_);
    if (text.empty() && !onFilter_) return;
    opening_ = true;
    dwApplyFilterText(text, this, filterHandle_, true, XBaseFilter());
    if (onFilter_) parts_.Filter.Install(true);
    opening_ = false;
}

void TdwTable::DoBeforePost() {
    TTable::DoBeforePost();
    parts_.ValidateBeforePost();
}

void TdwTable::DoOnCalcFields() {
    parts_.CleanDefinitions();
    dwFillLookupFields(this, &parts_.LookupFields, &parts_.LookupLinks, &lookupTables_);
    TTable::DoOnCalcFields();
}

bool TdwTable::KeyValuesCurrent(const std::vector<TVarRec>& Values) const {
    for (std::size_t i = 0; i < Values.size(); ++i) {
        TField* field = GetIndexField(static_cast<int>(i));
        if (AnsiLowerCase(field->AsString()) != AnsiLowerCase(dwKeyValueText(Values[i])))
            return false;
    }
    return true;
}

bool TdwTable::RangeKeySearch(const std::vector<TVarRec>& Values) {
    if (KeyValuesCurrent(Values) && !(Bof() && Eof()))
        return KeyBufferFieldCount(KeyBuffers(2)) == 0 || LookupFilling;
    if (dwKeyValueText(Values[0]).empty()) {
        if (!LookupFilling) CancelRange();
        return false;
    }
    if (LookupFilling) {
        SetRange(Values, Values);
    } else {
        SetRangeStart();
        SetKeyFields(1, Values);
        SetRangeEnd();
        SetKeyFields(2, Values);
        ApplyRange();
    }
    First();
    return KeyValuesCurrent(Values);
}

bool TdwTable::dwFindKeyValues(const std::vector<TVarRec>& Values) {
    const int count = GetIndexFieldCount();
    if (count == 0) return false;
    if (static_cast<int>(Values.size()) > count) {
        MessageDlg("Table " + TableName() + ": FindKey has too many lookup values for index " +
                       IndexName(),
                   mtWarning, {mbOK}, 0);
        return false;
    }
    if (Values.empty()) return false;
    TDepthGuard depth(keySearchDepth_);
    if (IsSQLTable() && SyncSQLByRange) return RangeKeySearch(Values);
    if (NarrowSearch) CancelRange();
    if (KeyValuesCurrent(Values)) return true;
    return FindKey(Values);
}

bool TdwTable::IndexSearch(TField* Field, const std::string& Value, Byte MatchType,
                           bool CaseSensitive, bool& Found) {
    if (IsQueryTable() || GetIndexFieldCount() == 0 ||
        AnsiUpperCase(GetIndexField(0)->FieldName()) != AnsiUpperCase(Field->FieldName()))
        return false;
    const bool isString = Field->DataType() == ftString;
    // A case-insensitive index serves only case-insensitive searches, and the reverse.
    const bool caseAgrees = !isString || CaseInsIndex() != CaseSensitive;
    if (MatchType == dwMatchWhole && Field->DataType() != ftBoolean && caseAgrees) {
        Found = FindKey({Value});
        return true;
    }
    if (MatchType == dwMatchStart && isString && caseAgrees) {
        FindNearest({Value});
        const std::string text = Field->AsString();
        Found = CaseSensitive ? text.starts_with(Value)
                              : AnsiUpperCase(text).starts_with(AnsiUpperCase(Value));
        return true;
    }
    return false;
}

bool TdwTable::dwFindValue(const std::string& Value, const std::string& FieldName, Byte MatchType,
                           bool CaseSensitive) {
    TDepthGuard depth(keySearchDepth_);
    return ::dwFindValue(this, Value, FieldName, MatchType, CaseSensitive,
                         [&](TField* field, const std::string& value, bool& found) {
                             return IndexSearch(field, value, MatchType, CaseSensitive, found);
                         });
}

void TdwTable::ResetRange() {
    if (!IsSQLTable() || !DwIntl().ReopenOnRangeReset) {
        CancelRange();
        return;
    }
    TStringList layout;
    dwSaveFieldLayout(this, &layout);
    Close();
    Open();
    dwRestoreFieldLayout(this, &layout);
}

// ---- Routines over data-aware tables ----

namespace {

// The index of Table whose fields are Fields (any case when CaseInsensitive), or, with Prefix,
// begin with them followed by ";"; empty when none.
std::string IndexWithFields(TTable* Table, const std::string& Fields, bool CaseInsensitive,
                            bool Prefix) {
    TIndexDefs* defs = Table->IndexDefs();
    for (int i = 0; i < defs->Count(); ++i) {
        TIndexDef* def = defs->Items(i);
        if (((def->Options() & ixCaseInsensitive) != 0) != CaseInsensitive) continue;
        const std::string fields = AnsiUpperCase(def->Fields());
        const std::string wanted = AnsiUpperCase(Fields);
        if (Prefix ? fields.starts_with(wanted + ";") : fields == wanted) return def->Name();
    }
    return {};
}

// The index of the lookup table serving IndexFields; empty (natural order) when none does.
std::string LookupIndexName(TTable* Table, const std::string& IndexFields) {
    Table->UpdateIndexDefs();
    for (const bool prefix : {false, true})
        for (const bool caseInsensitive : {true, false}) {
            std::string name = IndexWithFields(Table, IndexFields, caseInsensitive, prefix);
            if (!name.empty()) return name;
        }
    return {};
}

// One LookupFields line in parts.
struct TLookupLine {
    std::string Field;
    std::string DatabaseName;
    std::string TableName;
    std::string ShownField;
    std::string IndexName;
    std::string IndexFields;
};

bool ReadLookupLine(const std::string& Line, TLookupLine& Out) {
    const std::vector<std::string> parts = dwSplitLine(Line, ';');
    if (parts.size() < 5) return false;
    Out = {parts[0], parts[1], parts[2], parts[3], {}, {}};
    if (parts.size() == 5) {
        Out.IndexName = parts[4];
        return true;
    }
    Out.IndexFields = dwJoinParts(parts, 4, parts.size() - 1, ';');
    if (parts.back() == "N") Out.TableName = Out.TableName.substr(0, Out.TableName.find('.'));
    return true;
}

TdwLookupTable& LookupTableFor(const TLookupLine& Line, const std::string& Link,
                               std::vector<TdwLookupTable>& Tables) {
    for (TdwLookupTable& entry : Tables)
        if (entry.Table->DatabaseName() == Line.DatabaseName &&
            entry.Table->TableName() == Line.TableName &&
            AnsiLowerCase(entry.Link) == AnsiLowerCase(Link)) {
            if (!entry.Table->Active()) entry.Table->Open();
            return entry;
        }
    auto table = std::make_unique<TdwTable>(nullptr);
    table->SetDatabaseName(Line.DatabaseName);
    table->SetTableName(Line.TableName);
    table->SetIndexName(Line.IndexFields.empty() ? Line.IndexName
                                                 : LookupIndexName(table.get(), Line.IndexFields));
    table->Open();
    Tables.push_back({std::move(table), Link, false, false});
    return Tables.back();
}

// Positions the lookup table on the dataset's values of the link's fields.
bool PositionOnLink(TDataSet* DataSet, TdwTable* Table, const std::vector<std::string>& Link) {
    Table->LookupFilling = true;
    struct TReset {
        TdwTable* t;
        ~TReset() { t->LookupFilling = false; }
    } reset{Table};
    if (Table->GetIndexFieldCount() == 0)
        return Table->dwFindValue(DataSet->FieldByName(Link[0])->AsString(), Link[1], dwMatchWhole,
                                  true);
    const std::size_t pairs = Link.size() / 2;
    if (pairs < 1 || pairs > 6) return false;
    std::vector<TVarRec> values;
    for (std::size_t i = 0; i < pairs; ++i)
        values.emplace_back(DataSet->FieldByName(Link[2 * i])->AsString());
    return Table->dwFindKeyValues(values);
}

} // namespace

void dwFillLookupFields(TDataSet* DataSet, TStrings* LookupFields, TStrings* LookupLinks,
                        std::vector<TdwLookupTable>* Tables) {
    if (LookupFields == nullptr || Tables == nullptr) return;
    for (TdwLookupTable& entry : *Tables)
        entry.Positioned = false;
    for (int i = 0; i < LookupFields->Count(); ++i) {
        TLookupLine line;
        TField* field = nullptr;
        if (!ReadLookupLine((*LookupFields)[i], line) ||
            (field = DataSet->FindField(line.Field)) == nullptr)
            continue;
        const std::string linkText =
            LookupLinks != nullptr && i < LookupLinks->Count() ? (*LookupLinks)[i] : "";
        const std::vector<std::string> link = dwSplitLine(linkText, ';');
        for (std::size_t p = 0; p < link.size(); p += 2)
            if (!dwFieldExists(DataSet, link[p]) || p + 1 >= link.size()) {
                field->SetVisible(false);
                return;
            }
        if (link.empty()) continue;
        TdwLookupTable& entry = LookupTableFor(line, linkText, *Tables);
        if (!entry.Positioned) {
            entry.Found = PositionOnLink(DataSet, entry.Table.get(), link);
            entry.Positioned = true;
        }
        TField* shown = entry.Found ? entry.Table->FindField(line.ShownField) : nullptr;
        if (shown == nullptr)
            field->Clear();
        else
            field->SetAsString(shown->AsString());
    }
}

bool dwPositionLookupTable(TField* Field, std::string& LookupField, std::string& Value) {
    auto* owner = dynamic_cast<TdwTable*>(Field->DataSet());
    if (owner == nullptr) return false;
    const TdwLookupDefinition def = dwGetLookupDefinition(Field);
    LookupField = def.LookupField;
    const std::vector<std::string> link = dwSplitLine(def.Link, ';');
    if (link.empty()) return false;
    for (TdwLookupTable& entry : owner->LookupTables()) {
        TdwTable* table = entry.Table.get();
        if (table->DatabaseName() != def.DatabaseName || table->TableName() != def.TableName ||
            AnsiLowerCase(entry.Link) != AnsiLowerCase(def.Link))
            continue;
        TField* source = owner->FindField(link[0]);
        if (source == nullptr) return false;
        Value = source->AsString();
        return table->dwFindKeyValues({Value});
    }
    return false;
}

bool dwIsQueryTable(const TObject* DataSet) {
    const auto* table = dynamic_cast<const TdwTable*>(DataSet);
    return table != nullptr && table->IsQueryTable();
}

namespace {

// Controls disabled and the hour-glass shown for its lifetime.
class TBusyTable {
public:
    explicit TBusyTable(TDataSet* DataSet) : dataSet_(DataSet) { dataSet_->DisableControls(); }
    ~TBusyTable() { dataSet_->EnableControls(); }
    TBusyTable(const TBusyTable&) = delete;
    TBusyTable& operator=(const TBusyTable&) = delete;

private:
    TWaitCursor wait_;
    TDataSet* dataSet_;
};

bool IsSQLRangeTable(const TTable* Table) {
    const auto* dw = dynamic_cast<const TdwTable*>(Table);
    return Table->Database() != nullptr && Table->Database()->IsSQLBased() &&
           (dw == nullptr || dw->SyncSQLByRange);
}

} // namespace

void dwSetTableIndex(TDataSet* DataSet, const std::string& IndexName) {
    auto* table = dynamic_cast<TTable*>(DataSet);
    if (table == nullptr) return;
    if (!IsSQLRangeTable(table) || !table->Active()) {
        table->SetIndexName(IndexName);
        return;
    }
    if (IndexName == table->IndexName()) return;
    std::vector<std::string> values;
    for (int i = 0; i < table->GetIndexFieldCount(); ++i)
        values.push_back(table->GetIndexField(i)->AsString());
    TBusyTable busy(table);
    table->Close();
    table->SetIndexName(IndexName);
    table->Open();
    table->SetKey();
    for (int i = 0; i < table->GetIndexFieldCount() && i < static_cast<int>(values.size()); ++i)
        table->GetIndexField(i)->SetAsString(values[static_cast<std::size_t>(i)]);
    table->GotoNearest();
}

namespace {

bool IsIntegerKind(TFieldType Type) {
    return Type == ftSmallint || Type == ftInteger || Type == ftWord || Type == ftAutoInc;
}

// Whether the field's value answers the typed text.
bool KeyMatchesText(TField* Field, const std::string& Text) {
    const TFieldType type = Field->DataType();
    if (type == ftFloat || type == ftCurrency) {
        if (Text.empty()) return Field->AsString().empty();
        double value = 0;
        return TextToFloat(Text, value) && !Field->IsNull() && Field->AsFloat() == value;
    }
    if (IsIntegerKind(type)) return Field->AsString() == Text;
    return AnsiUpperCase(Field->AsString()).starts_with(AnsiUpperCase(Text));
}

bool IsDescendingIndex(TTable* Table) {
    const int index = Table->IndexDefs()->IndexOf(Table->IndexName());
    return index >= 0 && (Table->IndexDefs()->Items(index)->Options() & ixDescending) != 0;
}

// Narrows the table to the records whose key starts with the typed text.
void NarrowToText(TdwTable* Table, TField* Field, std::vector<TVarRec> Values,
                  const std::string& Text) {
    TBusyTable busy(Table);
    if (Text.empty()) {
        Table->ResetRange();
        return;
    }
    if (Field->DataType() != ftString) {
        Table->SetRange(Values, Values);
        return;
    }
    std::vector<TVarRec> upper = Values;
    upper.back() = Text + std::string(static_cast<std::size_t>(Field->Size()),
                                      static_cast<char>(Table->NarrowSearchUpperChar & 0xFF));
    if (IsDescendingIndex(Table))
        Table->SetRange(upper, Values);
    else
        Table->SetRange(Values, upper);
}

} // namespace

bool dwIncrementalSearch(TDataSet* DataSet, int KeyPosition, const std::string& Text) {
    auto* plain = dynamic_cast<TTable*>(DataSet);
    if (plain == nullptr) return false;
    auto* table = dynamic_cast<TdwTable*>(plain);
    if (table == nullptr) {
        MessageDlg("Incremental Search - TTable component not supported. Use TdwTable instead.",
                   mtWarning, {mbOK}, 0);
        return false;
    }
    const int count = table->GetIndexFieldCount();
    if (count == 0) {
        MessageDlg("Table " + table->TableName() + ": Table index not found", mtWarning, {mbOK}, 0);
        return false;
    }
    if (!dwTypedTextFits(table, Text)) return false;
    const int position = std::clamp(KeyPosition, 0, count - 1);
    std::vector<TVarRec> values;
    for (int i = 0; i < position; ++i)
        values.emplace_back(table->GetIndexField(i)->AsString());
    values.emplace_back(Text);
    TField* key = table->GetIndexField(position);
    if (table->NarrowSearch) {
        NarrowToText(table, key, values, Text);
    } else if (!IsSQLRangeTable(table) || table->MasterSource() != nullptr) {
        table->FindNearest(values);
    } else {
        TBusyTable busy(table);
        if (Text.empty()) {
            table->ResetRange();
        } else {
            table->SetRange(values, values);
            table->First();
        }
    }
    return KeyMatchesText(key, Text);
}

bool dwLocateFieldValue(TDataSet* DataSet, const std::string& FieldName, const std::string& Value,
                        Byte MatchType, bool CaseSensitive) {
    if (TField* field = DataSet->FindField(FieldName); field != nullptr) {
        const std::string text = field->AsString();
        if (CaseSensitive ? text == Value : AnsiLowerCase(text) == AnsiLowerCase(Value))
            return true;
    }
    if (auto* table = dynamic_cast<TdwTable*>(DataSet); table != nullptr)
        return table->dwFindValue(Value, FieldName, MatchType, CaseSensitive);
    return dwFindValue(DataSet, Value, FieldName, MatchType, CaseSensitive);
}
