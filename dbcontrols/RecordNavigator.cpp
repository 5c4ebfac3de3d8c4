#include "dbcontrols/RecordNavigator.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"

namespace {

// The glyphs are drawn on a square of this many pixels; the background takes the corner
// colour the buttons treat as clear.
constexpr int kGlyphSize = 11;
constexpr TColor kGlyphBackground = clOlive;
constexpr TColor kGlyphInk = clBlack;

const TNavButtonSet kAllButtons{nbFirst,  nbPrior, nbNext, nbLast,  nbInsert,
                                nbDelete, nbEdit,  nbPost, nbCancel};

const char* const kDefaultHints[kNavButtonCount] = {
    "First record",  "Prior record", "Next record", "Last record", "Insert record",
    "Delete record", "Edit record",  "Post edit",   "Cancel edit"};

// A filled triangle pointing at Apex, its upright base of nine pixels at BaseX.
void Triangle(TCanvas* Canvas, TPoint Apex, int BaseX) {
    Canvas->Polygon({Apex, TPoint{BaseX, Apex.Y - 4}, TPoint{BaseX, Apex.Y + 4}});
}

// Bars and arrows for moving, a plus and a minus for inserting and deleting, an upward arrow
// head for editing, a tick for posting and a cross for cancelling.
void DrawShape(TCanvas* Canvas, TNavigateBtn Button) {
    switch (Button) {
    case nbFirst:
        Canvas->FillRect(Rect(1, 1, 3, 10));
        Triangle(Canvas, {4, 5}, 8);
        break;
    case nbPrior: Triangle(Canvas, {3, 5}, 7); break;
    case nbNext: Triangle(Canvas, {7, 5}, 3); break;
    case nbLast:
        Triangle(Canvas, {6, 5}, 2);
        Canvas->FillRect(Rect(8, 1, 10, 10));
        break;
    case nbInsert:
        Canvas->FillRect(Rect(1, 4, 10, 7));
        Canvas->FillRect(Rect(4, 1, 7, 10));
        break;
    case nbDelete: Canvas->FillRect(Rect(1, 4, 10, 7)); break;
    case nbEdit: Canvas->Polygon({TPoint{5, 2}, TPoint{9, 7}, TPoint{1, 7}}); break;
    case nbPost:
        Canvas->Pen()->SetWidth(2);
        Canvas->Polyline({TPoint{1, 5}, TPoint{4, 8}, TPoint{9, 2}});
        break;
    case nbCancel:
        Canvas->Pen()->SetWidth(2);
        Canvas->Polyline({TPoint{2, 2}, TPoint{8, 8}});
        Canvas->Polyline({TPoint{8, 2}, TPoint{2, 8}});
        break;
    }
}

void PaintGlyph(TBitmap& glyph, TNavigateBtn Button) {
    glyph.SetSize(kGlyphSize, kGlyphSize);
    TCanvas* canvas = glyph.Canvas();
    canvas->Brush()->SetColor(kGlyphBackground);
    canvas->FillRect(Rect(0, 0, kGlyphSize, kGlyphSize));
    canvas->Pen()->SetColor(kGlyphInk);
    canvas->Brush()->SetColor(kGlyphInk);
    DrawShape(canvas, Button);
}

} // namespace

// ============================================================================================
// TNavDataLink

void TNavDataLink::ActiveChanged() {
    navigator_->UpdateButtons();
}

void TNavDataLink::DataSetChanged() {
    navigator_->UpdateButtons();
}

void TNavDataLink::EditingChanged() {
    navigator_->UpdateButtons();
}

// ============================================================================================
// TDBNavigator

TDBNavigator::TDBNavigator(TComponent* AOwner)
    : TCustomControl(AOwner), dataLink_(std::make_unique<TNavDataLink>(this)),
      visibleButtons_(kAllButtons), hints_(std::make_unique<TStringList>()) {
    controlStyle_ = {csCaptureMouse, csOpaque, csDoubleClicks};
    SetColor(clBtnFace);
    for (int i = 0; i < kNavButtonCount; ++i) {
        const auto index = static_cast<TNavigateBtn>(i);
        auto* button = new TSpeedButton(this);
        button->SetFlat(true);
        TBitmap glyph;
        PaintGlyph(glyph, index);
        button->SetGlyph(&glyph);
        button->OnClick = [this, index](TObject*) { ButtonClicked(index); };
        button->SetParent(this);
        buttons_[i] = button;
        hints_->Add(kDefaultHints[i]);
    }
    hints_->OnChange = [this](TObject*) { ApplyHints(); };
    ApplyHints();
    SetBounds(0, 0, 241, 25);
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
    hints_->OnChange = nullptr;
    // The source forgets this navigator before it goes.
    SetDataSource(nullptr);
}

void TDBNavigator::SetDataSource(TDataSource* Value) {
    TDataSource* previous = DataSource();
    if (previous == Value) return;
    if (previous) previous->RemoveFreeNotification(this);
    dataLink_->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    UpdateButtons();
}

void TDBNavigator::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent != nullptr && AComponent == DataSource())
        SetDataSource(nullptr);
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet Value) {
    visibleButtons_ = Value;
    for (int i = 0; i < kNavButtonCount; ++i)
        buttons_[i]->SetVisible(Value.Contains(static_cast<TNavigateBtn>(i)));
    LayoutButtons();
}

bool TDBNavigator::ActionAllowed(TNavigateBtn Index) const {
    TDataSet* data = dataLink_->DataSet();
    if (!dataLink_->Active() || !data) return false;
    const TDataSetState state = data->State();
    const bool editing = state == dsEdit || state == dsInsert;
    const bool browsing = state == dsBrowse && data->CanModify();
    switch (Index) {
    case nbFirst:
    case nbPrior: return !data->Bof();
    case nbNext:
    case nbLast: return !data->Eof();
    case nbInsert:
    case nbEdit: return browsing;
    case nbDelete: return browsing && !(data->Bof() && data->Eof());
    case nbPost:
    case nbCancel: return editing;
    }
    return false;
}

void TDBNavigator::BtnClick(TNavigateBtn Index) {
    if (!ActionAllowed(Index)) return;
    if (BeforeAction) BeforeAction(this, Index);
    TDataSet* data = dataLink_->DataSet();
    // The handler may have closed the dataset or switched the source.
    if (!data || !data->Active()) return;
    switch (Index) {
    case nbFirst: data->First(); break;
    case nbPrior: data->Prior(); break;
    case nbNext: data->Next(); break;
    case nbLast: data->Last(); break;
    case nbInsert: data->Insert(); break;
    case nbDelete:
        if (confirmDelete_ &&
            MessageDlg("Delete record?", mtConfirmation, {mbYes, mbNo}, 0) != mrYes)
            return;
        data->Delete();
        break;
    case nbEdit: data->Edit(); break;
    case nbPost: data->Post(); break;
    case nbCancel: data->Cancel(); break;
    }
    if (OnClick) OnClick(this, Index);
}

void TDBNavigator::ButtonClicked(TNavigateBtn Index) {
    try {
        BtnClick(Index);
    } catch (...) {
        if (Application) Application->HandleException(this);
    }
}

void TDBNavigator::UpdateButtons() {
    for (int i = 0; i < kNavButtonCount; ++i)
        buttons_[i]->SetEnabled(Enabled() && ActionAllowed(static_cast<TNavigateBtn>(i)));
}

void TDBNavigator::ApplyHints() {
    for (int i = 0; i < kNavButtonCount; ++i) {
        const std::string hint = i < hints_->Count() ? hints_->Strings(i) : std::string();
        buttons_[i]->SetHint(hint.empty() ? kDefaultHints[i] : hint);
    }
}

void TDBNavigator::LayoutButtons() {
    std::vector<TSpeedButton*> shown;
    for (int i = 0; i < kNavButtonCount; ++i)
        if (visibleButtons_.Contains(static_cast<TNavigateBtn>(i))) shown.push_back(buttons_[i]);
    if (shown.empty()) return;
    // Each button takes its share of the width, the odd pixels spread among them.
    const int count = static_cast<int>(shown.size());
    const int width = ClientWidth();
    const int height = ClientHeight();
    for (int i = 0; i < count; ++i) {
        const int left = i * width / count;
        const int right = (i + 1) * width / count;
        shown[i]->SetBounds(left, 0, right - left, height);
    }
}

void TDBNavigator::Resize() {
    TCustomControl::Resize();
    LayoutButtons();
}

void TDBNavigator::CMEnabledChanged(TMessage& Message) {
    TCustomControl::CMEnabledChanged(Message);
    UpdateButtons();
}
