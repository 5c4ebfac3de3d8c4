#include "db/Queries.h"


#include "db/EngineRecords.h"
#include "db/EngineServices.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
#include "db/FieldClasses.h"
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
