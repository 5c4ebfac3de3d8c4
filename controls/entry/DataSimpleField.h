// The data-aware simple field: a simple field that shows and edits one field of the current
// record of a dataset through a field data link. The link redisplays the field when the record
// or the field changes and asks the control to write its value back before the record is
// posted. A key, a paste or a cut puts the dataset into edit state first when its source allows
// automatic editing; without edit state the field stays read-only. Date and time fields show
// their display text and cannot be edited here.
//
// What the simple field and the picture field share (the link and its callbacks, which keys
// edit, the read-only test, reading and writing the field by its type) is the template
// TVcDbEntryField and the free functions below.
#pragma once

#include "controls/entry/CommandTables.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/MessageTables.h"
#include "controls/entry/SimpleField.h"
#include "db/DB.h"
#include "platform/gui/WinUser.h"

#include <algorithm>

#include <memory>
#include <string>

constexpr int MsgFieldTypeNotSupported = 34224;

// True for the keys that move, leave or only shift and never edit (Tab, Enter, Esc, the
// shifts, the paging and arrow keys, the function and lock keys, and key code 0); Insert is
// an editing key only together with Shift.
bool VcDbIsNavigationKey(Word Key, bool Shift);
// Puts the linked dataset into edit state when its source allows automatic editing.
void VcDbAutoEdit(TFieldDataLink& Link);
// The read-only rule of a data-aware field at run time.
bool VcDbIsReadOnly(TFieldDataLink& Link, bool ReadOnly, bool Supported, bool Enabled);
// The text of a field a control cannot show: its class name without the first letter and the
// word "Field", in parentheses ("(Memo)").
std::string VcDbUnsupportedText(TField& Field);
// Puts the field's value into the control by Type. A null date or time shows the empty mask.
void VcDbReadField(TVcBaseEntryField& Control, TField& Field, TFieldType Type);
// Writes the control's value to the field by Type: Empty, or a zero number under ZeroAsNull,
// clears the field. A date-time field keeps the half of its value the control does not edit.
void VcDbWriteField(TVcBaseEntryField& Control, TField& Field, TFieldType Type, bool Empty,
                    bool ZeroAsNull);
// Validates a modified control before its value is written; an invalid value aborts the post
// silently (the error is reported unless another is pending).
void VcDbValidateForPost(TVcBaseEntryField& Control);

// An entry field of kind Base linked to one field of a dataset. A descendant says which field
// types it edits (MaxFieldType), maps the field's type to its own data type (ApplyTypeMapping)
// and may show a field it cannot edit as text (Editable, ReadField).
template <typename Base>
class TVcDbEntryField : public Base {
public:
    explicit TVcDbEntryField(TComponent* AOwner)
        : Base(AOwner), link_(std::make_unique<TFieldDataLink>()) {
        link_->SetControl(this);
        link_->OnDataChange = [this](TObject*) {
            LoadFromField();
            this->SetModified(false);
            this->Invalidate();
        };
        link_->OnUpdateData = [this](TObject*) { UpdateData(); };
    }
    ~TVcDbEntryField() override { link_->SetDataSource(nullptr); }

    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* Value) {
        link_->SetDataSource(Value);
        if (Value) Value->FreeNotification(this);
        ApplyTypeMapping();
        this->Invalidate();
    }
    const std::string& DataField() const { return link_->FieldName(); }
    void SetDataField(const std::string& Value) {
        link_->SetFieldName(Value);
        ApplyTypeMapping();
        this->Invalidate();
    }
    TField* Field() const { return link_->Field(); }
    TFieldDataLink* DataLink() const { return link_.get(); }
    // Codes 1 (ftString) to MaxFieldType; others are ignored (refused while designing).
    TFieldType FieldType() const { return fieldType_; }
    void SetFieldType(TFieldType Value) {
        if (Value < ftString || Value > MaxFieldType()) {
            if (this->ComponentState().Contains(csDesigning) &&
                !this->ComponentState().Contains(csLoading))
                throw EVcException(GetVcString(MsgFieldTypeNotSupported));
            return;
        }
        fieldType_ = Value;
        ApplyTypeMapping();
    }
    bool ZeroAsNull() const { return zeroAsNull_; }
    void SetZeroAsNull(bool Value) { zeroAsNull_ = Value; }
    bool UseTFieldMask() const { return useTFieldMask_; }
    void SetUseTFieldMask(bool Value) {
        useTFieldMask_ = Value;
        this->Invalidate();
    }

    // A step edits the record first when the source allows; without edit state it is ignored.
    void IncreaseValue(bool Wrap, double Delta) override {
        if (Delta != 0.0) {
            AutoEdit();
            if (!link_->Editing()) return;
        }
        Base::IncreaseValue(Wrap, Delta);
    }
    // Back to the text on entry, then the record's value is shown again.
    void Restore() override {
        Base::Restore();
        link_->Reset();
    }
    // An editing key puts the dataset into edit state before the field's read-only test.
    void WMKeyDown(TWMKey& Message) override {
        if (!VcDbIsNavigationKey(Message.CharCode, GetKeyState(VK_SHIFT) < 0)) AutoEdit();
        Base::WMKeyDown(Message);
    }

protected:
    virtual TFieldType MaxFieldType() const = 0;
    // Sets the data type for the linked field's type (or FieldType without a field).
    virtual void ApplyTypeMapping() = 0;
    // False for a field shown as text only.
    virtual bool Editable() const { return true; }
    // Puts the field's value into the control.
    virtual void ReadField(TField& Field) { VcDbReadField(*this, Field, fieldType_); }

    bool Supported() const { return fieldType_ >= ftString && fieldType_ <= MaxFieldType(); }
    bool Focused() const { return focused_; }
    void SetFieldTypeValue(TFieldType Value) { fieldType_ = Value; }

    void Notification(TComponent* AComponent, TOperation Operation) override {
        Base::Notification(AComponent, Operation);
        if (Operation == opRemove && link_ && AComponent == link_->DataSource()) {
            link_->SetDataSource(nullptr);
            ApplyTypeMapping();
            this->Invalidate();
        }
    }
    void PerformEdit(TMessage& Message, Word Command) override {
        if (!link_->DataSource()) return;
        if ((Command == ccPaste || Command == ccCut) && !link_->Editing()) return;
        Base::PerformEdit(Message, Command);
    }
    bool IsReadOnly() override {
        if (this->ComponentState().Contains(csDesigning)) return Base::IsReadOnly();
        return !Editable() ||
               VcDbIsReadOnly(*link_, this->ReadOnly(), Supported(), this->Enabled());
    }
    // A change made in the control marks the link modified, so the post writes it back.
    void DoOnChange() override {
        if (!this->SettingValue() && !this->ComponentState().Contains(csLoading)) link_->Modified();
        Base::DoOnChange();
    }
    // Not focused, the text shown is the record's value.
    std::string GetDisplayText() override {
        if (link_->Active() && link_->Field() && !focused_) {
            if (!Supported()) return VcDbUnsupportedText(*link_->Field());
            LoadFromField();
        }
        return Base::GetDisplayText();
    }
    void WMCut(TMessage& Message) override {
        AutoEdit();
        Base::WMCut(Message);
    }
    void WMPaste(TMessage& Message) override {
        AutoEdit();
        Base::WMPaste(Message);
    }
    void WMSetFocus(TWMSetFocus& Message) override {
        const TVcController* controller = this->Controller();
        if (!(controller && controller->ErrorPending())) LoadFromField();
        focused_ = true;
        Base::WMSetFocus(Message);
    }
    // A valid edit is written to the field when the focus leaves.
    void WMKillFocus(TWMKillFocus& Message) override {
        Base::WMKillFocus(Message);
        focused_ = false;
        if (link_->Field() && this->LastError() == 0 && link_->Editing() && link_->IsModified() &&
            Supported() && Editable())
            WriteField();
        this->Invalidate();
    }

private:
    void AutoEdit() {
        if (!this->ReadOnly() && Editable()) VcDbAutoEdit(*link_);
    }
    // Shows the field's value, keeping the caret, the selection and the modified flag.
    void LoadFromField() {
        TField* field = link_->Field();
        const int caret = this->CaretPosition(), start = this->SelStart(), end = this->SelEnd();
        const bool modified = this->Modified();
        this->SetEditText("");
        if (field) {
            if (field->DataType() != fieldType_) ApplyTypeMapping();
            if (Supported() || !Editable())
                ReadField(*field);
            else
                this->SetAsString(VcDbUnsupportedText(*field));
            const int size = static_cast<int>(this->EditString().size());
            this->SetSelection(std::min(start, size), std::min(end, size));
            if (this->HandleAllocated()) this->SetCaretPosition(std::min(caret, size));
        }
        this->SetModified(modified);
    }
    void UpdateData() {
        if (!link_->Field() || !Supported() || !Editable()) return;
        VcDbValidateForPost(*this);
        WriteField();
    }
    void WriteField() {
        VcDbWriteField(*this, *link_->Field(), fieldType_, this->IsEmpty(), zeroAsNull_);
    }

    std::unique_ptr<TFieldDataLink> link_;
    TFieldType fieldType_ = ftUnknown;
    bool useTFieldMask_ = false;
    bool zeroAsNull_ = false;
    bool focused_ = false;
};

using TVcDbSimpleFieldBase = TVcDbEntryField<TVcCustomSimpleField>;

class TVcDbSimpleField : public TVcDbSimpleFieldBase {
    VANTREL_CLASS(TVcDbSimpleField, TVcDbSimpleFieldBase)

    explicit TVcDbSimpleField(TComponent* AOwner) : TVcDbSimpleFieldBase(AOwner) {}

protected:
    TFieldType MaxFieldType() const override { return ftBCD; }
    void ApplyTypeMapping() override;
    // A date or time field is shown as its display text and never edited here.
    bool Editable() const override;
    void ReadField(TField& Field) override;
};
