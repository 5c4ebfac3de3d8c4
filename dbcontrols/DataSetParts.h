// The data-aware datasets' own parts that stand on the dataset model alone: the dwFilter text
// and its two roads to the engine, the value search, the OnFilter record filter they share
// (TdwRecordFilter), the per-field settings every such dataset carries (TdwDataSetParts) and
// the read-only stream over a memo or blob field (TdwMemoStream).
//
// The record filter is an engine callback filter: the engine calls it for every record it
// reads; it accepts the record unless the dataset's OnFilter event rejects it. While the event
// runs, the dataset's fields read the record being filtered. With ofoCancelOnEscape, every
// 100th record looks for a queued Escape key-down (only that key is taken from the queue); one
// ends the filtering at once: ofoEnabled is cleared and OnFilterEscape is told. The records are
// re-read when filtering is switched off by the program; when the user cancels with Escape
// inside an engine read, the re-read waits for the next one, so the engine is never re-entered
// from its own callback. A dataset tells its filter when its cursor closes (CursorClosed).
//
// The memo stream reads through the field's own blob stream, so its text conversion is the
// field's, in requests of at most 32768 bytes; a request that delivers nothing ends the read.
#pragma once

#include "db/DB.h"
#include "db/DBTables.h"
#include "dbcontrols/SharedRoutines.h"
#include "platform/rtl/TypInfo.h"

#include <functional>
#include <memory>
#include <vector>

// The dwFilter lines as one condition: each line trimmed of trailing blanks and control
// characters, empty lines skipped, the first line as it is and each further one appended as
// " AND (" line ")".
std::string dwJoinFilterLines(const TStrings* Lines);

// The longest condition handed to the engine as xBase text.
constexpr std::size_t kMaxXBaseFilterLength = 256;
// The engine modules whose XB_SELECT and XB_QUERY serve the xBase road, in the order tried.
constexpr const char* kXBaseModules[] = {"XBASE3032", "XBASE2532"};

// Applies a filter text to a dataset; Handle is its expression filter (0 = none). Nothing is
// done for a closed dataset unless it is being opened (success, Handle 0).
// - XBaseText (the xBase table types): the text is an xBase condition handed to the engine
//   through XB_SELECT and XB_QUERY of the first loaded module of kXBaseModules; it fails when no
//   module is loaded, an entry point is missing, the text is longer than 256 characters or the
//   engine refuses it. An empty text puts back the cursor's own filter condition.
// - otherwise the text is parsed (BuildFilterExpr) and added as an expression filter in place of
//   the current one; it fails, with Handle 0, when the text does not parse, a constant does not
//   convert, or the engine refuses the tree. An empty text drops the current filter.
// An open dataset is refreshed after a change. The result is success.
bool dwApplyFilterText(const std::string& Text, TDataSet* DataSet, TFilterHandle& Handle,
                       bool Opening, bool XBaseText);

// Match types of the value search.
constexpr Byte dwMatchWhole = 0;
constexpr Byte dwMatchStart = 1;
constexpr Byte dwMatchAnywhere = 2;
// The longest part of a memo the value search compares.
constexpr LongInt kMemoSearchLength = 32767;

// The index shortcut of the value search: answers whether it applied, and then the result.
using TdwIndexSearch = std::function<bool(TField* Field, const std::string& Value, bool& Found)>;

// Moves the dataset to a record whose field matches Value: the whole text (dwMatchWhole), its
// start or any part of it, upper-cased unless CaseSensitive; number fields compared by value
// for whole matches, memos over their first 32767 bytes. True at once when the current record
// already holds the value; else, after the index shortcut when it applies, the records are
// scanned from the first through the dataset's own fields (hour-glass cursor, controls
// disabled). Without a match the dataset returns to its record. An unknown field shows
// "Field <name> not found." (warning) and gives False.
bool dwFindValue(TDataSet* DataSet, const std::string& Value, const std::string& FieldName,
                 Byte MatchType, bool CaseSensitive, const TdwIndexSearch& IndexSearch = {});

class TdwRecordFilter {
public:
    explicit TdwRecordFilter(TDataSet* DataSet) : dataSet_(DataSet) {}
    ~TdwRecordFilter();
    TdwRecordFilter(const TdwRecordFilter&) = delete;
    TdwRecordFilter& operator=(const TdwRecordFilter&) = delete;

    // The dataset's OnFilter bound to it (empty while unassigned).
    std::function<void(bool& Accept)> Event;
    TDataSetNotifyEvent OnFilterEscape;

    TdwOnFilterOptions Options() const { return options_; }
    // Clearing ofoEnabled on an open dataset with an event re-reads its records at once.
    void SetOptions(TdwOnFilterOptions Value);

    // Drops the current callback filter; with On and a cursor, adds and activates a new one.
    // False when the engine gave no filter (nothing else is done then). An open dataset is then
    // re-read: a dataset with index fields refreshed, another resynchronised at its record.
    bool Install(bool On);
    TFilterHandle Handle() const { return handle_; }
    // The dataset's cursor has closed and its filters with it; the next cursor starts without.
    void CursorClosed() { handle_ = 0; }
    // The engine's record while the event runs, else nullptr.
    const char* RecordBuffer() const { return record_; }
    bool Running() const { return running_; }
    int EscapeCounter() const { return escapeCounter_; }

private:
    static bool Callback(std::intptr_t ClientData, const char* Record, LongInt RecNo);
    bool Accept(const char* Record);
    void Reread();
    void Drop();

    TDataSet* dataSet_;
    TdwOnFilterOptions options_{ofoEnabled, ofoShowHourGlass};
    TFilterHandle handle_ = 0;
    const char* record_ = nullptr;
    bool running_ = false;
    bool inCallback_ = false;
    int escapeCounter_ = 0;
};

// A read-only stream over a memo or blob field of the current record; a field of another kind
// gives an empty stream. Write always answers 0.
class TdwMemoStream : public TStream {
    VANTREL_CLASS(TdwMemoStream, TStream)

    explicit TdwMemoStream(TField* Field);
    ~TdwMemoStream() override;

    LongInt Read(void* Buffer, LongInt Count) override;
    LongInt Write(const void*, LongInt) override { return 0; }
    // Origin 0 from the start, 1 from the position, 2 from the end; the new position.
    Int64 Seek(Int64 Offset, Word Origin) override;
    // The stream is read-only: its size does not change.
    void SetSize(Int64) override {}

private:
    std::unique_ptr<TBlobStream> blob_;
    LongInt position_ = 0;
};

// What every data-aware dataset carries besides its base class: the four per-field settings
// lists (owned; their setters copy), the mask-validation switch and event, the OnFilter record
// filter. The dataset classes publish them with dwPublishDataSetParts.
class TdwDataSetParts {
public:
    explicit TdwDataSetParts(TDataSet* DataSet) : Filter(DataSet), dataSet_(DataSet) {}

    TStringList LookupFields;
    TStringList LookupLinks;
    TStringList ControlType;
    TStringList PictureMasks;
    bool ValidateWithMask = true;
    TdwInvalidValueEvent OnInvalidValue;
    TdwRecordFilter Filter;

    // Before a post: with ValidateWithMask, every field against its PictureMasks line.
    void ValidateBeforePost();
    // Before the calculated-fields event: lines of fields that no longer exist are dropped.
    void CleanDefinitions();
    // Binds the dataset's OnFilter (empty to remove it) and, on an open dataset, installs or
    // removes the record filter; shows Refusal (warning) when the engine gives no filter.
    void SetFilterEvent(std::function<void(bool& Accept)> Event, const std::string& Refusal);
    // After the dataset opens: the record filter is installed when OnFilter is bound.
    void AfterOpen();

private:
    TDataSet* dataSet_;
};

// Publishes the parts of class C (reached through Parts) under their property names;
// WithValidation adds ValidateWithMask.
template <typename C>
void dwPublishDataSetParts(TdwDataSetParts& (*Parts)(C&), bool WithValidation) {
    auto list = [Parts](const char* name, TStringList TdwDataSetParts::*member) {
        RegisterProperty<C>(
            name, [Parts, member](C& c) -> TStrings* { return &(Parts(c).*member); },
            [Parts, member](C& c, TStrings* v) { (Parts(c).*member).Assign(v); });
    };
    list("ControlType", &TdwDataSetParts::ControlType);
    list("LookupFields", &TdwDataSetParts::LookupFields);
    list("LookupLinks", &TdwDataSetParts::LookupLinks);
    list("PictureMasks", &TdwDataSetParts::PictureMasks);
    if (WithValidation)
        RegisterProperty<C>(
            "ValidateWithMask", [Parts](C& c) { return Parts(c).ValidateWithMask; },
            [Parts](C& c, bool v) { Parts(c).ValidateWithMask = v; });
    RegisterProperty<C>(
        "OnFilterEscape", [Parts](C& c) { return Parts(c).Filter.OnFilterEscape; },
        [Parts](C& c, TDataSetNotifyEvent v) { Parts(c).Filter.OnFilterEscape = std::move(v); });
    RegisterProperty<C>(
        "OnFilterOptions", [Parts](C& c) { return Parts(c).Filter.Options(); },
        [Parts](C& c, TdwOnFilterOptions v) { Parts(c).Filter.SetOptions(v); });
    RegisterProperty<C>(
        "OnInvalidValue", [Parts](C& c) { return Parts(c).OnInvalidValue; },
        [Parts](C& c, TdwInvalidValueEvent v) { Parts(c).OnInvalidValue = std::move(v); });
}

// Runs Text as an engine query of Language (1 QBE, 2 SQL) on Database with the hour-glass
// cursor; a QBE statement takes AuxiliaryTables and BlankAsZero as its properties. Result is the
// engine's answer; the cursor of the answer, or 0.
constexpr int kQBELanguage = 1;
constexpr int kSQLLanguage = 2;
TCursorHandle dwExecuteQuery(TDatabaseHandle Database, int Language, const std::string& Text,
                             bool AuxiliaryTables, bool BlankAsZero, DBIResult& Result);

// ---- TdwTable ----
//
// The table of the data-aware controls: a TTable with the per-field settings, the dwFilter
// text, the OnFilter record filter, validation against the picture masks before a post, a
// query text that replaces the table name, and the key and value searches the incremental
// search and the lookup fields use. Closing frees the lookup tables opened for the lookup
// fields; destruction closes the table first, then tells the watching components (TdwTableWatch)
// and the destruction notification.

class TdwTable;
using TdwTableFilterEvent = std::function<void(TdwTable* Table, bool& Accept)>;

// A lookup table opened for lookup fields, with the link text that identifies it and where the
// current calculation left it.
struct TdwLookupTable {
    std::unique_ptr<TdwTable> Table;
    std::string Link;
    bool Positioned = false;
    bool Found = false;
};

// Another component's record of a table: it tells whether the table has been freed since. The
// watch leaves the table's list when it is freed itself, so the table never writes to a freed
// record.
class TdwTableWatch {
public:
    explicit TdwTableWatch(TdwTable* Table);
    ~TdwTableWatch();
    TdwTableWatch(const TdwTableWatch&) = delete;
    TdwTableWatch& operator=(const TdwTableWatch&) = delete;
    bool TableGone() const { return table_ == nullptr; }
    TdwTable* Table() const { return table_; }

private:
    friend class TdwTable;
    TdwTable* table_;
};

class TdwTable : public TTable {
    VANTREL_CLASS(TdwTable, TTable)

    explicit TdwTable(TComponent* AOwner);
    ~TdwTable() override;

    TdwDataSetParts& Parts() { return parts_; }
    TStrings* dwFilter() { return &dwFilter_; }
    // Stores the lines; an open table applies them at once, showing "Fail to set filter" when
    // the text is refused (the table is then left unfiltered).
    void SetDwFilter(TStrings* Value);
    bool SyncSQLByRange = true;
    bool NarrowSearch = false;
    Word NarrowSearchUpperChar = 255;
    // A query text with lines opens the table from the query instead of its table name.
    TStrings* Query() { return &query_; }
    // Closes an open table; a text with lines clears TableName, IndexFieldNames, MasterSource
    // and MasterFields.
    void SetQuery(TStrings* Value);
    // A non-empty name clears Query.
    void SetTableName(const std::string& Value);
    const TdwTableFilterEvent& OnFilter() const { return onFilter_; }
    void SetOnFilter(TdwTableFilterEvent Value);
    // Called with the table just before it is freed.
    std::function<void(TdwTable*)> OnDestroyNotify;

    // "QBE" or "SQL", chosen when the table opens from its query.
    const std::string& QueryLanguage() const { return queryLanguage_; }
    bool IsQueryTable() const { return query_.Count() > 0; }
    // Of type ttParadox, or ttDefault with a lower-cased name containing ".db" and ending "b".
    bool IsParadoxTable() const;

    // Key search on the index fields, one value per field from the first: False without index
    // fields; more values than index fields report "Table <name>: FindKey has too many lookup
    // values for index <index>" (warning).
    bool dwFindKeyValues(const std::vector<TVarRec>& Values);
    // The value search of dwFindValue with the index shortcut of this table.
    bool dwFindValue(const std::string& Value, const std::string& FieldName, Byte MatchType,
                     bool CaseSensitive);
    // Removes the incremental search's range: a table of an SQL database is reopened with its
    // visible-field layout (while DwIntl's ReopenOnRangeReset is on), any other cancels it.
    void ResetRange();

    std::vector<TdwLookupTable>& LookupTables() { return lookupTables_; }
    // Set by the lookup-field filling while it positions this table.
    bool LookupFilling = false;
    int KeySearchDepth() const { return keySearchDepth_; }

protected:
    TCursorHandle CreateHandle() override;
    void OpenCursor() override;
    void CloseCursor() override;
    void InitFieldDefs() override;
    void PrepareCursor() override;
    void DoBeforePost() override;
    void DoOnCalcFields() override;

private:
    friend class TdwTableWatch;
    bool IsSQLTable() const;
    bool XBaseFilter() const;
    // The index shortcut of the value search: whether it applied, and then Found.
    bool IndexSearch(TField* Field, const std::string& Value, Byte MatchType, bool CaseSensitive,
                     bool& Found);
    bool KeyValuesCurrent(const std::vector<TVarRec>& Values) const;
    bool RangeKeySearch(const std::vector<TVarRec>& Values);
    void ClearTableSource();
    void FreeLookupTables();

    TdwDataSetParts parts_{this};
    TStringList dwFilter_;
    TStringList query_;
    TdwTableFilterEvent onFilter_;
    std::string queryLanguage_;
    TFilterHandle filterHandle_ = 0;
    bool opening_ = false;
    int keySearchDepth_ = 0;
    std::vector<TdwLookupTable> lookupTables_;
    std::vector<TdwTableWatch*> watches_;
};

// The text of a key value: integers in decimal, floats by the float-to-text conversion, texts
// as they are; other kinds give an empty text.
std::string dwKeyValueText(const TVarRec& Value);

// ---- Routines over data-aware tables ----

// The lookup-field filling run for every calculated-fields event: each LookupFields line takes
// its lookup table from Tables (reused when database, table and link agree, else a TdwTable is
// opened and added), the table is positioned once per run on the link's values, and the lookup
// field takes the shown field's value, or is cleared when nothing was found. A link naming a
// field the dataset lacks hides the lookup field and ends the run.
void dwFillLookupFields(TDataSet* DataSet, TStrings* LookupFields, TStrings* LookupLinks,
                        std::vector<TdwLookupTable>* Tables);
// Positions the lookup table of the field's definition on the dataset's value of the link's
// first field; LookupField is the shown field. False when no such table is open or the value
// is not found.
bool dwPositionLookupTable(TField* Field, std::string& LookupField, std::string& Value);
// The data-aware table whose Query has lines.
bool dwIsQueryTable(const TObject* DataSet);
// Sets the table's index; on an SQL database with SyncSQLByRange the table is reopened on the
// new index and goes to the nearest key of the current values.
void dwSetTableIndex(TDataSet* DataSet, const std::string& IndexName);
// The incremental search: the typed text at key position KeyPosition (0..3) of the table's
// index; whether the record reached matches the text.
bool dwIncrementalSearch(TDataSet* DataSet, int KeyPosition, const std::string& Text);

// ---- The query datasets' common base ----

// Shown when the engine refuses the record filter of a query or stored-procedure dataset.
constexpr const char* kdwLiveQueryFilterRefused =
    "Local filtering is not supported on a Live-Query which contains a Where clause in the SQL "
    "string. To perform a local filter on this query, you will need to set its RequestLive "
    "property to False.";

// What the query and stored-procedure datasets of the family add to their base class: the
// shared parts, the lookup tables of their lookup fields, validation before a post, the lookup
// filling before the calculated-fields event and the record filter after opening. Destruction
// closes the dataset while the parts its close path walks still exist.
template <typename Base>
class TdwDerivedDataSet : public Base {
public:
    explicit TdwDerivedDataSet(TComponent* AOwner) : Base(AOwner) {}
    ~TdwDerivedDataSet() override {
        this->Destroying();
        this->Close();
    }

    TdwDataSetParts& Parts() { return parts_; }
    std::vector<TdwLookupTable>& LookupTables() { return lookupTables_; }

protected:
    void CloseCursor() override {
        lookupTables_.clear();
        Base::CloseCursor();
        parts_.Filter.CursorClosed();
    }
    void DoAfterOpen() override {
        Base::DoAfterOpen();
        parts_.AfterOpen();
    }
    void DoBeforePost() override {
        Base::DoBeforePost();
        parts_.ValidateBeforePost();
    }
    void DoOnCalcFields() override {
        parts_.CleanDefinitions();
        dwFillLookupFields(this, &parts_.LookupFields, &parts_.LookupLinks, &lookupTables_);
        Base::DoOnCalcFields();
    }

private:
    TdwDataSetParts parts_{this};
    std::vector<TdwLookupTable> lookupTables_;
};

// Locates a record by a field's value (locate dialog, incremental search): True at once when
// the current record's text already matches (exactly when CaseSensitive, else lower-cased);
// otherwise the value search runs from the first record, through a data-aware table's own
// search with its index shortcut.
bool dwLocateFieldValue(TDataSet* DataSet, const std::string& FieldName, const std::string& Value,
                        Byte MatchType, bool CaseSensitive);
