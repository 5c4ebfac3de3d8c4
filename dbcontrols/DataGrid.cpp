#include "dbcontrols/DataGrid.h"

#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/MemoForm.h"
#include "dbcontrols/SharedRoutines.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cctype>

TdwMemoDialog::TdwMemoDialog(TComponent* AOwner)
    : TComponent(AOwner), dataLink_(std::make_unique<TFieldDataLink>()),
      font_(std::make_unique<TFont>()) {}

TdwMemoDialog::~TdwMemoDialog() = default;

void TdwMemoDialog::DoInitDialog(TdwMemoDlg* Dialog) {
    if (OnInitDialog) OnInitDialog(Dialog);
}

void TdwMemoDialog::DoCloseDialog(TdwMemoDlg* Dialog) {
    if (OnCloseDialog) OnCloseDialog(Dialog);
}

TField* TdwMemoDialog::FindField() const {
    TDataSource* source = DataSource();
    if (!source || !source->DataSet() || DataField().empty()) return nullptr;
    return source->DataSet()->FieldByName(DataField());
}

bool TdwMemoDialog::Execute() {
    TField* field = FindField();
    // Nothing is offered for editing that could not be stored.
    const bool editable = !MemoAttributes.Contains(mViewOnly) &&
                          (!field || (field->CanModify() && field->DataSet()->CanModify()));
    std::unique_ptr<TdwMemoDlg> form = std::make_unique<TdwMemoDlg>(Application);
    TCustomForm* owner = Application->MainForm();
    if (owner && owner->FormStyle() == fsStayOnTop) form->SetFormStyle(fsStayOnTop);
    form->MemoDialog = this;
    dialog_ = form.get();
    auto clear = MakeScopeGuard([this] { dialog_ = nullptr; });
    if (field) form->Memo->SetText(field->AsString());
    form->Memo->SetWordWrap(MemoAttributes.Contains(mWordWrap));
    form->SetFormBorderStyle(MemoAttributes.Contains(mSizeable) ? bsSizeable : bsDialog);
    form->DialogFont = font_.get();
    form->DialogCaption = Caption;
    if (!editable) {
        form->CancelBtn->SetVisible(false);
        form->Memo->SetReadOnly(true);
    }
    form->InitialBounds = Rect(DlgLeft, DlgTop, DlgLeft + DlgWidth, DlgTop + DlgHeight);
    form->UserButton1->SetCaption(UserButton1Caption);
    form->UserButton2->SetCaption(UserButton2Caption);
    const TModalResult result = form->ShowModal();
    DoCloseDialog(form.get());
    if (result == mrOk && editable && field && form->Memo->Modified()) {
        field->DataSet()->Edit();
        field->SetAsString(form->Memo->Text());
    }
    return result == mrOk && editable;
}

// ============================================================================================
// Cell contents

std::string MemoCellText(const std::string& Memo, bool WordWrap) {
    std::string text = Memo.substr(0, kMemoCellLength);
    if (!WordWrap) text = text.substr(0, std::min(text.find('\r'), text.find('\n')));
    return text;
}

TdwBitmapPlacement dwPlaceBitmap(const std::string& Fit, int PictureWidth, int PictureHeight,
                                 const TRect& Cell) {
    TdwBitmapPlacement p;
    const int cw = Cell.Width();
    const int ch = Cell.Height();
    if (PictureWidth <= 0 || PictureHeight <= 0 || cw <= 0 || ch <= 0) return p;
    p.Source = Rect(0, 0, PictureWidth, PictureHeight);
    if (Fit == "Stretch To Fit") {
        p.Dest = Cell;
        p.Drawn = true;
    } else if (Fit == "Fit Height" || Fit == "Fit Width") {
        // One side of the picture fills the cell's; the other scales along and is cropped to
        // the cell when it grows past it.
        const bool byHeight = Fit == "Fit Height";
        const int pictureScaled = byHeight ? PictureWidth : PictureHeight;
        const int pictureFilled = byHeight ? PictureHeight : PictureWidth;
        const int cellScaled = byHeight ? cw : ch;
        const int cellFilled = byHeight ? ch : cw;
        int length = pictureScaled * cellFilled / pictureFilled;
        int source = pictureScaled;
        if (length > cellScaled) {
            source = pictureScaled * cellScaled / length;
            length = cellScaled;
        }
        p.Drawn = length >= 3 && cellFilled >= 3;
        if (byHeight) {
            p.Source.Right = source;
            p.Dest = Rect(Cell.Left + 1, Cell.Top, Cell.Left + length, Cell.Top + ch - 1);
        } else {
            p.Source.Bottom = source;
            p.Dest = Rect(Cell.Left + 1, Cell.Top, Cell.Left + cw, Cell.Top + length - 1);
        }
    } else {
        p.Source = Rect(0, 0, std::min(PictureWidth, cw - 1), std::min(PictureHeight, ch - 1));
        p.Dest = Rect(Cell.Left + 1, Cell.Top + 1, Cell.Left + 1 + p.Source.Right,
                      Cell.Top + 1 + p.Source.Bottom);
        p.Drawn = p.Source.Right > 0 && p.Source.Bottom > 0;
    }
    return p;
}

DWORD dwBitmapRasterOp(const std::string& Name) {
    static const std::pair<const char*, DWORD> kOps[] = {{"Source Copy", SRCCOPY},
                                                         {"Source Paint", SRCPAINT},
                                                         {"Source And", SRCAND},
                                                         {"Source Invert", SRCINVERT},
                                                         {"Source Erase", SRCERASE},
                                                         {"Not Source Copy", NOTSRCCOPY},
                                                         {"Not Source Erase", NOTSRCERASE},
                                                         {"Merge Paint", MERGEPAINT}};
    for (const auto& [name, op] : kOps)
        if (Name == name) return op;
    return SRCCOPY;
}

namespace {

// Destinations of rich text whose groups hold no shown text.
bool IsHiddenDestination(const std::string& Word) {
    static const char* const kHidden[] = {
        "fonttbl", "colortbl",  "stylesheet",        "info",     "pict", "header", "footer",
        "object",  "listtable", "listoverridetable", "generator"};
    return std::any_of(std::begin(kHidden), std::end(kHidden),
                       [&](const char* h) { return Word == h; });
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

std::string dwRichTextPlain(const std::string& Rich) {
    if (Rich.rfind("{\\rtf", 0) != 0) return Rich;
    std::string out;
    std::vector<bool> hidden{false};
    std::size_t i = 0;
    const std::size_t n = Rich.size();
    const auto emit = [&](const std::string& text) {
        if (!hidden.back()) out += text;
    };
    while (i < n) {
        const char c = Rich[i++];
        if (c == '{') {
            hidden.push_back(hidden.back());
        } else if (c == '}') {
            if (hidden.size() > 1) hidden.pop_back();
        } else if (c == '\r' || c == '\n') {
            continue;
        } else if (c != '\\') {
            emit(std::string(1, c));
        } else if (i < n && (Rich[i] == '\\' || Rich[i] == '{' || Rich[i] == '}')) {
            emit(std::string(1, Rich[i++]));
        } else if (i < n && Rich[i] == '*') {
            hidden.back() = true;
            ++i;
        } else if (i < n && Rich[i] == '\'') {
            // A character by its code in two hex digits; a code cut short shows nothing.
            if (i + 2 < n && HexDigit(Rich[i + 1]) >= 0 && HexDigit(Rich[i + 2]) >= 0) {
                emit(std::string(
                    1, static_cast<char>(HexDigit(Rich[i + 1]) * 16 + HexDigit(Rich[i + 2]))));
                i += 3;
            } else {
                i = n;
            }
        } else if (i < n && std::isalpha(static_cast<unsigned char>(Rich[i]))) {
            std::string word;
            while (i < n && std::isalpha(static_cast<unsigned char>(Rich[i])))
                word += Rich[i++];
            std::string number;
            if (i < n && (Rich[i] == '-' || std::isdigit(static_cast<unsigned char>(Rich[i])))) {
                number += Rich[i++];
                while (i < n && std::isdigit(static_cast<unsigned char>(Rich[i])))
                    number += Rich[i++];
            }
            if (i < n && Rich[i] == ' ') ++i;
            if (word == "par" || word == "line") {
                emit("\r\n");
            } else if (word == "tab") {
                emit("\t");
            } else if (word == "u" && !number.empty()) {
                // A character beyond the code page shows as '?', its fallback character skipped.
                const long code = std::strtol(number.c_str(), nullptr, 10);
                emit(std::string(1, code >= 0 && code < 256 ? static_cast<char>(code) : '?'));
                if (i < n && Rich[i] != '\\' && Rich[i] != '{' && Rich[i] != '}') ++i;
            } else if (IsHiddenDestination(word)) {
                hidden.back() = true;
            }
        } else if (i < n) {
            // Control symbols: a non-breaking space shows as a blank; the others as nothing.
            if (Rich[i] == '~') emit(" ");
            ++i;
        }
    }
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n'))
        out.pop_back();
    return out;
}

// ============================================================================================
// TdwDBGrid: settings

TdwDBGrid::TdwDBGrid(TComponent* AOwner) : TdwCustomDBGrid(AOwner) {}

TdwDBGrid::~TdwDBGrid() {
    ForgetAttachments();
}

TdwDataSource* TdwDBGrid::DataSource() const {
    return dynamic_cast<TdwDataSource*>(DataLink()->DataSource());
}

void TdwDBGrid::SetFixedCols(int Value) {
    TDataSet* data = DataLink()->DataSet();
    const bool leavesNoScrolling =
        data && data->Active() && IndicatorOffset() + Value >= ColCount();
    if (ComponentState().Contains(csDesigning) && (Value < 0 || leavesNoScrolling)) {
        MessageDlg(kdwInvalidFixedCols, mtWarning, {mbOK}, 0);
        return;
    }
    fixedDataCols_ = Value;
    RebuildLayout();
}

TColor TdwDBGrid::GetColumnColor(int ACol) const {
    return ACol < IndicatorOffset() + fixedDataCols_ ? TitleColor() : Color();
}

void TdwDBGrid::SetMemoAttributes(TdwMemoAttributes Value) {
    memoAttributes_ = Value;
    ApplyDataSetSettings();
    Invalidate();
}

void TdwDBGrid::ApplyDataSetSettings() {
    TdwDataSource* source = DataSource();
    TDataSet* data = source ? source->DataSet() : nullptr;
    if (applying_ || !data) return;
    if (!dwIsDerivedDataSet(data)) {
        MessageDlg(kdwGridNeedsDerivedDataSet, mtWarning, {mbOK}, 0);
        SetDataSource(nullptr);
        return;
    }
    const bool designing = ComponentState().Contains(csDesigning);
    applying_ = true;
    data->DisableControls();
    auto done = MakeScopeGuard([&] {
        data->EnableControls();
        applying_ = false;
    });
    dwCleanLookupDefinitions(data, dwGetLookupFields(data), dwGetLookupLinks(data),
                             dwGetControlTypes(data));
    dwCleanControlTypes(data, EditControlOptions.Contains(ecoSearchOwnerForm)
                                  ? static_cast<TComponent*>(GetParentForm(this))
                                  : dwOwningForm(this));
    bool calculated = false;
    for (int i = 0; i < data->FieldCount(); ++i)
        calculated = calculated || data->Fields(i)->Calculated();
    if (Selected()->Count() > 0 && (designing || !calculated)) {
        if (UseTFields()) {
            dwRestoreFieldLayout(data, Selected());
        } else {
            PrepareAttachedControls();
            RebuildLayout();
        }
        if (designing && UseTFields()) dwSaveFieldLayout(data, Selected());
    }
    settingsApplied_ = true;
}

void TdwDBGrid::LinkActiveChanged(bool Active) {
    TdwCustomDBGrid::LinkActiveChanged(Active);
    RefreshSelectionFlags();
    if (Active) ApplyDataSetSettings();
}

void TdwDBGrid::Loaded() {
    TdwCustomDBGrid::Loaded();
    if (!attachmentsPrepared_) {
        PrepareAttachedControls();
        RebuildLayout();
    }
}

void TdwDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
    TdwCustomDBGrid::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (shownControl_ == AComponent) shownControl_ = nullptr;
    std::erase_if(attachments_, [&](const TAttachment& a) { return a.Control == AComponent; });
}

// ============================================================================================
// Layout

void TdwDBGrid::ApplyColumnAttributes() {
    TDataSet* data = DataLink()->DataSet();
    if (ComponentState().Contains(csDesigning) && UseTFields() && data)
        dwSaveFieldLayout(data, Selected());
    const int fixed = IndicatorOffset() + fixedDataCols_;
    if (data && data->Active() && fixed != TCustomGrid::FixedCols() && fixed < ColCount() &&
        fixedDataCols_ >= 0)
        TCustomGrid::SetFixedCols(fixed);
    TdwCustomDBGrid::ApplyColumnAttributes();
    if (!DataLink()->Active()) return;
    // A calculated column the user works in through a control still takes Tab.
    for (int i = 0; i < FieldCount(); ++i) {
        TField* field = Fields(i);
        if (!field->Calculated()) continue;
        const int col = IndicatorOffset() + i;
        if (AttachedControlOf(field) || ControlTypeOf(field).Type == "Bitmap" ||
            IsSelectionColumn(col))
            SetTabStops(col, true);
    }
}

void TdwDBGrid::TopLeftChanged() {
    if (Options().Contains(dgRowSelect) && TopRow() != TitleOffset() && TitleOffset() < RowCount())
        SetTopRow(TitleOffset());
    TdwCustomDBGrid::TopLeftChanged();
    HideAttachedControl();
}

void TdwDBGrid::WMSize(TWMSize& Message) {
    HideAttachedControl();
    TdwCustomDBGrid::WMSize(Message);
}

void TdwDBGrid::Paint() {
    if (!ShowVertScrollBar() && HandleAllocated()) SetScrollRange(Handle(), SB_VERT, 0, 0, false);
    // A control whose field is no longer the current column's (hidden, or gone from the
    // columns) goes away.
    if (shownControl_ && AttachedControlOf(SelectedField()) != shownControl_) HideAttachedControl();
    TdwCustomDBGrid::Paint();
}

// ============================================================================================
// Control types

TdwControlType TdwDBGrid::ControlTypeOf(const TField* Field) const {
    if (!Field || !Field->DataSet()) return {};
    return dwGetControlType(Field->DataSet(), Field->FieldName());
}

bool TdwDBGrid::IsMemoCell() const {
    TField* field = SelectedField();
    return field && field->DataType() == ftMemo;
}

bool TdwDBGrid::IsRichTextCell() const {
    return ControlTypeOf(SelectedField()).Type == "RichEdit";
}

bool TdwDBGrid::IsCheckBoxCell(int ACol, int ARow) const {
    return ARow >= TitleOffset() && ControlTypeOf(Fields(DataColumnOf(ACol))).Type == "CheckBox";
}

bool TdwDBGrid::IsSelectionColumn(int ACol) const {
    const TField* field = Fields(DataColumnOf(ACol));
    return field && field->Calculated() && SameText(field->FieldName(), "selected") &&
           ControlTypeOf(field).Type == "CheckBox";
}

bool TdwDBGrid::IsControlCell(int ACol, int ARow) {
    const TField* field = Fields(DataColumnOf(ACol));
    if (!field || ARow < TitleOffset()) return false;
    const std::string type = ControlTypeOf(field).Type;
    return type == "Bitmap" || type == "CheckBox" || AttachedControlOf(field) != nullptr;
}

bool TdwDBGrid::CanEditShow() {
    return !IsControlCell(Col(), Row()) && TdwCustomDBGrid::CanEditShow();
}

bool TdwDBGrid::Editable() const {
    return Options().Contains(dgEditing) && !ReadOnly();
}

std::string TdwDBGrid::GetFieldValue(int DataCol) {
    TField* field = Fields(DataCol);
    if (!field || !DataLink()->Active()) return TdwCustomDBGrid::GetFieldValue(DataCol);
    if (ControlTypeOf(field).Type == "RichEdit") {
        try {
            return dwRichTextPlain(field->AsString());
        } catch (const Exception&) {
            return {};
        }
    }
    if (field->DataType() != ftMemo || !memoAttributes_.Contains(mGridShow))
        return TdwCustomDBGrid::GetFieldValue(DataCol);
    try {
        return MemoCellText(field->AsString(), Options().Contains(dgWordWrap));
    } catch (const Exception&) {
        return "(Memo)";
    }
}

void TdwDBGrid::ToggleCheckBox() {
    TField* field = SelectedField();
    const TdwControlType type = ControlTypeOf(field);
    if (type.Type != "CheckBox" || !DataLink()->Active()) return;
    if (IsSelectionColumn(Col())) {
        if (IsCurrentRecordSelected())
            UnselectRecord();
        else
            SelectRecord();
        InvalidateCell(Col(), Row());
        return;
    }
    if (!field->CanModify() || !RequestEdit()) return;
    const std::vector<std::string> texts = dwSplitLine(type.Parameters, ';');
    const std::string checked = texts.empty() ? std::string() : texts[0];
    const std::string unchecked = texts.size() > 1 ? texts[1] : std::string();
    field->SetAsString(SameText(field->DisplayText(), checked) ? unchecked : checked);
    InvalidateCell(Col(), Row());
}

// ============================================================================================
// Drawing

void TdwDBGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (!DrawControlCell(ACol, ARow, ARect, AState))
        TdwCustomDBGrid::DrawCell(ACol, ARow, ARect, AState);
    if (DefaultDrawing()) DrawCellBorders(ACol, ARow, ARect, AState);
    // The attached control stays over the current cell while the grid or the control works.
    if (ACol == Col() && ARow == Row() && DataLink()->Active() &&
        (Focused() || (shownControl_ && shownControl_->Focused())))
        ShowAttachedControl(ARect);
}

bool TdwDBGrid::DrawControlCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    const int dataRow = DataRowOf(ARow);
    TField* field = Fields(DataColumnOf(ACol));
    if (!field || dataRow < 0 || !DataLink()->Active() || dataRow >= DataLink()->RecordCount())
        return false;
    const TdwControlType type = ControlTypeOf(field);
    if (type.Type != "CheckBox" && type.Type != "Bitmap") return false;
    TCanvas* canvas = Canvas();
    const bool fixed = AState.Contains(gdFixed);
    canvas->Font()->Assign(fixed ? TitleFont() : Font());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(fixed ? TitleColor() : GetColumnColor(ACol));
    const int oldActive = DataLink()->ActiveRecord();
    DataLink()->SetActiveRecord(dataRow);
    auto restore = MakeScopeGuard([&] { DataLink()->SetActiveRecord(oldActive); });
    if (type.Type == "CheckBox")
        DrawCheckBoxCell(field, type, ACol, ARow, ARect, AState);
    else
        DrawBitmapCell(field, type, ACol, ARow, ARect, AState);
    return true;
}

void TdwDBGrid::DrawCheckBoxCell(TField* Field, const TdwControlType& Type, int ACol, int ARow,
                                 const TRect& ARect, TGridDrawState AState) {
    const std::vector<std::string> texts = dwSplitLine(Type.Parameters, ';');
    const std::string checked = texts.empty() ? std::string() : texts[0];
    const std::string unchecked = texts.size() > 1 ? texts[1] : std::string();
    std::string value;
    if (IsSelectionColumn(ACol))
        value = IsCurrentRecordSelected() ? checked : unchecked;
    else
        value = Field->DisplayText();
    TCanvas* canvas = Canvas();
    const bool highlight = HighlightCell(DataColumnOf(ACol), DataRowOf(ARow), value, AState);
    if (highlight) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
    }
    DoCalcCellColors(Field, AState, highlight, canvas->Font(), canvas->Brush());
    canvas->FillRect(ARect);
    DrawCheckBox(ARect, ACol, SameText(value, checked), ARow);
}

void TdwDBGrid::DrawBitmapCell(TField* Field, const TdwControlType& Type, int ACol, int ARow,
                               const TRect& ARect, TGridDrawState AState) {
    TCanvas* canvas = Canvas();
    canvas->FillRect(ARect);
    const bool inserting = Field->DataSet()->State() == dsInsert && ARow == Row();
    auto* blob = dynamic_cast<TBlobField*>(Field);
    if (inserting || !blob || Field->Calculated()) return;
    // A picture that cannot be read or has no size leaves the cell empty, paint after paint.
    TBitmap picture;
    try {
        blob->SaveToBitmap(&picture);
    } catch (const Exception&) {
        return;
    }
    const std::vector<std::string> parts = dwSplitLine(Type.Parameters, ';');
    const TdwBitmapPlacement place = dwPlaceBitmap(parts.empty() ? std::string() : parts[0],
                                                   picture.Width(), picture.Height(), ARect);
    if (place.Drawn) {
        const TCopyMode mode = canvas->CopyMode();
        canvas->SetCopyMode(
            static_cast<TCopyMode>(dwBitmapRasterOp(parts.size() > 1 ? parts[1] : "")));
        canvas->CopyRect(place.Dest, picture.Canvas(), place.Source);
        canvas->SetCopyMode(mode);
    }
    if (HighlightCell(DataColumnOf(ACol), DataRowOf(ARow), std::string(), AState)) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->FrameRect(ARect);
        MarkCellFramed();
    }
}

// ============================================================================================
// Attached controls

TWinControl* TdwDBGrid::FindAttachedControl(const std::string& Name) const {
    TComponent* owner = dwOwningForm(const_cast<TdwDBGrid*>(this));
    std::string name = Name;
    const std::size_t dot = Name.find('.');
    if (dot != std::string::npos) {
        TDataSet* data = DataLink()->DataSet();
        owner = data ? data->Owner() : nullptr;
        name = Name.substr(dot + 1);
    }
    return owner ? dynamic_cast<TWinControl*>(owner->FindComponent(name)) : nullptr;
}

void TdwDBGrid::ForgetAttachments() {
    for (const TAttachment& a : attachments_)
        a.Control->RemoveFreeNotification(this);
    attachments_.clear();
}

void TdwDBGrid::PrepareAttachedControls() {
    TDataSet* data = DataLink()->DataSet();
    const TStrings* types = data ? dwGetControlTypes(data) : nullptr;
    if (!types || ComponentState().Contains(csDesigning)) return;
    attachmentsPrepared_ = true;
    HideAttachedControl();
    ForgetAttachments();
    for (int i = 0; i < types->Count(); ++i) {
        const std::vector<std::string> parts = dwSplitLine((*types)[i], ';');
        if (parts.size() < 3 || !dwIsEditControlType(parts[1])) continue;
        TWinControl* control = FindAttachedControl(parts[2]);
        if (!control || control == this) continue;
        control->SetVisible(false);
        control->SetParent(this);
        dwSetControlDataSource(control, DataLink()->DataSource());
        dwSetControlDataField(control, parts[0]);
        control->SetCtl3D(false);
        control->Font()->Assign(Font());
        control->SetBorderStyle(bsNone);
        control->FreeNotification(this);
        attachments_.push_back({parts[0], control});
    }
}

TWinControl* TdwDBGrid::AttachedControlOf(const TField* Field) const {
    if (!Field) return nullptr;
    const TCustomForm* form = GetParentForm(this);
    if (form && form->InheritsFrom("TdwRecordViewForm")) return nullptr;
    const TStrings* types = dwGetControlTypes(Field->DataSet());
    for (int i = 0; types && i < types->Count(); ++i) {
        const std::vector<std::string> parts = dwSplitLine((*types)[i], ';');
        if (parts.size() < 2 || parts[0] != Field->FieldName() || !dwIsEditControlType(parts[1]))
            continue;
        for (const TAttachment& a : attachments_)
            if (a.FieldName == Field->FieldName()) return a.Control;
        return nullptr;
    }
    return nullptr;
}

void TdwDBGrid::ShowAttachedControl(const TRect& Cell) {
    TWinControl* control = AttachedControlOf(SelectedField());
    if (control != shownControl_) HideAttachedControl();
    if (!control) return;
    if (control->Left() != Cell.Left || control->Top() != Cell.Top ||
        control->Width() != Cell.Width() || control->Height() != Cell.Height())
        control->SetBounds(Cell.Left, Cell.Top, Cell.Width(), Cell.Height());
    if (!control->Visible()) {
        if (dwGetControlDataField(control).empty()) control->SetText(SelectedField()->Text());
        control->SetVisible(true);
    }
    shownControl_ = control;
}

void TdwDBGrid::HideAttachedControl() {
    if (!shownControl_) return;
    TWinControl* control = shownControl_;
    shownControl_ = nullptr;
    if (control->Focused() && CanFocus()) SetFocus();
    control->SetVisible(false);
}

void TdwDBGrid::FocusAttachedControl() {
    if (!AttachedControlOf(SelectedField())) return;
    if (!shownControl_) ShowAttachedControl(CellRect(Col(), Row()));
    if (!shownControl_ || !shownControl_->CanFocus()) return;
    shownControl_->SetFocus();
}

TWinControl* TdwDBGrid::RichTextEditor() const {
    const TdwControlType type = ControlTypeOf(SelectedField());
    if (type.Type != "RichEdit") return nullptr;
    return FindAttachedControl(dwSplitLine(type.Parameters, ';')[0]);
}

void TdwDBGrid::DoColExit() {
    HideAttachedControl();
    TdwCustomDBGrid::DoColExit();
}

void TdwDBGrid::ScrollRows(int Distance) {
    TdwCustomDBGrid::ScrollRows(Distance);
    if (Distance != 0) RefreshSelectionFlags();
}

void TdwDBGrid::DataSetChanged() {
    TdwCustomDBGrid::DataSetChanged();
    RefreshSelectionFlags();
}

void TdwDBGrid::CMExit(TMessage& Message) {
    TdwCustomDBGrid::CMExit(Message);
    HideAttachedControl();
}

// ============================================================================================
// Memo dialog, keys and mouse

void TdwDBGrid::OpenMemoDialog() {
    if (!IsMemoCell() || memoAttributes_.Contains(mDisableDialog)) return;
    TField* field = SelectedField();
    TdwMemoDialog dialog(this);
    dialog.SetDataSource(DataLink()->DataSource());
    dialog.SetDataField(field->FieldName());
    dialog.MemoAttributes = memoAttributes_;
    if (!Editable() || field->ReadOnly()) dialog.MemoAttributes.Include(mViewOnly);
    dialog.SetFont(Font());
    std::string caption = field->GetDisplayLabel();
    std::replace(caption.begin(), caption.end(), '~', ' ');
    dialog.Caption = caption;
    dialog.DlgLeft = -1;
    if (OnMemoOpen) OnMemoOpen(this, &dialog);
    const bool stored = dialog.Execute();
    if (OnMemoClose) OnMemoClose(this, !stored);
    InvalidateCell(Col(), Row());
    SetEditorMode(false);
}

void TdwDBGrid::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_DOWN && Shift.Contains(ssAlt) && shownControl_ && shownControl_->Visible()) {
        TWinControl* control = shownControl_;
        FocusAttachedControl();
        // The keystroke goes on as it came, Alt held, so the control sees Alt+Down.
        control->Perform(WM_KEYDOWN, Key, KF_ALTDOWN << 16);
        Key = 0;
        return;
    }
    const Word key = Key;
    if (key == VK_F2 && Shift.Empty() && (IsMemoCell() || IsRichTextCell())) {
        Key = 0;
        if (TWinControl* editor = RichTextEditor())
            editor->Perform(WM_KEYDOWN, VK_F2, 0);
        else if (IsMemoCell())
            OpenMemoDialog();
        return;
    }
    TdwCustomDBGrid::KeyDown(Key, Shift);
    if (key == VK_SPACE && IsCheckBoxCell(Col(), Row()) &&
        (Editable() || IsSelectionColumn(Col()))) {
        Key = 0;
        ToggleCheckBox();
    } else if (key == VK_F2 && AttachedControlOf(SelectedField())) {
        FocusAttachedControl();
    }
}

void TdwDBGrid::KeyPress(char& Key) {
    if (IsCheckBoxCell(Col(), Row()) && Key == ' ') {
        Key = 0;
        return;
    }
    TWinControl* control = AttachedControlOf(SelectedField());
    if (control && static_cast<unsigned char>(Key) >= 32) {
        // A typed character goes on to a data-aware edit over the cell.
        if (control->Is<TdwDBCustomEdit>()) {
            FocusAttachedControl();
            control->Perform(WM_CHAR, static_cast<Byte>(Key), 0);
        }
        Key = 0;
        return;
    }
    TdwCustomDBGrid::KeyPress(Key);
}

void TdwDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TGridCoord cell = MouseCoord(X, Y);
    const bool dataCell = cell.X >= IndicatorOffset() && cell.Y >= TitleOffset() &&
                          DataLink()->Active() && Button == mbLeft && !Shift.Contains(ssDouble);
    const bool multi = Options().Contains(dgMultiSelect);
    const bool onSelection = dataCell && IsSelectionColumn(cell.X);
    const bool range = dataCell && multi && !onSelection && Shift.Contains(ssShift) &&
                       MultiSelectOptions.Contains(msoShiftSelect) && !SelectionAnchor().empty();
    // A click on the selection column or a Shift click over a range moves without the
    // selection changes a plain click makes.
    if (onSelection || range) {
        const TdwMultiSelectOptions options = MultiSelectOptions;
        auto restore = MakeScopeGuard([&] { MultiSelectOptions = options; });
        MultiSelectOptions.Exclude(msoAutoUnselect);
        TdwCustomDBGrid::MouseDown(Button, Shift - TShiftState{ssShift, ssCtrl}, X, Y);
    } else {
        TdwCustomDBGrid::MouseDown(Button, Shift, X, Y);
    }
    if (!dataCell || Col() != cell.X || Row() != cell.Y) return;
    // The plain grid took the range click as a plain one: the anchor moves here.
    if (range) {
        SelectRange(SelectionAnchor(), DataLink()->DataSet()->GetBookmark());
        MarkSelectionAnchor();
    }
    if (EditControlOptions.Contains(ecoCheckboxSingleClick) && IsCheckBoxCell(cell.X, cell.Y) &&
        (Editable() || onSelection || multi))
        ToggleCheckBox();
}

void TdwDBGrid::DblClick() {
    TdwCustomDBGrid::DblClick();
    if (IsCheckBoxCell(Col(), Row())) {
        if (Editable() || IsSelectionColumn(Col()) || Options().Contains(dgMultiSelect))
            ToggleCheckBox();
    } else if (TWinControl* editor = RichTextEditor()) {
        editor->Perform(WM_KEYDOWN, VK_F2, 0);
    } else {
        OpenMemoDialog();
    }
}

// ============================================================================================
// Multi-selection

bool TdwDBGrid::Accepts(bool Selecting) {
    bool accept = true;
    if (OnMultiSelectRecord) OnMultiSelectRecord(this, Selecting, accept);
    return accept;
}

int TdwDBGrid::SelectedIndexOfCurrent() {
    TDataSet* data = DataLink()->DataSet();
    if (!data || !data->Active() || bookmarks_.empty()) return -1;
    // A record not yet written has no bookmark and is never selected.
    const std::vector<char> current = data->GetBookmark();
    if (current.empty()) return -1;
    for (std::size_t i = 0; i < bookmarks_.size(); ++i)
        if (dwCompareBookmarks(data, bookmarks_[i], current) == 0) return static_cast<int>(i);
    return -1;
}

void TdwDBGrid::RefreshSelectionFlags() {
    rowFlags_.clear();
    if (DataLink()->Active() && !bookmarks_.empty()) {
        const int old = DataLink()->ActiveRecord();
        auto restore = MakeScopeGuard([&] { DataLink()->SetActiveRecord(old); });
        for (int row = 0; row < DataLink()->RecordCount(); ++row) {
            DataLink()->SetActiveRecord(row);
            rowFlags_.push_back(SelectedIndexOfCurrent() >= 0);
        }
    }
    Invalidate();
}

bool TdwDBGrid::IsRowSelected(int DataRow) {
    return DataRow >= 0 && DataRow < static_cast<int>(rowFlags_.size()) &&
           rowFlags_[static_cast<std::size_t>(DataRow)];
}

bool TdwDBGrid::IsCurrentRecordSelected() {
    return IsRowSelected(DataLink()->ActiveRecord());
}

bool TdwDBGrid::AddCurrentToSelection() {
    TDataSet* data = DataLink()->DataSet();
    if (!data || !data->Active() || data->GetBookmark().empty() || SelectedIndexOfCurrent() >= 0 ||
        !Accepts(true))
        return false;
    bookmarks_.push_back(data->GetBookmark());
    return true;
}

void TdwDBGrid::SelectRecord() {
    if (AddCurrentToSelection()) RefreshSelectionFlags();
}

void TdwDBGrid::UnselectRecord() {
    const int index = SelectedIndexOfCurrent();
    if (index < 0 || !Accepts(false)) return;
    bookmarks_.erase(bookmarks_.begin() + index);
    RefreshSelectionFlags();
}

void TdwDBGrid::UnselectAll() {
    if (bookmarks_.empty() || !Accepts(false)) return;
    bookmarks_.clear();
    RefreshSelectionFlags();
}

void TdwDBGrid::SelectRange(const std::vector<char>& From, const std::vector<char>& To) {
    TDataSet* data = DataLink()->DataSet();
    const int order = dwCompareBookmarks(data, From, To);
    data->DisableControls();
    // The clicked record stays current however the walk ends.
    auto back = MakeScopeGuard([&] {
        data->GotoBookmark(To);
        data->EnableControls();
        RefreshSelectionFlags();
    });
    data->GotoBookmark(From);
    for (;;) {
        AddCurrentToSelection();
        if (dwCompareBookmarks(data, data->GetBookmark(), To) == 0) break;
        if (order < 0)
            data->Next();
        else
            data->Prior();
        if (data->Eof() || data->Bof()) {
            AddCurrentToSelection();
            break;
        }
    }
}
