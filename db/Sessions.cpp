#include "db/Sessions.h"


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
#include <filesystem>

std::string TidyEngineText(const std::string& text) {
    std::string result;
    bool blank = false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= 32) {
            blank = !result.empty();
            continue;
        }
        if (blank) result += ' ';
        blank = false;
        result += c;
    }
    if (!result.empty() && result.back() == '.') result.pop_back();
    return result;
}

namespace {

std::vector<TEngineStartupProc>& StartupProcs() {
    static std::vector<TEngineStartupProc> procs;
    return procs;
}

// The session list lives until DoneDBTables: closing it runs the engine, whose own objects may be
// gone when the process ends, so it is never closed by the end of the process itself.
std::unique_ptr<TSessionList>& SessionListHolder() {
    static auto* list = new std::unique_ptr<TSessionList>();
    return *list;
}

// The wait cursor of server calls.
struct TWaitState {
    std::unique_ptr<TTimer> Timer;
    std::uint64_t Started = 0;
};

TWaitState& WaitState() {
    static TWaitState state;
    return state;
}

void SetScreenCursor(TCursor Cursor) {
    if (Screen) Screen->SetCursor(Cursor);
}

// A scoped entry into the session lock.
class TSessionLock {
public:
    explicit TSessionLock(TSession* Session) : session_(Session) { session_->LockSession(); }
    ~TSessionLock() { session_->UnlockSession(); }
    TSessionLock(const TSessionLock&) = delete;
    TSessionLock& operator=(const TSessionLock&) = delete;

private:
    TSession* session_;
};

} // namespace

// ---- Errors ----

EDBEngineError::EDBEngineError(DBIResult Code) : EDatabaseError(std::string()) {
    if (!Session()->Active()) {
        const std::string text = Format(DBMessage(dbmInitError), {static_cast<int>(Code)});
        SetMessage(text);
        errors_.push_back(std::make_shared<TDBError>(Code, 0, text));
        return;
    }
    std::string text;
    DbiGetErrorString(Code, &text);
    errors_.push_back(std::make_shared<TDBError>(Code, 0, text));
    reason_ = FailureReasonCode(Code);
    reasonFile_ = FailureFile(Code);
    reasonError_ = FailureSystemError(Code);
    std::string message = TidyEngineText(text);
    if (message.empty()) message = Format(DBMessage(dbmEngineError), {static_cast<int>(Code)});
    std::string previous = message;
    for (Word entry = 1;; ++entry) {
        LongWord native = 0;
        std::string entryText;
        const DBIResult code = DbiGetErrorEntry(entry, &native, &entryText);
        if (code == dbiOK || code == dbiNoMoreErrors) break;
        errors_.push_back(
            std::make_shared<TDBError>(code, static_cast<LongInt>(native), entryText));
        const std::string tidy = TidyEngineText(entryText);
        if (!tidy.empty() && tidy != previous) message = Format("%s. %s", {message, tidy});
        previous = tidy;
    }
    SetMessage(message);
}

void DbiError(DBIResult Code) {
    StopWaitCursor();
    throw EDBEngineError(Code);
}

void CheckEngineResult(DBIResult Code) {
    if (Code != dbiOK) DbiError(Code);
}

// ---- Shared routines ----

void AnsiToNative(TLocaleHandle Locale, const std::string& Text, std::string& Buffer, int MaxLen) {
    const std::string cut = Text.substr(0, static_cast<std::size_t>(std::max(0, MaxLen)));
    if (Locale != 0)
        DbiAnsiToNative(Locale, &Buffer, cut.c_str(), 0, nullptr);
    else
        Buffer = cut; // the native set of this engine is the program's own
}

std::string NativeToAnsi(TLocaleHandle Locale, const std::string& Text) {
    std::string result = Text;
    if (Locale != 0) DbiNativeToAnsi(Locale, &result, Text.c_str(), 0, nullptr);
    return result;
}

std::string ExtractFieldName(const std::string& Names, int& Pos) {
    const auto start = static_cast<std::size_t>(std::max(1, Pos) - 1);
    if (start >= Names.size()) {
        Pos = static_cast<int>(Names.size()) + 1;
        return {};
    }
    const auto end = Names.find(';', start);
    const std::string name = Names.substr(start, end == std::string::npos ? end : end - start);
    Pos = end == std::string::npos ? static_cast<int>(Names.size()) + 1 : static_cast<int>(end) + 2;
    return name;
}

bool IsDirectory(const std::string& Name) {
    return Name.empty() || Name.find_first_of("/:\\") != std::string::npos;
}

bool BuffersEqual(const void* Buf1, const void* Buf2, std::size_t Size) {
    return std::memcmp(Buf1, Buf2, Size) == 0;
}

void MergeParams(TStrings* Dest, TStrings* Source) {
    for (int i = 0; i < Source->Count(); ++i) {
        const std::string name = Source->Names(i);
        const int at = name.empty() ? -1 : Dest->IndexOfName(name);
        if (at >= 0) Dest->SetStrings(at, Source->Strings(i));
    }
}

// ---- Engine callbacks ----

TEngineCallback::TEngineCallback(TObject* Owner, TObjectHandle Handle, int Kind, void* Buffer,
                                 Word BufferLength, TCallbackEvent Event, bool Chain)
    : owner_(Owner), handle_(Handle), kind_(Kind), buffer_(Buffer), bufferLength_(BufferLength),
      event_(std::move(Event)) {
    DbiGetCallBack(handle_, kind_, &previousData_, &previousLength_, &previousBuffer_, &previous_);
    if (previous_ && !Chain) return;
    CheckEngineResult(DbiRegisterCallBack(handle_, kind_, reinterpret_cast<std::intptr_t>(this),
                                          bufferLength_, buffer_, &TEngineCallback::Entry));
    installed_ = true;
}

TEngineCallback::~TEngineCallback() {
    if (!installed_) return;
    if (previous_)
        DbiRegisterCallBack(handle_, kind_, previousData_, previousLength_, previousBuffer_,
                            previous_);
    else
        DbiRegisterCallBack(handle_, kind_, 0, 0, nullptr, nullptr);
}

int TEngineCallback::Invoke(int Kind, void* Info) {
    int result = 0;
    if (Kind == kind_ && event_) {
        TEngineCallbackInfo info{Kind, Info};
        result = event_(info);
    }
    if (previous_) result = previous_(Kind, previousData_, Info);
    return result;
}

int TEngineCallback::Entry(int Kind, std::intptr_t ClientData, void* Info) {
    if (ClientData == 0) return 0;
    return reinterpret_cast<TEngineCallback*>(ClientData)->Invoke(Kind, Info);
}

// ---- Wait cursor ----

void ServerCallStarted() {
    TWaitState& state = WaitState();
    if (!state.Timer) {
        state.Timer = std::make_unique<TTimer>(nullptr);
        state.Timer->SetInterval(1000);
        state.Timer->OnTimer = [](TObject*) { StopWaitCursor(); };
        state.Started = Clock().TickCount();
        return;
    }
    if (Clock().TickCount() - state.Started > 500) SetScreenCursor(crSQLWait);
}

void StopWaitCursor() {
    TWaitState& state = WaitState();
    if (!state.Timer) return;
    state.Timer.reset();
    SetScreenCursor(crDefault);
}

// ---- Session list ----

TSessionList::~TSessionList() {
    CloseAll();
}

void TSessionList::AddSession(TSession* ASession) {
    sessions_.push_back(ASession);
}

void TSessionList::RemoveSession(TSession* ASession) {
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), ASession), sessions_.end());
}

void TSessionList::CloseAll() {
    while (!sessions_.empty()) {
        TSession* last = sessions_.back();
        sessions_.pop_back();
        delete last;
    }
}

TSession* TSessionList::FindSession(const std::string& SessionName) const {
    if (SessionName.empty()) return sessions_.empty() ? nullptr : sessions_.front();
    for (TSession* s : sessions_)
        if (SameText(s->SessionName(), SessionName)) return s;
    return nullptr;
}

TSession* TSessionList::List(const std::string& SessionName) const {
    TSession* found = FindSession(SessionName);
    if (!found) DBErrorFmt(dbmInvalidSessionName, {SessionName});
    return found;
}

TSessionList* Sessions() {
    auto& holder = SessionListHolder();
    if (!holder) {
        holder = std::make_unique<TSessionList>();
        (new TSession(nullptr))->SetSessionName("Default");
    }
    return holder.get();
}

TSession* Session() {
    return Sessions()->FindSession("");
}

TLocaleHandle DefaultSessionLocale() {
    const TSession* session = Sessions()->FindSession("");
    return session ? session->Locale() : 0;
}

void DoneDBTables() {
    if (SessionListHolder()) SessionListHolder()->CloseAll();
    SessionListHolder().reset();
    StartupProcs().clear();
    StopWaitCursor();
}

void RegisterEngineStartup(TEngineStartupProc Proc) {
    StartupProcs().push_back(std::move(Proc));
}

// ---- TSession ----

TSession::TSession(TComponent* AOwner) : TComponent(AOwner) {
    TSessionList* list = SessionListHolder() ? SessionListHolder().get() : Sessions();
    default_ = list->Count() == 0;
    list->AddSession(this);
}

TSession::~TSession() {
    Destroying();
    SetActive(false);
    TSessionList* list = SessionListHolder().get();
    if (list) list->RemoveSession(this);
    // The databases left go to the default session (or lose their session with it).
    TSession* fallback = default_ || !list ? nullptr : list->FindSession("");
    for (TDatabase* db : std::vector<TDatabase*>(databases_)) {
        RemoveDatabase(db);
        db->session_ = fallback;
        if (!fallback) continue;
        db->sessionName_ = fallback->SessionName();
        fallback->AddDatabase(db);
    }
}

void TSession::SetActive(bool Value) {
    if (ComponentState().Contains(csLoading)) {
        streamedActive_ = Value;
        return;
    }
    if (Active() != Value) StartSession(Value);
}

void TSession::Loaded() {
    TComponent::Loaded();
    if (streamedActive_) SetActive(true);
}

void TSession::CheckInactive() const {
    if (Active()) DBError(dbmSessionActive);
}

void TSession::SetSessionName(const std::string& Value) {
    CheckInactive();
    if (!Value.empty()) {
        TSession* other = Sessions()->FindSession(Value);
        if (other && other != this) DBErrorFmt(dbmDuplicateSessionName, {Value});
    }
    sessionName_ = Value;
}

std::string TSession::NetFileDir() const {
    std::string value = netFileDir_;
    if (Active() && !ComponentState().Contains(csWriting)) {
        char buffer[260] = {};
        DbiGetProp(handle_, sesNetFileDir, buffer, sizeof buffer, nullptr);
        if (buffer[0]) value = NativeToAnsi(locale_, buffer);
    }
    return UpperCase(value);
}

void TSession::SetNetFileDir(const std::string& Value) {
    if (Active()) {
        std::string native;
        AnsiToNative(locale_, Value, native, 255);
        CheckEngineResult(
            DbiSetProp(handle_, sesNetFileDir, reinterpret_cast<std::intptr_t>(native.c_str())));
    }
    netFileDir_ = Value;
}

std::string TSession::PrivateDir() const {
    std::string value = privateDir_;
    if (Active() && !ComponentState().Contains(csWriting)) {
        TSessionInfo info;
        if (DbiGetSesInfo(&info) == dbiOK && !info.PrivateDir.empty())
            value = NativeToAnsi(locale_, info.PrivateDir);
    }
    return UpperCase(value);
}

void TSession::SetPrivateDir(const std::string& Value) {
    if (Active()) {
        std::string native;
        AnsiToNative(locale_, Value, native, 255);
        CheckEngineResult(DbiSetPrivateDir(native.c_str()));
    }
    privateDir_ = Value;
}

bool TSession::GetPassword() {
    bool retry = false;
    if (OnPassword) {
        OnPassword(this, retry);
        return retry;
    }
    std::string password;
    if (!PasswordDialog(password)) return false;
    AddPassword(password);
    return true;
}

void TSession::AddPassword(const std::string& Password) {
    if (Password.empty()) return;
    TSessionLock lock(this);
    CheckEngineResult(DbiAddPassword(Password.c_str()));
}

void TSession::RemovePassword(const std::string& Password) {
    TSessionLock lock(this);
    CheckEngineResult(DbiDropPassword(Password.c_str()));
}

void TSession::RemoveAllPasswords() {
    TSessionLock lock(this);
    CheckEngineResult(DbiDropPassword(nullptr));
}

void TSession::LockSession() {
    if (lockCount_ == 0) {
        Sessions()->Lock().lock();
        try {
            if (!Active())
                SetActive(true);
            else
                DbiSetCurrSession(handle_);
        } catch (...) {
            Sessions()->Lock().unlock();
            throw;
        }
    }
    ++lockCount_;
}

void TSession::UnlockSession() {
    if (lockCount_ == 0) return;
    if (--lockCount_ == 0) Sessions()->Lock().unlock();
}

void TSession::StartSession(bool Value) {
    std::lock_guard<std::recursive_mutex> guard(Sessions()->Lock());
    if (Value) {
        if (OnStartup) OnStartup(this);
        if (sessionName_.empty()) DBError(dbmSessionNameMissing);
        if (!default_) Session()->SetActive(true);
        if (default_)
            InitializeEngine();
        else
            CheckEngineResult(DbiStartSession(nullptr, &handle_, nullptr));
        // An engine that keeps no sessions of its own serves every session through its one.
        if (handle_ == 0) DbiGetCurrSession(&handle_);
        InstallCallbacks();
        if (!netFileDir_.empty()) SetNetFileDir(netFileDir_);
        if (!privateDir_.empty()) SetPrivateDir(privateDir_);
        for (const TEngineStartupProc& proc : StartupProcs())
            proc(this);
        return;
    }
    DbiSetCurrSession(handle_);
    for (TDatabase* db : std::vector<TDatabase*>(databases_)) {
        if (db->Temporary())
            delete db;
        else
            db->Close();
    }
    RemoveCallbacks();
    if (!default_) {
        DbiCloseSession(handle_);
        DbiSetCurrSession(Session()->Handle());
    } else if (!engineShutdown_) {
        DbiExit();
    }
    handle_ = 0;
}

void TSession::InitializeEngine() {
    TWaitCursor wait(crHourGlass);
    TEngineEnv env;
    env.Language = DBMessage(dbmDatabaseLanguage);
    const DBIResult result = DbiInit(&env);
    // The session is not active yet, so the error carries the start-up text.
    if (result != dbiOK && result != dbiAlreadyStarted) throw EDBEngineError(result);
    DbiGetCurrSession(&handle_);
    engineShutdown_ = false;
}

void TSession::InstallCallbacks() {
    callbacks_.push_back(std::make_unique<TEngineCallback>(
        this, handle_, cbServerCall, nullptr, 0,
        [this](TEngineCallbackInfo& info) { return ServerCallEvent(info); }, false));
    callbacks_.push_back(std::make_unique<TEngineCallback>(
        this, handle_, cbDatabaseLogin, nullptr, 0,
        [this](TEngineCallbackInfo& info) { return LoginEvent(info); }, false));
}

void TSession::RemoveCallbacks() {
    while (!callbacks_.empty())
        callbacks_.pop_back();
}

int TSession::ServerCallEvent(TEngineCallbackInfo& Info) {
    int notice = 0;
    if (Info.Buffer) std::memcpy(&notice, Info.Buffer, sizeof notice);
    if (notice == cbServerCallStart) ServerCallStarted();
    return 0;
}

int TSession::LoginEvent(TEngineCallbackInfo& Info) {
    auto* request = static_cast<TLoginRequest*>(Info.Buffer);
    if (!request) return cbrNotHandled;
    if (request->Database != 0) {
        TDatabase* db = DoFindDatabase(request->DatabaseName);
        if (db && db->Handle() == request->Database) CloseDatabase(db);
        return cbrContinue;
    }
    try {
        request->Database = OpenDatabase(request->DatabaseName)->Handle();
        request->CloseByCallback = true;
        return cbrContinue;
    } catch (const Exception&) {
        return cbrNotHandled;
    }
}

void TSession::AddDatabase(TDatabase* Database) {
    databases_.push_back(Database);
    DBNotification(dbAdd, Database);
}

void TSession::RemoveDatabase(TDatabase* Database) {
    databases_.erase(std::remove(databases_.begin(), databases_.end(), Database), databases_.end());
    DBNotification(dbRemove, Database);
}

void TSession::DBNotification(TDatabaseEvent Event, const void* Param) {
    if (OnDBNotify) OnDBNotify(Event, Param);
}

TDatabase* TSession::DoFindDatabase(const std::string& DatabaseName) const {
    for (TDatabase* db : databases_)
        if (SameText(db->DatabaseName(), DatabaseName)) return db;
    return nullptr;
}

TDatabase* TSession::OpenDatabase(const std::string& DatabaseName) {
    TSessionLock lock(this);
    TDatabase* db = DoFindDatabase(DatabaseName);
    bool made = false;
    if (!db) {
        db = new TDatabase(this);
        made = true;
        try {
            db->SetDatabaseName(DatabaseName);
            db->SetKeepConnection(keepConnections_);
            db->SetTemporary(true);
        } catch (...) {
            delete db;
            throw;
        }
    }
    try {
        db->Open();
    } catch (...) {
        if (made) delete db;
        throw;
    }
    db->AddRef();
    return db;
}

void TSession::CloseDatabase(TDatabase* Database) {
    Database->Release();
    if (Database->RefCount() > 0 || Database->KeepConnection()) return;
    if (Database->Temporary())
        delete Database;
    else
        Database->Close();
}

void TSession::CheckAliasName(const std::string& Name) const {
    const bool valid = !Name.empty() && std::all_of(Name.begin(), Name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return std::isalnum(u) || c == '_' || u >= 127;
    });
    if (!valid) DBErrorFmt(dbmInvalidAliasName, {Name});
}

void TSession::GetAliasParams(const std::string& AliasName, TStrings* List) {
    TSessionLock lock(this);
    List->Clear();
    TDatabaseDesc desc;
    if (DbiGetDatabaseDesc(AliasName.c_str(), &desc) != dbiOK)
        DBErrorFmt(dbmInvalidAliasName, {AliasName});
    List->Add("PATH=" + desc.Path);
}

std::string TSession::GetAliasDriverName(const std::string& AliasName) {
    TSessionLock lock(this);
    TDatabaseDesc desc;
    if (DbiGetDatabaseDesc(AliasName.c_str(), &desc) != dbiOK)
        DBErrorFmt(dbmInvalidAliasName, {AliasName});
    return desc.DbType;
}

void TSession::GetDriverParams(const std::string& DriverName, TStrings* List) {
    TSessionLock lock(this);
    List->Clear();
    if (SameText(DriverName, "STANDARD")) {
        List->Add("PATH=");
        List->Add("DEFAULT DRIVER=PARADOX");
        List->Add("ENABLE BCD=FALSE");
    }
}

void TSession::AddAlias(const std::string& Name, const std::string&, TStrings* List) {
    CheckAliasName(Name);
    TSessionLock lock(this);
    // The engine keeps no aliases: of the alias record only the path, which becomes the
    // default directory, has an effect.
    TFieldDescriptor path{};
    std::memcpy(path.Name.data(), "PATH", 4);
    const std::string value = List ? List->Values("PATH") : std::string();
    if (!value.empty()) DbiWriteConfigRecord(0, Name.c_str(), 1, &path, value.c_str());
    DBNotification(dbAddAlias, &Name);
}

void TSession::DeleteAlias(const std::string& Name) {
    CheckAliasName(Name);
    TSessionLock lock(this);
    DbiDropConfigEntry(0, ("\\DATABASES\\" + Name).c_str());
    DBNotification(dbDeleteAlias, &Name);
}

// ---- TDatabase ----

TDatabase::TDatabase(TComponent* AOwner) : TComponent(AOwner), params_(new TStringList) {
    auto* owner = dynamic_cast<TSession*>(AOwner);
    session_ = owner ? owner : ::Session();
    sessionName_ = session_->SessionName();
    session_->AddDatabase(this);
    params_->OnChanging = [this](TObject*) { ParamsChanging(); };
    locale_ = session_->Locale();
}

TDatabase::~TDatabase() {
    Destroying();
    if (session_) Close();
    params_->OnChanging = nullptr;
    if (session_) session_->RemoveDatabase(this);
}

void TDatabase::ParamsChanging() {
    if (Connected()) DBError(dbmDatabaseOpen);
}

void TDatabase::CheckInactive() const {
    if (Connected()) DBError(dbmDatabaseOpen);
}

void TDatabase::SetDatabaseName(const std::string& Value) {
    if (Value == databaseName_) return;
    CheckInactive();
    if (!Value.empty())
        if (TDatabase* other = session_->DoFindDatabase(Value); other && other != this) {
            if (!other->Temporary() || other->RefCount() > 0)
                DBErrorFmt(dbmDuplicateDatabaseName, {Value});
            delete other;
        }
    databaseName_ = Value;
}

void TDatabase::SetAliasName(const std::string& Value) {
    CheckInactive();
    databaseType_ = Value;
    aliased_ = true;
}

void TDatabase::SetDriverName(const std::string& Value) {
    CheckInactive();
    databaseType_ = Value;
    aliased_ = false;
}

void TDatabase::SetSessionName(const std::string& Value) {
    CheckInactive();
    sessionName_ = Value;
    TSession* target = Sessions()->FindSession(Value);
    if (!target || target == session_) return;
    session_->RemoveDatabase(this);
    session_ = target;
    session_->AddDatabase(this);
}

void TDatabase::SetKeepConnection(bool Value) {
    if (keepConnection_ == Value) return;
    keepConnection_ = Value;
    if (!Value && refCount_ == 0 && dataSets_.empty()) Close();
}

void TDatabase::SetConnected(bool Value) {
    if (ComponentState().Contains(csLoading)) {
        streamedConnected_ = Value;
        return;
    }
    if (Value)
        Open();
    else
        Close();
}

void TDatabase::Loaded() {
    TComponent::Loaded();
    if (streamedConnected_)
        Open();
    else
        Sessions()->List(sessionName_);
}

void TDatabase::Login(TStrings* LoginParams) {
    if (OnLogin) {
        OnLogin(this, LoginParams);
    } else {
        std::string user = LoginParams->Values("USER NAME"), password;
        if (!LoginDialog(databaseName_, user, password))
            DBErrorFmt(dbmCannotConnect, {databaseName_});
        LoginParams->SetValues("USER NAME", user);
        LoginParams->SetValues("PASSWORD", password);
    }
    params_->SetValues("USER NAME", LoginParams->Values("USER NAME"));
    params_->SetValues("PASSWORD", LoginParams->Values("PASSWORD"));
}

void TDatabase::GatherParams(std::string& Password) {
    const std::string name = databaseType_.empty() ? databaseName_ : databaseType_;
    TStringList found;
    std::string type;
    if (aliased_ || databaseType_.empty()) {
        TDatabaseDesc desc;
        if (DbiGetDatabaseDesc(name.c_str(), &desc) != dbiOK) return; // unknown: opened by name
        session_->GetAliasParams(name, &found);
        type = desc.DbType;
    } else {
        session_->GetDriverParams(name, &found);
        type = databaseType_;
    }
    if (!SameText(type, "STANDARD")) {
        if (loginPrompt_) {
            TStringList login;
            login.SetValues("USER NAME", params_->Values("USER NAME").empty()
                                             ? found.Values("USER NAME")
                                             : params_->Values("USER NAME"));
            Login(&login);
            Password = login.Values("PASSWORD");
        } else {
            Password = params_->Values("PASSWORD");
        }
    }
}

std::string TDatabase::Directory() const {
    const std::string path = params_->Values("PATH");
    return !path.empty() ? path : (IsDirectory(databaseName_) ? databaseName_ : std::string());
}

void TDatabase::Open() {
    if (Connected()) return;
    if (databaseName_.empty() && !temporary_) DBError(dbmDatabaseNameMissing);
    Sessions()->List(sessionName_);
    TSessionLock lock(session_);
    std::string password;
    GatherParams(password);
    std::string native;
    AnsiToNative(locale_, databaseName_, native, 255);
    const std::string directory = Directory();
    const bool byPath = databaseType_.empty() && IsDirectory(databaseName_);
    TDatabaseHandle handle = 0;
    CheckEngineResult(DbiOpenDatabase(byPath ? "" : native.c_str(), nullptr, dbiOpenReadWrite,
                                      dbiShareShared, password.c_str(), 0, nullptr,
                                      directory.empty() ? nullptr : directory.c_str(), &handle));
    if (byPath && !databaseName_.empty()) {
        const DBIResult result = DbiSetDirectory(handle, databaseName_.c_str());
        if (result != dbiOK) {
            DbiCloseDatabase(handle);
            DbiError(result);
        }
    }
    handle_ = handle;
    DbiSetProp(handle_, dbParam2, 1);
    DbiSetProp(handle_, dbParam1, 1);
    char type[32] = {};
    DbiGetProp(handle_, dbDatabaseType, type, sizeof type, nullptr);
    sqlBased_ = !SameText(type, "STANDARD");
    if (sqlBased_) DbiSetProp(handle_, dbTraceFlags, static_cast<std::intptr_t>(traceFlags_));
    session_->DBNotification(dbOpen, this);
}

void TDatabase::Close() {
    if (!Connected()) return;
    session_->DBNotification(dbClose, this);
    CloseDataSets();
    locale_ = DefaultSessionLocale();
    DbiCloseDatabase(handle_);
    sqlBased_ = false;
    handle_ = 0;
    refCount_ = 0;
}

void TDatabase::CloseDataSets() {
    while (!dataSets_.empty()) {
        TDatabaseClient* last = dataSets_.back();
        last->Disconnect();
        // A dataset that did not take itself off is taken off here, so the loop ends.
        if (!dataSets_.empty() && dataSets_.back() == last) dataSets_.pop_back();
    }
}

void TDatabase::AddDataSet(TDatabaseClient* DataSet) {
    dataSets_.push_back(DataSet);
}

void TDatabase::RemoveDataSet(TDatabaseClient* DataSet) {
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), DataSet), dataSets_.end());
}
