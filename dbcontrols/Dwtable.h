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
#include "dbcontrols/DwCommon.h"
#include "platform/rtl/TypInfo.h"

#include <functional>
#include <memory>

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
