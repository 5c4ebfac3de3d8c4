#include "widgets/FlatButton.h"

#include "platform/gui/Menus.h"

#include <algorithm>

void DrawTransparentBitmap(TCanvas* Canvas, int X, int Y, TBitmap* Bitmap, TColor Transparent) {
    if (!Bitmap || Bitmap->Empty()) return;
    TBitmap copy;
    copy.Assign(Bitmap);
    copy.SetTransparentMode(tmFixed);
    copy.SetTransparentColor(Transparent);
    copy.SetTransparent(true);
    Canvas->Draw(X, Y, &copy);
}

bool LoadButtonGlyphs(TExplorerButton* Button, const std::string& Folder, const std::string& Name) {
    bool all = true;
    auto load = [&](const char* kind, void (TExplorerButton::*Set)(const TBitmap*)) {
        TBitmap bitmap;
        try {
            bitmap.LoadFromFile(Folder + "/" + Name + "_" + kind + ".bmp");
        } catch (const Exception&) {
            all = false;
            return;
        }
        (Button->*Set)(&bitmap);
    };
    load("inactive", &TExplorerButton::SetGlyphInactive);
    load("active", &TExplorerButton::SetGlyphActive);
    load("disabled", &TExplorerButton::SetGlyphDisabled);
    return all;
}

TExplorerButton::TExplorerButton(TComponent* AOwner)
    : TCustomControl(AOwner), glyphInactive_(std::make_unique<TBitmap>()),
      glyphActive_(std::make_unique<TBitmap>()), glyphDisabled_(std::make_unique<TBitmap>()) {
    SetBounds(Left(), Top(), 50, 40);
    SetColor(clBtnFace);
}

TExplorerButton::~TExplorerButton() = default;

void TExplorerButton::SetGlyph(std::unique_ptr<TBitmap>& Glyph, const TBitmap* Value) {
    if (Value)
        Glyph->Assign(const_cast<TBitmap*>(Value));
    else
        Glyph = std::make_unique<TBitmap>();
    Invalidate();
}

void TExplorerButton::SetGlyphInactive(const TBitmap* Value) {
    SetGlyph(glyphInactive_, Value);
}

void TExplorerButton::SetGlyphActive(const TBitmap* Value) {
    SetGlyph(glyphActive_, Value);
}

void TExplorerButton::SetGlyphDisabled(const TBitmap* Value) {
    SetGlyph(glyphDisabled_, Value);
}

void TExplorerButton::SetPosition(TGlyphPosition Value) {
    if (position_ == Value) return;
    position_ = Value;
    Invalidate();
}

void TExplorerButton::SetTransparentColor(TColor Value) {
    if (transparentColor_ == Value) return;
    transparentColor_ = Value;
    Invalidate();
}

void TExplorerButton::SetState(TButtonState Value) {
    if (state_ == Value) return;
    state_ = Value;
    Repaint();
}

TBitmap* TExplorerButton::CurrentGlyph() const {
    TBitmap* glyph = glyphInactive_.get();
    if ((state_ == bstHot || state_ == bstPressed) && !glyphActive_->Empty())
        glyph = glyphActive_.get();
    if (!Enabled() && !glyphDisabled_->Empty()) glyph = glyphDisabled_.get();
    return glyph;
}

bool TExplorerButton::Inside(int X, int Y) const {
    return PtInRect(ClientRect(), TPoint{X, Y});
}

void TExplorerButton::DrawFrame(TCanvas* C, TButtonState Shown) {
    if (Shown != bstHot && Shown != bstPressed) return;
    const int w = Width();
    const int h = Height();
    const bool hot = Shown == bstHot;
    C->Pen()->SetColor(hot ? clBtnHighlight : clBtnShadow);
    C->MoveTo(w - 1, 0);
    C->LineTo(0, 0);
    C->LineTo(0, h - 1);
    C->Pen()->SetColor(hot ? clBtnShadow : clBtnHighlight);
    C->MoveTo(1, h - 1);
    C->LineTo(w, h - 1);
    C->MoveTo(w - 1, 1);
    C->LineTo(w - 1, h);
}

void TExplorerButton::DrawCaption(TCanvas* C, const TRect& R) {
    const std::string text = Caption();
    if (text.empty()) return;
    C->Brush()->SetStyle(bsClear);
    if (Enabled()) {
        C->Font()->SetColor(Font()->Color());
        C->TextOut(R.Left, R.Top, text);
        return;
    }
    C->Font()->SetColor(clBtnShadow);
    C->TextOut(R.Left, R.Top, text);
    C->Font()->SetColor(clBtnHighlight);
    C->TextOut(R.Left + 1, R.Top + 1, text);
}

void TExplorerButton::DrawPopupMark(TCanvas* C, bool Pressed) {
    const int x = Width() - (Pressed ? 13 : 14);
    const int y = Pressed ? 5 : 4;
    auto triangle = [&](int dx, int dy, TColor color) {
        C->Pen()->SetColor(color);
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(color);
        C->Polygon({{x + dx, y + dy}, {x + dx + 6, y + dy}, {x + dx + 3, y + dy + 3}});
    };
    if (Enabled()) {
        triangle(0, 0, clBtnText);
    } else {
        triangle(1, 1, clBtnHighlight);
        triangle(0, 0, clBtnShadow);
    }
}

void TExplorerButton::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    const bool designing = ComponentState().Contains(csDesigning);
    DrawFrame(c, designing ? bstHot : state_);

    c->Font()->Assign(Font());
    const std::string text = Caption();
    const TSize textSize = text.empty() ? TSize{0, 0} : c->TextExtent(text);
    TBitmap* glyph = CurrentGlyph();
    const int gw = glyph->Empty() ? 0 : glyph->Width();
    const int gh = glyph->Empty() ? 0 : glyph->Height();
    TPoint g{};
    TPoint t{};
    if (position_ == bsTop || position_ == bsBottom) {
        const int top = (Height() - (gh + textSize.cy)) / 2;
        g.X = (Width() - gw) / 2;
        t.X = (Width() - textSize.cx) / 2;
        g.Y = position_ == bsTop ? top : top + textSize.cy;
        t.Y = position_ == bsTop ? top + gh : top;
    } else {
        const int left = (Width() - (gw + textSize.cx)) / 2;
        g.Y = (Height() - gh) / 2;
        t.Y = (Height() - textSize.cy) / 2;
        g.X = position_ == bsLeft ? left : left + textSize.cx;
        t.X = position_ == bsLeft ? left + gw : left;
    }
    if (state_ == bstPressed) {
        g = {g.X + 1, g.Y + 1};
        t = {t.X + 1, t.Y + 1};
    }
    DrawCaption(c, Bounds(t.X, t.Y, textSize.cx, textSize.cy));
    if (PopupMenu()) DrawPopupMark(c, state_ == bstPressed);
    DrawTransparentBitmap(c, g.X, g.Y, glyph, transparentColor_);
}

void TExplorerButton::RunPopupMenu() {
    TPopupMenu* menu = PopupMenu();
    menu->SetAutoPopup(false);
    menu->SetPopupComponent(this);
    const TPoint p = ClientToScreen({0, Height()});
    const auto alive = AliveFlag();
    menu->Popup(p.X, p.Y);
    if (!*alive) return;
    SetMouseCapture(false);
    SetState(bstUp);
}

void TExplorerButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const auto alive = AliveFlag();
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (!*alive || Button != mbLeft || !Inside(X, Y)) return;
    SetMouseCapture(true);
    SetState(bstPressed);
    if (PopupMenu()) RunPopupMenu();
}

void TExplorerButton::MouseMove(TShiftState Shift, int X, int Y) {
    const auto alive = AliveFlag();
    TCustomControl::MouseMove(Shift, X, Y);
    if (!*alive) return;
    const bool inside = Inside(X, Y);
    switch (state_) {
    case bstUp:
        if (!inside) return;
        SetMouseCapture(true);
        SetState(bstHot);
        CallEvent(OnMouseEnter, this);
        break;
    case bstHot:
        if (inside) return;
        SetMouseCapture(false);
        SetState(bstUp);
        CallEvent(OnMouseExit, this);
        break;
    case bstPressed:
        if (!inside) SetState(bstPressedOutside);
        break;
    case bstPressedOutside:
        if (inside) SetState(bstPressed);
        break;
    }
}

void TExplorerButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const auto alive = AliveFlag();
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (!*alive || Button != mbLeft) return;
    if (Inside(X, Y)) {
        SetMouseCapture(true);
        SetState(bstHot);
    } else {
        SetMouseCapture(false);
        SetState(bstUp);
    }
}

void TExplorerButton::WMRButtonDown(TWMMouse& Message) {
    // A right click never opens the menu the button opens on a left press.
    if (PopupMenu()) PopupMenu()->SetAutoPopup(false);
    TCustomControl::WMRButtonDown(Message);
}

void TExplorerButton::CMMouseLeave(TMessage& Message) {
    TCustomControl::CMMouseLeave(Message);
    // The mouse left the window system's sight of the form (no move outside arrives then).
    if (state_ != bstHot || Message.LParam != 0) return;
    SetMouseCapture(false);
    SetState(bstUp);
    CallEvent(OnMouseExit, this);
}

void TExplorerButton::CMEnabledChanged(TMessage& Message) {
    TCustomControl::CMEnabledChanged(Message);
    // A disabled button takes no mouse: it is neither hot nor pressed.
    if (!Enabled() && state_ != bstUp) {
        SetMouseCapture(false);
        state_ = bstUp;
    }
    Invalidate();
}

void TExplorerButton::CMTextChanged(TMessage& Message) {
    TCustomControl::CMTextChanged(Message);
    Invalidate();
}
