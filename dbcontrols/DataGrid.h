// The published data-aware grid (TdwDBGrid) that forms place, and the memo dialog component it
// opens on memo cells: a non-visual component that edits the text of one memo field in a modal
// dialog (TdwMemoDlg, MemoForm.h) with its own font, caption, size and user buttons.
//
// A memo cell shows "(Memo)", or with mGridShow the memo's first 255 bytes (only up to the first
// line end without word wrap; "(Memo)" when the memo cannot be read); F2 or a double click opens
// the dialog unless mDisableDialog, view only when the grid or the field cannot be edited. The
// grid's other cells follow the dataset's ControlType lines (see TdwDBGrid).
//
// Execute promises that the field is written only when the user confirmed with OK, the dialog
// was editable and the memo was changed; a dataset that cannot be modified opens the dialog
// view-only. A DataField that names no field raises "Field '%s' not found" before anything is
// shown.
#pragma once

#include "db/DB.h"
#include "dbcontrols/ControlsDataSource.h"
#include "dbcontrols/GridCore.h"
#include "dbcontrols/SharedRoutines.h"
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

enum TdwEditControlOption { ecoCheckboxSingleClick, ecoSearchOwnerForm };
using TdwEditControlOptions = TSet<TdwEditControlOption, 8>;

constexpr const char* kdwInvalidFixedCols = "Invalid value for FixedCols";
constexpr const char* kdwGridNeedsDerivedDataSet =
    "dwGrid must use descendent of TdwTable, TdwQuery, TdwQBE, TdwStoredProc, TdwClientDataSet.";

// The memo text a grid cell shows: at most kMemoCellLength bytes and, without word wrap, only up
// to the first CR or LF.
constexpr std::size_t kMemoCellLength = 255;
std::string MemoCellText(const std::string& Memo, bool WordWrap);

// Where a bitmap cell copies its picture: the part of the picture (Source) and the cell pixels
// it goes to (Dest) for a fit of "Original Size", "Stretch To Fit", "Fit Height" or "Fit Width"
// (any other name copies at the original size). Drawn is false when nothing is copied: a picture
// or a cell without size, or a scaled picture narrower or lower than 3 pixels. No fit divides by
// a zero size.
struct TdwBitmapPlacement {
    TRect Source;
    TRect Dest;
    bool Drawn = false;
};
TdwBitmapPlacement dwPlaceBitmap(const std::string& Fit, int PictureWidth, int PictureHeight,
                                 const TRect& Cell);
// The raster operation a bitmap cell copies with, by its name ("Source Copy", "Source Paint",
// ...); SRCCOPY for any name it does not know.
DWORD dwBitmapRasterOp(const std::string& Name);
// The plain text of a rich text: control words, groups of destinations that are not shown
// (font and colour tables, pictures, ...) and braces left out; paragraph and line marks become
// CR LF, tab marks TAB, escaped characters themselves. A text that is not rich text is returned
// as it is.
std::string dwRichTextPlain(const std::string& Rich);

// The grid forms place: the data-aware grid with its settings taken from the program's own
// datasets. Besides memo cells it offers:
// - FixedCols data columns after the indicator that do not scroll, drawn in TitleColor;
// - per-field control types from the dataset's ControlType lines: check boxes ("CheckBox;
//   checked text;unchecked text"; a calculated field named "selected" shows and toggles the
//   record's multi-selection), pictures of blob fields ("Bitmap;fit;raster operation"), rich
//   text shown as plain text ("RichEdit;editor") and edit controls of the owner form placed
//   over the current cell ("CustomEdit", "LookupCombo", "Combo" naming [form.]component);
// - a multi-selection of records kept as bookmarks; a Shift click selects the range from the
//   anchor (the record of the last Ctrl or Shift click) to the clicked record.
// On activation the dataset's settings are applied: a dataset that is not one of the program's
// own is refused with kdwGridNeedsDerivedDataSet and the grid is detached from its source. A
// bitmap cell whose picture cannot be read, or has no size, is painted as an empty cell.
class TdwDBGrid : public TdwCustomDBGrid {
    VANTREL_CLASS(TdwDBGrid, TdwCustomDBGrid)

    explicit TdwDBGrid(TComponent* AOwner);
    ~TdwDBGrid() override;

    // The data source when it is a TdwDataSource, else nullptr (setting is the grid's own).
    TdwDataSource* DataSource() const;
    // Data columns after the indicator that do not scroll. At design time a value below 0, or
    // one that leaves no scrolling column of an active dataset, is refused with the warning
    // kdwInvalidFixedCols.
    int FixedCols() const { return fixedDataCols_; }
    void SetFixedCols(int Value);
    // TitleColor for the title row and the fixed columns, else Color.
    TColor GetColumnColor(int ACol) const override;
    TdwMemoAttributes MemoAttributes() const { return memoAttributes_; }
    // Stores and applies the dataset's settings again.
    void SetMemoAttributes(TdwMemoAttributes Value);
    TdwEditControlOptions EditControlOptions{ecoSearchOwnerForm};

    TdwMemoOpenEvent OnMemoOpen;
    TdwMemoCloseEvent OnMemoClose;
    TdwSelectRecordEvent OnMultiSelectRecord;

    // Opens the memo dialog on the current cell's memo field; nothing for another field.
    void OpenMemoDialog();
    // Applies the dataset's settings (see the class comment); nothing without a TdwDataSource
    // with a dataset, or while they are being applied.
    void ApplyDataSetSettings();
    bool SettingsApplied() const { return settingsApplied_; }

    // The multi-selection (dgMultiSelect): bookmarks of the selected records. Each change is
    // first offered to OnMultiSelectRecord, which may refuse it. Whether a buffered row is
    // selected is kept per row and rebuilt after scrolling, data and selection changes.
    int SelectedCount() const { return static_cast<int>(bookmarks_.size()); }
    void RefreshSelectionFlags() override;
    bool IsRowSelected(int DataRow) override;
    bool IsCurrentRecordSelected() override;
    void SelectRecord() override;
    void UnselectRecord() override;
    void UnselectAll() override;

    // The edit control shown over the current cell, or nullptr.
    TWinControl* AttachedControl() const { return shownControl_; }
    void HideAttachedControl() override;
    // Toggles the current cell's check box: the field text between the checked and unchecked
    // texts, or the record's multi-selection on the "selected" column.
    void ToggleCheckBox();

    void LinkActiveChanged(bool Active) override;
    void ScrollRows(int Distance) override;
    void DataSetChanged() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    bool IsControlCell(int ACol, int ARow) override;
    void ApplyColumnAttributes() override;
    std::string GetFieldValue(int DataCol) override;
    void DoColExit() override;
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void Paint() override;
    void TopLeftChanged() override;
    bool CanEditShow() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void WMSize(TWMSize& Message) override;
    void CMExit(TMessage& Message) override;

private:
    struct TAttachment {
        std::string FieldName;
        TWinControl* Control;
    };

    TdwControlType ControlTypeOf(const TField* Field) const;
    bool IsMemoCell() const;
    bool IsRichTextCell() const;
    bool IsCheckBoxCell(int ACol, int ARow) const;
    bool IsSelectionColumn(int ACol) const;
    bool Editable() const;
    bool Accepts(bool Selecting);
    // The place of the current record's bookmark in the selection, or -1.
    int SelectedIndexOfCurrent();
    // Adds the current record when it is written, not yet selected and the handler agrees.
    bool AddCurrentToSelection();
    void SelectRange(const std::vector<char>& From, const std::vector<char>& To);
    // The data cells drawn by their control type; false for a cell drawn as text.
    bool DrawControlCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    void DrawCheckBoxCell(TField* Field, const TdwControlType& Type, int ACol, int ARow,
                          const TRect& ARect, TGridDrawState AState);
    void DrawBitmapCell(TField* Field, const TdwControlType& Type, int ACol, int ARow,
                        const TRect& ARect, TGridDrawState AState);
    void PrepareAttachedControls();
    void ForgetAttachments();
    TWinControl* FindAttachedControl(const std::string& Name) const;
    TWinControl* AttachedControlOf(const TField* Field) const;
    void ShowAttachedControl(const TRect& Cell);
    void FocusAttachedControl();
    // The rich-text editor named by the current cell's control type, or nullptr.
    TWinControl* RichTextEditor() const;

    TdwMemoAttributes memoAttributes_{mSizeable, mWordWrap};
    int fixedDataCols_ = 0;
    std::vector<std::vector<char>> bookmarks_;
    std::vector<bool> rowFlags_;
    std::vector<TAttachment> attachments_;
    TWinControl* shownControl_ = nullptr;
    bool attachmentsPrepared_ = false;
    bool settingsApplied_ = false;
    bool applying_ = false;
};
