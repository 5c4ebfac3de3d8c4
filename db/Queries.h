// The parameters, queries and stored procedures, which this engine cannot run (they say so).
#pragma once

#include "db/DataLinks.h"
#include "db/Tables.h"
#include "platform/rtl/Classes.h"

#include <memory>
#include <string>
#include <vector>

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
