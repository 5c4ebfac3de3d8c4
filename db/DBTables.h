// Sessions, databases and engine errors. TSessionList holds the sessions; the first one, named
// "Default", exists from the first use of the layer and starts the engine when a database or a
// dataset first needs it. TDatabase connects to one database: a directory of xBase tables
// (a database name holding "/", or the "path=" line of its parameters), an alias or a driver.
// Datasets connect through their database and are closed with it.
//
// The engine call interface never raises; CheckEngineResult turns a result other than 0 into
// EDBEngineError, whose message is the engine's error text tidied (blank runs made one space,
// a final "." dropped) with the texts of further error entries appended. Session start and stop
// and every locked session operation run under one process-wide lock; all of it on the GUI
// thread, where the wait cursor is shown while the engine starts.
//
// Also here: TTable, the dataset over one table file with its index definitions, extra index
// files and master link; CreateTable, which makes a table with its production index; and the
// parameters, queries and stored procedures, which this engine cannot run (they say so).
#pragma once

#include "db/DB.h"
#include "db/DbiTypes.h"
#include "platform/rtl/Classes.h"
#include "xbase/XbTable.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TDatabase;
class TSession;

// ---- Errors ----

class TDBError : public TObject {
    VANTREL_CLASS(TDBError, TObject)

    TDBError(DBIResult Code, LongInt Native, std::string Text)
        : ErrorCode(Code), NativeError(Native), Message(std::move(Text)) {}
    DBIResult ErrorCode;
    LongInt NativeError;
    std::string Message;
};

class EDBEngineError : public EDatabaseError {
public:
    explicit EDBEngineError(DBIResult Code);
    int ErrorCount() const { return static_cast<int>(errors_.size()); }
    const TDBError& Errors(int Index) const { return *errors_.at(static_cast<std::size_t>(Index)); }

private:
    std::vector<std::shared_ptr<TDBError>> errors_;
};

// An engine text as a message: runs of characters up to 32 made one space, leading ones
// dropped, a final "." removed.
std::string TidyEngineText(const std::string& text);
// Stops the wait cursor when it runs, then raises EDBEngineError(Code).
[[noreturn]] void DbiError(DBIResult Code);
// Nothing for 0, else DbiError(Code).
void CheckEngineResult(DBIResult Code);

// ---- Shared routines ----

// Text converted to and from the engine's native character set (through the engine's
// conversion when a locale is given); the buffer form keeps at most MaxLen characters.
void AnsiToNative(TLocaleHandle Locale, const std::string& Text, std::string& Buffer, int MaxLen);
std::string NativeToAnsi(TLocaleHandle Locale, const std::string& Text);
// The text from Pos (1-based) up to the next ";", moving Pos past it.
std::string ExtractFieldName(const std::string& Names, int& Pos);
// The name is empty or holds a path separator (or a drive colon).
bool IsDirectory(const std::string& Name);
bool BuffersEqual(const void* Buf1, const void* Buf2, std::size_t Size);
// Every Source line name=value whose name already exists in Dest replaces that line.
void MergeParams(TStrings* Dest, TStrings* Source);

// ---- Engine callbacks ----

// The information an engine callback passes.
struct TEngineCallbackInfo {
    int Kind = 0;
    void* Buffer = nullptr;
};
using TCallbackEvent = std::function<int(TEngineCallbackInfo& Info)>;

// One engine callback registered for an owner, chained to the one registered before it.
class TEngineCallback : public TObject {
    VANTREL_CLASS(TEngineCallback, TObject)

    TEngineCallback(TObject* Owner, TObjectHandle Handle, int Kind, void* Buffer, Word BufferLength,
                    TCallbackEvent Event, bool Chain);
    ~TEngineCallback() override;

    // What the engine reaches: the event's answer for this kind, then the previous callback's.
    int Invoke(int Kind, void* Info);
    // The common entry the engine calls with the object as client data.
    static int Entry(int Kind, std::intptr_t ClientData, void* Info);

    TObject* Owner() const { return owner_; }
    int Kind() const { return kind_; }
    bool Installed() const { return installed_; }

private:
    TObject* owner_;
    TObjectHandle handle_;
    int kind_;
    void* buffer_;
    Word bufferLength_;
    std::intptr_t previousData_ = 0;
    void* previousBuffer_ = nullptr;
    Word previousLength_ = 0;
    TEngineCallbackFunc previous_ = nullptr;
    bool installed_ = false;
    TCallbackEvent event_;
};

// Callback kinds the sessions register.
constexpr int cbServerCall = 21;
constexpr int cbTrace = 27;
constexpr int cbDatabaseLogin = 28;
constexpr int cbDetach = 29;
// The call-start notification of a server call.
constexpr int cbServerCallStart = 1;

// The request of a database-login callback: a request with a database handle releases the
// session's use of that database; one without asks the session to open the named database and
// answers with its handle, to be closed through the callback again.
struct TLoginRequest {
    std::string DatabaseName;
    std::string Password;
    bool CloseByCallback = false;
    TDatabaseHandle Database = 0;
};
// Answers of a callback.
constexpr int cbrContinue = 4;
constexpr int cbrNotHandled = 2;

// The server-call wait cursor: the first call starts a 1000 ms timer; a later one, more than
// 500 ms after the first, shows the SQL-wait cursor. The timer's expiry and every raised engine
// error put the default cursor back.
void ServerCallStarted();
void StopWaitCursor();

// ---- Sessions ----

using TPasswordEvent = std::function<void(TObject* Sender, bool& Continue)>;
using TDatabaseLoginEvent = std::function<void(TDatabase* Database, TStrings* LoginParams)>;
// Called with every session that starts the engine.
using TEngineStartupProc = std::function<void(TSession* Session)>;
void RegisterEngineStartup(TEngineStartupProc Proc);

enum TDatabaseEvent { dbOpen, dbClose, dbAdd, dbRemove, dbAddAlias, dbDeleteAlias };
using TDatabaseNotifyEvent = std::function<void(TDatabaseEvent Event, const void* Param)>;

class TSessionList : public TObject {
    VANTREL_CLASS(TSessionList, TObject)

    TSessionList() = default;
    ~TSessionList() override;

    void AddSession(TSession* ASession);
    void RemoveSession(TSession* ASession);
    // Frees every session, the last first.
    void CloseAll();
    // The default session for an empty name, else the session of that name (any case), or nullptr.
    TSession* FindSession(const std::string& SessionName) const;
    // As FindSession; "Invalid session name %s" when there is none.
    TSession* List(const std::string& SessionName) const;
    int Count() const { return static_cast<int>(sessions_.size()); }
    TSession* Sessions(int Index) const { return sessions_.at(static_cast<std::size_t>(Index)); }
    // The lock that guards session start and stop.
    std::recursive_mutex& Lock() { return lock_; }

private:
    std::vector<TSession*> sessions_;
    std::recursive_mutex lock_;
};

// The session list and the default session, made on first use.
TSessionList* Sessions();
TSession* Session();
// The default session's language object; 0 while the sessions are being freed.
TLocaleHandle DefaultSessionLocale();
// Frees the session list (every session, database and dataset) and stops the wait cursor.
void DoneDBTables();

class TSession : public TComponent {
    VANTREL_CLASS(TSession, TComponent)

    explicit TSession(TComponent* AOwner);
    ~TSession() override;

    TSessionHandle Handle() const { return handle_; }
    bool IsDefault() const { return default_; }
    bool Active() const { return handle_ != 0; }
    void SetActive(bool Value);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& Value);
    bool KeepConnections() const { return keepConnections_; }
    void SetKeepConnections(bool Value) { keepConnections_ = Value; }
    std::string NetFileDir() const;
    void SetNetFileDir(const std::string& Value);
    std::string PrivateDir() const;
    void SetPrivateDir(const std::string& Value);
    TLocaleHandle Locale() const { return locale_; }

    int DatabaseCount() const { return static_cast<int>(databases_.size()); }
    TDatabase* Databases(int Index) const { return databases_.at(static_cast<std::size_t>(Index)); }

    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    // Raises "Cannot perform this operation on an active session" while active.
    void CheckInactive() const;

    // The database of that name, opened (a temporary one is made when none exists).
    TDatabase* OpenDatabase(const std::string& DatabaseName);
    // Releases one use; a temporary database without KeepConnection is freed at the last one.
    void CloseDatabase(TDatabase* Database);
    TDatabase* DoFindDatabase(const std::string& DatabaseName) const;
    // The engine callbacks the session registered while active.
    int CallbackCount() const { return static_cast<int>(callbacks_.size()); }
    TEngineCallback* Callbacks(int Index) const {
        return callbacks_.at(static_cast<std::size_t>(Index)).get();
    }

    // Asks for a password: OnPassword when assigned, else the password dialog, whose password
    // is added to the session. True to try again.
    bool GetPassword();
    void AddPassword(const std::string& Password);
    void RemovePassword(const std::string& Password);
    void RemoveAllPasswords();

    void GetAliasParams(const std::string& AliasName, TStrings* List);
    std::string GetAliasDriverName(const std::string& AliasName);
    void GetDriverParams(const std::string& DriverName, TStrings* List);
    void AddAlias(const std::string& Name, const std::string& Driver, TStrings* List);
    void DeleteAlias(const std::string& Name);

    // Enters the process-wide lock and makes this session current (starting it when needed);
    // nested calls count.
    void LockSession();
    void UnlockSession();

    // Internal to the layer: databases join and leave their session.
    void AddDatabase(TDatabase* Database);
    void RemoveDatabase(TDatabase* Database);
    void DBNotification(TDatabaseEvent Event, const void* Param);

    TPasswordEvent OnPassword;
    TNotifyEvent OnStartup;
    TDatabaseNotifyEvent OnDBNotify;

protected:
    void Loaded() override;

private:
    void StartSession(bool Value);
    void InitializeEngine();
    void InstallCallbacks();
    void RemoveCallbacks();
    int ServerCallEvent(TEngineCallbackInfo& Info);
    int LoginEvent(TEngineCallbackInfo& Info);
    void CheckAliasName(const std::string& Name) const;

    TSessionHandle handle_ = 0;
    bool default_ = false;
    std::vector<TDatabase*> databases_;
    std::vector<std::unique_ptr<TEngineCallback>> callbacks_;
    TLocaleHandle locale_ = 0;
    bool keepConnections_ = true;
    bool streamedActive_ = false;
    std::string sessionName_;
    std::string netFileDir_;
    std::string privateDir_;
    bool engineShutdown_ = false;
    int lockCount_ = 0;
};

// ---- Databases ----

// What a database needs of a dataset connected to it (the dataset model's database datasets).
class TDatabaseClient {
public:
    virtual ~TDatabaseClient() = default;
    // Closes the dataset and takes it off its database.
    virtual void Disconnect() = 0;
};

enum TTransIsolation { tiDirtyRead, tiReadCommitted, tiRepeatableRead };

class TDatabase : public TComponent {
    VANTREL_CLASS(TDatabase, TComponent)

    explicit TDatabase(TComponent* AOwner);
    ~TDatabase() override;

    TDatabaseHandle Handle() const { return handle_; }
    bool Connected() const { return handle_ != 0; }
    void SetConnected(bool Value);
    void Open();
    void Close();
    // Every connected dataset disconnects, the last first.
    void CloseDataSets();
    // Raises "Cannot perform this operation on an open database" while connected.
    void CheckInactive() const;

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& Value);
    std::string AliasName() const { return aliased_ ? databaseType_ : std::string(); }
    void SetAliasName(const std::string& Value);
    std::string DriverName() const { return aliased_ ? std::string() : databaseType_; }
    void SetDriverName(const std::string& Value);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& Value);
    TSession* Session() const { return session_; }
    bool KeepConnection() const { return keepConnection_; }
    void SetKeepConnection(bool Value);
    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool Value) { loginPrompt_ = Value; }
    TTransIsolation TransIsolation() const { return transIsolation_; }
    void SetTransIsolation(TTransIsolation Value) { transIsolation_ = Value; }
    // Changes are refused while connected.
    TStrings* Params() const { return params_.get(); }
    bool Temporary() const { return temporary_; }
    void SetTemporary(bool Value) { temporary_ = Value; }
    int RefCount() const { return refCount_; }
    bool IsSQLBased() const { return sqlBased_; }
    TLocaleHandle Locale() const { return locale_; }
    LongWord TraceFlags() const { return traceFlags_; }
    void SetTraceFlags(LongWord Value) { traceFlags_ = Value; }

    int DataSetCount() const { return static_cast<int>(dataSets_.size()); }
    TDatabaseClient* DataSets(int Index) const {
        return dataSets_.at(static_cast<std::size_t>(Index));
    }
    // Internal to the layer: datasets join and leave; the session counts uses.
    void AddDataSet(TDatabaseClient* DataSet);
    void RemoveDataSet(TDatabaseClient* DataSet);
    void AddRef() { ++refCount_; }
    void Release() { refCount_ = refCount_ > 0 ? refCount_ - 1 : 0; }

    TDatabaseLoginEvent OnLogin;

protected:
    void Loaded() override;

private:
    friend class TSession;
    void Login(TStrings* LoginParams);
    // The password of a login for databases other than the standard type.
    void GatherParams(std::string& Password);
    std::string Directory() const;
    void ParamsChanging();

    std::vector<TDatabaseClient*> dataSets_;
    TTransIsolation transIsolation_ = tiReadCommitted;
    bool loginPrompt_ = true;
    bool keepConnection_ = true;
    bool temporary_ = false;
    bool temporaryAlias_ = false;
    bool streamedConnected_ = false;
    bool aliased_ = false;
    int refCount_ = 0;
    TDatabaseHandle handle_ = 0;
    bool sqlBased_ = false;
    TLocaleHandle locale_ = 0;
    TSession* session_ = nullptr;
    std::string sessionName_;
    std::unique_ptr<TStringList> params_;
    std::string databaseName_;
    std::string databaseType_;
    LongWord traceFlags_ = 0;
};

// ---- Database datasets ----

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
// exists already is left as it is and the answer is false; engine refusals raise.
bool CreateTable(const std::string& Path, const std::vector<TXbFieldDef>& Fields,
                 const std::vector<TIndexDesc>& Indexes, TTableType Type);
// Makes the index files of the xBase table at Path anew with the orders of Indexes (as
// CreateTable makes them), for a table whose index is damaged or missing: the old index files
// are removed and every order is built from the records. It needs the table alone: while
// anybody else has it open it raises 10243 (table busy) with the engine's reason and changes
// nothing (11011 when the table cannot be opened at all); other refusals of the engine raise.
void RebuildIndexes(const std::string& Path, const std::vector<TIndexDesc>& Indexes,
                    TTableType Type);

// ---- Parameters, queries and stored procedures ----
//
// TQuery and TStoredProc keep the surface of SQL datasets. This engine runs no SQL: preparing,
// executing or opening either shows the engine's "not supported" notice and raises that engine
// error, so no statement is ever taken for done. Parameters are fully kept: typed values, their
// record form, their copies between lists, and their stored form.

enum TParamType : Byte { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
enum TParamBindMode : Byte { pbByName, pbByNumber };

class TParams;

class TParam : public TObject {
    VANTREL_CLASS(TParam, TObject)

    // Joins Owner (when given) with no data type and unbound.
    TParam(TParams* Owner, TParamType ParamType);
    ~TParam() override;

    // Copies data type, value (or null), bound flag and name; the parameter type only when this
    // one has none.
    void Assign(const TParam* Source);
    // The field's data type, value (or null) and name; bound.
    void AssignField(TField* Field);
    // Null (still bound).
    void Clear();

    const std::string& Name() const { return name_; }
    void SetName(const std::string& Value) { name_ = Value; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType Value) { dataType_ = Value; }
    TParamType ParamType() const { return paramType_; }
    void SetParamType(TParamType Value) { paramType_ = Value; }
    bool Bound() const { return bound_; }
    void SetBound(bool Value) { bound_ = Value; }
    bool IsNull() const { return value_.IsNull() || value_.IsEmpty(); }
    const TVariant& Value() const { return value_; }

    // Typed setters: bound, not null, with the setter's data type.
    void SetAsBoolean(bool Value) { SetTyped(ftBoolean, Value); }
    void SetAsFloat(double Value) { SetTyped(ftFloat, Value); }
    void SetAsCurrency(double Value) { SetTyped(ftCurrency, Value); }
    // A BCD value is held as currency (rounded to ten-thousandths).
    void SetAsBCD(double Value);
    void SetAsInteger(LongInt Value) { SetTyped(ftInteger, Value); }
    void SetAsSmallInt(LongInt Value) { SetTyped(ftSmallint, Value); }
    void SetAsString(const std::string& Value) { SetTyped(ftString, Value); }
    void SetAsDate(double Value) { SetTyped(ftDate, TVariant::FromDate(Value)); }
    void SetAsDateTime(double Value) { SetTyped(ftDateTime, TVariant::FromDate(Value)); }
    bool AsBoolean() const { return value_.AsBoolean(); }
    double AsFloat() const { return value_.AsFloat(); }
    LongInt AsInteger() const { return static_cast<LongInt>(value_.AsInteger()); }
    std::string AsString() const { return IsNull() ? std::string() : value_.AsString(); }

    // Bytes the value takes in a record buffer; 62496 for an unknown type, 62497 for one a
    // record cannot carry.
    int GetDataSize() const;
    // The value in its record form at Buffer (GetDataSize bytes).
    void GetData(void* Buffer) const;
    // The value from its record form (nullptr: null).
    void SetData(const void* Buffer);

private:
    friend class TParams;
    void SetTyped(TFieldType Type, const TVariant& Value);
    [[noreturn]] void TypeError() const;

    TParams* owner_;
    std::string name_;
    TFieldType dataType_ = ftUnknown;
    TParamType paramType_;
    bool bound_ = false;
    TVariant value_ = TVariant::Null();
};

class TParams : public TPersistent {
    VANTREL_CLASS(TParams, TPersistent)

    TParams() = default;
    ~TParams() override { Clear(); }

    void Assign(TPersistent* Source) override;
    // Copies the values of the parameters of Value into those of the same name.
    void AssignValues(TParams* Value);
    TParam* CreateParam(TFieldType DataType, const std::string& Name, TParamType ParamType);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TParam* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    // nullptr when absent; ParamByName raises "Parameter '%s' not found".
    TParam* FindParam(const std::string& Name) const;
    TParam* ParamByName(const std::string& Name) const;
    // The stored property "Data"; a stream that cannot be read raises "Unable to load bind
    // parameters" and leaves the list as it was.
    void WriteData(TStream& Stream) const;
    void ReadData(TStream& Stream);

private:
    friend class TParam;
    std::vector<TParam*> items_;
};

class TQuery;

// Refreshes a query's parameters from its master's record.
class TQueryDataLink : public TDataLink {
    VANTREL_CLASS(TQueryDataLink, TDataLink)

    explicit TQueryDataLink(TQuery* Query) : query_(Query) {}

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void RecordChanged(TField* Field) override;

private:
    TQuery* query_;
};

// The statement with its ":name" parameter markers made "?" ("::" stands for ":"; markers
// inside quotes are text), the parameters found added to Params (when given) in order.
std::string ParseSQL(const std::string& SQL, TParams* Params);

class TQuery : public TDBDataSet {
    VANTREL_CLASS(TQuery, TDBDataSet)

    explicit TQuery(TComponent* AOwner);
    ~TQuery() override;

    // A change of the text unprepares the query and, with ParamCheck, rebuilds Params keeping
    // the values of the names that remain. Refused while open.
    TStrings* SQL() const { return sql_.get(); }
    void SetSQL(TStrings* Value);
    // The statement as prepared: markers made "?".
    const std::string& Text() const { return text_; }
    TParams* Params() const { return params_.get(); }
    void SetParams(TParams* Value);
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool Value) { paramCheck_ = Value; }
    bool RequestLive() const { return requestLive_; }
    void SetRequestLive(bool Value) { requestLive_ = Value; }
    bool UniDirectional() const { return uniDirectional_; }
    void SetUniDirectional(bool Value) { uniDirectional_ = Value; }
    bool Constrained() const { return constrained_; }
    void SetConstrained(bool Value) { constrained_ = Value; }
    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    // "Circular datalinks are not allowed" when the query would follow itself.
    void SetDataSource(TDataSource* Value);
    TDataSource* GetDataSource() const override { return DataSource(); }

    bool Prepared() const { return prepared_; }
    void Prepare();
    void UnPrepare();
    void ExecSQL();
    TParam* ParamByName(const std::string& Name) const { return params_->ParamByName(Name); }

protected:
    TCursorHandle CreateHandle() override;

private:
    friend class TQueryDataLink;
    void QueryChanged();
    void SetParamsFromMaster();
    void BindParams();
    void RefreshParams();

    std::unique_ptr<TStringList> sql_;
    std::unique_ptr<TParams> params_;
    std::unique_ptr<TQueryDataLink> dataLink_;
    std::string text_;
    LongWord statement_ = 0;
    bool prepared_ = false;
    bool paramCheck_ = true;
    bool requestLive_ = false;
    bool uniDirectional_ = false;
    bool constrained_ = false;
};

class TStoredProc : public TDBDataSet {
    VANTREL_CLASS(TStoredProc, TDBDataSet)

    explicit TStoredProc(TComponent* AOwner);
    ~TStoredProc() override;

    const std::string& StoredProcName() const { return procName_; }
    void SetStoredProcName(const std::string& Value);
    Word Overload() const { return overload_; }
    void SetOverload(Word Value);
    TParams* Params() const { return params_.get(); }
    void SetParams(TParams* Value);
    TParamBindMode ParamBindMode() const { return bindMode_; }
    void SetParamBindMode(TParamBindMode Value) { bindMode_ = Value; }

    bool Prepared() const { return prepared_; }
    // Every input parameter needs a value (62513) and a type (62514).
    void Prepare();
    void UnPrepare();
    void ExecProc();
    TParam* ParamByName(const std::string& Name) const { return params_->ParamByName(Name); }

protected:
    TCursorHandle CreateHandle() override;

private:
    void CheckParams() const;

    std::unique_ptr<TParams> params_;
    std::string procName_;
    Word overload_ = 0;
    TParamBindMode bindMode_ = pbByName;
    LongWord statement_ = 0;
    bool prepared_ = false;
};
