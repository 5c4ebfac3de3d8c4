// The data-aware grid base: a grid over a dataset's records, one buffered record per visible row
// and one field per column, with an optional title row and an optional indicator column that
// marks the current record (an arrow, an I-beam while editing, a star while inserting). The grid
// holds no record data: it draws the records its data link (TdwGridDataLink) keeps buffered and
// moves only through the dataset. Columns are the dataset's visible fields (UseTFields) or the
// lines of Selected: field name TAB width in characters TAB title ("~" starts a title line).
//
// Editing goes through the platform grid's in-place editor (TdwInplaceEdit), which checks keys
// against the field's picture; leaving a column with a failing text is refused. Down on an
// untouched new record cancels it; Escape first restores the cell, then asks "Discard changes
// to this record?". The layout is rebuilt under a lock that is released on every path.
//
// Drawing: cell texts on a colour the device cannot show purely, and the X-marked check boxes,
// go through one off-screen bitmap that all grids share; the vertical scroll bar shows the
// position proportionally when the table can tell its record count and the record's sequence
// number, else in five steps; a scroll by at most a screenful moves the pixels of the data rows
// and repaints only the rows that came into view.
#pragma once

#include "db/DB.h"
#include "dbcontrols/PictureEdits.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/Grids.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TdwCustomDBGrid;
class TdwTable;

enum TdwDBGridOption {
    dgEditing,
    dgAlwaysShowEditor,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection,
    dgConfirmDelete,
    dgCancelOnExit,
    dgWordWrap,
    dgPerfectRowFit,
    dgMultiSelect
};
using TdwDBGridOptions = TSet<TdwDBGridOption, 16>;
enum TdwDBGridKeyOption { dgEnterToTab, dgAllowDelete, dgAllowInsert };
using TdwDBGridKeyOptions = TSet<TdwDBGridKeyOption, 8>;
enum TIndicatorColorType { icBlack, icYellow };
enum TdwMultiSelectOption { msoAutoUnselect, msoShiftSelect };
using TdwMultiSelectOptions = TSet<TdwMultiSelectOption, 8>;

using TCalcCellColorsEvent =
    std::function<void(TObject* Sender, TField* Field, TGridDrawState State, bool Highlight,
                       TFont* AFont, TBrush* ABrush)>;
using TCalcTitleAttributesEvent =
    std::function<void(TObject* Sender, const std::string& AFieldName, TFont* AFont, TBrush* ABrush,
                       TAlignment& ATitleAlignment)>;
using TTitleButtonClickEvent = std::function<void(TObject* Sender, const std::string& AFieldName)>;
using TdwDrawDataCellEvent =
    std::function<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;

// The most columns a grid maps.
constexpr int kMaxGridFields = 16380;

class TdwGridDataLink : public TDataLink {
    VANTREL_CLASS(TdwGridDataLink, TDataLink)

    explicit TdwGridDataLink(TdwCustomDBGrid* Grid) : grid_(Grid) {}

    int FieldCount() const { return static_cast<int>(map_.size()); }
    // The dataset field position of a data column.
    int FieldMap(int Index) const { return map_[static_cast<std::size_t>(Index)]; }
    void ClearMapping() { map_.clear(); }
    // Raises EInvalidGridOperation past kMaxGridFields columns.
    void AddMapping(int FieldIndex);
    void MarkModified() { modified_ = true; }
    bool IsModified() const { return modified_; }
    bool UsesDefaultFields() const;
    // Escape: restores a changed cell, else asks before cancelling a changed record.
    void CancelGridEdit();

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    TdwCustomDBGrid* grid_;
    std::vector<int> map_;
    bool modified_ = false;
    bool inUpdateData_ = false;
};

class TdwInplaceEdit : public TInplaceEdit {
    VANTREL_CLASS(TdwInplaceEdit, TInplaceEdit)

    explicit TdwInplaceEdit(TdwCustomDBGrid* Grid);
    ~TdwInplaceEdit() override;

    TdwDBPicture* Picture() const { return picture_.get(); }
    // A word-wrapping editor is a multi-line edit that breaks long texts at the cell's width;
    // changing it makes the editor's window again.
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    // True for an empty text or no picture, else when the text completes the picture; tells the
    // grid's OnCheckValue.
    bool CheckValue(const std::string& Text);
    void UpdateContents() override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    // A paste puts the record into edit state and marks the cell changed.
    void WMPaste(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;

private:
    // Takes the current field's picture from the dataset's picture list.
    void LoadPicture();
    // Keeps the text off the editor's edges (wider on the left without a border).
    void SetFormattingRect();

    TdwCustomDBGrid* dbGrid_;
    std::unique_ptr<TdwDBPicture> picture_;
    bool wordWrap_ = false;
    bool hasPicture_ = false;
};

// The button on the indicator column's title cell: it stays in the grid's top-left corner and
// the indicator column takes its width.
class TdwIButton : public TSpeedButton {
    VANTREL_CLASS(TdwIButton, TSpeedButton)

    explicit TdwIButton(TComponent* AOwner) : TSpeedButton(AOwner) {}
    void Loaded() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
};

class TdwCustomDBGrid : public TCustomGrid {
    VANTREL_CLASS(TdwCustomDBGrid, TCustomGrid)

    explicit TdwCustomDBGrid(TComponent* AOwner);
    ~TdwCustomDBGrid() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TdwGridDataLink* DataLink() const { return dataLink_.get(); }
    TStrings* Selected() const { return selected_.get(); }
    void SetSelected(TStrings* Value) { selected_->Assign(Value); }
    TFont* TitleFont() const { return titleFont_.get(); }
    void SetTitleFont(TFont* Value);
    TColor TitleColor() const { return titleColor_; }
    void SetTitleColor(TColor Value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value) { readOnly_ = Value; }
    // The grid's options; the platform grid's own follow from them.
    TdwDBGridOptions Options() const { return dbOptions_; }
    void SetOptions(TdwDBGridOptions Value);
    TdwDBGridKeyOptions KeyOptions{dgAllowDelete, dgAllowInsert};
    TdwMultiSelectOptions MultiSelectOptions;
    TAlignment TitleAlignment() const { return titleAlignment_; }
    void SetTitleAlignment(TAlignment Value);
    int TitleLines() const { return titleLines_; }
    void SetTitleLines(int Value);
    int RowHeightPercent() const { return rowHeightPercent_; }
    void SetRowHeightPercent(int Value);
    bool ShowVertScrollBar() const { return showVertScrollBar_; }
    void SetShowVertScrollBar(bool Value);
    bool ShowHorzScrollBar() const;
    void SetShowHorzScrollBar(bool Value);
    bool TitleButtons() const { return titleButtons_; }
    void SetTitleButtons(bool Value);
    bool EditCalculated = false;
    // The grid draws the cell texts itself (the platform grid's own drawing stays off).
    bool DefaultDrawing() const { return drawTexts_; }
    void SetDefaultDrawing(bool Value);
    bool UseTFields() const { return useTFields_; }
    void SetUseTFields(bool Value);
    TIndicatorColorType IndicatorColor() const { return indicatorColor_; }
    void SetIndicatorColor(TIndicatorColorType Value);
    int IndicatorWidth = 11;
    // The button on the indicator title cell (set when the button is loaded), or nullptr.
    TdwIButton* IndicatorButton() const { return indicatorButton_; }
    void SetIndicatorButton(TdwIButton* Value);
    // A click or a scroll-bar action first takes the focus into the grid.
    bool TakeFocusOnClick = true;
    int TitleOffset() const { return titleOffset_; }
    int IndicatorOffset() const { return indicatorOffset_; }
    const std::string& EditText() const { return editText_; }

    int FieldCount() const { return dataLink_->FieldCount(); }
    TField* Fields(int Index) const;
    int SelectedIndex() const { return Col() - indicatorOffset_; }
    void SetSelectedIndex(int Value);
    TField* SelectedField() const { return Fields(SelectedIndex()); }
    int DataColumnOf(int ACol) const { return ACol - indicatorOffset_; }
    int DataRowOf(int ARow) const { return ARow - titleOffset_; }
    int PressedTitleColumn() const { return pressedTitleColumn_; }
    int SelectedRowOnIndicator() const { return selectedRowOnIndicator_; }
    // At design time, with dgPerfectRowFit, a grid not aligned to the top, bottom or client
    // area takes the height of its rows.
    bool FitToRowsWanted() const;
    void FitHeightToRows();
    // The bookmark of the record a multi-selection by Shift-click starts from (empty: none).
    const std::vector<char>& SelectionAnchor() const { return selectionAnchor_; }
    void ClearSelectionAnchor() { selectionAnchor_.clear(); }

    TCalcCellColorsEvent OnCalcCellColors;
    TCalcTitleAttributesEvent OnCalcTitleAttributes;
    TTitleButtonClickEvent OnTitleButtonClick;
    TdwDrawDataCellEvent OnDrawDataCell;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TNotifyEvent OnTopRowChanged;
    TdwValidateEvent OnCheckValue;

    // Layout and synchronisation with the link.
    virtual void RebuildLayout();
    virtual void ScrollRows(int Distance);
    virtual void LinkActiveChanged(bool Active);
    virtual void DataSetChanged();
    virtual void DoTopRowChanged();
    void RecordChanged(TField* Field);
    void StoreEditText();
    void InvalidateIndicator();
    // Puts the dataset into edit state unless ReadOnly; whether the record is now edited.
    bool RequestEdit();
    // Keys the grid handles (also those the editor hands over).
    void KeyDown(Word& Key, TShiftState Shift) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The multi-selection of records (kept by the published grid; none here).
    virtual bool IsRowSelected(int /*DataRow*/) { return false; }
    virtual bool IsCurrentRecordSelected() { return false; }
    virtual void SelectRecord() {}
    virtual void UnselectRecord() {}
    virtual void UnselectAll() {}
    virtual void RefreshSelectionFlags() {}
    // Hides a control the published grid places over the current cell (none here).
    virtual void HideAttachedControl() {}

    std::string GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const std::string& Value) override;
    int GetEditLimit() override;
    std::string GetEditMask(int ACol, int ARow) override;
    bool CanEditAcceptKey(char Key) override;
    bool CanEditModify() override;

protected:
    virtual bool HighlightCell(int DataCol, int DataRow, const std::string& Value,
                               TGridDrawState State);
    virtual void BuildFieldMap();
    virtual void ApplyColumnAttributes();
    virtual bool IsControlCell(int, int) { return false; }
    // The current record becomes the anchor of a Shift-click selection.
    void MarkSelectionAnchor();
    virtual void DoCalcCellColors(TField* Field, TGridDrawState State, bool Highlight, TFont* AFont,
                                  TBrush* ABrush);
    virtual void DoTitleButtonClick(const std::string& AFieldName);
    virtual void DoCalcTitleAttributes(const std::string& AFieldName, TFont* AFont, TBrush* ABrush,
                                       TAlignment& ATitleAlignment);
    virtual void FlushEdit() { dataLink_->UpdateRecord(); }
    virtual void CalcRowHeights();
    virtual bool CanCancelInsertOnExit() { return true; }
    virtual void DoColEnter();
    virtual void DoColExit();
    virtual std::string GetFieldValue(int DataCol);
    virtual void DoDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    virtual TColor GetColumnColor(int /*ACol*/) const { return Color(); }
    // A sunken 10 x 10 check box centred in the cell: with a check mark drawn in place, or (the
    // X-mark style, or the automatic style without new-style controls) with an X drawn off
    // screen in the scratch bitmap and copied in.
    virtual void DrawCheckBox(const TRect& Rect, int ACol, bool Checked, int ARow);
    // The 3-D edges of a cell, once per DrawCell (a title button or another frame counts).
    void DrawCellBorders(int ACol, int ARow, const TRect& Rect, TGridDrawState State);
    // Tells DrawCellBorders that the cell being drawn already has its frame.
    void MarkCellFramed() { cellFramed_ = true; }
    // The title font changed: it no longer follows the parent's font; the titles are laid out
    // again.
    void TitleFontChanged();

    void Loaded() override;
    void CreateWnd() override;
    TInplaceEdit* CreateEditor() override;
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void ColWidthsChanged() override;
    void TimedScroll(TGridScrollDirection Direction) override;
    void WMSize(TWMSize& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void CMExit(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMParentFontChanged(TMessage& Message) override;
    // Takes the focus when TakeFocusOnClick allows; false only when the grid could not get it.
    bool TakeFocus();

private:
    void SyncRowCount();
    void SyncActiveRow();
    void SyncScrollBar();
    // The thumb position 0..200 from the engine's record count and the active record's
    // sequence number, for a table of the type that keeps its records numbered in sequence,
    // when the engine tells both; false otherwise.
    bool ProportionalScrollPos(int& Pos);
    // The table whose records the scroll bar numbers 0..200, or nullptr.
    TdwTable* NumberedTable() const;
    // The data rows' area, and the distance in pixels between the tops of two data rows.
    TRect DataArea() const;
    int DataRowPitch() const;
    // The box of a whole row from the indicator to the client's right edge; empty when hidden.
    TRect RowBox(int ARow) const;
    void NextRow();
    void PriorRow();
    void TabColumn(bool Forward);
    void DeleteCurrent();
    void Escape();
    // The editor's text into the grid, then the link's pending edit into the field.
    void StorePendingEdit();
    void MouseDownOnTitle(TMouseButton Button, TShiftState Shift, int X, int Y, TGridCoord Cell);
    // A click on a data cell: the editor on the current cell, else the column and the record.
    void ClickDataCell(TGridCoord Cell);
    // The multi-selection after a click on a data row.
    void SelectClicked(TShiftState Shift);
    // A thumb drop: 0..200 on a table that numbers its records, else the five positions.
    void ThumbTo(int Pos);
    // Stands on the record at Pos of 200 through the engine's sequence numbers; false when the
    // engine cannot count the records.
    bool ThumbToSequence(TdwTable* Table, int Pos);
    void DrawIndicator(const TRect& Rect, int DataRow);
    void DrawTitle(int DataCol, const TRect& Rect);
    void WriteCellText(const TRect& Rect, int DX, int DY, TAlignment Alignment,
                       const std::string& Text);
    // On a colour the device shows only approximately (dithered), through the scratch bitmap
    // filled with the brush, so the text keeps the cell's background.
    void WriteCellTextOffScreen(const TRect& Rect, int DX, int DY, TAlignment Alignment,
                                const std::string& Text);
    // Word by word, each line as wide as the cell allows; TAB, CR and LF break the line.
    void WriteCellTextWrapped(const TRect& Rect, int DX, int DY, TAlignment Alignment,
                              const std::string& Text);
    int CharWidth();
    // The field of a data column from Selected, or nullptr.
    TField* SelectedLineField(int Line) const;
    bool LinkReady() const {
        return dataLink_->Active() && DataSource() && DataSource()->DataSet();
    }

    std::unique_ptr<TdwGridDataLink> dataLink_;
    std::unique_ptr<TStringList> selected_;
    std::unique_ptr<TFont> titleFont_;
    TColor titleColor_ = clBtnFace;
    bool readOnly_ = false;
    TdwDBGridOptions dbOptions_{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                                dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit, dgWordWrap};
    TAlignment titleAlignment_ = taLeftJustify;
    int titleLines_ = 1;
    int rowHeightPercent_ = 100;
    bool showVertScrollBar_ = true;
    bool titleButtons_ = false;
    bool useTFields_ = true;
    TIndicatorColorType indicatorColor_ = icBlack;
    int titleOffset_ = 1;
    int indicatorOffset_ = 1;
    std::string editText_;
    int selectedRowOnIndicator_ = 0;
    int pressedTitleColumn_ = -1;
    int pressedTitleRow_ = -1;
    TdwIButton* indicatorButton_ = nullptr;
    std::vector<char> selectionAnchor_;
    int layoutLock_ = 0;
    bool inLayout_ = false;
    bool inRowCountSync_ = false;
    bool inColumnExit_ = false;
    bool suppressEditor_ = false;
    bool drawTexts_ = true;
    bool selfChangingTitleFont_ = false;
    // Of the cell DrawCell is drawing, for DrawCellBorders.
    bool focusRectDrawn_ = false;
    bool cellFramed_ = false;
    bool cellBrushWhite_ = false;
    bool cellHighlighted_ = false;
};
