#include "dbcontrols/GridCore.h"

#include "db/EngineRecords.h"
#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/PictureValidator.h"
#include "dbcontrols/SharedRoutines.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/ScopeGuard.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMaxRows = 1000;
constexpr int kTextDX = 3;
constexpr int kTextDY = 2;
// The thumb range of a table that numbers its records.
constexpr int kThumbRange = 200;

bool IsBlobField(const TField* field) {
    return field && (field->DataType() == ftBlob || field->DataType() == ftMemo ||
                     field->DataType() == ftGraphic);
}

std::vector<std::string> TitlePieces(const std::string& title) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tilde = title.find('~', start);
        pieces.push_back(title.substr(start, tilde - start));
        if (tilde == std::string::npos) return pieces;
        start = tilde + 1;
    }
}

// The off-screen bitmap all grids share for texts on impure colours and for X-marked check
// boxes: made by the first grid, freed with the last.
struct TScratch {
    std::unique_ptr<TBitmap> Bitmap;
    int Users = 0;
};

TScratch& Scratch() {
    static TScratch scratch;
    return scratch;
}

// The scratch bitmap, grown to at least the size asked.
TBitmap* ScratchBitmap(int width, int height) {
    TBitmap* bitmap = Scratch().Bitmap.get();
    if (bitmap->Width() < width || bitmap->Height() < height)
        bitmap->SetSize(std::max(bitmap->Width(), width), std::max(bitmap->Height(), height));
    return bitmap;
}

constexpr int kCheckBoxSize = 10;

void Line(TCanvas* canvas, int x1, int y1, int x2, int y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
}

void Line(TCanvas* canvas, TColor color, int x1, int y1, int x2, int y2) {
    canvas->Pen()->SetColor(color);
    Line(canvas, x1, y1, x2, y2);
}

// The sunken 10 x 10 box with its top-left corner at (x, y), white inside: the outer edge gray
// at the top and left and white at the bottom and right, the inner edge black and light.
void DrawCheckBoxFrame(TCanvas* canvas, int x, int y) {
    const int last = kCheckBoxSize - 1;
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(TRect{x, y, x + kCheckBoxSize, y + kCheckBoxSize});
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
    Line(canvas, clBtnShadow, x, y + last, x, y);
    Line(canvas, x, y, x + kCheckBoxSize, y);
    Line(canvas, clWhite, x + last, y, x + last, y + kCheckBoxSize);
    Line(canvas, x, y + last, x + kCheckBoxSize, y + last);
    Line(canvas, clBlack, x + 1, y + last - 1, x + 1, y + 1);
    Line(canvas, x + 1, y + 1, x + last, y + 1);
    Line(canvas, clGrayText, x + last - 1, y + 1, x + last - 1, y + last);
    Line(canvas, x + 1, y + last - 1, x + last, y + last - 1);
}

// The check mark: seven strokes of two pixels, down to the bottom of the tick, then up to the
// right (the first lies on the box's inner edge).
void DrawCheckMark(TCanvas* canvas, int x, int y) {
    static constexpr int kTops[] = {4, 5, 6, 5, 4, 3, 2};
    canvas->Pen()->SetColor(clBlack);
    for (int i = 0; i < 7; ++i)
        Line(canvas, x + 1 + i, y + kTops[i], x + 1 + i, y + kTops[i] + 2);
}

// The X: two diagonals inside the inner edge, each two pixels thick.
void DrawCrossMark(TCanvas* canvas, int x, int y) {
    canvas->Pen()->SetColor(clBlack);
    for (int d = 0; d < 2; ++d) {
        Line(canvas, x + 2 + d, y + 2, x + 8, y + 8 - d);
        Line(canvas, x + 7 - d, y + 2, x + 1, y + 8 - d);
    }
}

// A title button's frame of 1-pixel lines. Raised: highlight at the top and left, black and
// inside it gray at the bottom and right. Sunken: black and inside it gray at the top and left,
// highlight at the bottom and right.
void DrawTitleButtonFrame(TCanvas* canvas, const TRect& r, bool pressed) {
    const int l = r.Left;
    const int t = r.Top;
    const int right = r.Right - 1;
    const int bottom = r.Bottom - 1;
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
    if (pressed) {
        Line(canvas, clBlack, l, bottom, l, t);
        Line(canvas, l, t, right + 1, t);
        Line(canvas, clBtnShadow, l + 1, bottom - 1, l + 1, t + 1);
        Line(canvas, l + 1, t + 1, right, t + 1);
        Line(canvas, clBtnHighlight, right, t, right, bottom + 1);
        Line(canvas, l, bottom, right + 1, bottom);
        return;
    }
    Line(canvas, clBtnHighlight, l, bottom, l, t);
    Line(canvas, l, t, right + 1, t);
    Line(canvas, clBlack, right, t, right, bottom + 1);
    Line(canvas, l, bottom, right + 1, bottom);
    Line(canvas, clBtnShadow, right - 1, t + 1, right - 1, bottom);
    Line(canvas, l + 1, bottom - 1, right, bottom - 1);
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return parts;
        start = tab + 1;
    }
}

} // namespace

// ============================================================================================
// TdwGridDataLink

void TdwGridDataLink::AddMapping(int FieldIndex) {
    if (FieldCount() >= kMaxGridFields)
        throw EInvalidGridOperation("Grid requested to display more than 256 columns");
    map_.push_back(FieldIndex);
}

bool TdwGridDataLink::UsesDefaultFields() const {
    return !DataSet() || DataSet()->DefaultFields();
}

void TdwGridDataLink::ActiveChanged() {
    grid_->LinkActiveChanged(Active());
}

void TdwGridDataLink::DataSetChanged() {
    grid_->DataSetChanged();
    modified_ = false;
}

void TdwGridDataLink::DataSetScrolled(int Distance) {
    grid_->ScrollRows(Distance);
}

void TdwGridDataLink::EditingChanged() {
    grid_->InvalidateIndicator();
}

void TdwGridDataLink::LayoutChanged() {
    grid_->RebuildLayout();
}

void TdwGridDataLink::RecordChanged(TField* Field) {
    if (!(Field && inUpdateData_)) grid_->RecordChanged(Field);
    modified_ = false;
}

void TdwGridDataLink::UpdateData() {
    inUpdateData_ = true;
    auto done = MakeScopeGuard([this] {
        modified_ = false;
        inUpdateData_ = false;
    });
    if (modified_) grid_->StoreEditText();
}

void TdwGridDataLink::CancelGridEdit() {
    if (modified_) {
        RecordChanged(nullptr);
        return;
    }
    TDataSet* data = DataSet();
    if (!data) return;
    const bool changing = data->State() == dsEdit || data->State() == dsInsert;
    if (changing && data->Modified() &&
        MessageDlg(DwIntl().UserMessages()->dwDBGridDiscardChanges, mtConfirmation, {mbYes, mbNo},
                   0) != mrYes)
        return;
    data->Cancel();
}

// ============================================================================================
// TdwInplaceEdit

TdwInplaceEdit::TdwInplaceEdit(TdwCustomDBGrid* Grid)
    : TInplaceEdit(Grid), dbGrid_(Grid), picture_(std::make_unique<TdwDBPicture>(nullptr)),
      wordWrap_(Grid->Options().Contains(dgWordWrap)) {
    SetFormattingRect();
}

TdwInplaceEdit::~TdwInplaceEdit() = default;

void TdwInplaceEdit::SetWordWrap(bool Value) {
    if (wordWrap_ == Value) return;
    wordWrap_ = Value;
    RecreateWnd();
}

void TdwInplaceEdit::CreateParams(TCreateParams& Params) {
    TInplaceEdit::CreateParams(Params);
    Params.Style &= ~(ES_WANTRETURN | ES_AUTOVSCROLL);
    if (BorderStyle() == bsNone || wordWrap_) Params.Style |= ES_MULTILINE;
    if (wordWrap_) Params.Style = (Params.Style | ES_AUTOVSCROLL) & ~ES_AUTOHSCROLL;
}

void TdwInplaceEdit::SetFormattingRect() {
    const TRect client = ClientRect();
    const int inset = BorderStyle() == bsNone ? 2 : 0;
    TRect rect{inset, inset, client.Right - 1, client.Bottom};
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rect));
}

void TdwInplaceEdit::CMFontChanged(TMessage& Message) {
    TInplaceEdit::CMFontChanged(Message);
    SetFormattingRect();
}

bool TdwInplaceEdit::CheckValue(const std::string& Text) {
    const std::string mask = picture_->PictureMask();
    bool passes = true;
    if (!Text.empty() && !mask.empty()) {
        std::string copy = Text;
        TdwPictureValidator validator(mask, picture_->AutoFill());
        passes = validator.ApplyPicture(copy, false) == prComplete;
    }
    if (dbGrid_->OnCheckValue) dbGrid_->OnCheckValue(this, passes);
    return passes;
}

void TdwInplaceEdit::UpdateContents() {
    TInplaceEdit::UpdateContents();
    LoadPicture();
}

void TdwInplaceEdit::WMSetFocus(TWMSetFocus& Message) {
    TInplaceEdit::WMSetFocus(Message);
    LoadPicture();
    if (TField* field = dbGrid_->SelectedField()) CheckValue(field->Text());
}

void TdwInplaceEdit::WMPaste(TMessage& Message) {
    // A read-only editor takes nothing: the record stays as it was.
    if (ReadOnly()) return TInplaceEdit::WMPaste(Message);
    // The record goes into edit before the paste: going into edit may load the editor from the
    // field again (after the program cancelled the record), which would wipe out a text pasted
    // before it. The selection the paste replaces is kept across.
    int start = 0;
    int end = 0;
    GetSelection(start, end);
    dbGrid_->RequestEdit();
    SetSelection(start, end);
    TInplaceEdit::WMPaste(Message);
    dbGrid_->DataLink()->MarkModified();
}

void TdwInplaceEdit::LoadPicture() {
    TField* field = dbGrid_->SelectedField();
    TdwPictureMask entry;
    if (field && field->DataSet()) entry = dwGetPictureMask(field->DataSet(), field->FieldName());
    hasPicture_ = !entry.Mask.empty();
    picture_->SetPictureMask(entry.Mask);
    picture_->SetAutoFill(entry.Flag1);
    picture_->SetAllowInvalidExit(false);
}

void TdwInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    const bool enterToTab = Key == VK_RETURN && dbGrid_->KeyOptions.Contains(dgEnterToTab);
    if (enterToTab || (Key == VK_DELETE && Shift.Contains(ssCtrl))) {
        Word k = enterToTab ? VK_TAB : Key;
        dbGrid_->KeyDown(k, Shift);
        Key = 0;
    }
    TInplaceEdit::KeyDown(Key, Shift);
}

void TdwInplaceEdit::KeyUp(Word& Key, TShiftState Shift) {
    TInplaceEdit::KeyUp(Key, Shift);
    if (Key == VK_DELETE && dbGrid_->OnCheckValue) CheckValue(Text());
}

void TdwInplaceEdit::KeyPress(char& Key) {
    if (Key == '\r' && dbGrid_->KeyOptions.Contains(dgEnterToTab)) Key = '\t';
    TInplaceEdit::KeyPress(Key);
    if (Key == 0 || !hasPicture_) return;
    std::string text = Text();
    const auto start = static_cast<std::size_t>(SelStart());
    const auto length = static_cast<std::size_t>(SelLength());
    if (Key == '\b') {
        if (!dbGrid_->OnCheckValue) return;
        if (length > 0)
            text.erase(start, length);
        else if (start > 0)
            text.erase(start - 1, 1);
        CheckValue(text);
        return;
    }
    if (static_cast<unsigned char>(Key) < 32) return;
    text.replace(start, length, 1, Key);
    const std::string typed = text;
    TdwPictureValidator validator(picture_->PictureMask(), picture_->AutoFill());
    const Byte result = validator.ApplyPicture(text, picture_->AutoFill());
    if (result == prError || result == prSyntax) {
        Key = 0;
        MessageBeep(0);
    } else if (text != typed) {
        // The validator filled literals in: the filled text replaces the editor's.
        Key = 0;
        dbGrid_->RequestEdit();
        SetText(text);
        SetSelStart(static_cast<int>(text.size()));
        SetModified(true);
        dbGrid_->DataLink()->MarkModified();
        dbGrid_->SetEditText(dbGrid_->Col(), dbGrid_->Row(), text);
    }
    if (dbGrid_->OnCheckValue) dbGrid_->OnCheckValue(this, result == prComplete);
}

// ============================================================================================
// TdwIButton

void TdwIButton::Loaded() {
    TSpeedButton::Loaded();
    if (auto* grid = dynamic_cast<TdwCustomDBGrid*>(Parent())) {
        grid->SetIndicatorButton(this);
        grid->IndicatorWidth = Width() - 1;
    }
}

void TdwIButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool resized = AWidth != Width() || AHeight != Height();
    // The button stays in the grid's top-left cell.
    TSpeedButton::SetBounds(std::min(ALeft, 0), std::min(ATop, 0), AWidth, AHeight);
    auto* grid = dynamic_cast<TdwCustomDBGrid*>(Parent());
    if (!resized || !grid || ComponentState().Contains(csLoading)) return;
    grid->IndicatorWidth = Width() - 1;
    grid->RebuildLayout();
}

// ============================================================================================
// TdwCustomDBGrid: construction and settings

TdwCustomDBGrid::TdwCustomDBGrid(TComponent* AOwner)
    : TCustomGrid(AOwner), dataLink_(std::make_unique<TdwGridDataLink>(this)),
      selected_(std::make_unique<TStringList>()), titleFont_(std::make_unique<TFont>()) {
    TCustomGrid::SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing,
                             goColMoving, goEditing, goTabs});
    SetScrollBars(ssHorizontal);
    SetRowCount(2);
    SetColCount(2);
    SetColor(clWindow);
    TCustomGrid::SetDefaultDrawing(false);
    titleFont_->Assign(Font());
    titleFont_->OnChange = [this](TObject*) { TitleFontChanged(); };
    if (Scratch().Users++ == 0) Scratch().Bitmap = std::make_unique<TBitmap>();
}

TdwCustomDBGrid::~TdwCustomDBGrid() {
    dataLink_->SetDataSource(nullptr);
    if (--Scratch().Users == 0) Scratch().Bitmap.reset();
}

void TdwCustomDBGrid::SetDataSource(TDataSource* Value) {
    dataLink_->SetDataSource(Value);
    LinkActiveChanged(dataLink_->Active());
}

void TdwCustomDBGrid::SetIndicatorButton(TdwIButton* Value) {
    if (indicatorButton_ == Value) return;
    if (indicatorButton_) indicatorButton_->RemoveFreeNotification(this);
    indicatorButton_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TdwCustomDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomGrid::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == indicatorButton_) indicatorButton_ = nullptr;
}

void TdwCustomDBGrid::SetTitleFont(TFont* Value) {
    titleFont_->Assign(Value);
    RebuildLayout();
}

void TdwCustomDBGrid::SetTitleColor(TColor Value) {
    if (titleColor_ == Value) return;
    titleColor_ = Value;
    RebuildLayout();
}

void TdwCustomDBGrid::SetTitleAlignment(TAlignment Value) {
    if (titleAlignment_ == Value) return;
    titleAlignment_ = Value;
    RebuildLayout();
}

void TdwCustomDBGrid::SetTitleLines(int Value) {
    if (Value < 1 || Value == titleLines_) return;
    titleLines_ = Value;
    RebuildLayout();
}

void TdwCustomDBGrid::SetRowHeightPercent(int Value) {
    if (Value < 1) {
        rowHeightPercent_ = 100;
        return;
    }
    if (Value == rowHeightPercent_) return;
    rowHeightPercent_ = Value;
    RebuildLayout();
}

void TdwCustomDBGrid::SetShowVertScrollBar(bool Value) {
    showVertScrollBar_ = Value;
    if (!Value && HandleAllocated()) ShowScrollBar(Handle(), SB_VERT, false);
    SyncScrollBar();
    Invalidate();
}

bool TdwCustomDBGrid::ShowHorzScrollBar() const {
    return ScrollBars() == ssHorizontal || ScrollBars() == ssBoth;
}

void TdwCustomDBGrid::SetShowHorzScrollBar(bool Value) {
    SetScrollBars(Value ? ssHorizontal : ssNone);
}

void TdwCustomDBGrid::SetDefaultDrawing(bool Value) {
    drawTexts_ = Value;
    Invalidate();
}

void TdwCustomDBGrid::SetTitleButtons(bool Value) {
    if (titleButtons_ == Value) return;
    titleButtons_ = Value;
    Invalidate();
}

void TdwCustomDBGrid::SetUseTFields(bool Value) {
    useTFields_ = Value;
    RebuildLayout();
}

void TdwCustomDBGrid::SetIndicatorColor(TIndicatorColorType Value) {
    indicatorColor_ = Value;
    RebuildLayout();
}

void TdwCustomDBGrid::SetOptions(TdwDBGridOptions Value) {
    if (Value == dbOptions_) return;
    TGridOptions grid;
    if (Value.Contains(dgColLines)) grid += TGridOptions{goFixedVertLine, goVertLine};
    if (Value.Contains(dgRowLines)) grid += TGridOptions{goFixedHorzLine, goHorzLine};
    if (Value.Contains(dgColumnResize)) grid += TGridOptions{goColSizing, goColMoving};
    if (Value.Contains(dgTabs)) grid.Include(goTabs);
    if (Value.Contains(dgRowSelect)) grid.Include(goRowSelect);
    if (Value.Contains(dgEditing) && !Value.Contains(dgRowSelect)) grid.Include(goEditing);
    if (Value.Contains(dgAlwaysShowEditor)) grid.Include(goAlwaysShowEditor);
    TCustomGrid::SetOptions(grid);
    if (auto* editor = dynamic_cast<TdwInplaceEdit*>(InplaceEditor()))
        editor->SetWordWrap(Value.Contains(dgWordWrap));
    const TdwDBGridOptions layout{
        dgEditing,   dgAlwaysShowEditor,    dgTitles,       dgIndicator, dgColLines, dgRowLines,
        dgRowSelect, dgAlwaysShowSelection, dgPerfectRowFit};
    const bool rebuild = !(((Value - dbOptions_) + (dbOptions_ - Value)) * layout).Empty();
    dbOptions_ = Value;
    if (rebuild) RebuildLayout();
    Invalidate();
}

TField* TdwCustomDBGrid::Fields(int Index) const {
    TDataSet* data = dataLink_->DataSet();
    if (!data || Index < 0 || Index >= FieldCount()) return nullptr;
    return data->Fields(dataLink_->FieldMap(Index));
}

// ============================================================================================
// Layout

int TdwCustomDBGrid::CharWidth() {
    Canvas()->Font()->Assign(Font());
    return Canvas()->TextWidth("0");
}

void TdwCustomDBGrid::CalcRowHeights() {
    Canvas()->Font()->Assign(Font());
    int height = Canvas()->TextHeight("W") + 2;
    if (dbOptions_.Contains(dgRowLines)) ++height;
    SetDefaultRowHeight(height * rowHeightPercent_ / 100);
    if (dbOptions_.Contains(dgTitles)) {
        Canvas()->Font()->Assign(titleFont_.get());
        int title = Canvas()->TextHeight("W") * titleLines_ + 4;
        if (!dbOptions_.Contains(dgRowLines)) ++title;
        SetRowHeights(0, title);
    }
}

TField* TdwCustomDBGrid::SelectedLineField(int Line) const {
    TDataSet* data = dataLink_->DataSet();
    if (!data || Line < 0 || Line >= selected_->Count()) return nullptr;
    return data->FindField(SplitTabs(selected_->Strings(Line))[0]);
}

void TdwCustomDBGrid::BuildFieldMap() {
    TDataSet* data = dataLink_->DataSet();
    if (!data) return;
    if (useTFields_) {
        for (int i = 0; i < data->FieldCount(); ++i)
            if (data->Fields(i)->Visible()) dataLink_->AddMapping(i);
        return;
    }
    int line = 0;
    while (line < selected_->Count()) {
        TField* field = SelectedLineField(line);
        if (!field && dataLink_->Active()) {
            selected_->Delete(line);
            continue;
        }
        if (field) dataLink_->AddMapping(field->GetIndex());
        ++line;
    }
}

void TdwCustomDBGrid::ApplyColumnAttributes() {
    TDataSet* data = dataLink_->DataSet();
    if (!data) return;
    const int digit = CharWidth();
    int column = 0;
    auto apply = [&](TField* field, int characters, const std::string& title) {
        int width = characters * digit + 4;
        if (dbOptions_.Contains(dgTitles)) {
            Canvas()->Font()->Assign(titleFont_.get());
            for (const std::string& piece : TitlePieces(title))
                width = std::max(width, Canvas()->TextWidth(piece) + 4);
        }
        const int col = indicatorOffset_ + column++;
        if (col >= ColCount()) return;
        SetColWidths(col, width);
        bool stop = !field->ReadOnly();
        if (stop && !EditCalculated) stop = !field->Calculated();
        SetTabStops(col, stop);
    };
    if (useTFields_) {
        for (int i = 0; i < FieldCount(); ++i) {
            TField* field = Fields(i);
            apply(field, field->GetDisplayWidth(), field->GetDisplayLabel());
        }
        return;
    }
    for (int line = 0; line < selected_->Count(); ++line) {
        TField* field = SelectedLineField(line);
        if (!field) continue;
        const std::vector<std::string> parts = SplitTabs(selected_->Strings(line));
        apply(field, StrToInt(parts.size() > 1 ? parts[1] : std::string()),
              field->GetDisplayLabel());
    }
}

void TdwCustomDBGrid::RebuildLayout() {
    if (ComponentState().Contains(csLoading) || !HandleAllocated() || layoutLock_ != 0) return;
    ++layoutLock_;
    inLayout_ = true;
    // The lock and the flag are released however the rebuild ends (a bad width raises).
    auto unlock = MakeScopeGuard([this] {
        inLayout_ = false;
        --layoutLock_;
    });
    titleOffset_ = dbOptions_.Contains(dgTitles) ? 1 : 0;
    CalcRowHeights();
    indicatorOffset_ = dbOptions_.Contains(dgIndicator) ? 1 : 0;
    dataLink_->ClearMapping();
    if (dataLink_->Active()) BuildFieldMap();
    int n = !useTFields_ && FieldCount() == 0 ? selected_->Count() : FieldCount();
    if (n == 0) n = 1;
    SetColCount(indicatorOffset_ + n);
    SetFixedCols(indicatorOffset_);
    if (indicatorOffset_ == 1) {
        SetColWidths(0, IndicatorWidth);
        if (Col() == 0) SetCol(1);
    }
    SyncRowCount();
    const int visible = VisibleRowCount();
    ApplyColumnAttributes();
    if (VisibleRowCount() != visible) SyncRowCount();
    inLayout_ = false;
    SyncActiveRow();
    if (FitToRowsWanted()) FitHeightToRows();
    Invalidate();
}

void TdwCustomDBGrid::LinkActiveChanged(bool Active) {
    if (!Active) HideEditor();
    RebuildLayout();
    SyncScrollBar();
}

void TdwCustomDBGrid::SyncRowCount() {
    if (inRowCountSync_) return;
    inRowCountSync_ = true;
    auto done = MakeScopeGuard([this] { inRowCountSync_ = false; });
    if (RowCount() <= titleOffset_) SetRowCount(titleOffset_ + 1);
    SetFixedRows(titleOffset_);
    if (dataLink_->Active() && dataLink_->RecordCount() > 0) {
        SetRowCount(kMaxRows);
        // The buffered records fill the rows from the first data row: a resize that scrolled
        // the platform grid to keep the current row in view is undone first.
        if (TopRow() != titleOffset_) SetTopRow(titleOffset_);
        // Fewer rows than records buffered, with the current one among those that go: the
        // link scrolls it into the rows left, so the top record changes.
        if (VisibleRowCount() < dataLink_->BufferCount() &&
            VisibleRowCount() + titleOffset_ <= Row()) {
            Invalidate();
            DoTopRowChanged();
        }
        dataLink_->SetBufferCount(VisibleRowCount());
        SetRowCount(dataLink_->RecordCount() + titleOffset_);
        SyncActiveRow();
    } else {
        SetRowCount(titleOffset_ + 1);
    }
}

void TdwCustomDBGrid::SyncActiveRow() {
    if (!dataLink_->Active() || inLayout_) return;
    int newRow = dataLink_->ActiveRecord() + titleOffset_;
    if (newRow != Row()) {
        if (!dbOptions_.Contains(dgAlwaysShowEditor)) HideEditor();
        if (newRow >= RowCount()) SyncRowCount();
        newRow = std::min(newRow, RowCount() - 1);
        MoveColRow(Col(), newRow, false, false);
    }
    TField* field = SelectedField();
    if (field && field->Text() != editText_) InvalidateEditor();
}

void TdwCustomDBGrid::SyncScrollBar() {
    if (!showVertScrollBar_ || !dataLink_->Active() || !HandleAllocated()) return;
    TDataSet* data = dataLink_->DataSet();
    int pos = 0;
    const bool proportional = ProportionalScrollPos(pos);
    if (!proportional) pos = data->Bof() ? 0 : data->Eof() ? 4 : 2;
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    info.nMin = 0;
    info.nMax = proportional ? kThumbRange : 4;
    SetScrollInfo(Handle(), SB_VERT, info, false);
    if (GetScrollPos(Handle(), SB_VERT) != pos) SetScrollPos(Handle(), SB_VERT, pos, true);
}

TdwTable* TdwCustomDBGrid::NumberedTable() const {
    auto* table = dynamic_cast<TdwTable*>(dataLink_->DataSet());
    return table && table->IsParadoxTable() ? table : nullptr;
}

bool TdwCustomDBGrid::ProportionalScrollPos(int& Pos) {
    TDataSet* data = NumberedTable();
    if (!data) return false;
    LongInt count = 0;
    LongInt seqNo = 0;
    if (DbiGetRecordCount(data->Handle(), &count) != dbiOK) return false;
    data->UpdateCursorPos();
    if (DbiGetSeqNo(data->Handle(), &seqNo) != dbiOK) return false;
    count = std::max<LongInt>(count, 2);
    if (data->Bof())
        Pos = 0;
    else if (data->Eof())
        Pos = kThumbRange;
    else
        Pos =
            std::clamp(static_cast<int>(static_cast<Int64>(seqNo - 1) * kThumbRange / (count - 1)),
                       0, kThumbRange);
    return true;
}

void TdwCustomDBGrid::Loaded() {
    TCustomGrid::Loaded();
    RebuildLayout();
}

void TdwCustomDBGrid::CreateWnd() {
    TCustomGrid::CreateWnd();
    RebuildLayout();
    SyncScrollBar();
}

void TdwCustomDBGrid::CMFontChanged(TMessage& Message) {
    TCustomGrid::CMFontChanged(Message);
    RebuildLayout();
}

void TdwCustomDBGrid::CMParentFontChanged(TMessage& Message) {
    TCustomGrid::CMParentFontChanged(Message);
    if (!ParentFont()) return;
    selfChangingTitleFont_ = true;
    auto done = MakeScopeGuard([this] { selfChangingTitleFont_ = false; });
    titleFont_->Assign(Font());
    RebuildLayout();
}

void TdwCustomDBGrid::TitleFontChanged() {
    if (!selfChangingTitleFont_ && !ComponentState().Contains(csLoading)) SetParentFont(false);
    if (dbOptions_.Contains(dgTitles)) RebuildLayout();
}

bool TdwCustomDBGrid::FitToRowsWanted() const {
    const TComponentState state = ComponentState();
    return state.Contains(csDesigning) && !state.Contains(csLoading) &&
           dbOptions_.Contains(dgPerfectRowFit) && Align() != alTop && Align() != alBottom &&
           Align() != alClient;
}

void TdwCustomDBGrid::FitHeightToRows() {
    const int bottom = CellRect(0, RowCount() - 1).Bottom + DefaultRowHeight() + 1;
    int columns = 1;
    for (int c = 0; c < ColCount(); ++c)
        columns += ColWidths(c) + (dbOptions_.Contains(dgColLines) ? GridLineWidth() : 0);
    if (showVertScrollBar_) columns += GetSystemMetrics(SM_CXVSCROLL) + 1;
    int wanted = Height();
    if (columns > Width() && ShowHorzScrollBar()) {
        const int fitted = GetSystemMetrics(SM_CYHSCROLL) + bottom + 5 - 1;
        if (fitted + DefaultRowHeight() > Height()) wanted = fitted;
    } else if (DefaultRowHeight() + bottom + 4 > Height()) {
        wanted = bottom + 4;
    }
    if (wanted != Height()) SetHeight(wanted);
}

void TdwCustomDBGrid::WMSize(TWMSize& Message) {
    TCustomGrid::WMSize(Message);
    if (layoutLock_ != 0) return;
    HideAttachedControl();
    HideEditor();
    SyncRowCount();
    if (FitToRowsWanted()) FitHeightToRows();
}

void TdwCustomDBGrid::DataSetChanged() {
    if (!HandleAllocated()) return;
    if (DataSource() && DataSource()->State() == dsBrowse) HideAttachedControl();
    SyncRowCount();
    SyncScrollBar();
    SyncActiveRow();
    InvalidateEditor();
    Invalidate();
}

void TdwCustomDBGrid::RecordChanged(TField* Field) {
    if (!HandleAllocated()) return;
    if (Field) {
        for (int i = 0; i < FieldCount(); ++i)
            if (Fields(i) == Field) InvalidateCell(indicatorOffset_ + i, Row());
    } else {
        InvalidateRow(Row());
    }
    TField* current = SelectedField();
    if ((!Field || Field == current) && current && current->Text() != editText_ && EditorMode()) {
        InplaceEditor()->UpdateContents();
        InplaceEditor()->SetSelLength(0);
    }
}

TRect TdwCustomDBGrid::DataArea() const {
    const int left = indicatorOffset_ ? ColWidths(0) + GridLineWidth() : 0;
    const int top = titleOffset_ ? RowHeights(0) + GridLineWidth() : 0;
    return TRect{left, top, ClientWidth(), ClientHeight()};
}

int TdwCustomDBGrid::DataRowPitch() const {
    return DefaultRowHeight() + GridLineWidth();
}

TRect TdwCustomDBGrid::RowBox(int ARow) const {
    const TRect first = CellRect(0, ARow);
    if (IsRectEmpty(first)) return first;
    return TRect{first.Left, first.Top, ClientWidth(), first.Bottom};
}

void TdwCustomDBGrid::ScrollRows(int Distance) {
    if (!HandleAllocated()) return;
    const TRect oldRow = RowBox(Row());
    SyncScrollBar();
    SyncActiveRow();
    const TRect newRow = RowBox(Row());
    InvalidateRect(Handle(), &oldRow, false);
    InvalidateRect(Handle(), &newRow, false);
    HideEditor();
    if (Distance != 0) {
        HideAttachedControl();
        if (std::abs(Distance) <= VisibleRowCount()) {
            // The rows still shown move with their pixels; only those that came into view and
            // the indicator's old and new rows are drawn again.
            const TRect area = DataArea();
            const int shift = Distance * DataRowPitch();
            ScrollWindow(Handle(), 0, -shift, &area);
            // Below the last whole row nothing is drawn: what moved there goes as well.
            TRect uncovered = area;
            TRect below = area;
            below.Top = area.Top + VisibleRowCount() * DataRowPitch();
            if (Distance > 0)
                uncovered.Top = area.Top + (VisibleRowCount() - Distance) * DataRowPitch();
            else
                uncovered.Bottom = area.Top - shift;
            InvalidateRect(Handle(), &uncovered, false);
            if (!IsRectEmpty(below)) InvalidateRect(Handle(), &below, false);
            if (dbOptions_.Contains(dgIndicator)) {
                InvalidateRow(selectedRowOnIndicator_);
                InvalidateRow(Row());
            }
        } else {
            Invalidate();
        }
        if (dbOptions_.Contains(dgAlwaysShowEditor) && !IsControlCell(Col(), Row()) &&
            !IsBlobField(SelectedField()))
            ShowEditor();
    }
    if (!dataLink_->DataSet()->ControlsDisabled() && Visible()) Update();
    if (Distance != 0) DoTopRowChanged();
}

void TdwCustomDBGrid::DoTopRowChanged() {
    if (OnTopRowChanged) OnTopRowChanged(this);
}

void TdwCustomDBGrid::InvalidateIndicator() {
    if (dbOptions_.Contains(dgIndicator)) InvalidateCell(0, selectedRowOnIndicator_);
    InvalidateCell(0, Row());
}

void TdwCustomDBGrid::ColWidthsChanged() {
    if (inLayout_ || !dbOptions_.Contains(dgColumnResize) || !dataLink_->Active() ||
        !HandleAllocated())
        return;
    const int digit = std::max(CharWidth(), 1);
    for (int i = 0; i < FieldCount(); ++i) {
        const int characters = (ColWidths(indicatorOffset_ + i) + digit / 2 - 3) / digit;
        if (useTFields_) {
            Fields(i)->SetDisplayWidth(characters);
        } else if (i < selected_->Count()) {
            const std::vector<std::string> parts = SplitTabs(selected_->Strings(i));
            selected_->SetStrings(i, parts[0] + "\t" + std::to_string(characters) + "\t" +
                                         (parts.size() > 2 ? parts[2] : std::string()));
        }
    }
    RebuildLayout();
}

void TdwCustomDBGrid::ColumnMoved(int FromIndex, int ToIndex) {
    const int from = DataColumnOf(FromIndex);
    const int to = DataColumnOf(ToIndex);
    if (useTFields_) {
        TField* moving = Fields(from);
        TField* target = Fields(to);
        if (moving && target) moving->SetIndex(target->GetIndex());
    } else if (from < selected_->Count() && to < selected_->Count()) {
        selected_->Exchange(from, to);
        RebuildLayout();
    }
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

// ============================================================================================
// Drawing

bool TdwCustomDBGrid::HighlightCell(int, int DataRow, const std::string&, TGridDrawState State) {
    if (dbOptions_.Contains(dgMultiSelect)) return IsRowSelected(DataRow);
    return State.Contains(gdSelected) && (dbOptions_.Contains(dgAlwaysShowSelection) || Focused() ||
                                          (InplaceEditor() && InplaceEditor()->Focused()));
}

void TdwCustomDBGrid::DoCalcCellColors(TField* Field, TGridDrawState State, bool Highlight,
                                       TFont* AFont, TBrush* ABrush) {
    if (OnCalcCellColors) OnCalcCellColors(this, Field, State, Highlight, AFont, ABrush);
    cellBrushWhite_ = ColorToRGB(ABrush->Color()) == ColorToRGB(clWhite);
    cellHighlighted_ = Highlight;
}

void TdwCustomDBGrid::DoTitleButtonClick(const std::string& AFieldName) {
    if (OnTitleButtonClick) OnTitleButtonClick(this, AFieldName);
}

void TdwCustomDBGrid::DoCalcTitleAttributes(const std::string& AFieldName, TFont* AFont,
                                            TBrush* ABrush, TAlignment& ATitleAlignment) {
    if (OnCalcTitleAttributes)
        OnCalcTitleAttributes(this, AFieldName, AFont, ABrush, ATitleAlignment);
}

void TdwCustomDBGrid::DoDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
    if (OnDrawDataCell) OnDrawDataCell(this, Rect, Field, State);
}

std::string TdwCustomDBGrid::GetFieldValue(int DataCol) {
    TField* field = Fields(DataCol);
    return field && dataLink_->Active() ? field->DisplayText() : std::string();
}

void TdwCustomDBGrid::WriteCellText(const TRect& Rect, int DX, int DY, TAlignment Alignment,
                                    const std::string& Text) {
    TCanvas* canvas = Canvas();
    const COLORREF back = ColorToRGB(canvas->Brush()->Color());
    if (GetNearestColor(canvas->Handle(), back) != back) {
        WriteCellTextOffScreen(Rect, DX, DY, Alignment, Text);
        return;
    }
    const int width = canvas->TextWidth(Text);
    int x = Rect.Left + DX;
    if (Alignment == taRightJustify)
        x = Rect.Right - width - 3;
    else if (Alignment == taCenter)
        x = Rect.Left + Rect.Width() / 2 - width / 2;
    canvas->TextRect(Rect, x, Rect.Top + DY, Text);
}

void TdwCustomDBGrid::WriteCellTextOffScreen(const TRect& Rect, int DX, int DY,
                                             TAlignment Alignment, const std::string& Text) {
    TCanvas* canvas = Canvas();
    const int width = Rect.Width();
    const int height = Rect.Height();
    if (width <= 0 || height <= 0) return;
    TCanvas* scratch = ScratchBitmap(width, height)->Canvas();
    scratch->Font()->Assign(canvas->Font());
    scratch->Brush()->Assign(canvas->Brush());
    const TRect cell{0, 0, width, height};
    scratch->FillRect(cell);
    scratch->Brush()->SetStyle(bsClear);
    SetBkMode(scratch->Handle(), TRANSPARENT);
    TRect text{DX, DY, width, height};
    UINT format = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
    if (Alignment == taRightJustify) {
        text = TRect{0, DY, width - 3, height};
        format |= DT_RIGHT;
    } else if (Alignment == taCenter) {
        text = TRect{0, DY, width, height};
        format |= DT_CENTER;
    }
    DrawText(scratch->Handle(), Text, &text, format);
    const TCopyMode mode = canvas->CopyMode();
    canvas->SetCopyMode(SRCCOPY);
    canvas->CopyRect(Rect, scratch, cell);
    canvas->SetCopyMode(mode);
}

void TdwCustomDBGrid::WriteCellTextWrapped(const TRect& Rect, int DX, int DY, TAlignment Alignment,
                                           const std::string& Text) {
    TCanvas* canvas = Canvas();
    const int room = Rect.Width() - DX;
    const int lineHeight = canvas->TextHeight("W");
    int y = Rect.Top + DY;
    std::string line;
    std::size_t i = 0;
    const auto flush = [&] {
        if (y >= Rect.Bottom) return false;
        // Each line clips to its own band, so it leaves the lines above it alone.
        const TRect band{Rect.Left, y, Rect.Right, std::min(y + lineHeight, Rect.Bottom)};
        WriteCellText(band, DX, 0, Alignment, line);
        y += lineHeight;
        line.clear();
        return y < Rect.Bottom;
    };
    // Leading blanks belong to the first word.
    std::size_t lead = Text.find_first_not_of(' ');
    line = Text.substr(0, lead == std::string::npos ? Text.size() : lead);
    i = line.size();
    while (i < Text.size()) {
        const char c = Text[i];
        if (c == '\t' || c == '\r' || c == '\n') {
            // A CR LF or LF CR pair is one break.
            const char next = i + 1 < Text.size() ? Text[i + 1] : 0;
            i += (c != '\t' && (next == '\r' || next == '\n') && next != c) ? 2 : 1;
            if (!flush()) return;
            continue;
        }
        if (c == ' ') {
            ++i;
            continue;
        }
        std::size_t end = Text.find_first_of(" \t\r\n", i);
        if (end == std::string::npos) end = Text.size();
        const std::string word = Text.substr(i, end - i);
        const std::string joined = line.empty() ? word : line + " " + word;
        if (!line.empty() && canvas->TextWidth(joined) > room) {
            if (!flush()) return;
            line = word;
        } else {
            line = joined;
        }
        i = end;
    }
    if (!line.empty()) flush();
}

// The indicator glyphs: a right-pointing arrow on the current record, an I-beam while it is
// edited and a star while it is inserted.
void TdwCustomDBGrid::DrawIndicator(const TRect& Rect, int) {
    TCanvas* canvas = Canvas();
    const TDataSetState state = dataLink_->DataSet()->State();
    const int cx = (Rect.Left + Rect.Right) / 2;
    const int cy = (Rect.Top + Rect.Bottom) / 2;
    const TColor ink = indicatorColor_ == icYellow ? clYellow : clBlack;
    canvas->Pen()->SetColor(ink);
    canvas->Brush()->SetColor(ink);
    if (state == dsEdit) {
        canvas->MoveTo(cx, cy - 4);
        canvas->LineTo(cx, cy + 5);
        canvas->MoveTo(cx - 2, cy - 4);
        canvas->LineTo(cx + 3, cy - 4);
        canvas->MoveTo(cx - 2, cy + 4);
        canvas->LineTo(cx + 3, cy + 4);
    } else if (state == dsInsert) {
        canvas->MoveTo(cx - 3, cy);
        canvas->LineTo(cx + 4, cy);
        canvas->MoveTo(cx, cy - 3);
        canvas->LineTo(cx, cy + 4);
        canvas->MoveTo(cx - 2, cy - 2);
        canvas->LineTo(cx + 3, cy + 3);
        canvas->MoveTo(cx + 2, cy - 2);
        canvas->LineTo(cx - 3, cy + 3);
    } else {
        canvas->Polygon({TPoint{cx - 2, cy - 4}, TPoint{cx + 2, cy}, TPoint{cx - 2, cy + 4}});
    }
}

void TdwCustomDBGrid::DrawTitle(int DataCol, const TRect& Rect) {
    TCanvas* canvas = Canvas();
    TAlignment alignment = titleAlignment_;
    TField* field = Fields(DataCol);
    std::string title;
    if (field) {
        DoCalcTitleAttributes(field->FieldName(), canvas->Font(), canvas->Brush(), alignment);
        title = field->GetDisplayLabel();
    }
    canvas->FillRect(Rect);
    const bool pressed = pressedTitleColumn_ == indicatorOffset_ + DataCol;
    const int shift = pressed ? 1 : 0;
    const std::vector<std::string> pieces = TitlePieces(title);
    const int lineHeight = canvas->TextHeight("W");
    const int lines = std::min<int>(titleLines_, static_cast<int>(pieces.size()));
    int y = titleLines_ > 1 ? static_cast<int>(Rect.Height() * 0.5 - lineHeight * lines * 0.5)
                            : kTextDY;
    for (int i = 0; i < lines; ++i, y += lineHeight)
        WriteCellText(Rect, kTextDX + shift, y + shift, alignment, pieces[i]);
    if (!titleButtons_) return;
    MarkCellFramed();
    DrawTitleButtonFrame(canvas, Rect, pressed);
}

void TdwCustomDBGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    TCanvas* canvas = Canvas();
    const bool fixed = AState.Contains(gdFixed);
    focusRectDrawn_ = false;
    cellFramed_ = false;
    cellBrushWhite_ = false;
    cellHighlighted_ = false;
    canvas->Font()->Assign(fixed ? titleFont_.get() : Font());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(fixed ? titleColor_ : GetColumnColor(ACol));
    const int dataCol = DataColumnOf(ACol);
    const int dataRow = DataRowOf(ARow);
    if (dataRow < 0) {
        if (dataCol < 0)
            canvas->FillRect(ARect);
        else
            DrawTitle(dataCol, ARect);
        return;
    }
    if (dataCol < 0) {
        canvas->FillRect(ARect);
        if (dataLink_->Active() && dataRow == dataLink_->ActiveRecord()) {
            DrawIndicator(ARect, dataRow);
            selectedRowOnIndicator_ = dataRow + titleOffset_;
        }
        return;
    }
    if (!dataLink_->Active() || dataRow >= dataLink_->RecordCount()) {
        canvas->FillRect(ARect);
        return;
    }
    const int oldActive = dataLink_->ActiveRecord();
    dataLink_->SetActiveRecord(dataRow);
    auto restore = MakeScopeGuard([&] { dataLink_->SetActiveRecord(oldActive); });
    TField* field = Fields(dataCol);
    const std::string value = GetFieldValue(dataCol);
    const bool highlight = HighlightCell(dataCol, dataRow, value, AState);
    if (highlight) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
    }
    DoCalcCellColors(field, AState, highlight, canvas->Font(), canvas->Brush());
    canvas->FillRect(ARect);
    const TAlignment alignment = field ? field->Alignment() : taLeftJustify;
    if (DefaultDrawing() && dbOptions_.Contains(dgWordWrap))
        WriteCellTextWrapped(ARect, kTextDX, kTextDY, alignment, value);
    else if (DefaultDrawing())
        WriteCellText(ARect, kTextDX, kTextDY, alignment, value);
    DoDrawDataCell(ARect, field, AState);
    if (DefaultDrawing() && highlight && !dbOptions_.Contains(dgRowSelect) &&
        AState.Contains(gdFocused)) {
        canvas->DrawFocusRect(ARect);
        focusRectDrawn_ = true;
    }
}

void TdwCustomDBGrid::DrawCheckBox(const TRect& Rect, int, bool Checked, int) {
    const TdwCheckBoxInGridStyle style = DwIntl().CheckBoxInGridStyle();
    const int x = Rect.Left + (Rect.Width() - kCheckBoxSize) / 2;
    const int y = Rect.Top + (Rect.Height() - kCheckBoxSize) / 2;
    TCanvas* canvas = Canvas();
    if (style == cbStyleCheckmark || (style == cbStyleAuto && NewStyleControls)) {
        DrawCheckBoxFrame(canvas, x, y);
        if (Checked) DrawCheckMark(canvas, x, y);
        return;
    }
    // Drawn off screen on the cell's background, then copied in one piece with a pixel of the
    // background around it.
    const int size = kCheckBoxSize + 2;
    TCanvas* scratch =
        ScratchBitmap(std::max(ClientWidth(), size), std::max(ClientHeight(), size))->Canvas();
    scratch->Brush()->SetStyle(bsSolid);
    scratch->Brush()->SetColor(canvas->Brush()->Color());
    scratch->FillRect(TRect{0, 0, size, size});
    DrawCheckBoxFrame(scratch, 1, 1);
    if (Checked) DrawCrossMark(scratch, 1, 1);
    const TCopyMode mode = canvas->CopyMode();
    canvas->SetCopyMode(SRCCOPY);
    canvas->CopyRect(TRect{x - 1, y - 1, x - 1 + size, y - 1 + size}, scratch,
                     TRect{0, 0, size, size});
    canvas->SetCopyMode(mode);
}

void TdwCustomDBGrid::DrawCellBorders(int ACol, int ARow, const TRect& Rect, TGridDrawState State) {
    if (cellFramed_) return;
    const bool title = DataRowOf(ARow) < 0;
    const bool indicator = DataColumnOf(ACol) < 0;
    const bool whiteGrid = ColorToRGB(Color()) == ColorToRGB(clWhite);
    TCanvas* canvas = Canvas();
    if (!title && !indicator) {
        if (whiteGrid && cellBrushWhite_) return;
        if (whiteGrid && cellHighlighted_ && canvas->Brush()->Color() == clHighlight) return;
        if (!Ctl3D()) return;
    }
    cellFramed_ = true;
    const int l = Rect.Left;
    const int t = Rect.Top;
    const int r = Rect.Right;
    const int b = Rect.Bottom;
    const bool rowLines = dbOptions_.Contains(dgRowLines);
    const TColor farEdge = State.Contains(gdFixed) ? clBlack : clBtnShadow;
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
    if (dbOptions_.Contains(dgColLines)) {
        if (!rowLines) {
            Line(canvas, clBtnHighlight, l, b, l, t - 1);
            if (ACol >= indicatorOffset_) Line(canvas, clBtnShadow, r, b, r, t - 1);
        } else if (cellBrushWhite_) {
            Line(canvas, clBtnHighlight, l, b, l, t);
        } else {
            if (!focusRectDrawn_) Line(canvas, clBtnHighlight, l, b, l, t);
            Line(canvas, farEdge, r, b, r, t);
        }
    }
    if (whiteGrid && title && !rowLines) Line(canvas, clBlack, l, b - 1, r, b - 1);
    if (!rowLines) {
        if (title) Line(canvas, clBtnHighlight, l, t, r, t);
    } else if (cellBrushWhite_) {
        Line(canvas, l, t, r, t);
    } else {
        if (!focusRectDrawn_) Line(canvas, clBtnHighlight, l, t, r, t);
        Line(canvas, farEdge, l, b, r, b);
    }
}

// ============================================================================================
// Editing

TInplaceEdit* TdwCustomDBGrid::CreateEditor() {
    return new TdwInplaceEdit(this);
}

bool TdwCustomDBGrid::CanEditAcceptKey(char Key) {
    TField* field = SelectedField();
    return dataLink_->Active() && FieldCount() > 0 && field && field->IsValidChar(Key);
}

int TdwCustomDBGrid::GetEditLimit() {
    TField* field = SelectedField();
    return dynamic_cast<TStringField*>(field) ? field->Size() : 0;
}

bool TdwCustomDBGrid::CanEditModify() {
    if (readOnly_ || !dataLink_->Active() || dataLink_->ReadOnly() || FieldCount() == 0)
        return false;
    TField* field = SelectedField();
    if (!field) return false;
    const bool calculatedAllowed =
        EditCalculated && dwIsCalculatedField(field) && !field->ReadOnly();
    if (!field->CanModify() && !calculatedAllowed) return false;
    dataLink_->Edit();
    if (dataLink_->Editing()) dataLink_->MarkModified();
    return dataLink_->Editing();
}

std::string TdwCustomDBGrid::GetEditMask(int ACol, int) {
    TField* field = Fields(DataColumnOf(ACol));
    return field ? field->EditMask() : std::string();
}

std::string TdwCustomDBGrid::GetEditText(int ACol, int) {
    TField* field = Fields(DataColumnOf(ACol));
    editText_ = field ? field->Text() : std::string();
    return editText_;
}

void TdwCustomDBGrid::SetEditText(int, int, const std::string& Value) {
    editText_ = Value;
}

void TdwCustomDBGrid::StoreEditText() {
    TField* field = SelectedField();
    if (field) field->SetEditText(editText_);
}

bool TdwCustomDBGrid::RequestEdit() {
    if (readOnly_) return false;
    return dataLink_->Edit();
}

void TdwCustomDBGrid::StorePendingEdit() {
    if (EditorMode()) SetEditText(Col(), Row(), InplaceEditor()->Text());
    dataLink_->UpdateRecord();
}

// ============================================================================================
// Navigation

void TdwCustomDBGrid::SetSelectedIndex(int Value) {
    auto* editor = dynamic_cast<TdwInplaceEdit*>(InplaceEditor());
    // The editor's own flag counts too: handing a key to the grid has already taken the text.
    const bool pending = editor && (dataLink_->IsModified() || editor->Modified());
    if (pending && !editor->Picture()->PictureMask().empty() &&
        !editor->CheckValue(editor->Text()) && !editor->Picture()->AllowInvalidExit()) {
        editor->SelectAll();
        dataLink_->MarkModified();
        TField* field = SelectedField();
        TdwInvalidValueEvent handler = dwGetInvalidValueEvent(dataLink_->DataSet());
        if (handler) {
            handler(dataLink_->DataSet(), field);
            return;
        }
        MessageBeep(0);
        throw EInvalidGridOperation("Invalid input value.  Use escape key to abandon changes");
    }
    StorePendingEdit();
    Value = std::clamp(Value, 0, std::max(FieldCount() - 1, 0));
    Value = std::max(Value, FixedCols() - indicatorOffset_);
    if (Value == SelectedIndex()) return;
    if (!inColumnExit_) {
        inColumnExit_ = true;
        auto done = MakeScopeGuard([this] { inColumnExit_ = false; });
        const int before = SelectedIndex();
        DoColExit();
        if (SelectedIndex() != before) return;
    }
    HideEditor();
    SetCol(indicatorOffset_ + Value);
    if (dbOptions_.Contains(dgAlwaysShowEditor) && !suppressEditor_) {
        if (!IsControlCell(Col(), Row())) HideAttachedControl();
        if (!IsBlobField(SelectedField())) ShowEditor();
    }
    DoColEnter();
}

void TdwCustomDBGrid::DoColEnter() {
    if (OnColEnter) OnColEnter(this);
}

void TdwCustomDBGrid::DoColExit() {
    if (OnColExit) OnColExit(this);
}

void TdwCustomDBGrid::NextRow() {
    TDataSet* data = dataLink_->DataSet();
    if (data->State() == dsInsert && !data->Modified() && !dataLink_->IsModified()) {
        if (!data->Eof()) data->Cancel();
        return;
    }
    if (data->Eof() && data->State() != dsInsert && dataLink_->ActiveRecord() >= 0 &&
        dataLink_->ActiveRecord() < dataLink_->RecordCount() - 1) {
        dataLink_->SetActiveRecord(dataLink_->ActiveRecord() + 1);
        Invalidate();
        return;
    }
    data->Next();
}

void TdwCustomDBGrid::PriorRow() {
    TDataSet* data = dataLink_->DataSet();
    if (data->State() == dsInsert && data->Eof() && !data->Modified() && !dataLink_->IsModified()) {
        data->Cancel();
        return;
    }
    if (data->Bof() && dataLink_->ActiveRecord() > 0) {
        dataLink_->SetActiveRecord(dataLink_->ActiveRecord() - 1);
        Invalidate();
        return;
    }
    data->Prior();
}

void TdwCustomDBGrid::TabColumn(bool Forward) {
    const int start = SelectedIndex();
    int column = start;
    const int step = Forward ? 1 : -1;
    for (;;) {
        column += step;
        if (column >= FieldCount() || column < 0) {
            suppressEditor_ = start == (Forward ? FieldCount() - 1 : 0);
            auto done = MakeScopeGuard([this] { suppressEditor_ = false; });
            HideAttachedControl();
            dataLink_->UpdateRecord();
            if (Forward)
                NextRow();
            else
                PriorRow();
            column = Forward ? 0 : FieldCount() - 1;
        }
        if (column == start) return;
        if (TabStops(indicatorOffset_ + column)) {
            SetSelectedIndex(column);
            return;
        }
    }
}

void TdwCustomDBGrid::DeleteCurrent() {
    TDataSet* data = dataLink_->DataSet();
    if (!KeyOptions.Contains(dgAllowDelete) || readOnly_ || !data->CanModify() ||
        !dbOptions_.Contains(dgEditing))
        return;
    if (dbOptions_.Contains(dgConfirmDelete) &&
        MessageDlg("Delete record?", mtConfirmation, {mbOK, mbCancel}, 0) != mrOk)
        return;
    data->Delete();
    HideEditor();
}

void TdwCustomDBGrid::Escape() {
    dataLink_->CancelGridEdit();
    if (!dbOptions_.Contains(dgAlwaysShowEditor))
        HideEditor();
    else if (OnCheckValue && InplaceEditor())
        static_cast<TdwInplaceEdit*>(InplaceEditor())->CheckValue(InplaceEditor()->Text());
}

void TdwCustomDBGrid::KeyDown(Word& Key, TShiftState Shift) {
    CallEvent(OnKeyDown, this, Key, Shift);
    if (Key == 0 || !dataLink_->Active() || !CanGridAcceptKey(Key, Shift)) return;
    TDataSet* data = dataLink_->DataSet();
    const Word key = Key;
    Key = 0;
    if (Shift.Contains(ssCtrl)) {
        switch (key) {
        case VK_PRIOR:
        case VK_UP: data->MoveBy(-dataLink_->ActiveRecord()); break;
        case VK_NEXT:
        case VK_DOWN: data->MoveBy(dataLink_->BufferCount() - dataLink_->ActiveRecord() - 1); break;
        case VK_HOME: data->First(); break;
        case VK_END: data->Last(); break;
        case VK_LEFT: SetSelectedIndex(0); break;
        case VK_RIGHT: SetSelectedIndex(data->FieldCount() - 1); break;
        case VK_DELETE: DeleteCurrent(); break;
        default: Key = key; break;
        }
        return;
    }
    const bool rowSelect = dbOptions_.Contains(dgRowSelect);
    switch (key) {
    case VK_UP: PriorRow(); break;
    case VK_DOWN: NextRow(); break;
    case VK_LEFT:
        if (rowSelect)
            PriorRow();
        else
            SetSelectedIndex(SelectedIndex() - 1);
        break;
    case VK_RIGHT:
        if (rowSelect)
            NextRow();
        else
            SetSelectedIndex(SelectedIndex() + 1);
        break;
    case VK_HOME:
    case VK_END:
        if (data->FieldCount() == 1 || rowSelect) {
            if (key == VK_HOME)
                data->First();
            else
                data->Last();
        } else {
            SetSelectedIndex(key == VK_HOME ? 0 : FieldCount() - 1);
        }
        break;
    case VK_PRIOR: data->MoveBy(-VisibleRowCount()); break;
    case VK_NEXT: data->MoveBy(VisibleRowCount()); break;
    case VK_INSERT:
        if (dbOptions_.Contains(dgEditing) && KeyOptions.Contains(dgAllowInsert) && !readOnly_)
            data->Insert();
        break;
    case VK_TAB:
        if (!Shift.Contains(ssAlt)) TabColumn(!Shift.Contains(ssShift));
        break;
    case VK_RETURN:
        if (KeyOptions.Contains(dgEnterToTab))
            TabColumn(true);
        else
            Key = key;
        break;
    case VK_ESCAPE: Escape(); break;
    case VK_F2:
        if (SelectedField() && !IsBlobField(SelectedField()) && !IsControlCell(Col(), Row()))
            SetEditorMode(true);
        break;
    default: Key = key; break;
    }
}

void TdwCustomDBGrid::KeyPress(char& Key) {
    if (Key == '\r' && KeyOptions.Contains(dgEnterToTab)) Key = '\t';
    if (Key == '\r' && !dbOptions_.Contains(dgAlwaysShowEditor)) StorePendingEdit();
    TCustomGrid::KeyPress(Key);
}

bool TdwCustomDBGrid::TakeFocus() {
    if (!TakeFocusOnClick || !CanFocus() || ComponentState().Contains(csDesigning)) return true;
    const auto hasFocus = [this] {
        return Focused() || (InplaceEditor() && InplaceEditor()->Focused());
    };
    if (!hasFocus()) SetFocus();
    return hasFocus();
}

void TdwCustomDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (!TakeFocus()) return;
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        DblClick();
        return;
    }
    if (SizingColAt(X, Y) >= 0) {
        StorePendingEdit();
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X >= 0 && cell.Y >= 0 && cell.Y < titleOffset_) {
        MouseDownOnTitle(Button, Shift, X, Y, cell);
        return;
    }
    if (cell.X >= 0 && cell.Y >= 0 && dataLink_->Active()) {
        ClickDataCell(cell);
        if (dbOptions_.Contains(dgMultiSelect)) SelectClicked(Shift);
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TdwCustomDBGrid::MouseDownOnTitle(TMouseButton Button, TShiftState Shift, int X, int Y,
                                       TGridCoord Cell) {
    const bool designing = ComponentState().Contains(csDesigning);
    const bool buttons = titleButtons_ && !designing;
    // The platform's handling moves or sizes columns and fires OnMouseDown itself.
    if ((designing || dbOptions_.Contains(dgColumnResize)) && !buttons) {
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (buttons && Button == mbLeft) {
        pressedTitleColumn_ = Cell.X;
        pressedTitleRow_ = Cell.Y;
        InvalidateCell(Cell.X, Cell.Y);
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TdwCustomDBGrid::ClickDataCell(TGridCoord Cell) {
    if (Cell.X == Col() && Cell.Y == Row()) {
        if (!IsControlCell(Cell.X, Cell.Y) && !IsBlobField(SelectedField())) ShowEditor();
        return;
    }
    suppressEditor_ = Cell.Y != Row();
    auto done = MakeScopeGuard([this] { suppressEditor_ = false; });
    if (Cell.X >= FixedCols()) SetSelectedIndex(DataColumnOf(Cell.X));
    if (Cell.Y != Row()) dataLink_->DataSet()->MoveBy(Cell.Y - Row());
}

void TdwCustomDBGrid::SelectClicked(TShiftState Shift) {
    const bool toggle = Shift.Contains(ssCtrl) || Shift.Contains(ssShift);
    const bool autoUnselect = !toggle && MultiSelectOptions.Contains(msoAutoUnselect);
    if (toggle) {
        if (IsCurrentRecordSelected())
            UnselectRecord();
        else
            SelectRecord();
    } else if (autoUnselect) {
        UnselectAll();
        SelectRecord();
    }
    if (MultiSelectOptions.Contains(msoShiftSelect) && (toggle || autoUnselect))
        MarkSelectionAnchor();
    Invalidate();
}

void TdwCustomDBGrid::MarkSelectionAnchor() {
    TDataSet* data = dataLink_->DataSet();
    data->CheckBrowseMode();
    selectionAnchor_ = data->GetBookmark();
}

void TdwCustomDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (pressedTitleColumn_ < 0) return;
    const int column = pressedTitleColumn_;
    const int row = pressedTitleRow_;
    pressedTitleColumn_ = -1;
    pressedTitleRow_ = -1;
    InvalidateCell(column, row);
    const TGridCoord cell = MouseCoord(X, Y);
    if (Y >= 0 && cell.X == column && cell.Y == row) {
        if (TField* field = Fields(DataColumnOf(column))) DoTitleButtonClick(field->FieldName());
    }
}

void TdwCustomDBGrid::TimedScroll(TGridScrollDirection Direction) {
    if (!dataLink_->Active()) {
        TCustomGrid::TimedScroll(Direction);
        return;
    }
    if (Direction == sdUp)
        dataLink_->DataSet()->MoveBy(-(dataLink_->ActiveRecord() + 1));
    else if (Direction == sdDown)
        dataLink_->DataSet()->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord());
    else
        TCustomGrid::TimedScroll(Direction);
}

void TdwCustomDBGrid::WMVScroll(TWMScroll& Message) {
    if (!TakeFocus() || !dataLink_->Active()) return;
    TDataSet* data = dataLink_->DataSet();
    switch (Message.ScrollCode) {
    case SB_LINEUP: PriorRow(); break;
    case SB_LINEDOWN: NextRow(); break;
    case SB_PAGEUP: data->MoveBy(-VisibleRowCount()); break;
    case SB_PAGEDOWN: data->MoveBy(VisibleRowCount()); break;
    case SB_THUMBPOSITION: ThumbTo(Message.Pos); break;
    case SB_TOP: data->First(); break;
    case SB_BOTTOM: data->Last(); break;
    default: break;
    }
}

void TdwCustomDBGrid::ThumbTo(int Pos) {
    TDataSet* data = dataLink_->DataSet();
    TdwTable* table = NumberedTable();
    if (table && Pos >= kThumbRange) {
        data->Last();
        return;
    }
    // Without a record count the bar has the five positions.
    if (table && Pos > 0 && ThumbToSequence(table, Pos)) return;
    switch (Pos) {
    case 0: data->First(); break;
    case 1: data->MoveBy(-VisibleRowCount()); break;
    case 3: data->MoveBy(VisibleRowCount()); break;
    case 4: data->Last(); break;
    default: break;
    }
}

bool TdwCustomDBGrid::ThumbToSequence(TdwTable* Table, int Pos) {
    LongInt count = 0;
    if (DbiGetRecordCount(Table->Handle(), &count) != dbiOK) return false;
    Table->CheckBrowseMode();
    const auto seqNo = static_cast<LongInt>(static_cast<long long>(Pos) * count / kThumbRange + 1);
    DbiSetToSeqNo(Table->Handle(), seqNo);
    Table->CursorPosChanged();
    Table->Resync(0);
    return true;
}

void TdwCustomDBGrid::CMExit(TMessage& Message) {
    if (dataLink_->Active()) {
        TDataSet* data = dataLink_->DataSet();
        if (dbOptions_.Contains(dgCancelOnExit) && data->State() == dsInsert && !data->Modified() &&
            !dataLink_->IsModified() && CanCancelInsertOnExit()) {
            data->Cancel();
        } else {
            try {
                StorePendingEdit();
            } catch (...) {
                SetFocus();
                throw;
            }
        }
    }
    TCustomGrid::CMExit(Message);
}
