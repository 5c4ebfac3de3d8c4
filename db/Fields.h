// Field definitions (the columns an open cursor reports) and TField, the component through
// which one value of a dataset's current record is read and written.
#pragma once

#include "db/DataTypes.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Classes.h"

#include <memory>
#include <string>
#include <vector>

// ---- Field definitions ----

class TFieldDef : public TObject {
    VANTREL_CLASS(TFieldDef, TObject)

    // Checks the size for the type, then joins Owner (marked not updated).
    TFieldDef(TFieldDefs* Owner, const std::string& Name, TFieldType DataType, int Size,
              bool Required, int FieldNo);
    ~TFieldDef() override;

    // A new field of the type's default class owned by Owner, joined to the dataset of the
    // definitions; "Field '%s' is of an unknown type" for a type without one.
    TField* CreateField(TComponent* Owner);

    TFieldDefs* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    TFieldType DataType() const { return dataType_; }
    bool Required() const { return required_; }
    bool EngineCalc() const { return engineCalc_; }
    void SetEngineCalc(bool Value) { engineCalc_ = Value; }
    int Size() const { return size_; }
    int FieldNo() const { return fieldNo_; }

private:
    TFieldDefs* owner_;
    std::string name_;
    TFieldType dataType_;
    bool required_;
    bool engineCalc_ = false;
    int size_;
    int fieldNo_;
};

class TFieldDefs : public TObject {
    VANTREL_CLASS(TFieldDefs, TObject)

    explicit TFieldDefs(TDataSet* DataSet) : dataSet_(DataSet) {}
    ~TFieldDefs() override { Clear(); }

    TDataSet* DataSet() const { return dataSet_; }
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TFieldDef* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    // Position of the definition of that name (any case), -1 when absent.
    int IndexOf(const std::string& Name) const;
    // The definition of that name; "Field '%s' not found" when absent.
    TFieldDef* Find(const std::string& Name) const;
    void Add(const std::string& Name, TFieldType DataType, int Size, bool Required);
    // One definition from an engine descriptor: its name made unique ("%s_%d"), its type and
    // size mapped; an unknown type is dropped.
    void AddFieldDesc(const TFieldDescriptor& Desc, bool Required, int FieldNo);
    // Makes the dataset's definitions up to date.
    void Update();
    bool Updated() const { return updated_; }
    void SetUpdated(bool Value) { updated_ = Value; }

private:
    friend class TFieldDef;
    TDataSet* dataSet_;
    std::vector<TFieldDef*> items_;
    bool updated_ = false;
};

// ---- Fields ----

// The component through which one value of the current record is read and written. Access of
// a form the field's class cannot convert raises "Cannot access field '%s' as type %s".
class TField : public TComponent {
    VANTREL_CLASS(TField, TComponent)

    explicit TField(TComponent* AOwner);
    ~TField() override;

    // Whether the field holds a value in the record the dataset's state chooses; when Buffer is
    // given the value (DataSize bytes, the engine's typed form) is copied there.
    bool GetData(void* Buffer);
    // Stores a value (nullptr = none) in the record the state chooses, after OnValidate, and
    // tells the dataset. Raises when the state or the field forbids the write.
    void SetData(const void* Buffer);

    bool IsNull() { return !GetData(nullptr); }
    bool GetIsNull() { return IsNull(); }
    bool AsBoolean() { return GetAsBoolean(); }
    void SetAsBoolean(bool Value) { DoSetAsBoolean(Value); }
    double AsCurrency() { return GetAsCurrency(); }
    void SetAsCurrency(double Value) { DoSetAsCurrency(Value); }
    double AsDateTime() { return GetAsDateTime(); }
    void SetAsDateTime(double Value) { DoSetAsDateTime(Value); }
    double AsFloat() { return GetAsFloat(); }
    void SetAsFloat(double Value) { DoSetAsFloat(Value); }
    LongInt AsInteger() { return GetAsInteger(); }
    void SetAsInteger(LongInt Value) { DoSetAsInteger(Value); }
    std::string AsString() { return GetAsString(); }
    void SetAsString(const std::string& Value) { DoSetAsString(Value); }
    TVariant Value() { return GetAsVariant(); }
    void SetValue(const TVariant& Value) { SetAsVariant(Value); }
    // Null clears the field, anything else goes to SetVarValue.
    void SetAsVariant(const TVariant& Value);
    // No value.
    virtual void Clear();

    void Assign(TPersistent* Source) override;
    // One element of a list of key values: integers, floats, texts, nil pointers and
    // persistent objects; anything else raises "Invalid value for field '%s'".
    void AssignValue(const TVarRec& Value);

    std::string GetDisplayText();
    std::string GetEditText();
    void SetEditText(const std::string& Value);
    std::string Text() { return GetEditText(); }
    std::string DisplayText() { return GetDisplayText(); }

    std::string GetDisplayName() const {
        return displayLabel_.empty() ? fieldName_ : displayLabel_;
    }
    std::string GetDisplayLabel() const { return GetDisplayName(); }
    void SetDisplayLabel(const std::string& Value);
    int GetDisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : GetDefaultWidth(); }
    void SetDisplayWidth(int Value);
    virtual bool GetCanModify() const;
    bool CanModify() const { return GetCanModify(); }
    bool IsIndexField() const;
    void FocusControl();
    int GetIndex() const;
    void SetIndex(int Value);
    virtual bool IsValidChar(char C) const;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* Value);
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& Value);
    TFieldType DataType() const { return dataType_; }
    int DataSize() const { return dataSize_; }
    int Size() const { return size_; }
    void SetSize(int Value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value) { readOnly_ = Value; }
    bool Required() const { return required_; }
    void SetRequired(bool Value) { required_ = Value; }
    TFieldKind FieldKind() const { return fieldKind_; }
    bool Calculated() const { return fieldKind_ == fkCalculated; }
    void SetCalculated(bool Value);
    bool Lookup() const { return fieldKind_ == fkLookup; }
    void SetLookup(bool Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    int FieldNo() const { return fieldNo_; }
    int Offset() const { return offset_; }
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& Value);
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* Value);
    const std::string& KeyFields() const { return keyFields_; }
    void SetKeyFields(const std::string& Value);
    const std::string& LookupKeyFields() const { return lookupKeyFields_; }
    void SetLookupKeyFields(const std::string& Value);
    const std::string& LookupResultField() const { return lookupResultField_; }
    void SetLookupResultField(const std::string& Value);
    const std::string& AttributeSet() const { return attributeSet_; }
    void SetAttributeSet(const std::string& Value) { attributeSet_ = Value; }
    bool Validating() const { return validating_; }

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // Called by the dataset when the record leaves edit or insert state.
    virtual void FreeBuffers() {}
    // Called by the dataset when it binds (opening) or unbinds (closing) its fields.
    void Bind(bool Binding);
    // Sets the type for a field made from a definition.
    virtual void SetFieldType(TFieldType Value);
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    virtual void Change();
    virtual bool GetAsBoolean();
    virtual double GetAsCurrency();
    virtual double GetAsDateTime();
    virtual double GetAsFloat();
    virtual LongInt GetAsInteger();
    virtual std::string GetAsString();
    virtual TVariant GetAsVariant();
    virtual int GetDefaultWidth() const { return 10; }
    virtual void GetText(std::string& Text, bool DisplayText);
    virtual void DoSetAsBoolean(bool Value);
    virtual void DoSetAsCurrency(double Value);
    virtual void DoSetAsDateTime(double Value);
    virtual void DoSetAsFloat(double Value);
    virtual void DoSetAsInteger(LongInt Value);
    virtual void DoSetAsString(const std::string& Value);
    virtual void SetText(const std::string& Value);
    virtual void SetVarValue(const TVariant& Value);

    [[noreturn]] void AccessError(const char* TypeName) const;
    // "%g is not a valid value for field '%s'. The allowed range is %g to %g".
    [[noreturn]] void RangeError(double Value, double Min, double Max) const;
    // The value rounded; "Value of field '%s' is out of range" beyond 32 bits.
    LongInt RoundToInteger(double Value) const;
    // A layout change when LayoutAffected, else a data change, for an open dataset.
    void PropertyChanged(bool LayoutAffected);
    // The type and size a class starts with.
    void InitField(TFieldType Type, int Size);
    void SetDataType(TFieldType Value);
    // The class name without "T" and "Field", as "(%s)".
    std::string ClassDesc() const;
    // The record image the state reads; nullptr when there is none.
    char* ReadRecord() const;
    void CheckInactive() const;

private:
    friend class TDataSet;
    friend class TFieldDef;
    char* WriteRecord() const;

    TDataSet* dataSet_ = nullptr;
    std::string fieldName_;
    TFieldType dataType_ = ftUnknown;
    bool readOnly_ = false;
    TFieldKind fieldKind_ = fkData;
    TAlignment alignment_ = taLeftJustify;
    bool visible_ = true;
    bool required_ = false;
    bool validating_ = false;
    int size_ = 0;
    int dataSize_ = 0;
    int fieldNo_ = 0;
    bool engineCalc_ = false;
    int offset_ = 0;
    int displayWidth_ = 0;
    std::string displayLabel_;
    std::string editMask_;
    const void* valueBuffer_ = nullptr;
    TDataSet* lookupDataSet_ = nullptr;
    std::string keyFields_;
    std::string lookupKeyFields_;
    std::string lookupResultField_;
    std::string attributeSet_;
};
