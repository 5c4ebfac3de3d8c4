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
#pragma once

#include "db/DataSet.h"
#include "db/EngineTypes.h"
#include "platform/rtl/Classes.h"

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
    // Why the engine failed (an xbErr reason of the engine: a missing file, a lock held
    // elsewhere, a damaged file, a full disk, ...) and the path of the file concerned; 0 and
    // empty when the engine gave no reason. The code alone cannot tell a full disk from other
    // refused writes, nor a missing table from a damaged one.
    int Reason() const { return reason_; }
    const std::string& ReasonFile() const { return reasonFile_; }
    // The errno of a write the system refused for the reason (an I/O error, ...), 0 when none
    // was.
    int ReasonError() const { return reasonError_; }

private:
    std::vector<std::shared_ptr<TDBError>> errors_;
    int reason_ = 0;
    std::string reasonFile_;
    int reasonError_ = 0;
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
