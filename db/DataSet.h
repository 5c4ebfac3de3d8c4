// The dataset model: TDataSet with its ring of record buffers, its fields, key buffers, ranges,
// searches and filters.
//
// Record buffers: a dataset holds BufferCount + 1 buffers of RecBufSize bytes: the record image
// the engine reads and writes, then per calculated field a presence byte and the value, then
// 8 bytes of record information (byte update status, 32-bit record number at 4), a bookmark
// flag byte (0 current, 1 before first, 2 after last, 255 inserted) and the bookmark. Scrolling
// moves buffers, never copies record images. A failed post, edit or delete leaves the dataset
// in its state with the user's values in the buffer, so nothing typed is lost.
//
// Events: a dataset sends each data event to its data sources, which pass it to their links,
// single-record links before multi-record ones. Everything runs on the GUI thread.
//
// Restricting and searching: six key buffers (search key, range start and end, the range in
// force, a saved copy) serve key entry, key searches and ranges; filters reach the engine as a
// filter tree (TFilterExpr, TExprParser) and, on xBase cursors, as its xBase condition, in which
// every constant is typed and delimited so no value can change the condition. A filter text
// is parsed before the old filter goes, so a refused text leaves the old one working.
#pragma once

#include "db/Fields.h"
#include "platform/rtl/Classes.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// ---- Datasets ----

class TDataSet : public TComponent {
    VANTREL_CLASS(TDataSet, TComponent)

    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;

    // Opening and closing.
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return state_ != dsInactive; }
    bool GetActive() const { return Active(); }
    void SetActive(bool Value);
    void CheckActive() const;
    void CheckInactive();
    void Loaded() override;

    // Navigation.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves Distance records (back when negative); the signed count of records actually moved.
    int MoveBy(int Distance);
    void Refresh();
    // A copy of the active record's bookmark, or empty.
    std::vector<char> GetBookmark();
    void GotoBookmark(const std::vector<char>& Bookmark);
    void FreeBookmark(std::vector<char>& Bookmark) { Bookmark.clear(); }
    virtual LongInt GetRecNo();
    LongInt RecNo() { return GetRecNo(); }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    void Resync(int Mode);
    void UpdateCursorPos();
    void CursorPosChanged() { currentRecord_ = -1; }

    // Editing.
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void UpdateRecord();
    void CheckBrowseMode();
    void CheckCanModify() const;
    virtual bool GetCanModify() const;
    bool CanModify() const { return GetCanModify(); }
    bool Modified() const { return modified_; }
    void SetModified(bool Value) { modified_ = Value; }

    // Key entry: the key buffer KeyIndex (0 lookup, 1 range start, 2 range end) takes the field
    // values until PostKeyBuffer keeps them (Commit) or restores the saved ones.
    void SetKeyBuffer(int KeyIndex, bool Clear);
    void PostKeyBuffer(bool Commit);

    // Fields.
    TField* FieldByName(const std::string& Name) const;
    TField* FindField(const std::string& Name) const;
    TField* FieldByNumber(int FieldNo) const;
    int GetFieldCount() const { return static_cast<int>(fields_.size()); }
    int FieldCount() const { return GetFieldCount(); }
    TField* GetField(int Index) const { return fields_.at(static_cast<std::size_t>(Index)); }
    TField* Fields(int Index) const { return GetField(Index); }
    // The value of the named field, or with ";" an array of the named fields' values.
    TVariant FieldValues(const std::string& Names) const;
    void SetFieldValues(const std::string& Names, const TVariant& Value);
    void GetFieldList(std::vector<TField*>& List, const std::string& Names) const;
    void GetFieldNames(TStrings* List);
    void CheckFieldName(const std::string& Name) const;
    TField* GetIndexField(int Index) const;
    void SetIndexField(int Index, TField* Value);
    int GetIndexFieldCount() const { return indexFieldCount_; }
    TFieldDefs* FieldDefs();
    void AddField(TField* Field);
    void RemoveField(TField* Field);
    bool DefaultFields() const { return defaultFields_; }
    void ClearFields();

    // Data sources and controls.
    void AddDataSource(TDataSource* DataSource);
    void RemoveDataSource(TDataSource* DataSource);
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ != 0; }
    bool IsLinkedTo(TDataSource* DataSource) const;
    virtual TDataSource* GetDataSource() const { return nullptr; }
    virtual void DataEvent(TDataEvent Event, std::intptr_t Info);
    // Computes the buffers the links need and fills them.
    void UpdateBufferCount();

    // The state and the buffer ring as the links and fields see them.
    TDataSetState State() const { return state_; }
    TCursorHandle Handle() const { return handle_; }
    TLocaleHandle Locale() const { return locale_; }
    int ActiveRecord() const { return activeRecord_; }
    // A buffer that holds no record is not made active.
    void SetActiveRecord(int Value) {
        if (Value >= 0 && Value < recordCount_) activeRecord_ = Value;
    }
    int RecordCount() const { return recordCount_; }
    int BufferCount() const { return bufferCount_; }
    int RecordSize() const { return recordSize_; }
    int RecBufSize() const { return recBufSize_; }
    int CalcFieldsSize() const { return calcFieldsSize_; }
    // The active record buffer; nullptr when no record is held.
    char* ActiveBuffer() const {
        if (recordCount_ == 0 && state_ != dsInsert) return nullptr;
        if (activeRecord_ < 0 || activeRecord_ >= static_cast<int>(buffers_.size())) return nullptr;
        return buffers_[static_cast<std::size_t>(activeRecord_)].data();
    }
    char* CalcBuffer() const { return calcBuffer_; }
    char* FilterBuffer() const { return filterBuffer_; }
    // For record filters: runs Reader in the filter state, with field reads served from a copy
    // of Record (an engine record image; calculated fields read as empty). No event is sent.
    void ReadFilterRecord(const char* Record, const std::function<void()>& Reader);
    // The record image of the key buffer being edited.
    char* KeyRecord() const;
    int KeySize() const { return keySize_; }
    bool ExpIndex() const { return expIndex_; }
    bool CaseInsIndex() const { return caseInsIndex_; }
    int IndexFieldNo(int Index) const { return indexFieldMap_.at(static_cast<std::size_t>(Index)); }

    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool Value) { autoCalcFields_ = Value; }

    // Filters. While open, a new Filter text or options are parsed before the old filter is
    // dropped, so a text the parser refuses raises and leaves the old filter working; turning
    // Filtered on or off moves to the first record that passes.
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool Value);
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& Value);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    void SetFilterOptions(TFilterOptions Value);
    const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
    // An exception of the handler is shown, and the record then counts as accepted.
    void SetOnFilterRecord(TFilterRecordEvent Value);

    // Search. Locate moves to the first record whose KeyFields (";"-separated) hold KeyValues
    // (one value, or an array with one per field); false, without moving the view, when none
    // does. Lookup answers the ResultFields of that record without moving (null when none).
    bool Locate(const std::string& KeyFields, const TVariant& KeyValues, TLocateOptions Options);
    TVariant Lookup(const std::string& KeyFields, const TVariant& KeyValues,
                    const std::string& ResultFields);

    // Cached updates need engine calls this engine does not support: turning them on while
    // open, or opening with them on, raises that engine error and leaves the dataset as it was.
    bool CachedUpdates() const { return cachedUpdates_; }
    void SetCachedUpdates(bool Value);

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
        BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete,
        AfterDelete, OnNewRecord, OnCalcFields;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;
    // A design-time observer: every data event after the data sources.
    std::function<void(TDataEvent Event, std::intptr_t Info)> Designer;

protected:
    virtual void OpenCursor();
    virtual void CloseCursor();
    // The descendant opens its cursor here; a null handle fails the open.
    virtual TCursorHandle CreateHandle() { return 0; }
    virtual void DestroyHandle();
    virtual void InitFieldDefs();
    virtual void PrepareCursor() {}
    virtual void DoAfterCancel() { Fire(AfterCancel); }
    virtual void DoAfterClose() { Fire(AfterClose); }
    virtual void DoAfterDelete() { Fire(AfterDelete); }
    virtual void DoAfterEdit() { Fire(AfterEdit); }
    virtual void DoAfterInsert() { Fire(AfterInsert); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    virtual void DoAfterPost() { Fire(AfterPost); }
    virtual void DoBeforeCancel() { Fire(BeforeCancel); }
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    virtual void DoBeforeDelete() { Fire(BeforeDelete); }
    virtual void DoBeforeEdit() { Fire(BeforeEdit); }
    virtual void DoBeforeInsert() { Fire(BeforeInsert); }
    virtual void DoBeforeOpen() { Fire(BeforeOpen); }
    virtual void DoBeforePost() { Fire(BeforePost); }
    virtual void DoOnCalcFields() { Fire(OnCalcFields); }
    virtual void DoOnNewRecord() { Fire(OnNewRecord); }

    void SetState(TDataSetState Value);
    // Switches the active index, keeping the current record when the engine can.
    void SwitchToIndex(const std::string& IndexName, const std::string& TagName);
    // Reads the description of the active index (none is active: no key fields).
    void GetIndexInfo();
    // Runs a record operation; failures go to ErrorEvent, which may fail, abort or retry.
    void RunRecordOperation(const std::function<DBIResult()>& Operation,
                            const TDataSetErrorEvent& ErrorEvent);
    void CalculateFields();
    bool InfoQueryMode() const { return infoQueryMode_; }
    void SetLocale(TLocaleHandle Value) { locale_ = Value; }
    // The definitions as they stand, without bringing them up to date.
    TFieldDefs* FieldDefList() const { return fieldDefs_.get(); }
    // The key buffers: 8-byte header (Modified, Exclusive, 32-bit FieldCount), then a record.
    std::vector<char>& KeyBuffers(int Index) {
        return keyBuffers_.at(static_cast<std::size_t>(Index));
    }
    // Zeroes the header and gives the record image the engine's empty record.
    void InitKeyBuffer(std::vector<char>& Buffer);
    // The key buffer being edited in key entry; nullptr outside it.
    std::vector<char>* EditedKeyBuffer() const { return state_ == dsSetKey ? keyBuffer_ : nullptr; }
    // Key buffer KeyIndex takes one value per index field from the first: 62502 on an
    // expression index, 62503 without an active index.
    void SetKeyFields(int KeyIndex, const std::vector<TVarRec>& Values);
    // Hands the range buffers to the engine; false when they equal the range already set.
    bool SetCursorRange();
    // Removes the range; false when none was set.
    bool ResetCursorRange();
    // The range of a detail on its master's current values (one per index field from the first).
    void SetLinkRanges(const std::vector<TField*>& MasterFields);
    // A cursor ordered by an index on KeyFields for searches, 0 when there is none.
    virtual TCursorHandle GetLookupCursor(const std::string& KeyFields, bool CaseInsensitive);
    virtual void DestroyLookupCursor() {}
    // Adds a filter (not active yet) and answers its handle; failures raise.
    TFilterHandle CreateExprFilter(const std::string& Text, TFilterOptions Options, int Priority);
    TFilterHandle CreateFuncFilter(int Priority);
    TFilterHandle CreateLookupFilter(const std::vector<TField*>& Fields, const TVariant& Values,
                                     TLocateOptions Options, int Priority);
    bool LocateRecord(const std::string& KeyFields, const TVariant& KeyValues,
                      TLocateOptions Options, bool SyncCursor);
    // The condition text handed to the engine with a filter tree: its xBase form on xBase
    // cursors, else empty.
    std::string EngineCondition(const std::vector<char>& Tree) const;

private:
    friend class TField;
    friend class TBlobStream;
    friend class TDataLink;

    static void Fire(const TDataSetNotifyEvent& Event, TDataSet* Self) {
        if (Event) Event(Self);
    }
    void Fire(const TDataSetNotifyEvent& Event) { Fire(Event, this); }
    void DoOpen();
    void DoClose();
    // First (from the beginning) or Last: the ring filled from that end.
    void ReadFromEnd(bool Beginning);
    void FreeCursor();
    void ReadCursorProps();
    void BindFields(bool Binding);
    void CreateFields();
    void DestroyFields();
    void FreeFieldBuffers();
    void SetBufListSize(int Size);
    void SetBufferCount(int Value);
    void ClearBuffers();
    void ActivateBuffers();
    void MoveBuffer(int From, int To);
    char* Buffer(int Index) const { return buffers_[static_cast<std::size_t>(Index)].data(); }
    DBIResult GetRecord(int Index, int Mode);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int Index);
    void GetCalcFields(int Index);
    void ClearCalcFields(char* Buffer) const;
    void InitRecord(char* Buffer);
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckRequiredFields();
    void UpdateRequiredFields(Word Count);
    void AllocKeyBuffers();
    Byte& BookmarkFlag(int Index) const;
    char* BookmarkOf(int Index) const;
    LongInt RecordNumberOf(const char* Buffer) const;
    void SetRecordNumber(char* Buffer, LongInt Value) const;
    Byte& UpdateStatusOf(char* Buffer) const;
    void SendEvent(TDataEvent Event, std::intptr_t Info);
    // Filters on open, and the swap of one filter handle for another.
    void OpenFilters();
    void SetFilterData(const std::string& Text, TFilterOptions Options);
    void SwapFilter(TFilterHandle& Handle, TFilterHandle NewHandle);
    static bool FilterCallback(std::intptr_t ClientData, const char* Record, LongInt RecNo);
    bool RunFilterRecord(const char* Record);
    // Runs Body in state State with Buffer as the record fields read, without an event.
    template <typename Body>
    void InTempState(TDataSetState State, char* Buffer, const Body& body);

    std::vector<TField*> fields_;
    std::vector<TDataSource*> dataSources_;
    std::unique_ptr<TFieldDefs> fieldDefs_;
    mutable std::vector<std::vector<char>> buffers_;
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    TCursorHandle handle_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    TDataSetState state_ = dsInactive;
    bool autoCalcFields_ = true;
    bool defaultFields_ = false;
    bool canModify_ = false;
    bool modified_ = false;
    bool streamedActive_ = false;
    bool infoQueryMode_ = false;
    DBIResult closeFailure_ = dbiOK; // what the cursor's close answered (DestroyHandle)
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    bool filtered_ = false;
    int recordSize_ = 0;
    int bookmarkSize_ = 0;
    int recInfoOfs_ = 0;
    int bookmarkOfs_ = 0;
    int recNoStatus_ = 0;
    int keySize_ = 0;
    bool expIndex_ = false;
    bool caseInsIndex_ = false;
    int calcFieldsSize_ = 0;
    int recBufSize_ = 0;
    int disableCount_ = 0;
    TDataLink* firstDataLink_ = nullptr;
    TLocaleHandle locale_ = 0;
    std::array<std::vector<char>, 6> keyBuffers_;
    std::vector<char>* keyBuffer_ = nullptr;
    char* calcBuffer_ = nullptr;
    char* filterBuffer_ = nullptr;
    std::string filter_;
    TFilterOptions filterOptions_ = 0;
    TFilterRecordEvent onFilterRecord_;
    TFilterHandle exprFilter_ = 0;
    TFilterHandle funcFilter_ = 0;
    bool cachedUpdates_ = false;
    int indexFieldCount_ = 0;
    std::array<Word, 16> indexFieldMap_{};
    bool engineCalcFields_ = false;
    std::vector<bool> requiredFields_;
};
