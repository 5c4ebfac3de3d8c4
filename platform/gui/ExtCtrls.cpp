#include "platform/gui/ExtCtrls.h"

#include "platform/gui/WinUser.h"

#include <algorithm>

// ============================================================================================
// TTimer

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    Update();
}

TTimer::~TTimer() {
    KillCallbackTimer(id_);
}

void TTimer::SetEnabled(bool Value) {
    if (enabled_ == Value) return;
    enabled_ = Value;
    Update();
}

void TTimer::SetInterval(Cardinal Value) {
    if (interval_ == Value) return;
    interval_ = Value;
    Update();
}

void TTimer::Update() {
    if (id_) KillCallbackTimer(id_);
    id_ = 0;
    // The callback checks the handler each time, so OnTimer may be assigned later.
    if (enabled_ && interval_ > 0)
        id_ = SetCallbackTimer(interval_, [this] { CallEvent(OnTimer, this); });
}

// ============================================================================================
// TPanel

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents,
                     csSetCaption,      csOpaque,       csDoubleClicks};
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelInner(TBevelCut Value) {
    bevelInner_ = Value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
    bevelOuter_ = Value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelWidth(TBevelWidth Value) {
    bevelWidth_ = std::max(Value, 1);
    Realign();
    Invalidate();
}

void TPanel::SetBorderWidth(TBorderWidth Value) {
    borderWidth_ = std::max(Value, 0);
    Realign();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    Invalidate();
}

TRect TPanel::InnerRect() const {
    TRect r = TCustomControl::ClientRect();
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    InflateRect(r, -inset, -inset);
    return r;
}

void TPanel::AlignControls(TControl* AControl, TRect& Rect) {
    Rect = InnerRect();
    TCustomControl::AlignControls(AControl, Rect);
}

namespace {

// A bevel of the given width: raised is light at the top left, lowered dark there.
void DrawBevel(TCanvas* canvas, TRect& r, TBevelCut cut, int width) {
    if (cut == bvNone) return;
    const TColor topLeft = cut == bvRaised ? clBtnHighlight : clBtnShadow;
    const TColor bottomRight = cut == bvRaised ? clBtnShadow : clBtnHighlight;
    for (int i = 0; i < width; ++i) {
        canvas->Pen()->SetColor(topLeft);
        canvas->MoveTo(r.Left, r.Bottom - 1);
        canvas->LineTo(r.Left, r.Top);
        canvas->LineTo(r.Right - 1, r.Top);
        canvas->Pen()->SetColor(bottomRight);
        canvas->LineTo(r.Right - 1, r.Bottom - 1);
        canvas->LineTo(r.Left - 1, r.Bottom - 1);
        InflateRect(r, -1, -1);
    }
}

} // namespace

void TPanel::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = Rect(0, 0, Width(), Height());
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetWidth(1);
    DrawBevel(canvas, r, bevelOuter_, bevelWidth_);
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FrameRect(r);
    for (int i = 0; i < borderWidth_; ++i) {
        canvas->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    DrawBevel(canvas, r, bevelInner_, bevelWidth_);
    canvas->FillRect(r);
    if (Caption().empty()) return;
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsClear);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    if (alignment_ == taCenter) format |= DT_CENTER;
    if (alignment_ == taRightJustify) format |= DT_RIGHT;
    DrawText(canvas->Handle(), Caption(), &r, format);
}

// ============================================================================================
// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
    shape_ = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    style_ = Value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = Canvas();
    const TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    const int w = Width();
    const int h = Height();
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
    switch (shape_) {
    case bsBox:
        line(first, 0, h - 1, 0, 0);
        line(first, 0, 0, w - 1, 0);
        line(second, w - 1, 0, w - 1, h - 1);
        line(second, w - 1, h - 1, -1, h - 1);
        break;
    case bsFrame:
        canvas->Brush()->SetStyle(bsClear);
        canvas->Pen()->SetColor(first);
        canvas->Rectangle(0, 0, w - 1, h - 1);
        canvas->Pen()->SetColor(second);
        canvas->Rectangle(1, 1, w, h);
        break;
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// ============================================================================================
// TShape

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    SetBounds(0, 0, 65, 65);
    pen_->OnChange = [this](TObject*) { Invalidate(); };
    brush_->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType Value) {
    shape_ = Value;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Pen()->Assign(pen_.get());
    canvas->Brush()->Assign(brush_.get());
    const int pw = pen_->Width();
    const int half = pw / 2;
    int x = half;
    int y = half;
    int w = Width() - pw + 1;
    int h = Height() - pw + 1;
    if (pw == 0) {
        w -= 1;
        h -= 1;
    }
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        const int side = std::min(w, h);
        x += (w - side) / 2;
        y += (h - side) / 2;
        w = h = side;
    }
    switch (shape_) {
    case stRectangle:
    case stSquare: canvas->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: {
        const int corner = std::min(w, h) / 4;
        canvas->RoundRect(x, y, x + w, y + h, corner, corner);
        break;
    }
    case stEllipse:
    case stCircle: canvas->Ellipse(x, y, x + w, y + h); break;
    }
}

// ============================================================================================
// TImage

TImage::TImage(TComponent* AOwner)
    : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
    SetBounds(0, 0, 105, 105);
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::SetStretch(bool Value) {
    stretch_ = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value) {
    center_ = Value;
    Invalidate();
}

void TImage::SetAutoSize(bool Value) {
    autoSize_ = Value;
    PictureChanged();
}

void TImage::PictureChanged() {
    if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
    Invalidate();
}

void TImage::Paint() {
    TGraphic* graphic = picture_->Graphic();
    if (!graphic || graphic->Empty()) return;
    TRect r;
    if (stretch_) {
        r = Rect(0, 0, Width(), Height());
    } else if (center_) {
        r = Bounds((Width() - graphic->Width()) / 2, (Height() - graphic->Height()) / 2,
                   graphic->Width(), graphic->Height());
    } else {
        r = Bounds(0, 0, graphic->Width(), graphic->Height());
    }
    Canvas()->StretchDraw(r, graphic);
}

// ============================================================================================
// TPaintBox

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint() {
    if (OnPaint) OnPaint(this);
}

// ============================================================================================
// TNotebook

TPage::TPage(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle_.Include(csAcceptsControls);
    SetParentColor(true);
}

void TPage::Paint() {}

TNotebook::TNotebook(TComponent* AOwner)
    : TCustomControl(AOwner), names_(std::make_unique<TStringList>()) {
    controlStyle_.Include(csAcceptsControls);
    SetBounds(0, 0, 150, 150);
    names_->OnChange = [this](TObject*) { PagesChanged(); };
    names_->Add("Default");
}

TNotebook::~TNotebook() {
    names_->OnChange = nullptr;
}

TStrings* TNotebook::Pages() const {
    return names_.get();
}

int TNotebook::PageCount() const {
    return static_cast<int>(pages_.size());
}

TPage* TNotebook::Page(int Index) const {
    if (Index < 0 || Index >= PageCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return pages_[static_cast<std::size_t>(Index)];
}

void TNotebook::PagesChanged() {
    // The pages follow the names: each name keeps the page it had (matched by the page's
    // caption); pages whose names are gone are freed.
    std::vector<TPage*> next;
    std::vector<TPage*> old = pages_;
    for (int i = 0; i < names_->Count(); ++i) {
        const std::string name = names_->Strings(i);
        auto it =
            std::find_if(old.begin(), old.end(), [&](TPage* p) { return p->Caption() == name; });
        TPage* page = nullptr;
        if (it != old.end()) {
            page = *it;
            old.erase(it);
        } else {
            page = new TPage(this);
            page->SetCaption(name);
            page->SetVisible(false);
            page->SetParent(this);
            page->SetAlign(alClient);
        }
        next.push_back(page);
    }
    const TPage* active = pageIndex_ >= 0 && pageIndex_ < PageCount()
                              ? pages_[static_cast<std::size_t>(pageIndex_)]
                              : nullptr;
    pages_ = next;
    for (TPage* gone : old)
        delete gone;
    auto it = std::find(pages_.begin(), pages_.end(), active);
    if (it != pages_.end()) {
        // The active page stays: only its index may have moved.
        pageIndex_ = static_cast<int>(it - pages_.begin());
        return;
    }
    pageIndex_ = -1;
    SetPageIndex(pages_.empty() ? -1 : 0);
}

void TNotebook::SetPageIndex(int Value) {
    if (Value < 0 || Value >= PageCount() || Value == pageIndex_) return;
    // The focus leaves a page that is hidden.
    TPage* shown = pages_[static_cast<std::size_t>(Value)];
    shown->BringToFront();
    shown->SetVisible(true);
    for (TPage* page : pages_)
        if (page != shown) page->SetVisible(false);
    pageIndex_ = Value;
    if (OnPageChanged) OnPageChanged(this);
}

std::string TNotebook::ActivePage() const {
    return pageIndex_ >= 0 ? names_->Strings(pageIndex_) : std::string();
}

void TNotebook::SetActivePage(const std::string& Value) {
    SetPageIndex(names_->IndexOf(Value));
}

// ============================================================================================
// TRadioGroup

TRadioGroup::TRadioGroup(TComponent* AOwner)
    : TGroupBox(AOwner), items_(std::make_unique<TStringList>()) {
    items_->OnChange = [this](TObject*) { ItemsChanged(); };
}

TRadioGroup::~TRadioGroup() {
    items_->OnChange = nullptr;
}

TStrings* TRadioGroup::Items() const {
    return items_.get();
}

TRadioButton* TRadioGroup::Button(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(buttons_.size()))
        throw EListError("List index out of bounds (%d)", {Index});
    return buttons_[static_cast<std::size_t>(Index)];
}

void TRadioGroup::ItemsChanged() {
    while (static_cast<int>(buttons_.size()) > items_->Count()) {
        delete buttons_.back();
        buttons_.pop_back();
    }
    while (static_cast<int>(buttons_.size()) < items_->Count()) {
        auto* button = new TRadioButton(this);
        button->SetParent(this);
        button->OnClick = [this, button](TObject*) {
            if (changing_ || !button->Checked()) return;
            const auto it = std::find(buttons_.begin(), buttons_.end(), button);
            itemIndex_ = static_cast<int>(it - buttons_.begin());
            Click();
        };
        buttons_.push_back(button);
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->SetCaption(items_->Strings(static_cast<int>(i)));
    if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
    SetItemIndex(itemIndex_);
    ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items_->Count()) Value = -1;
    itemIndex_ = Value;
    changing_ = true;
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->SetChecked(static_cast<int>(i) == Value);
    changing_ = false;
    // The group is one tab stop: the checked button, or the first.
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->SetTabStop(static_cast<int>(i) == std::max(Value, 0));
}

void TRadioGroup::SetColumns(int Value) {
    columns_ = std::clamp(Value, 1, 16);
    ArrangeButtons();
}

void TRadioGroup::Resize() {
    TGroupBox::Resize();
    ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
    if (buttons_.empty()) return;
    const int count = static_cast<int>(buttons_.size());
    const int rows = (count + columns_ - 1) / columns_;
    const int top = 16;
    const int width = std::max((Width() - 10) / columns_, 1);
    const int height = std::max((Height() - top - 4) / rows, 1);
    for (int i = 0; i < count; ++i) {
        const int col = i / rows;
        const int row = i % rows;
        buttons_[static_cast<std::size_t>(i)]->SetBounds(8 + col * width, top + row * height,
                                                         width - 4, std::min(height, 20));
    }
}

// ============================================================================================
// THeader

THeader::THeader(TComponent* AOwner)
    : TCustomControl(AOwner), sections_(std::make_unique<TStringList>()) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 250, 25);
    sections_->OnChange = [this](TObject*) { SectionsChanged(); };
}

THeader::~THeader() {
    sections_->OnChange = nullptr;
}

TStrings* THeader::Sections() const {
    return sections_.get();
}

void THeader::SectionsChanged() {
    widths_.resize(static_cast<std::size_t>(sections_->Count()), 50);
    Invalidate();
}

int THeader::SectionWidth(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(widths_.size()))
        throw EListError("List index out of bounds (%d)", {Index});
    return widths_[static_cast<std::size_t>(Index)];
}

void THeader::SetSectionWidth(int Index, int Value) {
    if (Index < 0 || Index >= static_cast<int>(widths_.size()))
        throw EListError("List index out of bounds (%d)", {Index});
    widths_[static_cast<std::size_t>(Index)] = std::max(Value, 0);
    Invalidate();
}

int THeader::SectionLeft(int Index) const {
    int x = 0;
    for (int i = 0; i < Index; ++i)
        x += widths_[static_cast<std::size_t>(i)];
    return x;
}

int THeader::EdgeAt(int X) const {
    for (int i = 0; i < static_cast<int>(widths_.size()); ++i) {
        const int edge = SectionLeft(i + 1);
        if (X >= edge - 2 && X <= edge + 2) return i;
    }
    return -1;
}

void THeader::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(Rect(0, 0, Width(), Height()));
    for (int i = 0; i < sections_->Count(); ++i) {
        TRect r = Rect(SectionLeft(i), 0, SectionLeft(i + 1), Height());
        DrawEdge(canvas->Handle(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        canvas->Brush()->SetStyle(bsClear);
        r.Left += 2;
        DrawText(canvas->Handle(), sections_->Strings(i), &r,
                 DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        canvas->Brush()->SetStyle(bsSolid);
    }
}

void THeader::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && allowResize_) sizing_ = EdgeAt(X);
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void THeader::MouseMove(TShiftState Shift, int X, int Y) {
    SetCursor(sizing_ >= 0 || (allowResize_ && EdgeAt(X) >= 0) ? crHSplit : crDefault);
    if (sizing_ >= 0) {
        const int width = std::max(X - SectionLeft(sizing_), 0);
        widths_[static_cast<std::size_t>(sizing_)] = width;
        if (OnSizing) OnSizing(this, sizing_, width);
        Invalidate();
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void THeader::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (sizing_ >= 0 && Button == mbLeft) {
        const int section = sizing_;
        sizing_ = -1;
        if (OnSized) OnSized(this, section, widths_[static_cast<std::size_t>(section)]);
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}
