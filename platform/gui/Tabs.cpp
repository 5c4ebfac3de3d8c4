#include "platform/gui/Tabs.h"

#include "platform/gui/Menus.h"
#include "platform/gui/WinUser.h"

#include <algorithm>

namespace {
constexpr int kTabPadding = 12;
}

TTabSet::TTabSet(TComponent* AOwner)
    : TCustomControl(AOwner), tabs_(std::make_unique<TStringList>()) {
    // A click selects through MouseDown; the control runs OnClick itself then.
    controlStyle_.Exclude(csClickEvents);
    SetBounds(0, 0, 185, 21);
    SetTabStop(true);
    SetColor(clBtnFace);
    tabs_->OnChange = [this](TObject*) {
        if (tabIndex_ >= tabs_->Count()) tabIndex_ = tabs_->Count() - 1;
        firstIndex_ = std::clamp(firstIndex_, 0, std::max(tabs_->Count() - 1, 0));
        Invalidate();
    };
}

TTabSet::~TTabSet() {
    tabs_->OnChange = nullptr;
}

TStrings* TTabSet::Tabs() const {
    return tabs_.get();
}

void TTabSet::SetTabIndex(int Value) {
    if (Value < 0 || Value >= tabs_->Count()) Value = -1;
    if (Value == tabIndex_) return;
    bool allow = true;
    if (OnChange) OnChange(this, Value, allow);
    if (!allow) return;
    tabIndex_ = Value;
    // The selected tab is brought into view.
    if (Value >= 0 && Value < firstIndex_) firstIndex_ = Value;
    while (Value > firstIndex_ && IsRectEmpty(ItemRect(Value)))
        ++firstIndex_;
    Invalidate();
    Click();
}

void TTabSet::SetFirstIndex(int Value) {
    firstIndex_ = std::clamp(Value, 0, std::max(tabs_->Count() - 1, 0));
    Invalidate();
}

void TTabSet::SetSelectedColor(TColor Value) {
    selectedColor_ = Value;
    Invalidate();
}

void TTabSet::SetUnselectedColor(TColor Value) {
    unselectedColor_ = Value;
    Invalidate();
}

int TTabSet::TabWidth(int Index) {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    return canvas->TextWidth(StripHotkey(tabs_->Strings(Index))) + 2 * kTabPadding;
}

TRect TTabSet::ItemRect(int Index) {
    if (Index < firstIndex_ || Index >= tabs_->Count()) return TRect{};
    int x = 2;
    for (int i = firstIndex_; i < Index; ++i)
        x += TabWidth(i);
    const int w = TabWidth(Index);
    if (x + w > ClientWidth()) return TRect{};
    return Rect(x, 0, x + w, ClientHeight());
}

int TTabSet::ItemAtPos(const TPoint& Pos) {
    for (int i = firstIndex_; i < tabs_->Count(); ++i) {
        const TRect r = ItemRect(i);
        if (IsRectEmpty(r)) break;
        if (PtInRect(r, Pos)) return i;
    }
    return -1;
}

void TTabSet::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ClientRect());
    canvas->Pen()->SetColor(clBlack);
    canvas->MoveTo(0, 0);
    canvas->LineTo(ClientWidth(), 0);
    for (int i = firstIndex_; i < tabs_->Count(); ++i) {
        const TRect r = ItemRect(i);
        if (IsRectEmpty(r)) break;
        const bool selected = i == tabIndex_;
        // A tab hangs from the top line; the selected one joins the page above it.
        const std::vector<TPoint> outline{{r.Left, r.Top},
                                          {r.Left + 4, r.Bottom - 2},
                                          {r.Right - 4, r.Bottom - 2},
                                          {r.Right, r.Top}};
        canvas->Brush()->SetColor(selected ? selectedColor_ : unselectedColor_);
        canvas->Pen()->SetColor(clBlack);
        canvas->Polygon(outline);
        if (selected) {
            canvas->Pen()->SetColor(selectedColor_);
            canvas->MoveTo(r.Left + 1, r.Top);
            canvas->LineTo(r.Right, r.Top);
        }
        canvas->Font()->Assign(Font());
        canvas->Brush()->SetStyle(bsClear);
        TRect text = r;
        DrawText(canvas->Handle(), tabs_->Strings(i), &text,
                 DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        canvas->Brush()->SetStyle(bsSolid);
        if (selected && Focused()) {
            TRect focus = r;
            InflateRect(focus, -6, -3);
            canvas->DrawFocusRect(focus);
        }
    }
}

void TTabSet::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    // A pressed tab set takes the focus first, so that the arrows then move between its tabs and
    // an OnClick that moves the focus on keeps its choice.
    if (!Focused() && CanFocus()) SetFocus();
    if (Button == mbLeft) {
        const int index = ItemAtPos({X, Y});
        if (index >= 0) SetTabIndex(index);
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TTabSet::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (tabs_->Count() == 0) return;
    if (Key == VK_LEFT && tabIndex_ > 0)
        SetTabIndex(tabIndex_ - 1);
    else if (Key == VK_RIGHT && tabIndex_ + 1 < tabs_->Count())
        SetTabIndex(tabIndex_ + 1);
}

void TTabSet::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS;
}
