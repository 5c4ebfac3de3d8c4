// The published data-aware grid (TdwDBGrid) with its memo cells, and the memo dialog component
// it opens on them: a non-visual component that edits the text of one memo field in a modal
// dialog (TdwMemoDlg, Dwmemo.h) with its own font, caption, size and user buttons.
//
// A memo cell shows "(Memo)", or with mGridShow the memo's first 255 bytes (only up to the first
// line end without word wrap); F2 or a double click opens the dialog unless mDisableDialog, view
// only when the grid or the field cannot be edited.
//
// Execute promises that the field is written only when the user confirmed with OK, the dialog
// was editable and the memo was changed; a dataset that cannot be modified opens the dialog
// view-only. A DataField that names no field raises "Field '%s' not found" before anything is
// shown.
#pragma once

#include "db/DB.h"
#include "dbcontrols/Dwdbigrd.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/StdCtrls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TdwMemoDlg;

enum TdwMemoAttribute { mSizeable, mWordWrap, mGridShow, mViewOnly, mDisableDialog };
using TdwMemoAttributes = TSet<TdwMemoAttribute, 8>;

using TdwOnInitMemoDlgEvent = std::function<void(TdwMemoDlg* Dialog)>;
using TdwMemoUserButtonEvent = std::function<void(TdwMemoDlg* Dialog, TMemo* Memo)>;

class TdwMemoDialog : public TComponent {
    VANTREL_CLASS(TdwMemoDialog, TComponent)

    explicit TdwMemoDialog(TComponent* AOwner);
    ~TdwMemoDialog() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* Value) { dataLink_->SetDataSource(Value); }
    const std::string& DataField() const { return dataLink_->FieldName(); }
    void SetDataField(const std::string& Value) { dataLink_->SetFieldName(Value); }
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* Value) { font_->Assign(Value); }

    TdwMemoAttributes MemoAttributes{mSizeable, mWordWrap};
    std::string Caption;
    int DlgLeft = 0;
    int DlgTop = 0;
    int DlgWidth = 561;
    int DlgHeight = 396;
    std::string UserButton1Caption;
    std::string UserButton2Caption;

    TdwOnInitMemoDlgEvent OnInitDialog;
    TdwOnInitMemoDlgEvent OnCloseDialog;
    TdwMemoUserButtonEvent OnUserButton1Click;
    TdwMemoUserButtonEvent OnUserButton2Click;

    // The running form while Execute runs, else nullptr.
    TdwMemoDlg* MemoDlg() const { return dialog_; }

    virtual void DoInitDialog(TdwMemoDlg* Dialog);
    virtual void DoCloseDialog(TdwMemoDlg* Dialog);
    // Runs the dialog; true only when the user confirmed with OK and editing was allowed.
    virtual bool Execute();

private:
    // The field to edit, or nullptr; raises when DataField names no field of the dataset.
    TField* FindField() const;

    std::unique_ptr<TFieldDataLink> dataLink_;
    std::unique_ptr<TFont> font_;
    TdwMemoDlg* dialog_ = nullptr;
};

class TdwDBGrid;
using TdwMemoOpenEvent = std::function<void(TdwDBGrid* Grid, TdwMemoDialog* MemoDialog)>;
using TdwMemoCloseEvent = std::function<void(TdwDBGrid* Grid, bool Cancel)>;
using TdwSelectRecordEvent = std::function<void(TdwDBGrid* Grid, bool Selecting, bool& Accept)>;

// The memo text a grid cell shows: at most kMemoCellLength bytes and, without word wrap, only up
// to the first CR or LF.
constexpr std::size_t kMemoCellLength = 255;
std::string MemoCellText(const std::string& Memo, bool WordWrap);

class TdwDBGrid : public TdwCustomDBGrid {
    VANTREL_CLASS(TdwDBGrid, TdwCustomDBGrid)

    explicit TdwDBGrid(TComponent* AOwner) : TdwCustomDBGrid(AOwner) {}

    TdwMemoAttributes MemoAttributes{mSizeable, mWordWrap};
    TdwMemoOpenEvent OnMemoOpen;
    TdwMemoCloseEvent OnMemoClose;

    TdwSelectRecordEvent OnMultiSelectRecord;

    // Opens the memo dialog on the current cell's memo field; nothing for another field.
    void OpenMemoDialog();

    // The multi-selection (dgMultiSelect): bookmarks of the selected records. Each change is
    // first offered to OnMultiSelectRecord, which may refuse it.
    int SelectedCount() const { return static_cast<int>(bookmarks_.size()); }
    bool IsRowSelected(int DataRow) override;
    bool IsCurrentRecordSelected() override;
    void SelectRecord() override;
    void UnselectRecord() override;
    void UnselectAll() override;

protected:
    std::string GetFieldValue(int DataCol) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void DblClick() override;

private:
    bool IsMemoCell() const;
    bool Accepts(bool Selecting);
    // The place of the current record's bookmark in the selection, or -1.
    int SelectedIndexOfCurrent();

    std::vector<std::vector<char>> bookmarks_;
};
