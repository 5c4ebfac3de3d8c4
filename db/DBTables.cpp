#include "db/DBTables.h"

#include "db/DbiAreas.h"
#include "db/DbiProcs.h"
#include "db/DbiRecords.h"
#include "db/DbiServices.h"
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

namespace {} // namespace

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

// Flag of a database dataset that connects it for a call made while the table is closed.
constexpr int dbfTemporary = 1;

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
    if (result != dbiOK) return false;
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

// Makes the orders of Indexes in the table open in the current area, then closes it; the
// engine's refusal raises.
void MakeOrdersAndClose(const std::string& Path, int Driver,
                        const std::vector<TIndexDesc>& Indexes) {
    DBIResult result = dbiOK;
    for (const TIndexDesc& index : Indexes) {
        if (xb_IndexCreate(OrderFile(Path, Driver, index), index.TagName, index.KeyExpression,
                           index.Condition, index.Unique ? 1 : 0, index.Descending ? 1 : 0) <= 0) {
            result = EngineFailure(dbiNoSuchIndex);
            break;
        }
    }
    xb_Close();
    CheckEngineResult(result);
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
    if (UseAlone(Path, driver) == 0) RaiseOpenFailure();
    MakeOrdersAndClose(Path, driver, Indexes);
    return true;
}

void RebuildIndexes(const std::string& Path, const std::vector<TIndexDesc>& Indexes,
                    TTableType Type) {
    const int driver = DriverOfType(Type);
    const TWA remembered(0);
    // An exclusive open that fails on the index itself had the table alone all the same.
    if (UseAlone(Path, driver) > 0)
        xb_Close();
    else if (xb_LastError() != xbErrDamagedIndex)
        RaiseOpenFailure();
    std::string table = XbFindFile(Path);
    if (table.empty()) table = XbFindFile(Path + ".DBF");
    std::vector<std::string> files;
    if (driver == dbiDriverNTX) {
        for (const TIndexDesc& index : Indexes)
            files.push_back(XbFindFile(OrderFile(table, driver, index)));
    } else {
        files.push_back(XbFindFile(XbChangeExt(table, driver == dbiDriverNSX ? ".NSX" : ".CDX")));
    }
    for (const std::string& file : files)
        if (!file.empty()) std::filesystem::remove(file);
    if (UseAlone(Path, driver) == 0) RaiseOpenFailure();
    MakeOrdersAndClose(table, driver, Indexes);
}

// ---- Parameters ----

TParam::TParam(TParams* Owner, TParamType ParamType) : owner_(Owner), paramType_(ParamType) {
    if (owner_) owner_->items_.push_back(this);
}

TParam::~TParam() {
    if (!owner_) return;
    auto& items = owner_->items_;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
}

void TParam::SetTyped(TFieldType Type, const TVariant& Value) {
    dataType_ = Type;
    value_ = Value;
    bound_ = true;
}

void TParam::SetAsBCD(double Value) {
    SetTyped(ftBCD, TVariant::FromCurrency(std::round(Value * 10000.0) / 10000.0));
}

void TParam::Clear() {
    value_ = TVariant::Null();
}

void TParam::Assign(const TParam* Source) {
    dataType_ = Source->dataType_;
    value_ = Source->value_;
    bound_ = Source->bound_;
    name_ = Source->name_;
    if (paramType_ == ptUnknown) paramType_ = Source->paramType_;
}

void TParam::AssignField(TField* Field) {
    dataType_ = Field->DataType();
    value_ = Field->IsNull() ? TVariant::Null() : Field->Value();
    name_ = Field->FieldName();
    bound_ = true;
}

void TParam::TypeError() const {
    DBErrorFmt(dataType_ == ftUnknown ? dbmUnknownParamType : dbmUnsupportedParamType, {name_});
}

int TParam::GetDataSize() const {
    switch (dataType_) {
    case ftString: return static_cast<int>(AsString().size()) + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean: return 2;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime: return 4;
    case ftFloat:
    case ftCurrency:
    case ftDateTime: return 8;
    case ftBCD: return static_cast<int>(TBcd().Bytes.size());
    default: TypeError();
    }
}

namespace {

constexpr double msPerDay = 86400000.0;

template <typename T>
void Store(void* Buffer, T Value) {
    EncodeLE<T>(static_cast<char*>(Buffer), Value);
}

template <typename T>
T Load(const void* Buffer) {
    return DecodeLE<T>(static_cast<const char*>(Buffer));
}

} // namespace

void TParam::GetData(void* Buffer) const {
    const auto date = [this] { return IsNull() ? 0.0 : value_.AsFloat(); };
    switch (dataType_) {
    case ftString: {
        const std::string text = AsString();
        std::memcpy(Buffer, text.c_str(), text.size() + 1);
        break;
    }
    case ftSmallint: Store(Buffer, static_cast<SmallInt>(AsInteger())); break;
    case ftWord: Store(Buffer, static_cast<Word>(AsInteger())); break;
    case ftBoolean: Store(Buffer, static_cast<SmallInt>(AsBoolean() ? 1 : 0)); break;
    case ftInteger:
    case ftAutoInc: Store(Buffer, AsInteger()); break;
    case ftDate: Store(Buffer, RecordDate(date())); break;
    case ftTime: Store(Buffer, RecordTime(date())); break;
    case ftDateTime: Store(Buffer, RecordDateTime(date())); break;
    case ftFloat:
    case ftCurrency: Store(Buffer, AsFloat()); break;
    case ftBCD: {
        const TBcd bcd = CurrencyToBcd(std::llround(AsFloat() * 10000.0), 32, 4);
        std::memcpy(Buffer, bcd.Bytes.data(), bcd.Bytes.size());
        break;
    }
    default: TypeError();
    }
}

void TParam::SetData(const void* Buffer) {
    if (!Buffer) {
        Clear();
        return;
    }
    switch (dataType_) {
    case ftString: value_ = std::string(static_cast<const char*>(Buffer)); break;
    case ftSmallint: value_ = static_cast<int>(Load<SmallInt>(Buffer)); break;
    case ftWord: value_ = static_cast<int>(Load<Word>(Buffer)); break;
    case ftBoolean: value_ = Load<SmallInt>(Buffer) != 0; break;
    case ftInteger:
    case ftAutoInc: value_ = Load<LongInt>(Buffer); break;
    case ftDate: value_ = TVariant::FromDate(Load<LongInt>(Buffer) - 693594.0); break;
    case ftTime: value_ = TVariant::FromDate(Load<LongInt>(Buffer) / msPerDay); break;
    case ftDateTime: value_ = TVariant::FromDate(DateTimeOfRecord(Load<double>(Buffer))); break;
    case ftFloat: value_ = Load<double>(Buffer); break;
    case ftCurrency: value_ = TVariant::FromCurrency(Load<double>(Buffer)); break;
    case ftBCD: {
        TBcd bcd;
        std::memcpy(bcd.Bytes.data(), Buffer, bcd.Bytes.size());
        Int64 scaled = 0;
        if (!BcdToCurrency(bcd, scaled)) DBErrorFmt(dbmFieldOutOfRange, {name_});
        value_ = TVariant::FromCurrency(static_cast<double>(scaled) / 10000.0);
        break;
    }
    default: TypeError();
    }
    bound_ = true;
}

void TParams::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TParams*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    Clear();
    for (const TParam* param : source->items_)
        (new TParam(this, ptUnknown))->Assign(param);
}

void TParams::AssignValues(TParams* Value) {
    for (const TParam* source : Value->items_)
        if (TParam* param = FindParam(source->Name())) param->Assign(source);
}

TParam* TParams::CreateParam(TFieldType DataType, const std::string& Name, TParamType ParamType) {
    auto* param = new TParam(this, ParamType);
    param->SetName(Name);
    param->SetDataType(DataType);
    return param;
}

void TParams::Clear() {
    while (!items_.empty())
        delete items_.back();
}

TParam* TParams::FindParam(const std::string& Name) const {
    for (TParam* param : items_)
        if (SameText(param->Name(), Name)) return param;
    return nullptr;
}

TParam* TParams::ParamByName(const std::string& Name) const {
    TParam* param = FindParam(Name);
    if (!param) DBErrorFmt(dbmParameterNotFound, {Name});
    return param;
}

// Stored form: a 16-bit count, then per parameter its name (a length byte and the characters),
// data type, parameter type, bound flag and null flag (a byte each) and, unless null, a 32-bit
// size followed by the value in its record form.
void TParams::WriteData(TStream& Stream) const {
    WriteLE(Stream, static_cast<Word>(items_.size()));
    for (const TParam* param : items_) {
        const std::string name = param->Name().substr(0, 255);
        WriteLE(Stream, static_cast<Byte>(name.size()));
        Stream.WriteBuffer(name.data(), static_cast<LongInt>(name.size()));
        WriteLE(Stream, static_cast<Byte>(param->DataType()));
        WriteLE(Stream, static_cast<Byte>(param->ParamType()));
        WriteLE(Stream, static_cast<Byte>(param->Bound() ? 1 : 0));
        WriteLE(Stream, static_cast<Byte>(param->IsNull() ? 1 : 0));
        if (param->IsNull()) continue;
        const LongInt size = param->GetDataSize();
        std::vector<char> data(static_cast<std::size_t>(size));
        param->GetData(data.data());
        WriteLE(Stream, size);
        Stream.WriteBuffer(data.data(), size);
    }
}

void TParams::ReadData(TStream& Stream) {
    TParams read;
    try {
        auto byte = [&Stream] { return ReadLE<Byte>(Stream); };
        const auto count = ReadLE<Word>(Stream);
        for (Word i = 0; i < count; ++i) {
            std::string name(byte(), '\0');
            Stream.ReadBuffer(name.data(), static_cast<LongInt>(name.size()));
            const Byte type = byte();
            const Byte paramType = byte();
            if (type > ftTypedBinary || paramType > ptResult) throw EReadError("bad type");
            TParam* param = read.CreateParam(static_cast<TFieldType>(type), name,
                                             static_cast<TParamType>(paramType));
            const bool bound = byte() != 0;
            if (byte() == 0) {
                const auto size = ReadLE<LongInt>(Stream);
                if (size < 1 || size > Stream.Size() - Stream.Position())
                    throw EReadError("bad size");
                std::vector<char> data(static_cast<std::size_t>(size));
                Stream.ReadBuffer(data.data(), size);
                if (type == ftString ? data.back() != '\0' : size != param->GetDataSize())
                    throw EReadError("bad value");
                param->SetData(data.data());
            }
            param->SetBound(bound);
        }
    } catch (const std::exception&) {
        DBError(dbmParamLoadError);
    }
    Assign(&read);
}

// ---- Queries ----

std::string ParseSQL(const std::string& SQL, TParams* Params) {
    std::string text = SQL;
    bool literal = false;
    auto isQuote = [](char c) { return c == '\'' || c == '"'; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isQuote(text[i])) {
            literal = !literal;
            continue;
        }
        if (literal || text[i] != ':') continue;
        if (i + 1 < text.size() && text[i + 1] == ':') {
            text.erase(i, 1);
            continue;
        }
        std::size_t end = i + 1;
        for (; end < text.size(); ++end) {
            if (isQuote(text[end]))
                literal = !literal;
            else if (!literal && std::strchr("\n\r ),;", text[end]))
                break;
        }
        std::string name = text.substr(i + 1, end - i - 1);
        if (!name.empty() && isQuote(name.front())) {
            name.erase(0, 1);
            if (!name.empty() && isQuote(name.back())) name.pop_back();
        }
        if (Params) Params->CreateParam(ftUnknown, name, ptUnknown);
        text.replace(i, end - i, "?");
    }
    return text;
}

void TQueryDataLink::ActiveChanged() {
    if (Active()) query_->RefreshParams();
}

void TQueryDataLink::CheckBrowseMode() {
    if (query_->Active()) query_->CheckBrowseMode();
}

void TQueryDataLink::RecordChanged(TField* Field) {
    if (!Field && Active()) query_->RefreshParams();
}

TQuery::TQuery(TComponent* AOwner)
    : TDBDataSet(AOwner), sql_(std::make_unique<TStringList>()),
      params_(std::make_unique<TParams>()), dataLink_(std::make_unique<TQueryDataLink>(this)) {
    sql_->OnChanging = [this](TObject*) { CheckInactive(); };
    sql_->OnChange = [this](TObject*) { QueryChanged(); };
}

TQuery::~TQuery() {
    Destroying();
    Close();
    UnPrepare();
    sql_->OnChanging = nullptr;
    sql_->OnChange = nullptr;
}

void TQuery::SetSQL(TStrings* Value) {
    CheckInactive();
    sql_->Assign(Value);
}

void TQuery::SetParams(TParams* Value) {
    CheckInactive();
    params_->AssignValues(Value);
}

void TQuery::SetDataSource(TDataSource* Value) {
    if (Value && IsLinkedTo(Value)) DBError(dbmCircularDataLink);
    dataLink_->SetDataSource(Value);
}

void TQuery::QueryChanged() {
    UnPrepare();
    if (paramCheck_ || ComponentState().Contains(csDesigning)) {
        TParams found;
        text_ = ParseSQL(sql_->Text(), &found);
        found.AssignValues(params_.get());
        params_->Assign(&found);
    } else {
        text_ = ParseSQL(sql_->Text(), nullptr);
    }
    DataEvent(dePropertyChange, 0);
}

void TQuery::Prepare() {
    if (prepared_) return;
    if (Trim(sql_->Text()).empty()) DBError(dbmEmptySQLStatement);
    SetDBFlag(dbfTemporary, true);
    try {
        CheckEngineResult(DbiQAlloc(DBHandle(), 2, &statement_));
        CheckEngineResult(DbiQPrepare(statement_, text_.c_str()));
    } catch (...) {
        UnPrepare();
        throw;
    }
    prepared_ = true;
}

void TQuery::UnPrepare() {
    if (statement_ != 0) DbiQFree(statement_);
    statement_ = 0;
    if (prepared_ || DBFlag(dbfTemporary)) SetDBFlag(dbfTemporary, false);
    prepared_ = false;
}

void TQuery::SetParamsFromMaster() {
    TDataSet* master = dataLink_->DataSet();
    if (!master || !master->Active()) return;
    for (int i = 0; i < params_->Count(); ++i) {
        TParam* param = params_->Items(i);
        if (param->Bound()) continue;
        if (TField* field = master->FindField(param->Name())) {
            param->AssignField(field);
            param->SetBound(false);
        }
    }
}

void TQuery::BindParams() {
    SetParamsFromMaster();
    std::vector<TFieldDescriptor> descs(static_cast<std::size_t>(params_->Count()));
    std::vector<char> record;
    for (int i = 0; i < params_->Count(); ++i) {
        TParam* param = params_->Items(i);
        TFieldDescriptor& desc = descs[static_cast<std::size_t>(i)];
        desc.FieldNum = static_cast<Word>(i + 1);
        desc.Offset = static_cast<Word>(record.size());
        desc.Length = static_cast<Word>(param->GetDataSize());
        record.resize(record.size() + desc.Length);
        param->GetData(record.data() + desc.Offset);
    }
    CheckEngineResult(
        DbiQSetParams(statement_, static_cast<Word>(descs.size()), descs.data(), record.data()));
}

void TQuery::ExecSQL() {
    CheckInactive();
    const bool wasPrepared = prepared_;
    Prepare();
    try {
        BindParams();
        CheckEngineResult(DbiQExec(statement_, nullptr));
    } catch (...) {
        if (!wasPrepared) UnPrepare();
        throw;
    }
    if (!wasPrepared) UnPrepare();
}

TCursorHandle TQuery::CreateHandle() {
    Prepare();
    BindParams();
    TCursorHandle cursor = 0;
    CheckEngineResult(DbiQExec(statement_, &cursor));
    return cursor;
}

void TQuery::RefreshParams() {
    if (!Active()) return;
    DisableControls();
    try {
        Close();
        Open();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

// ---- Stored procedures ----

TStoredProc::TStoredProc(TComponent* AOwner)
    : TDBDataSet(AOwner), params_(std::make_unique<TParams>()) {}

TStoredProc::~TStoredProc() {
    Destroying();
    Close();
    UnPrepare();
}

void TStoredProc::SetStoredProcName(const std::string& Value) {
    CheckInactive();
    if (Value == procName_) return;
    UnPrepare();
    procName_ = Value;
}

void TStoredProc::SetOverload(Word Value) {
    CheckInactive();
    if (Value == overload_) return;
    UnPrepare();
    overload_ = Value;
}

void TStoredProc::SetParams(TParams* Value) {
    CheckInactive();
    params_->AssignValues(Value);
}

void TStoredProc::CheckParams() const {
    for (int i = 0; i < params_->Count(); ++i) {
        const TParam* param = params_->Items(i);
        if (param->ParamType() != ptInput && param->ParamType() != ptInputOutput) continue;
        if (!param->Bound()) DBErrorFmt(dbmNoParameterValue, {param->Name()});
        if (param->DataType() == ftUnknown) DBErrorFmt(dbmNoParameterType, {param->Name()});
    }
}

void TStoredProc::Prepare() {
    if (prepared_) return;
    CheckParams();
    SetDBFlag(dbfTemporary, true);
    try {
        std::string name;
        AnsiToNative(DBLocale(), procName_, name, static_cast<int>(procName_.size()));
        CheckEngineResult(
            DbiQPrepareProc(DBHandle(), name.c_str(), 0, nullptr, nullptr, &statement_));
        CheckEngineResult(DbiQSetProcParams(statement_, 0, nullptr, nullptr));
    } catch (...) {
        UnPrepare();
        throw;
    }
    prepared_ = true;
}

void TStoredProc::UnPrepare() {
    if (statement_ != 0) DbiQFree(statement_);
    statement_ = 0;
    if (prepared_ || DBFlag(dbfTemporary)) SetDBFlag(dbfTemporary, false);
    prepared_ = false;
}

void TStoredProc::ExecProc() {
    CheckInactive();
    Prepare();
    CheckEngineResult(DbiQExec(statement_, nullptr));
}

TCursorHandle TStoredProc::CreateHandle() {
    Prepare();
    TCursorHandle cursor = 0;
    CheckEngineResult(DbiQExec(statement_, &cursor));
    return cursor;
}
