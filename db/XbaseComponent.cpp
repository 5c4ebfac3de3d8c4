#include "db/XbaseComponent.h"

#include "db/EngineRecords.h"
#include "db/EngineTextList.h"
#include "db/EngineWorkAreas.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"
#include "xbase/XbFile.h"
#include "xbase/Xbase.h"

// ---- TXBaseDataLink ----

void TXBaseDataLink::ActiveChanged() {
    owner_->LinkActiveChanged();
}

// ---- TXBase ----

TXBase::TXBase(TComponent* AOwner)
    : TComponent(AOwner), dataLink_(std::make_unique<TXBaseDataLink>(this)),
      extraIndexes_(std::make_unique<TStringList>()) {
    xb_SetStringType(1);
}

TXBase::~TXBase() = default;

void TXBase::SetDataSource(TDataSource* Value) {
    dataLink_->SetDataSource(Value);
}

TTable* TXBase::Table() const {
    return dynamic_cast<TTable*>(dataLink_->DataSet());
}

bool TXBase::Active() const {
    const TTable* table = Table();
    return table && table->Active();
}

template <typename Body>
auto TXBase::OnTable(bool Sync, const Body& body) {
    TTable* table = Table();
    const TWA area(table->Handle());
    LongInt saved = 0;
    // A record being inserted has no place in the table yet: the engine stays where it is.
    if (Sync && table->State() != dsInsert) {
        saved = xb_RecNo();
        const LongInt wanted = table->RecNo();
        if (wanted > 0 && wanted != saved && wanted != xb_RecCount() + 1)
            xb_Go(wanted);
        else
            saved = 0;
    }
    auto result = body();
    if (saved != 0) xb_Go(saved);
    return result;
}

void TXBase::SetExtraIndexes(TStrings* Value) {
    extraIndexes_->Assign(Value);
    if (Active()) OpenExtraIndexes();
}

void TXBase::SetTurboRead(bool Value) {
    turboRead_ = Value;
    if (Active()) OnTable(false, [Value] { return xb_SetTurboRead(Value ? 1 : 0); });
}

void TXBase::Delete() {
    if (Active()) Table()->Delete();
}

void TXBase::MarkRecords(const std::vector<std::pair<LongInt, LongInt>>& Runs, bool Deleted) {
    if (!Active()) return;
    TTable* table = Table();
    table->CheckBrowseMode();
    const int status = OnTable(false, [&] {
        for (const auto& [first, last] : Runs)
            for (LongInt r = std::max<LongInt>(first, 1); r <= std::min(last, xb_RecCount()); ++r) {
                int step = xb_Go(r);
                if (step == xbOK && (xb_Deleted() != 0) != Deleted) {
                    std::string image = xb_GetRecord();
                    image[0] = Deleted ? '*' : ' ';
                    step = xb_PutRecord(image);
                }
                if (step != xbOK) return step;
            }
        return int{xbOK};
    });
    table->Refresh();
    CheckEngineResult(ResultOfEngineStatus(status));
}

std::vector<std::string> TXBase::FieldOfRecords(LongInt First, LongInt Last,
                                                const std::string& Field) {
    std::vector<std::string> texts;
    if (!Active()) return texts;
    TTable* table = Table();
    table->CheckBrowseMode();
    OnTable(false, [&] {
        const int field = xb_FieldNum(Field);
        for (LongInt r = std::max<LongInt>(First, 1); r <= std::min(Last, xb_RecCount()); ++r)
            texts.push_back(xb_Go(r) == xbOK ? xb_GetString(field) : std::string());
        return 0;
    });
    table->Refresh();
    return texts;
}

bool TXBase::GotoRecord(LongInt RecNo) {
    if (!Active()) return false;
    TTable* table = Table();
    table->CheckBrowseMode();
    const bool shown = OnTable(false, [RecNo] {
        return xb_Go(RecNo) == xbOK && xb_RecNo() == RecNo && !xb_Eof() &&
               !(xb_Deleted() && xb_SysProp(1006, 0) == 1);
    });
    if (!shown) {
        table->Refresh();
        return false;
    }
    table->CursorPosChanged();
    table->Resync(rmExact);
    return true;
}

std::string TXBase::EvalString(const std::string& Expression) {
    if (!Active()) return {};
    TCStringList texts;
    texts.Add(Expression);
    return OnTable(true, [&] { return xb_EvalString(texts.Items(0)); });
}

std::string TXBase::IndexKey() {
    if (!Active()) return {};
    return OnTable(true, [] { return xb_IndexKey(); });
}

int TXBase::IndexOpen(const std::string& FileName) {
    if (!Active()) return 0;
    TCStringList texts;
    texts.Add(FileName);
    std::string path = texts.Items(0);
    const int order = OnTable(false, [&] {
        if (path.find('/') == std::string::npos) {
            const std::string table = xb_BaseName();
            path = table.substr(0, table.find_last_of('/') + 1) + path;
        }
        return xb_IndexOpen(path);
    });
    if (order <= 0) return 0;
    Table()->SetIndexName(TagName(order));
    Table()->UpdateIndexDefs();
    return order;
}

int TXBase::IndexOrd() {
    return Active() ? OnTable(false, [] { return xb_IndexOrd(); }) : 0;
}

LongInt TXBase::RecCount() {
    return Active() ? OnTable(false, [] { return xb_RecCount(); }) : 0;
}

int TXBase::RecSize() {
    return Active() ? OnTable(false, [] { return xb_RecSize(); }) : 0;
}

LongInt TXBase::GetRecNo() {
    return Active() ? Table()->RecNo() : 0;
}

void TXBase::Pack() {
    if (!Active()) return;
    TTable* table = Table();
    table->CheckBrowseMode();
    table->UpdateCursorPos();
    CheckEngineResult(ResultOfEngineStatus(OnTable(false, [] { return xb_Pack(); })));
    table->Refresh();
}

void TXBase::Query(const std::string& Condition) {
    if (!Active()) {
        filter_ = Condition;
        return;
    }
    TTable* table = Table();
    table->CheckBrowseMode();
    table->UpdateCursorPos();
    TCStringList texts;
    texts.Add(Condition);
    CheckEngineResult(
        ResultOfEngineStatus(OnTable(false, [&] { return xb_Query(texts.Items(0)); })));
    filter_ = Condition;
    table->Refresh();
}

bool TXBase::Seek(const std::string& Key) {
    if (!Active()) return false;
    TTable* table = Table();
    table->CheckBrowseMode();
    table->UpdateCursorPos();
    TCStringList texts;
    texts.Add(Key);
    if (OnTable(false, [&] { return xb_Seek(texts.Items(0)) > 0; })) {
        table->Refresh();
        return true;
    }
    table->Last();
    table->Next();
    return false;
}

int TXBase::SetOrder(int Order) {
    if (!Active()) return 0;
    const int previous = OnTable(false, [Order] { return xb_SetOrder(Order); });
    Table()->SetIndexName(TagName(Order));
    return previous;
}

bool TXBase::SetScope(const std::string& Top, const std::string& Bottom) {
    if (!Active()) return false;
    TTable* table = Table();
    table->CheckBrowseMode();
    table->UpdateCursorPos();
    TCStringList texts;
    texts.Add(Top);
    texts.Add(Bottom);
    const int status = OnTable(false, [&] { return xb_SetScope(texts.Items(0), texts.Items(1)); });
    table->Refresh();
    table->First();
    return status == 0;
}

std::intptr_t TXBase::SysProp(int Code, std::intptr_t Value) {
    return Active() ? OnTable(false, [=] { return xb_SysProp(Code, Value); }) : 0;
}

int TXBase::TagArea(const std::string& Tag) {
    if (!Active()) return 0;
    Table()->UpdateCursorPos();
    TCStringList texts;
    texts.Add(Tag);
    const int order = OnTable(false, [&] { return xb_TagArea(texts.Items(0)); });
    Table()->Refresh();
    return order;
}

std::string TXBase::TagName(int Order) {
    return Active() ? OnTable(false, [Order] { return xb_TagName(Order); }) : std::string();
}

void TXBase::OpenExtraIndexes() {
    if (!extrasOpen_) indexBefore_ = Table()->IndexName();
    extrasOpen_ = true;
    const int before = IndexOrd();
    SetOrder(0);
    const TTableType type = Table()->TableType();
    const char* extension = type == ttXBNTX   ? ".NTX"
                            : type == ttXBFOX ? ".IDX"
                            : type == ttXBNSX ? ".NSX"
                                              : "";
    int first = 0;
    DBIResult failure = dbiOK;
    for (int i = 0; i < extraIndexes_->Count(); ++i) {
        std::string name = extraIndexes_->Strings(i);
        if (XbFileName(name).find('.') == std::string::npos) name += extension;
        const int order = IndexOpen(name);
        if (order == 0 && failure == dbiOK) failure = EngineFailure(dbiNoSuchIndex);
        if (first == 0) first = order;
    }
    SetOrder(before != 0 ? before : first);
    // A file that cannot be opened is reported, once the table stands in its order again.
    CheckEngineResult(failure);
}

void TXBase::LinkActiveChanged() {
    if (!Active()) {
        // The extra index files close with the table: it opens again in its own index.
        if (extrasOpen_ && Table()) Table()->SetIndexName(indexBefore_);
        extrasOpen_ = false;
        return;
    }
    if (!filter_.empty()) Query(filter_);
    if (extraIndexes_->Count() > 0) OpenExtraIndexes();
}

// ---- TXBaseEnv ----

namespace {

TXBaseEnv*& EnvInstance() {
    static TXBaseEnv* instance = nullptr;
    return instance;
}

// Position of the first occurrence of what in text, any case; npos when none.
std::size_t FindText(const std::string& text, const std::string& what) {
    return UpperCase(text).find(UpperCase(what));
}

} // namespace

TXBaseEnv::TXBaseEnv(TComponent* AOwner) : TComponent(AOwner) {
    if (EnvInstance()) throw Exception("Removing extra TXBaseEnv component");
    EnvInstance() = this;
}

TXBaseEnv::~TXBaseEnv() {
    if (EnvInstance() == this) EnvInstance() = nullptr;
}

void TXBaseEnv::SetExact(bool Value) {
    exact_ = Value;
    xb_SetExact(Value ? 1 : 0);
}

void TXBaseEnv::SetSoftSeek(bool Value) {
    softSeek_ = Value;
    xb_SetSoftSeek(Value ? 1 : 0);
}

void TXBaseEnv::SetDeleted(bool Value) {
    deleted_ = Value;
    xb_SetDeleted(Value ? 1 : 0);
}

void TXBaseEnv::SetLockTimeout(LongInt Value) {
    lockTimeout_ = Value;
    xb_SetLockTimeout(Value);
}

void TXBaseEnv::SetMemoBlockSize(LongInt Value) {
    memoBlockSize_ = Value;
    xb_SetMemoBlockSize(Value);
}

void TXBaseEnv::SetEpoch(LongInt Value) {
    epoch_ = Value == 0 ? 1900 : std::clamp<LongInt>(Value, 100, 2999);
    xb_SetEpoch(epoch_);
}

void TXBaseEnv::SetDateFormat(TXBaseDateFrmt Value) {
    dateFormat_ = Value;
    xb_SetDateFormat(Value == dfWinDefault ? 99 : Value);
    struct TDateStyle {
        const char* Format;
        char Separator;
    };
    static const TDateStyle styles[] = {{"mm/dd/yy", '/'}, {"yy.mm.dd", '.'}, {"dd/mm/yy", '/'},
                                        {"dd/mm/yy", '/'}, {"dd.mm.yy", '.'}, {"dd-mm-yy", '-'},
                                        {"dd-mm-yy", '-'}};
    TFormatSettings& settings = FormatSettings();
    if (Value == dfWinDefault) {
        settings.ShortDateFormat = GetProfileString("intl", "sShortDate", "m/d/yy");
        const std::string separator = GetProfileString("intl", "sDate", "/");
        settings.DateSeparator = separator.empty() ? '/' : separator[0];
    } else {
        settings.ShortDateFormat = styles[Value].Format;
        settings.DateSeparator = styles[Value].Separator;
    }
    if (century_) ApplyCentury();
}

void TXBaseEnv::SetCentury(bool Value) {
    century_ = Value;
    xb_SetCentury(Value ? 1 : 0);
    ApplyCentury();
}

void TXBaseEnv::ApplyCentury() {
    std::string& format = FormatSettings().ShortDateFormat;
    const std::size_t four = FindText(format, "yyyy");
    if (century_) {
        const std::size_t two = FindText(format, "yy");
        if (four == std::string::npos && two != std::string::npos) format.insert(two, "yy");
    } else if (four != std::string::npos) {
        format.erase(four, 2);
    }
}
