#include "db/DataSet.h"

#include "db/DBTables.h"
#include "db/DataLinks.h"
#include "db/DataSetHelpers.h"
#include "db/EngineBlobs.h"
#include "db/EngineFilters.h"
#include "db/EngineRecords.h"
#include "db/EngineServices.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
#include "db/FieldClasses.h"
#include "db/FilterExpressions.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <utility>
namespace {

// The engine's record-reading modes.
enum TGetMode { gmCurrent, gmNext, gmPrior };

constexpr int keySave = 5;
constexpr int maxRequiredFields = 256;

// The class of a field type when persistent fields are matched with the cursor's definitions:
// currency counts as float, auto-increment as integer, every blob kind as blob.
TFieldType TypeClass(TFieldType Type) {
    switch (Type) {
    case ftCurrency: return ftFloat;
    case ftAutoInc: return ftInteger;
    default: return Type >= ftBlob ? ftBlob : Type;
    }
}

} // namespace

// ---- TDataSet ----

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), fieldDefs_(std::make_unique<TFieldDefs>(this)) {
    ClearBuffers();
    locale_ = DefaultSessionLocale();
}

TDataSet::~TDataSet() {
    Destroying();
    Close();
    while (!dataSources_.empty())
        dataSources_.back()->SetDataSet(nullptr);
    while (!fields_.empty()) {
        TField* field = fields_.back();
        RemoveField(field);
        delete field;
    }
}

void TDataSet::SetActive(bool Value) {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) {
        if (Value) streamedActive_ = true;
        return;
    }
    if (Active() == Value) return;
    if (Value)
        DoOpen();
    else
        DoClose();
}

void TDataSet::DoOpen() {
    DoBeforeOpen();
    try {
        OpenCursor();
    } catch (...) {
        // A cursor half opened is given back, so a failed open holds nothing.
        try {
            CloseCursor();
        } catch (const std::exception&) {
        }
        throw;
    }
    SetState(dsBrowse);
    DoAfterOpen();
}

void TDataSet::DoClose() {
    const bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    SetState(dsInactive);
    closeFailure_ = dbiOK;
    CloseCursor();
    if (destroying) return;
    DoAfterClose();
    // The data set is closed; a close whose writes the disk refused (an exclusive table's
    // gathered changes) says so.
    CheckEngineResult(std::exchange(closeFailure_, dbiOK));
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (streamedActive_) {
        streamedActive_ = false;
        SetActive(true);
    }
}

void TDataSet::CheckActive() const {
    if (state_ == dsInactive) DBError(dbmDataSetClosed);
}

void TDataSet::CheckInactive() {
    if (state_ == dsInactive) return;
    if (ComponentState().Contains(csUpdating))
        Close();
    else
        DBError(dbmDataSetOpen);
}

// ---- Opening and closing ----

void TDataSet::OpenCursor() {
    handle_ = CreateHandle();
    if (handle_ == 0) DBError(dbmHandleError);
    TLocaleHandle locale = 0;
    if (DbiGetCursorLocale(handle_, &locale) == dbiOK && locale != 0) locale_ = locale;
    if (cachedUpdates_ && !infoQueryMode_) CheckEngineResult(DbiBeginDelayedUpdates(handle_));
    ReadCursorProps();
    if (infoQueryMode_) return;
    GetIndexInfo();
    defaultFields_ = fields_.empty();
    if (defaultFields_) CreateFields();
    BindFields(true);
    recInfoOfs_ = recordSize_ + calcFieldsSize_;
    bookmarkOfs_ = recInfoOfs_ + 8;
    recBufSize_ = bookmarkOfs_ + 1 + bookmarkSize_;
    AllocKeyBuffers();
    CheckEngineResult(DbiSetToBegin(handle_));
    PrepareCursor();
    OpenFilters();
    UpdateBufferCount();
    bof_ = true;
}

void TDataSet::ReadCursorProps() {
    TCursorProps props;
    CheckEngineResult(DbiGetCursorProps(handle_, &props));
    recordSize_ = props.RecordSize;
    bookmarkSize_ = props.BookmarkSize;
    canModify_ = props.OpenMode == dbiOpenReadWrite && !props.TempTable;
    recNoStatus_ = props.SeqNumMode;
    UpdateRequiredFields(props.ValidityChecks);
    std::vector<TFieldDescriptor> descs(props.FieldCount);
    if (!descs.empty()) CheckEngineResult(DbiGetFieldDescs(handle_, descs.data()));
    fieldDefs_->Clear();
    for (std::size_t i = 0; i < descs.size(); ++i) {
        const int fieldNo = static_cast<int>(i) + 1;
        const bool required = fieldNo < static_cast<int>(requiredFields_.size()) &&
                              requiredFields_[static_cast<std::size_t>(fieldNo)];
        fieldDefs_->AddFieldDesc(descs[i], required, fieldNo);
    }
    fieldDefs_->SetUpdated(true);
}

// The engine of this system reports no validity checks, so no field is marked required by it;
// a cursor that reports some is asked for them and fails when it cannot describe them.
void TDataSet::UpdateRequiredFields(Word Count) {
    requiredFields_.assign(maxRequiredFields + 1, false);
    for (Word check = 1; check <= Count; ++check)
        CheckEngineResult(DbiGetVchkDesc(handle_, check, nullptr));
}

void TDataSet::GetIndexInfo() {
    indexFieldCount_ = 0;
    keySize_ = 0;
    expIndex_ = caseInsIndex_ = false;
    TIndexDesc desc;
    const DBIResult result = DbiGetIndexDesc(handle_, 0, &desc);
    if (result == dbiNoIndexActive || result == dbiNoOrderActive) return;
    CheckEngineResult(result);
    expIndex_ = desc.Expression;
    caseInsIndex_ = desc.CaseInsensitive;
    if (!expIndex_) {
        indexFieldCount_ = std::min<int>(desc.FieldsInKey, static_cast<int>(indexFieldMap_.size()));
        std::copy_n(desc.KeyFields.begin(), indexFieldCount_, indexFieldMap_.begin());
    }
    keySize_ = desc.KeyLength;
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs_->Count(); ++i)
        if (fieldDefs_->Items(i)->DataType() != ftUnknown) fieldDefs_->Items(i)->CreateField(this);
}

void TDataSet::DestroyFields() {
    while (!fields_.empty()) {
        TField* field = fields_.back();
        fields_.pop_back();
        field->dataSet_ = nullptr;
        delete field;
    }
    if (!ComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::BindFields(bool Binding) {
    calcFieldsSize_ = 0;
    engineCalcFields_ = false;
    for (TField* field : fields_) {
        if (Binding) {
            if (field->fieldKind_ != fkData) {
                if (field->dataType_ < ftString || field->dataType_ > ftDateTime)
                    DBErrorFmt(dbmFieldCalcType, {field->GetDisplayName()});
                field->fieldNo_ = -1;
                field->offset_ = calcFieldsSize_;
                calcFieldsSize_ += field->dataSize_ + 1;
            } else {
                const TFieldDef* def = fieldDefs_->Find(field->fieldName_);
                if (TypeClass(def->DataType()) != TypeClass(field->dataType_) ||
                    def->Size() != field->size_)
                    DBErrorFmt(dbmFieldTypeMismatch, {field->GetDisplayName()});
                field->fieldNo_ = def->FieldNo();
                field->engineCalc_ = def->EngineCalc();
                if (def->EngineCalc()) engineCalcFields_ = true;
            }
        }
        field->Bind(Binding);
    }
}

void TDataSet::CloseCursor() {
    if (!infoQueryMode_) FreeCursor();
    canModify_ = false;
    locale_ = DefaultSessionLocale();
    if (handle_ != 0) {
        DestroyHandle();
        handle_ = 0;
    }
}

void TDataSet::FreeCursor() {
    FreeFieldBuffers();
    SetBufListSize(0);
    bufferCount_ = 0;
    ClearBuffers();
    for (auto& buffer : keyBuffers_)
        buffer.clear();
    keyBuffer_ = nullptr;
    exprFilter_ = funcFilter_ = 0;
    BindFields(false);
    if (defaultFields_) DestroyFields();
    defaultFields_ = false;
    indexFieldCount_ = 0;
    keySize_ = 0;
    expIndex_ = caseInsIndex_ = false;
}

void TDataSet::DestroyHandle() {
    DbiRelRecordLock(handle_, false);
    closeFailure_ = DbiCloseCursor(handle_);
}

TFieldDefs* TDataSet::FieldDefs() {
    if (!fieldDefs_->Updated()) {
        InitFieldDefs();
        fieldDefs_->SetUpdated(true);
    }
    return fieldDefs_.get();
}

void TDataSet::InitFieldDefs() {
    if (handle_ != 0) return;
    infoQueryMode_ = true;
    try {
        OpenCursor();
    } catch (...) {
        try {
            CloseCursor();
        } catch (const std::exception&) {
        }
        infoQueryMode_ = false;
        throw;
    }
    try {
        CloseCursor();
    } catch (...) {
        infoQueryMode_ = false;
        throw;
    }
    infoQueryMode_ = false;
}

// ---- Buffers ----

Byte& TDataSet::BookmarkFlag(int Index) const {
    return reinterpret_cast<Byte&>(Buffer(Index)[bookmarkOfs_]);
}

char* TDataSet::BookmarkOf(int Index) const {
    return Buffer(Index) + bookmarkOfs_ + 1;
}

LongInt TDataSet::RecordNumberOf(const char* Buffer) const {
    LongInt value = 0;
    std::memcpy(&value, Buffer + recInfoOfs_ + 4, sizeof value);
    return value;
}

void TDataSet::SetRecordNumber(char* Buffer, LongInt Value) const {
    std::memcpy(Buffer + recInfoOfs_ + 4, &Value, sizeof Value);
}

Byte& TDataSet::UpdateStatusOf(char* Buffer) const {
    return reinterpret_cast<Byte&>(Buffer[recInfoOfs_]);
}

char* TDataSet::KeyRecord() const {
    return keyBuffer_ && !keyBuffer_->empty() ? keyBuffer_->data() + keyHeaderSize : nullptr;
}

void TDataSet::SetBufListSize(int Size) {
    const auto size = static_cast<std::size_t>(Size);
    if (buffers_.size() > size) buffers_.resize(size);
    while (buffers_.size() < size)
        buffers_.emplace_back(static_cast<std::size_t>(recBufSize_), '\0');
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
}

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = eof_ = false;
}

void TDataSet::MoveBuffer(int From, int To) {
    if (From == To) return;
    const auto first = buffers_.begin();
    if (From < To)
        std::rotate(first + From, first + From + 1, first + To + 1);
    else
        std::rotate(first + To, first + From, first + From + 1);
}

void TDataSet::UpdateBufferCount() {
    if (ComponentState().Contains(csDestroying)) return;
    firstDataLink_ = nullptr;
    int count = 1;
    for (auto source = dataSources_.rbegin(); source != dataSources_.rend(); ++source) {
        const auto& links = (*source)->dataLinks_;
        for (auto link = links.rbegin(); link != links.rend(); ++link) {
            (*link)->next_ = firstDataLink_;
            firstDataLink_ = *link;
            count = std::max(count, (*link)->bufferCount_);
        }
    }
    if (handle_ != 0 && !infoQueryMode_) SetBufferCount(count);
}

void TDataSet::SetBufferCount(int Value) {
    if (static_cast<int>(buffers_.size()) == Value + 1) return;
    if (!buffers_.empty() && Value < bufferCount_ && recordCount_ > 0) {
        int delta = activeRecord_;
        for (TDataLink* link = firstDataLink_; link; link = link->next_)
            if (link->active_ && link->firstRecord_ < delta) delta = link->firstRecord_;
        std::rotate(buffers_.begin(), buffers_.begin() + delta, buffers_.end());
        activeRecord_ -= delta;
        if (currentRecord_ != -1) currentRecord_ -= delta;
        // Only the records that moved down are still held.
        recordCount_ = std::min(recordCount_ - delta, Value);
        if (currentRecord_ >= recordCount_) currentRecord_ = -1;
        for (TDataLink* link = firstDataLink_; link; link = link->next_)
            if (link->active_) link->firstRecord_ -= delta;
    }
    SetBufListSize(Value + 1);
    bufferCount_ = Value;
    GetNextRecords();
    const int lead = GetPriorRecords();
    for (TDataLink* link = firstDataLink_; link; link = link->next_)
        if (link->active_) link->firstRecord_ += lead;
}

DBIResult TDataSet::GetRecord(int Index, int Mode) {
    char* buffer = Buffer(Index);
    TRecordProps props;
    DBIResult result = dbiOK;
    switch (Mode) {
    case gmCurrent: result = DbiGetRecord(handle_, 0, buffer, &props); break;
    case gmNext: result = DbiGetNextRecord(handle_, 0, buffer, &props); break;
    default: result = DbiGetPriorRecord(handle_, 0, buffer, &props); break;
    }
    if (result != dbiOK) return result;
    UpdateStatusOf(buffer) = 0;
    SetRecordNumber(buffer, recNoStatus_ == 1   ? static_cast<LongInt>(props.SeqNo)
                            : recNoStatus_ == 0 ? static_cast<LongInt>(props.PhysRecNo)
                                                : -1);
    GetCalcFields(Index);
    BookmarkFlag(Index) = bfCurrent;
    std::memcpy(BookmarkOf(Index), props.BookMark.data(),
                std::min<std::size_t>(props.BookMark.size(), bookmarkSize_));
    return dbiOK;
}

bool TDataSet::GetNextRecord() {
    if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
    const bool current = state_ == dsInsert && currentRecord_ == activeRecord_ &&
                         BookmarkFlag(activeRecord_) == bfCurrent;
    const DBIResult result = GetRecord(recordCount_, current ? gmCurrent : gmNext);
    if (result == dbiOK) {
        if (recordCount_ == 0)
            ActivateBuffers();
        else if (recordCount_ < bufferCount_)
            ++recordCount_;
        else
            MoveBuffer(0, recordCount_);
        currentRecord_ = recordCount_ - 1;
        return true;
    }
    currentRecord_ = -1;
    if (result != dbiEOF) CheckEngineResult(result);
    return false;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) SetCurrentRecord(0);
    const DBIResult result = GetRecord(recordCount_, gmPrior);
    if (result == dbiOK) {
        if (recordCount_ == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(recordCount_, 0);
            if (recordCount_ < bufferCount_) {
                ++recordCount_;
                ++activeRecord_;
            }
        }
        currentRecord_ = 0;
        return true;
    }
    currentRecord_ = -1;
    if (result != dbiBOF) CheckEngineResult(result);
    return false;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord())
        ++count;
    return count;
}

void TDataSet::SetCurrentRecord(int Index) {
    if (currentRecord_ == Index) return;
    switch (BookmarkFlag(Index)) {
    case bfBOF: CheckEngineResult(DbiSetToBegin(handle_)); break;
    case bfEOF: CheckEngineResult(DbiSetToEnd(handle_)); break;
    case bfCurrent:
    case bfInserted: CheckEngineResult(DbiSetToBookMark(handle_, BookmarkOf(Index))); break;
    default: break;
    }
    currentRecord_ = Index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

void TDataSet::Resync(int Mode) {
    CheckActive();
    if (Mode & rmExact) {
        currentRecord_ = -1;
        CheckEngineResult(GetRecord(recordCount_, gmCurrent));
    } else if (GetRecord(recordCount_, gmCurrent) != dbiOK &&
               GetRecord(recordCount_, gmNext) != dbiOK &&
               GetRecord(recordCount_, gmPrior) != dbiOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (Mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    RunThen(
        [&] {
            while (count > 0 && GetPriorRecord())
                --count;
            GetNextRecords();
            GetPriorRecords();
        },
        [&] { DataEvent(deDataSetChange, 0); });
}

// ---- Navigation ----

void TDataSet::First() {
    ReadFromEnd(true);
}

void TDataSet::Last() {
    ReadFromEnd(false);
}

void TDataSet::ReadFromEnd(bool Beginning) {
    CheckBrowseMode();
    ClearBuffers();
    RunThen(
        [&] {
            if (Beginning) {
                CheckEngineResult(DbiSetToBegin(handle_));
                GetNextRecords();
            } else {
                CheckEngineResult(DbiSetToEnd(handle_));
                GetPriorRecords();
            }
        },
        [&] {
            (Beginning ? bof_ : eof_) = true;
            DataEvent(deDataSetChange, 0);
        });
}

int TDataSet::MoveBy(int Distance) {
    CheckBrowseMode();
    int result = 0;
    if ((Distance > 0 && eof_) || (Distance < 0 && bof_) || Distance == 0) return 0;
    bof_ = eof_ = false;
    int scrollCount = 0;
    RunThen(
        [&] {
            for (; Distance > 0; --Distance, ++result) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                    continue;
                }
                const int full = recordCount_ < bufferCount_ ? 0 : 1;
                if (!GetNextRecord()) {
                    eof_ = true;
                    break;
                }
                scrollCount -= full;
                activeRecord_ = recordCount_ - 1;
            }
            for (; Distance < 0; ++Distance, --result) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                    continue;
                }
                const int full = recordCount_ < bufferCount_ ? 0 : 1;
                if (!GetPriorRecord()) {
                    bof_ = true;
                    break;
                }
                scrollCount += full;
                activeRecord_ = 0;
            }
        },
        [&] { DataEvent(deDataSetScroll, scrollCount); });
    return result;
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    CheckEngineResult(DbiForceReread(handle_));
    Resync(0);
}

void TDataSet::ReadFilterRecord(const char* Record, const std::function<void()>& Reader) {
    std::vector<char> buffer(static_cast<std::size_t>(std::max(recBufSize_, recordSize_)), '\0');
    std::memcpy(buffer.data(), Record, static_cast<std::size_t>(recordSize_));
    const TDataSetState savedState = state_;
    char* const savedBuffer = filterBuffer_;
    struct TRestore {
        TDataSet& d;
        TDataSetState state;
        char* buffer;
        ~TRestore() {
            d.state_ = state;
            d.filterBuffer_ = buffer;
        }
    } restore{*this, savedState, savedBuffer};
    filterBuffer_ = buffer.data();
    state_ = dsFilter;
    Reader();
}

std::vector<char> TDataSet::GetBookmark() {
    if ((state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && recordCount_ > 0 &&
        BookmarkFlag(activeRecord_) == bfCurrent)
        return std::vector<char>(BookmarkOf(activeRecord_),
                                 BookmarkOf(activeRecord_) + bookmarkSize_);
    return {};
}

void TDataSet::GotoBookmark(const std::vector<char>& Bookmark) {
    if (Bookmark.empty()) return;
    CheckBrowseMode();
    if (static_cast<int>(Bookmark.size()) != bookmarkSize_) CheckEngineResult(dbiBadParameter);
    CheckEngineResult(DbiSetToBookMark(handle_, Bookmark.data()));
    Resync(rmExact | rmCenter);
}

LongInt TDataSet::GetRecNo() {
    CheckActive();
    if (state_ == dsCalcFields) return RecordNumberOf(calcBuffer_);
    char* buffer = ActiveBuffer();
    return buffer ? RecordNumberOf(buffer) : -1;
}

// ---- Editing ----

void TDataSet::SetState(TDataSetState Value) {
    if (state_ == Value) return;
    state_ = Value;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

bool TDataSet::GetCanModify() const {
    return canModify_;
}

void TDataSet::CheckCanModify() const {
    if (!GetCanModify()) DBError(dbmDataSetReadOnly);
}

void TDataSet::UpdateRecord() {
    if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey) DBError(dbmNotEditing);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    switch (state_) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case dsSetKey: PostKeyBuffer(true); break;
    default: break;
    }
}

void TDataSet::RunRecordOperation(const std::function<DBIResult()>& Operation,
                                  const TDataSetErrorEvent& ErrorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            CheckEngineResult(Operation());
            return;
        } catch (EDatabaseError& E) {
            TDataAction action = daFail;
            if (ErrorEvent) ErrorEvent(this, E, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    RunRecordOperation([this] { return DbiGetRecord(handle_, 1, ActiveBuffer(), nullptr); },
                       OnEditError);
    GetCalcFields(activeRecord_);
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::ClearCalcFields(char* Buffer) const {
    std::memset(Buffer + recordSize_, 0, static_cast<std::size_t>(calcFieldsSize_));
}

void TDataSet::InitRecord(char* Buffer) {
    CheckEngineResult(DbiInitRecord(handle_, Buffer));
    ClearCalcFields(Buffer);
    UpdateStatusOf(Buffer) = 2;
    SetRecordNumber(Buffer, -1);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    MoveBuffer(recordCount_, activeRecord_);
    // The buffers behind the new one moved up: the engine position must be found again.
    currentRecord_ = -1;
    InitRecord(Buffer(activeRecord_));
    if (recordCount_ == 0) {
        BookmarkFlag(activeRecord_) = bfBOF;
    } else {
        std::memcpy(BookmarkOf(activeRecord_), BookmarkOf(activeRecord_ + 1),
                    static_cast<std::size_t>(bookmarkSize_));
        BookmarkFlag(activeRecord_) = bfInserted;
    }
    if (recordCount_ < bufferCount_) ++recordCount_;
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    InitRecord(Buffer(0));
    BookmarkFlag(0) = bfEOF;
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    EndInsertAppend();
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : fields_) {
        if (field->required_ && !field->readOnly_ && field->fieldKind_ == fkData &&
            field->dataType_ >= ftString && field->dataType_ <= ftVarBytes && field->IsNull()) {
            field->FocusControl();
            DBErrorFmt(dbmFieldRequired, {field->GetDisplayName()});
        }
    }
}

void TDataSet::FreeFieldBuffers() {
    for (TField* field : fields_)
        field->FreeBuffers();
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ == dsSetKey) {
        PostKeyBuffer(true);
        return;
    }
    DataEvent(deCheckBrowseMode, 0);
    CheckRequiredFields();
    DoBeforePost();
    if (state_ == dsEdit)
        RunRecordOperation([this] { return DbiModifyRecord(handle_, ActiveBuffer(), true); },
                           OnPostError);
    else
        RunRecordOperation([this] { return DbiInsertRecord(handle_, 0, ActiveBuffer()); },
                           OnPostError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterPost();
}

void TDataSet::Cancel() {
    switch (state_) {
    case dsEdit:
    case dsInsert: {
        DataEvent(deCheckBrowseMode, 0);
        DoBeforeCancel();
        const bool editing = state_ == dsEdit;
        UpdateCursorPos();
        if (editing) DbiRelRecordLock(handle_, false);
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(0);
        DoAfterCancel();
        break;
    }
    case dsSetKey: PostKeyBuffer(false); break;
    default: break;
    }
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert || state_ == dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) DBError(dbmDataSetEmpty);
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    RunRecordOperation(
        [this] {
            // A record another user removed already is gone, as asked.
            const DBIResult result = DbiDeleteRecord(handle_, ActiveBuffer());
            return (result & 0xFF00) == 0x2200 ? dbiOK : result;
        },
        OnDeleteError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterDelete();
}

// ---- Key entry ----

void TDataSet::AllocKeyBuffers() {
    for (auto& buffer : keyBuffers_) {
        buffer.assign(static_cast<std::size_t>(keyHeaderSize + recordSize_), '\0');
        InitKeyBuffer(buffer);
    }
}

void TDataSet::InitKeyBuffer(std::vector<char>& Buffer) {
    std::fill(Buffer.begin(), Buffer.end(), '\0');
    CheckEngineResult(DbiInitRecord(handle_, Buffer.data() + keyHeaderSize));
}

void TDataSet::SetKeyBuffer(int KeyIndex, bool Clear) {
    CheckBrowseMode();
    keyBuffer_ = &keyBuffers_.at(static_cast<std::size_t>(KeyIndex));
    keyBuffers_[keySave] = *keyBuffer_;
    if (Clear) InitKeyBuffer(*keyBuffer_);
    SetState(dsSetKey);
    DataEvent(deDataSetChange, 0);
}

void TDataSet::PostKeyBuffer(bool Commit) {
    DataEvent(deCheckBrowseMode, 0);
    if (Commit)
        (*keyBuffer_)[0] = modified_ ? 1 : 0;
    else
        *keyBuffer_ = keyBuffers_[keySave];
    SetState(dsBrowse);
    DataEvent(deDataSetChange, 0);
}

// ---- Index switching ----

void TDataSet::SwitchToIndex(const std::string& IndexName, const std::string& TagName) {
    UpdateCursorPos();
    DBIResult result = DbiSwitchToIndex(handle_, IndexName.c_str(), TagName.c_str(), 0, true);
    if (result == dbiRecordHidden)
        result = DbiSwitchToIndex(handle_, IndexName.c_str(), TagName.c_str(), 0, false);
    CheckEngineResult(result);
    SetBufListSize(0);
    ClearBuffers();
    TCursorProps props;
    CheckEngineResult(DbiGetCursorProps(handle_, &props));
    bookmarkSize_ = props.BookmarkSize;
    recBufSize_ = bookmarkOfs_ + 1 + bookmarkSize_;
    SetBufListSize(bufferCount_ + 1);
    GetIndexInfo();
}

// ---- Calculated fields ----

void TDataSet::GetCalcFields(int Index) {
    if (calcFieldsSize_ == 0) return;
    const TDataSetState saved = state_;
    state_ = dsCalcFields;
    calcBuffer_ = Buffer(Index);
    RunThen(
        [&] {
            ClearCalcFields(calcBuffer_);
            CalculateFields();
        },
        [&] { state_ = saved; });
}

void TDataSet::CalculateFields() {
    for (TField* field : fields_) {
        if (field->fieldKind_ != fkLookup || !field->lookupDataSet_) continue;
        const TVariant keys = FieldValues(field->keyFields_);
        const bool blank =
            keys.IsNull() || std::any_of(keys.Items().begin(), keys.Items().end(),
                                         [](const TVariant& key) { return key.IsNull(); });
        field->SetAsVariant(blank ? TVariant::Null()
                                  : field->lookupDataSet_->Lookup(field->lookupKeyFields_, keys,
                                                                  field->lookupResultField_));
    }
    DoOnCalcFields();
}

// ---- Fields ----

TField* TDataSet::FindField(const std::string& Name) const {
    for (TField* field : fields_)
        if (SameText(field->FieldName(), Name)) return field;
    return nullptr;
}

TField* TDataSet::FieldByName(const std::string& Name) const {
    TField* field = FindField(Name);
    if (!field) DBErrorFmt(dbmFieldNotFound, {Name});
    return field;
}

TField* TDataSet::FieldByNumber(int FieldNo) const {
    for (TField* field : fields_)
        if (field->FieldNo() == FieldNo) return field;
    return nullptr;
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const std::string& Names) const {
    int pos = 1;
    while (pos <= static_cast<int>(Names.size()))
        List.push_back(FieldByName(ExtractFieldName(Names, pos)));
}

TVariant TDataSet::FieldValues(const std::string& Names) const {
    if (Names.find(';') == std::string::npos) return FieldByName(Names)->Value();
    std::vector<TField*> fields;
    GetFieldList(fields, Names);
    std::vector<TVariant> values;
    for (TField* field : fields)
        values.push_back(field->Value());
    return TVariant::Array(std::move(values));
}

void TDataSet::SetFieldValues(const std::string& Names, const TVariant& Value) {
    if (Names.find(';') == std::string::npos) {
        FieldByName(Names)->SetValue(Value);
        return;
    }
    std::vector<TField*> fields;
    GetFieldList(fields, Names);
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(i < Value.Items().size() ? Value.Items()[i] : TVariant::Null());
}

void TDataSet::GetFieldNames(TStrings* List) {
    List->Clear();
    if (fields_.empty()) {
        TFieldDefs* defs = FieldDefs();
        for (int i = 0; i < defs->Count(); ++i)
            List->Add(defs->Items(i)->Name());
    } else {
        for (TField* field : fields_)
            List->Add(field->FieldName());
    }
}

void TDataSet::CheckFieldName(const std::string& Name) const {
    if (Name.empty()) DBError(dbmFieldNameMissing);
    if (FindField(Name)) DBErrorFmt(dbmDuplicateFieldName, {Name});
}

TField* TDataSet::GetIndexField(int Index) const {
    if (Index < 0 || Index >= indexFieldCount_) DBError(dbmFieldIndexError);
    const int fieldNo = indexFieldMap_[static_cast<std::size_t>(Index)];
    TField* field = FieldByNumber(fieldNo);
    if (!field) {
        std::string name;
        for (int i = 0; i < fieldDefs_->Count(); ++i)
            if (fieldDefs_->Items(i)->FieldNo() == fieldNo) name = fieldDefs_->Items(i)->Name();
        DBErrorFmt(dbmIndexFieldAccess, {name});
    }
    return field;
}

void TDataSet::SetIndexField(int Index, TField* Value) {
    GetIndexField(Index)->Assign(Value);
}

void TDataSet::AddField(TField* Field) {
    fields_.push_back(Field);
    Field->dataSet_ = this;
    if (!ComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::RemoveField(TField* Field) {
    const auto found = std::find(fields_.begin(), fields_.end(), Field);
    if (found == fields_.end()) return;
    fields_.erase(found);
    Field->dataSet_ = nullptr;
    if (!ComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::ClearFields() {
    CheckInactive();
    while (!fields_.empty()) {
        TField* field = fields_.back();
        RemoveField(field);
        delete field;
    }
}

// ---- Data sources and events ----

void TDataSet::AddDataSource(TDataSource* DataSource) {
    dataSources_.push_back(DataSource);
    DataSource->dataSet_ = this;
    UpdateBufferCount();
    DataSource->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* DataSource) {
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), DataSource),
                       dataSources_.end());
    DataSource->dataSet_ = nullptr;
    UpdateBufferCount();
    DataSource->UpdateState();
}

bool TDataSet::IsLinkedTo(TDataSource* DataSource) const {
    // A chain longer than the number of datasets there can be is a loop already reported.
    for (int steps = 0; DataSource && steps < 1000; ++steps) {
        const TDataSet* dataSet = DataSource->DataSet();
        if (!dataSet) return false;
        if (dataSet == this) return true;
        DataSource = dataSet->GetDataSource();
    }
    return false;
}

void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (disableState_ != state_) DataEvent(deUpdateState, 0);
    if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
}

void TDataSet::DataEvent(TDataEvent Event, std::intptr_t Info) {
    if (Event == dePropertyChange) fieldDefs_->SetUpdated(false);
    // A field change names its field; one that names none changes nothing.
    TField* changed = Event == deFieldChange ? FieldOf(Info) : nullptr;
    if (changed) {
        TField* field = changed;
        if (field->fieldKind_ == fkData) modified_ = true;
        if (state_ != dsSetKey && field->fieldKind_ == fkData) {
            if (engineCalcFields_ && !field->engineCalc_) {
                for (TField* computed : fields_)
                    if (computed->engineCalc_) computed->SetAsVariant(computed->Value());
            } else if (calcFieldsSize_ > 0 && autoCalcFields_ && ActiveBuffer()) {
                ClearCalcFields(ActiveBuffer());
                CalculateFields();
            }
        }
        field->Change();
    }
    if (disableCount_ > 0) {
        if ((Event == deUpdateState && state_ == dsInactive) || Event == deLayoutChange)
            enableEvent_ = deLayoutChange;
        return;
    }
    SendEvent(Event, Info);
}

void TDataSet::SendEvent(TDataEvent Event, std::intptr_t Info) {
    // Every source there when the event starts hears it, even one that another source's handling
    // takes off the list; a lone source (the common case) needs no copy of the list for that.
    if (dataSources_.size() == 1) {
        dataSources_.front()->DataEvent(Event, Info);
    } else {
        const std::vector<TDataSource*> sources = dataSources_;
        for (TDataSource* source : sources)
            source->DataEvent(Event, Info);
    }
    if (Designer) Designer(Event, Info);
}

// ---- Key buffers, ranges and searches ----

int KeyBufferFieldCount(const std::vector<char>& Buffer) {
    int count = 0;
    if (Buffer.size() >= keyHeaderSize) std::memcpy(&count, Buffer.data() + 4, sizeof count);
    return count;
}

void SetKeyBufferFieldCount(std::vector<char>& Buffer, int Count) {
    if (Buffer.size() >= keyHeaderSize) std::memcpy(Buffer.data() + 4, &Count, sizeof Count);
}

namespace {

constexpr int keyRangeStart = 1;
constexpr int keyRangeEnd = 2;
constexpr int keyCurRangeStart = 3;
constexpr int keyCurRangeEnd = 4;
constexpr int priorityExpr = 0;
constexpr int priorityFunc = 1;
constexpr int prioritySearch = 2;

bool KeyModified(const std::vector<char>& Buffer) {
    return !Buffer.empty() && Buffer[0] != 0;
}

bool KeyExclusive(const std::vector<char>& Buffer) {
    return Buffer.size() > 1 && Buffer[1] != 0;
}

const char* KeyImage(const std::vector<char>& Buffer) {
    return Buffer.data() + keyHeaderSize;
}

// Value I of a list of key values for Count fields: the value itself for one field.
TVariant KeyValueAt(const TVariant& Values, std::size_t I, std::size_t Count) {
    if (Count == 1 && !Values.IsArray()) return Values;
    return I < Values.Items().size() ? Values.Items()[I] : TVariant::Null();
}

} // namespace

template <typename Body>
void TDataSet::InTempState(TDataSetState State, char* Buffer, const Body& body) {
    const TDataSetState saved = state_;
    char* const savedFilter = filterBuffer_;
    char* const savedCalc = calcBuffer_;
    state_ = State;
    (State == dsFilter ? filterBuffer_ : calcBuffer_) = Buffer;
    RunThen(body, [&] {
        state_ = saved;
        filterBuffer_ = savedFilter;
        calcBuffer_ = savedCalc;
    });
}

void TDataSet::SetKeyFields(int KeyIndex, const std::vector<TVarRec>& Values) {
    if (expIndex_) DBError(dbmExpressionIndex);
    if (indexFieldCount_ == 0) DBError(dbmNoIndexActive);
    DisableControls();
    const TDataSetState saved = state_;
    std::vector<char>* const savedKey = keyBuffer_;
    keyBuffer_ = &keyBuffers_.at(static_cast<std::size_t>(KeyIndex));
    state_ = dsSetKey;
    RunThen(
        [&] {
            InitKeyBuffer(*keyBuffer_);
            modified_ = false;
            for (std::size_t i = 0; i < Values.size(); ++i)
                GetIndexField(static_cast<int>(i))->AssignValue(Values[i]);
            SetKeyBufferFieldCount(*keyBuffer_, static_cast<int>(Values.size()));
            (*keyBuffer_)[0] = modified_ ? 1 : 0;
        },
        [&] {
            state_ = saved;
            keyBuffer_ = savedKey;
            modified_ = false;
            EnableControls();
        });
}

bool TDataSet::SetCursorRange() {
    const auto& start = keyBuffers_[keyRangeStart];
    const auto& end = keyBuffers_[keyRangeEnd];
    if (start == keyBuffers_[keyCurRangeStart] && end == keyBuffers_[keyCurRangeEnd]) return false;
    std::string startKey, endKey;
    bool keyForm = true;
    if (KeyModified(start)) keyForm = DbiExtractKey(handle_, KeyImage(start), &startKey) == dbiOK;
    if (KeyModified(end))
        keyForm = keyForm && DbiExtractKey(handle_, KeyImage(end), &endKey) == dbiOK;
    auto bound = [keyForm](const std::vector<char>& buffer, const std::string& key) -> const char* {
        if (!KeyModified(buffer)) return nullptr;
        return keyForm ? key.c_str() : KeyImage(buffer);
    };
    CheckEngineResult(DbiSetRange(handle_, keyForm, static_cast<Word>(KeyBufferFieldCount(start)),
                                  0, bound(start, startKey), !KeyExclusive(start),
                                  static_cast<Word>(KeyBufferFieldCount(end)), 0,
                                  bound(end, endKey), !KeyExclusive(end)));
    keyBuffers_[keyCurRangeStart] = start;
    keyBuffers_[keyCurRangeEnd] = end;
    DestroyLookupCursor();
    return true;
}

bool TDataSet::ResetCursorRange() {
    if (!KeyModified(keyBuffers_[keyCurRangeStart]) && !KeyModified(keyBuffers_[keyCurRangeEnd]))
        return false;
    CheckEngineResult(DbiResetRange(handle_));
    InitKeyBuffer(keyBuffers_[keyCurRangeStart]);
    InitKeyBuffer(keyBuffers_[keyCurRangeEnd]);
    DestroyLookupCursor();
    return true;
}

void TDataSet::SetLinkRanges(const std::vector<TField*>& MasterFields) {
    DisableControls();
    const TDataSetState saved = state_;
    std::vector<char>* const savedKey = keyBuffer_;
    keyBuffer_ = &keyBuffers_[keyRangeStart];
    state_ = dsSetKey;
    RunThen(
        [&] {
            InitKeyBuffer(*keyBuffer_);
            (*keyBuffer_)[0] = 1;
            for (std::size_t i = 0; i < MasterFields.size(); ++i)
                GetIndexField(static_cast<int>(i))->Assign(MasterFields[i]);
            SetKeyBufferFieldCount(*keyBuffer_, static_cast<int>(MasterFields.size()));
        },
        [&] {
            state_ = saved;
            keyBuffer_ = savedKey;
            modified_ = false;
            EnableControls();
        });
    keyBuffers_[keyRangeEnd] = keyBuffers_[keyRangeStart];
}

TCursorHandle TDataSet::GetLookupCursor(const std::string&, bool) {
    return 0;
}

bool TDataSet::LocateRecord(const std::string& KeyFields, const TVariant& KeyValues,
                            TLocateOptions Options, bool SyncCursor) {
    CheckBrowseMode();
    CursorPosChanged();
    char* search = Buffer(recordCount_);
    std::vector<TField*> fields;
    GetFieldList(fields, KeyFields);
    if (fields.empty()) return false;
    const bool caseless = (Options & loCaseInsensitive) != 0;
    // The engine's key search compares whole keys, so a prefix search goes through a filter.
    const bool partial = (Options & loPartialKey) && fields.back()->DataType() == ftString;
    TCursorHandle lookup = 0;
    if (!cachedUpdates_ && !partial) {
        bool prefix = !expIndex_ && static_cast<int>(fields.size()) <= indexFieldCount_ &&
                      (!caseless || caseInsIndex_);
        for (std::size_t i = 0; prefix && i < fields.size(); ++i)
            prefix = fields[i]->FieldNo() == IndexFieldNo(static_cast<int>(i));
        lookup = prefix ? handle_ : GetLookupCursor(KeyFields, caseless);
    }
    bool found = false;
    if (lookup == 0) {
        CheckEngineResult(DbiSetToBegin(handle_));
        const TFilterHandle filter = CreateLookupFilter(fields, KeyValues, Options, prioritySearch);
        RunThen(
            [&] {
                CheckEngineResult(DbiActivateFilter(handle_, filter));
                found = DbiGetNextRecord(handle_, 0, search, nullptr) == dbiOK;
            },
            [&] { DbiDropFilter(handle_, filter); });
        return found;
    }
    InTempState(dsFilter, search, [&] {
        CheckEngineResult(DbiInitRecord(lookup, search));
        for (std::size_t i = 0; i < fields.size(); ++i)
            fields[i]->SetAsVariant(KeyValueAt(KeyValues, i, fields.size()));
        found = DbiGetRecordForKey(lookup, false, static_cast<Word>(fields.size()), 0, search,
                                   search) == dbiOK;
    });
    if (found && SyncCursor && lookup != handle_)
        CheckEngineResult(DbiSetToCursor(handle_, lookup));
    return found;
}

bool TDataSet::Locate(const std::string& KeyFields, const TVariant& KeyValues,
                      TLocateOptions Options) {
    const bool found = LocateRecord(KeyFields, KeyValues, Options, true);
    if (found) Resync(rmExact | rmCenter);
    return found;
}

TVariant TDataSet::Lookup(const std::string& KeyFields, const TVariant& KeyValues,
                          const std::string& ResultFields) {
    TVariant result = TVariant::Null();
    if (!LocateRecord(KeyFields, KeyValues, 0, false)) return result;
    char* search = Buffer(recordCount_);
    InTempState(dsCalcFields, search, [&] {
        ClearCalcFields(search);
        CalculateFields();
        result = FieldValues(ResultFields);
    });
    return result;
}

void TDataSet::SetCachedUpdates(bool Value) {
    if (cachedUpdates_ == Value) return;
    if (Active()) {
        CheckBrowseMode();
        UpdateCursorPos();
        CheckEngineResult(Value ? DbiBeginDelayedUpdates(handle_) : DbiEndDelayedUpdates(handle_));
    }
    cachedUpdates_ = Value;
    if (Active()) Resync(0);
}

// ---- Filters ----

std::string TDataSet::EngineCondition(const std::vector<char>& Tree) const {
    std::string condition;
    if (DriverOfCursor(handle_) == 0 || !FilterTreeCondition(Tree.data(), condition, handle_))
        return {};
    return condition;
}

namespace {

// Adds a filter from a tree, with its condition text when it has one.
TFilterHandle AddTreeFilter(TCursorHandle Handle, const std::vector<char>& Tree,
                            const std::string& Condition, int Priority) {
    TFilterHandle filter = 0;
    const auto clientData =
        Condition.empty() ? 0 : reinterpret_cast<std::intptr_t>(Condition.c_str());
    CheckEngineResult(
        DbiAddFilter(Handle, clientData, Priority, false, Tree.data(), nullptr, &filter));
    return filter;
}

} // namespace

TFilterHandle TDataSet::CreateExprFilter(const std::string& Text, TFilterOptions Options,
                                         int Priority) {
    const TExprParser parser(this, Text, Options);
    return AddTreeFilter(handle_, parser.FilterData(), EngineCondition(parser.FilterData()),
                         Priority);
}

TFilterHandle TDataSet::CreateFuncFilter(int Priority) {
    TFilterHandle filter = 0;
    CheckEngineResult(DbiAddFilter(handle_, reinterpret_cast<std::intptr_t>(this), Priority, false,
                                   nullptr, &TDataSet::FilterCallback, &filter));
    return filter;
}

TFilterHandle TDataSet::CreateLookupFilter(const std::vector<TField*>& Fields,
                                           const TVariant& Values, TLocateOptions Options,
                                           int Priority) {
    TFilterExpr expr(this,
                     foNoPartialCompare | ((Options & loCaseInsensitive) ? foCaseInsensitive : 0));
    TExprNode* root = nullptr;
    TExprNode* last = nullptr;
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        last = expr.NewCompareNode(Fields[i], canEQ, KeyValueAt(Values, i, Fields.size()));
        root = root ? expr.NewNode(enOperator, canAND, TVariant::Null(), root, last) : last;
    }
    if (last && (Options & loPartialKey)) last->Partial = true;
    const std::vector<char>& tree = expr.GetFilterData(root);
    return AddTreeFilter(handle_, tree, EngineCondition(tree), Priority);
}

bool TDataSet::FilterCallback(std::intptr_t ClientData, const char* Record, LongInt) {
    return reinterpret_cast<TDataSet*>(ClientData)->RunFilterRecord(Record);
}

bool TDataSet::RunFilterRecord(const char* Record) {
    bool accept = true;
    ReadFilterRecord(Record, [&] {
        try {
            if (onFilterRecord_) onFilterRecord_(this, accept);
        } catch (...) {
            accept = true;
            if (Application) Application->HandleException(this);
        }
    });
    return accept;
}

void TDataSet::OpenFilters() {
    if (!filter_.empty()) exprFilter_ = CreateExprFilter(filter_, filterOptions_, priorityExpr);
    if (onFilterRecord_) funcFilter_ = CreateFuncFilter(priorityFunc);
    if (!filtered_) return;
    for (const TFilterHandle filter : {exprFilter_, funcFilter_})
        if (filter != 0) CheckEngineResult(DbiActivateFilter(handle_, filter));
}

void TDataSet::SwapFilter(TFilterHandle& Handle, TFilterHandle NewHandle) {
    CursorPosChanged();
    if (filtered_) {
        DestroyLookupCursor();
        CheckEngineResult(DbiSetToBegin(handle_));
    }
    if (Handle != 0) {
        // Only an active filter can be dropped: an unused one is activated first, so its slot
        // is freed either way.
        if (!filtered_) CheckEngineResult(DbiActivateFilter(handle_, Handle));
        CheckEngineResult(DbiDropFilter(handle_, Handle));
    }
    Handle = NewHandle;
    if (filtered_ && NewHandle != 0) CheckEngineResult(DbiActivateFilter(handle_, NewHandle));
}

void TDataSet::SetFilterData(const std::string& Text, TFilterOptions Options) {
    const bool changed = Text != filter_ || Options != filterOptions_;
    if (Active() && changed) {
        CheckBrowseMode();
        const TFilterHandle filter =
            Text.empty() ? 0 : CreateExprFilter(Text, Options, priorityExpr);
        SwapFilter(exprFilter_, filter);
    }
    filter_ = Text;
    filterOptions_ = Options;
    if (Active() && changed && filtered_) First();
}

void TDataSet::SetFilter(const std::string& Value) {
    SetFilterData(Value, filterOptions_);
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
    SetFilterData(filter_, Value);
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent Value) {
    const bool changed = static_cast<bool>(Value) != static_cast<bool>(onFilterRecord_);
    if (Active() && changed) {
        CheckBrowseMode();
        SwapFilter(funcFilter_, Value ? CreateFuncFilter(priorityFunc) : 0);
    }
    onFilterRecord_ = std::move(Value);
    if (Active() && changed && filtered_) First();
}

void TDataSet::SetFiltered(bool Value) {
    if (!Active()) {
        filtered_ = Value;
        return;
    }
    CheckBrowseMode();
    if (filtered_ != Value) {
        DestroyLookupCursor();
        CheckEngineResult(DbiSetToBegin(handle_));
        for (const TFilterHandle filter : {exprFilter_, funcFilter_})
            if (filter != 0)
                CheckEngineResult(Value ? DbiActivateFilter(handle_, filter)
                                        : DbiDeactivateFilter(handle_, filter));
        filtered_ = Value;
    }
    First();
}
