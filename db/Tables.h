// TTable, the dataset over one table file with its index definitions, extra index files and
// master link; TDBDataSet, the dataset of a named database that it builds on; CreateTable,
// which makes a table with its production index.
#pragma once

#include "db/DataLinks.h"
#include "db/EngineTypes.h"
#include "db/Sessions.h"
#include "platform/rtl/Classes.h"
#include "xbase/XbTable.h"

#include <memory>
#include <string>
#include <vector>

// ---- Database datasets ----

// Flag of a database dataset that connects it for a call made while the table is closed.
constexpr int dbfTemporary = 1;

// A dataset that belongs to a named database of a session. Opening connects the database
// (opening it through the session, asking for a password when the engine wants one) and joins
// its list of datasets; closing leaves the list and gives the database back to the session.
class TDBDataSet : public TDataSet, public TDatabaseClient {
    VANTREL_CLASS(TDBDataSet, TDataSet)

    explicit TDBDataSet(TComponent* AOwner) : TDataSet(AOwner) {}
    ~TDBDataSet() override;

    // Closes the dataset, which takes it off its database.
    void Disconnect() override { Close(); }

    TDatabase* Database() const { return database_; }
    const std::string& DatabaseName() const { return databaseName_; }
    // Refused while open, and while a database is connected.
    void SetDatabaseName(const std::string& Value);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& Value);
    TDatabaseHandle DBHandle() const;
    TLocaleHandle DBLocale() const;
    // The database's session, else the session named SessionName, else the default one.
    TSession* DBSession() const;
    TUpdateMode UpdateMode() const { return updateMode_; }
    void SetUpdateMode(TUpdateMode Value);
    bool DBFlag(int Flag) const { return (dbFlags_ >> Flag & 1u) != 0; }

protected:
    void OpenCursor() override;
    void CloseCursor() override;
    // Flag 0 marks the cursor open; setting the first flag connects, clearing the last one
    // disconnects.
    virtual void SetDBFlag(int Flag, bool Value);

private:
    void Connect();
    void ApplyUpdateMode();

    unsigned dbFlags_ = 0;
    TUpdateMode updateMode_ = upWhereAll;
    TDatabase* database_ = nullptr;
    std::string databaseName_;
    std::string sessionName_;
};

// ---- Tables ----
//
// TTable is the dataset over one table file. Its type chooses the engine driver ("XBNTX",
// "XBFOX", "XBNSX"; a default-type name ending ".DBF" takes "XBFOX"); on the xBase types an
// index name is the tag (and file) name of an order. Extra index files (IndexFiles) are opened
// with the table. A master source makes the table a detail: its range follows the master's
// current values of MasterFields, matched with the fields of the active index in order.

enum TTableType : Byte { ttDefault, ttParadox, ttDBase, ttASCII, ttXBNTX, ttXBFOX, ttXBNSX };

// Index options.
using TIndexOptions = unsigned;
constexpr TIndexOptions ixPrimary = 1;
constexpr TIndexOptions ixUnique = 2;
constexpr TIndexOptions ixDescending = 4;
constexpr TIndexOptions ixCaseInsensitive = 8;
constexpr TIndexOptions ixExpression = 16;

class TTable;
class TIndexDefs;

class TIndexDef : public TObject {
    VANTREL_CLASS(TIndexDef, TObject)

    TIndexDef(TIndexDefs* Owner, std::string Name, std::string Fields, TIndexOptions Options)
        : owner_(Owner), name_(std::move(Name)), fields_(std::move(Fields)), options_(Options) {}

    TIndexDefs* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // The field names joined by ";", empty for an expression index.
    std::string Fields() const { return IsExpression() ? std::string() : fields_; }
    // The key expression of an expression index, else empty.
    std::string Expression() const { return IsExpression() ? fields_ : std::string(); }
    TIndexOptions Options() const { return options_; }

private:
    bool IsExpression() const { return (options_ & ixExpression) != 0; }
    TIndexDefs* owner_;
    std::string name_;
    std::string fields_;
    TIndexOptions options_;
};

class TIndexDefs : public TObject {
    VANTREL_CLASS(TIndexDefs, TObject)

    explicit TIndexDefs(TTable* DataSet) : dataSet_(DataSet) {}
    ~TIndexDefs() override { Clear(); }

    // "Duplicate index name '%s'" when the name (any case) is there already.
    void Add(const std::string& Name, const std::string& Fields, TIndexOptions Options);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TIndexDef* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    int IndexOf(const std::string& Name) const;
    // Reads the table's indexes.
    void Update();
    bool Updated() const { return updated_; }
    void SetUpdated(bool Value) { updated_ = Value; }
    // The index on Fields: one of exactly those fields (any case) first, else one whose fields
    // begin with them; expression and descending indexes are skipped, and only case-insensitive
    // ones count when CaseInsensitive. nullptr when none fits.
    TIndexDef* GetIndexForFields(const std::string& Fields, bool CaseInsensitive) const;
    // As GetIndexForFields; "Table '%s' has no index for fields '%s'" when none fits.
    TIndexDef* FindIndexForFields(const std::string& Fields) const;

private:
    TTable* dataSet_;
    std::vector<TIndexDef*> items_;
    bool updated_ = false;
};

// The extra index files of a table: while the table is open, an added file is opened at once
// and a removed one is closed first (an entry the engine cannot open or close raises and the
// list keeps what is open).
class TIndexFiles : public TStringList {
    VANTREL_CLASS(TIndexFiles, TStringList)

    explicit TIndexFiles(TTable* Owner) : owner_(Owner) {}
    int Add(const std::string& S) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;

private:
    void OpenFile(int Index);
    void CloseFile(int Index);
    TTable* owner_;
};

// The master link of a detail table.
class TTableDataLink : public TDataLink {
    VANTREL_CLASS(TTableDataLink, TDataLink)

    explicit TTableDataLink(TTable* Table) : table_(Table) {}
    const std::string& FieldNames() const { return fieldNames_; }
    void SetFieldNames(const std::string& Value);
    const std::vector<TField*>& Fields() const { return fields_; }

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void RecordChanged(TField* Field) override;

private:
    TTable* table_;
    std::string fieldNames_;
    std::vector<TField*> fields_;
};

class TTable : public TDBDataSet {
    VANTREL_CLASS(TTable, TDBDataSet)

    explicit TTable(TComponent* AOwner);
    ~TTable() override;

    // Each of these is refused on an open table (62472).
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool Value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value);
    TTableType TableType() const { return tableType_; }
    void SetTableType(TTableType Value);
    const std::string& TableName() const { return tableName_; }
    // A new name empties IndexFiles.
    void SetTableName(const std::string& Value);

    // One index text: an index (tag) name, or the ";"-separated fields of an index.
    std::string IndexName() const { return fieldsIndex_ ? std::string() : indexText_; }
    void SetIndexName(const std::string& Value) { SetIndex(Value, false); }
    std::string IndexFieldNames() const { return fieldsIndex_ ? indexText_ : std::string(); }
    void SetIndexFieldNames(const std::string& Value) { SetIndex(Value, true); }
    TIndexDefs* IndexDefs() const { return indexDefs_.get(); }
    // Brings IndexDefs up to date (opening the table for the time of the call when closed).
    void UpdateIndexDefs();
    TIndexFiles* IndexFiles() const { return indexFiles_.get(); }
    void SetIndexFiles(TStrings* Value) { indexFiles_->Assign(Value); }

    TDataSource* MasterSource() const { return masterLink_->DataSource(); }
    // "Circular datalinks are not allowed" when the table would follow itself.
    void SetMasterSource(TDataSource* Value);
    const std::string& MasterFields() const { return masterLink_->FieldNames(); }
    void SetMasterFields(const std::string& Value) { masterLink_->SetFieldNames(Value); }

    // The engine driver name of the table's type; empty on an SQL-based database.
    std::string GetDriverName() const;
    // An xBase table: of a dBase or xBase type, or named "*.DBF".
    bool IsDBaseTable() const;

    // Key searches on the active index. SetKey and EditKey enter key entry for the search key
    // (empty, or as last set); GotoKey stands on the record whose key equals it (false, not
    // moving, when none does); GotoNearest on the first key at or above it (above it when
    // KeyExclusive). FindKey and FindNearest set the key from values (one per index field).
    void SetKey() { SetKeyBuffer(0, true); }
    void EditKey() { SetKeyBuffer(0, false); }
    bool GotoKey();
    void GotoNearest();
    bool FindKey(const std::vector<TVarRec>& KeyValues);
    void FindNearest(const std::vector<TVarRec>& KeyValues);
    // Ranges: the table shows the records whose keys lie between the range start and end (a
    // side not set is open).
    void SetRangeStart() { SetKeyBuffer(1, true); }
    void SetRangeEnd() { SetKeyBuffer(2, true); }
    void EditRangeStart() { SetKeyBuffer(1, false); }
    void EditRangeEnd() { SetKeyBuffer(2, false); }
    void ApplyRange();
    void CancelRange();
    void SetRange(const std::vector<TVarRec>& StartValues, const std::vector<TVarRec>& EndValues);
    // Of the key being entered; "Dataset not in edit or insert mode" outside key entry.
    bool KeyExclusive() const;
    void SetKeyExclusive(bool Value);
    int KeyFieldCount() const;
    void SetKeyFieldCount(int Value);

    TDataSource* GetDataSource() const override { return MasterSource(); }
    bool GetCanModify() const override;
    void DataEvent(TDataEvent Event, std::intptr_t Info) override;

protected:
    TCursorHandle CreateHandle() override;
    void DestroyHandle() override;
    void InitFieldDefs() override;
    void PrepareCursor() override;
    void DoOnNewRecord() override;
    TCursorHandle GetLookupCursor(const std::string& KeyFields, bool CaseInsensitive) override;
    void DestroyLookupCursor() override;

private:
    friend class TTableDataLink;
    friend class TIndexFiles;
    void SetIndex(const std::string& Value, bool FieldsIndex);
    // The index file and tag the index text names; IndexDefs is asked only when AskDefs.
    void ResolveIndexName(std::string& IndexFile, std::string& Tag, bool AskDefs);
    bool IsProductionIndex(const std::string& IndexFile) const;
    TCursorHandle OpenTableHandle(const std::string& IndexFile, const std::string& Tag);
    void ReadIndexDefs(TCursorHandle Cursor);
    void SwitchIndex(const std::string& IndexFile, const std::string& Tag);
    void CheckMasterRange();
    void MasterChanged();
    void MasterDisabled();
    void CheckKeyEntry() const;
    std::vector<char>& EditedKey() const;

    std::unique_ptr<TIndexDefs> indexDefs_;
    std::unique_ptr<TTableDataLink> masterLink_;
    bool exclusive_ = false;
    bool readOnly_ = false;
    TTableType tableType_ = ttDefault;
    bool fieldsIndex_ = false;
    std::string indexText_;
    std::string tableName_;
    std::unique_ptr<TIndexFiles> indexFiles_;
    TCursorHandle lookupCursor_ = 0;
    std::string lookupKey_;
    bool lookupCaseIns_ = false;
};

// Creates the xBase table at Path from Fields (type letters C, N, D, L, M; the type decides the
// index family: NTX files beside the table, or the CDX or NSX production index) with one order
// per entry of Indexes (TagName, KeyExpression, Condition, Unique, Descending). A table that
// exists already is left as it is and the answer is false; engine refusals raise, and leave no
// file of the table behind.
bool CreateTable(const std::string& Path, const std::vector<TXbFieldDef>& Fields,
                 const std::vector<TIndexDesc>& Indexes, TTableType Type);
// Makes the index files of the xBase table at Path anew with the orders of Indexes (as
// CreateTable makes them), for a table whose index is damaged or missing: the old index files
// are removed and every order is built from the records. It needs the table alone: while
// anybody else has it open it raises 10243 (table busy) with the engine's reason and changes
// nothing (11011 when the table cannot be opened at all); other refusals of the engine raise.
void RebuildIndexes(const std::string& Path, const std::vector<TIndexDesc>& Indexes,
                    TTableType Type);
