// The entry-field cells' base: a text cell that owns two hidden entry fields of one kind, the
// editing field (the in-place editor) and the painting field (which turns a cell's binary value
// into its display text). The cell data points at a value of the field's data type and size.
// Settings that change how a value looks go to both fields, the others to the editing field.
//
// Promises: an edited value is written back into the cell data only when the editor holds a
// valid value; a refused value keeps the editor open with the field's own error report.
#pragma once

#include "controls/entry/EntryField.h"
#include "controls/table/StringCellEditor.h"
#include "controls/table/StringCells.h"

#include <vector>

class TVcTCBaseEntryField : public TVcTCBaseString {
    VANTREL_CLASS(TVcTCBaseEntryField, TVcTCBaseString)

    explicit TVcTCBaseEntryField(TComponent* AOwner);

    TVcBaseEntryField* EditField() const { return editField_; }
    TVcBaseEntryField* PaintField() const { return paintField_; }

    // ----- Settings of the editing field
    bool AutoAdvanceChar() const { return editField_->AutoAdvanceChar(); }
    void SetAutoAdvanceChar(bool Value) { editField_->SetAutoAdvanceChar(Value); }
    bool AutoAdvanceLeftRight() const { return editField_->AutoAdvanceLeftRight(); }
    void SetAutoAdvanceLeftRight(bool Value) { editField_->SetAutoAdvanceLeftRight(Value); }
    bool AutoSelect() const { return editField_->AutoSelect(); }
    void SetAutoSelect(bool Value) { editField_->SetAutoSelect(Value); }
    bool BeepOnError() const { return editField_->BeepOnError(); }
    void SetBeepOnError(bool Value) { editField_->SetBeepOnError(Value); }
    TVcCaretPair* CaretPair() const { return editField_->CaretPair(); }
    TVcColors* HighlightColors() const { return editField_->HighlightColors(); }
    int TextMargin() const { return editField_->TextMargin(); }
    void SetTextMargin(int Value) { editField_->SetTextMargin(Value); }
    std::string RangeHi() const { return editField_->RangeHi(); }
    void SetRangeHi(const std::string& Value) { editField_->SetRangeHi(Value); }
    std::string RangeLo() const { return editField_->RangeLo(); }
    void SetRangeLo(const std::string& Value) { editField_->SetRangeLo(Value); }
    // The stored binary properties "RangeHigh" and "RangeLow".
    const TVcRangeValue& RangeHighData() const { return editField_->RangeHighData(); }
    void SetRangeHighData(const TVcRangeValue& Value) { editField_->SetRangeHighData(Value); }
    const TVcRangeValue& RangeLowData() const { return editField_->RangeLowData(); }
    void SetRangeLowData(const TVcRangeValue& Value) { editField_->SetRangeLowData(Value); }
    // ----- Settings of both fields
    char PadChar() const { return editField_->PadChar(); }
    void SetPadChar(char Value);
    const TPictureMask& PictureMask() const { return editField_->Mask(); }

    // ----- Cell protocol
    TWinControl* EditorControl() override { return editField_; }
    HWND EditHandle() override;
    void EditHide() override;
    void EditMove(const TRect& CellRect) override;
    bool CanSaveEditedData(bool SaveValue) override;
    void Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum, LongInt ColNum,
               const TVcCellAttributes& CellAttr, void* Data) override;
    void SaveEditedData(void* Data) override;
    void StartEditing(LongInt RowNum, LongInt ColNum, const TRect& CellRect,
                      const TVcCellAttributes& CellAttr, TVcTblEditorStyle CellStyle,
                      void* Data) override;
    void StopEditing(bool SaveValue, void* Data) override;

    TNotifyEvent OnChange;
    TVcFieldErrorEvent OnError;
    TVcUserCommandEvent OnUserCommand;
    TVcUserValidationEvent OnUserValidation;

protected:
    // The descendant's constructor hands over its two fields (owned by the cell).
    void InstallFields(TVcBaseEntryField* EditField, TVcBaseEntryField* PaintField);
    // Applies a setting to both fields.
    template <typename F>
    void Both(F&& Set) {
        Set(*editField_);
        Set(*paintField_);
        DoCellChanged();
    }

private:
    TVcController* TableController() const;
    TVcBaseEntryField* editField_ = nullptr;
    TVcBaseEntryField* paintField_ = nullptr;
    std::vector<Byte> saved_;
};

// The shared key, dialog-code, focus and auto-advance rules of the entry-field cell editors.
namespace VcCellEditor {
// True when the key went to the table (the field must not process it): movement keys that
// page or change rows go when the field's contents are valid; the table's own keys go always,
// Escape after the field took back its text from the start of editing.
bool PassKeyToTable(TVcBaseTableCell& Cell, TVcBaseEntryField& Field, const TWMKey& Message);
// The field is full: the table moves to the next cell.
void AutoAdvance(TVcBaseTableCell& Cell);
} // namespace VcCellEditor

// An entry field of one kind working as a cell's in-place editor: keys the table takes go to the
// table, a full field passes on to the next cell, and the table hears of the editor's focus.
template <typename TField>
class TVcTCFieldEditor : public TField {
public:
    TVcTCFieldEditor(TComponent* AOwner, TVcBaseTableCell* Cell) : TField(AOwner), cell_(Cell) {}

    void WMGetDlgCode(TWMGetDlgCode& Message) override {
        TField::WMGetDlgCode(Message);
        AddTableDlgCodes(*cell_, Message);
    }
    void WMKeyDown(TWMKey& Message) override {
        if (!VcCellEditor::PassKeyToTable(*cell_, *this, Message)) TField::WMKeyDown(Message);
    }

protected:
    void DoAutoAdvance() override { VcCellEditor::AutoAdvance(*cell_); }
    void WMSetFocus(TWMSetFocus& Message) override {
        TField::WMSetFocus(Message);
        PostEditorFocus(*cell_, true, Message.FocusedWnd);
    }
    void WMKillFocus(TWMKillFocus& Message) override {
        TField::WMKillFocus(Message);
        PostEditorFocus(*cell_, false, Message.FocusedWnd);
    }

private:
    TVcBaseTableCell* cell_;
};
