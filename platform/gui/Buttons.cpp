#include "platform/gui/Buttons.h"

#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/WinUser.h"

#include <algorithm>
#include <vector>

// ============================================================================================
// TButtonGlyph

TButtonGlyph::TButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {}

TButtonGlyph::~TButtonGlyph() = default;

void TButtonGlyph::SetGlyph(const TBitmap* Value) {
    if (Value)
        glyph_->Assign(const_cast<TBitmap*>(Value));
    else
        glyph_ = std::make_unique<TBitmap>();
    // A strip of square pictures tells how many it holds.
    if (!glyph_->Empty() && glyph_->Height() > 0 && glyph_->Width() % glyph_->Height() == 0)
        SetNumGlyphs(glyph_->Width() / glyph_->Height());
}

void TButtonGlyph::SetNumGlyphs(int Value) {
    numGlyphs_ = std::clamp(Value, 1, 4);
}

void TButtonGlyph::DrawGlyph(TCanvas* Canvas, int X, int Y, TButtonState State) const {
    const int w = glyph_->Width() / numGlyphs_;
    const int h = glyph_->Height();
    int index = 0;
    switch (State) {
    case bsDisabled: index = numGlyphs_ > 1 ? 1 : 0; break;
    case bsDown: index = numGlyphs_ > 2 ? 2 : 0; break;
    case bsExclusive: index = numGlyphs_ > 3 ? 3 : (numGlyphs_ > 2 ? 2 : 0); break;
    case bsUp: break;
    }
    TBitmap part;
    part.SetSize(w, h);
    part.Canvas()->CopyRect(Rect(0, 0, w, h), glyph_->Canvas(), Bounds(index * w, 0, w, h));
    if (State == bsDisabled && numGlyphs_ < 2) {
        // Without a disabled picture the shape is drawn in the shadow colour.
        const TColor clear = part.Canvas()->Pixels(0, h - 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (part.Canvas()->Pixels(x, y) != clear)
                    part.Canvas()->SetPixels(x, y, clBtnShadow);
    }
    part.SetTransparent(true);
    Canvas->Draw(X, Y, &part);
}

void TButtonGlyph::Draw(TCanvas* Canvas, const TRect& r, const std::string& Caption,
                        TButtonState State) const {
    const bool hasGlyph = !glyph_->Empty();
    const int gw = hasGlyph ? glyph_->Width() / numGlyphs_ : 0;
    const int gh = hasGlyph ? glyph_->Height() : 0;
    TRect text = Rect(0, 0, r.Width(), 0);
    if (!Caption.empty()) DrawText(Canvas->Handle(), Caption, &text, DT_SINGLELINE | DT_CALCRECT);
    const int tw = Caption.empty() ? 0 : text.Width();
    const int th = Caption.empty() ? 0 : text.Height();
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    const int room = horizontal ? r.Width() : r.Height();
    const int glyphSize = horizontal ? gw : gh;
    const int textSize = horizontal ? tw : th;
    int spacing = (hasGlyph && !Caption.empty()) ? Spacing : 0;
    int margin = Margin;
    if (margin < 0) {
        if (spacing < 0) {
            spacing = (room - glyphSize - textSize) / 3;
            margin = spacing;
        } else {
            margin = (room - glyphSize - spacing - textSize) / 2;
        }
    } else if (spacing < 0) {
        spacing = (room - margin - glyphSize - textSize) / 2;
    }
    TPoint glyphAt;
    TPoint textAt;
    switch (Layout) {
    case blGlyphLeft:
        glyphAt = {r.Left + margin, r.Top + (r.Height() - gh) / 2};
        textAt = {glyphAt.X + gw + spacing, r.Top + (r.Height() - th) / 2};
        break;
    case blGlyphRight:
        glyphAt = {r.Right - margin - gw, r.Top + (r.Height() - gh) / 2};
        textAt = {glyphAt.X - spacing - tw, r.Top + (r.Height() - th) / 2};
        break;
    case blGlyphTop:
        glyphAt = {r.Left + (r.Width() - gw) / 2, r.Top + margin};
        textAt = {r.Left + (r.Width() - tw) / 2, glyphAt.Y + gh + spacing};
        break;
    case blGlyphBottom:
        glyphAt = {r.Left + (r.Width() - gw) / 2, r.Bottom - margin - gh};
        textAt = {r.Left + (r.Width() - tw) / 2, glyphAt.Y - spacing - th};
        break;
    }
    if (hasGlyph) DrawGlyph(Canvas, glyphAt.X, glyphAt.Y, State);
    if (Caption.empty()) return;
    Canvas->Brush()->SetStyle(bsClear);
    TRect tr = Bounds(textAt.X, textAt.Y, tw, th);
    if (State == bsDisabled) {
        const TColor color = Canvas->Font()->Color();
        OffsetRect(tr, 1, 1);
        Canvas->Font()->SetColor(clBtnHighlight);
        DrawText(Canvas->Handle(), Caption, &tr, DT_SINGLELINE);
        OffsetRect(tr, -1, -1);
        Canvas->Font()->SetColor(clBtnShadow);
        DrawText(Canvas->Handle(), Caption, &tr, DT_SINGLELINE);
        Canvas->Font()->SetColor(color);
        return;
    }
    DrawText(Canvas->Handle(), Caption, &tr, DT_SINGLELINE);
}

// ============================================================================================
// TBitBtn

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {
    // The layer paints this button itself, so glyph and caption go where Layout says.
    Impl()->MakeNative = nullptr;
    SetColor(clBtnFace);
}

TBitBtn::~TBitBtn() = default;

namespace {

// The picture of a standard button kind, drawn on an 18-pixel square whose olive corner pixel
// makes the background transparent.
void DrawKindGlyph(TBitmap& glyph, TBitBtnKind kind) {
    glyph.SetSize(18, 18);
    TCanvas* c = glyph.Canvas();
    c->Brush()->SetColor(clOlive);
    c->FillRect(Rect(0, 0, 18, 18));
    c->Pen()->SetWidth(3);
    const auto stroke = [c](TColor color, std::vector<TPoint> points) {
        c->Pen()->SetColor(color);
        c->Polyline(points);
    };
    const auto check = [&](int dx) { stroke(clGreen, {{2 + dx, 9}, {6 + dx, 13}, {13 + dx, 4}}); };
    const auto cross = [&] {
        stroke(clRed, {{4, 4}, {14, 14}});
        stroke(clRed, {{14, 4}, {4, 14}});
    };
    switch (kind) {
    case bkOK:
    case bkYes: check(1); break;
    case bkAll:
        check(-1);
        check(3);
        break;
    case bkCancel:
    case bkNo: cross(); break;
    case bkAbort:
        c->Pen()->SetWidth(2);
        c->Pen()->SetColor(clRed);
        c->Brush()->SetStyle(bsClear);
        c->Ellipse(1, 1, 17, 17);
        c->Pen()->SetWidth(3);
        stroke(clRed, {{6, 6}, {12, 12}});
        stroke(clRed, {{12, 6}, {6, 12}});
        break;
    case bkHelp:
        c->Font()->SetName("Arial");
        c->Font()->SetSize(12);
        c->Font()->SetStyle({fsBold});
        c->Font()->SetColor(clBlue);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(5, 0, "?");
        break;
    case bkClose:
        c->Pen()->SetWidth(1);
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clMaroon);
        c->Rectangle(4, 1, 14, 17);
        c->Brush()->SetColor(clYellow);
        c->Rectangle(10, 8, 12, 10);
        break;
    case bkRetry:
        c->Pen()->SetWidth(2);
        c->Pen()->SetColor(clGreen);
        c->Arc(2, 2, 16, 16, 16, 9, 9, 2);
        c->Brush()->SetColor(clGreen);
        c->Pen()->SetWidth(1);
        c->Polygon({{6, 0}, {11, 3}, {6, 6}});
        break;
    case bkIgnore:
        stroke(clBlue, {{2, 9}, {14, 9}});
        stroke(clBlue, {{10, 4}, {15, 9}, {10, 14}});
        break;
    case bkCustom: break;
    }
}

} // namespace

void TBitBtn::SetGlyph(const TBitmap* Value) {
    kindGlyph_ = false;
    TGlyphProperties<TBitBtn>::SetGlyph(Value);
}

void TBitBtn::SetKind(TBitBtnKind Value) {
    struct TKindInfo {
        const char* Caption;
        int Result;
        bool Default;
        bool Cancel;
    };
    static const TKindInfo kKinds[] = {
        {"", mrNone, false, false},        {"OK", mrOk, true, false},
        {"Cancel", mrCancel, false, true}, {"&Help", mrNone, false, false},
        {"&Yes", mrYes, true, false},      {"&No", mrNo, false, true},
        {"&Close", mrNone, false, false},  {"Abort", mrAbort, false, true},
        {"&Retry", mrRetry, false, false}, {"&Ignore", mrIgnore, false, false},
        {"&All", mrAll, false, false}};
    kind_ = Value;
    // The kind's picture stands in for a glyph the program did not set itself.
    if (kindGlyph_ || Glyph()->Empty()) {
        TBitmap picture;
        if (Value != bkCustom) DrawKindGlyph(picture, Value);
        TGlyphProperties<TBitBtn>::SetGlyph(Value != bkCustom ? &picture : nullptr);
        kindGlyph_ = Value != bkCustom;
    }
    if (Value == bkCustom) return;
    const TKindInfo& k = kKinds[Value];
    SetCaption(k.Caption);
    SetModalResult(k.Result);
    SetDefault(k.Default);
    SetCancel(k.Cancel);
}

void TBitBtn::Click() {
    TCustomForm* form = GetParentForm(this);
    if (kind_ == bkClose && form) {
        form->Close();
        TButton::Click();
        return;
    }
    if (kind_ == bkHelp) {
        const int context = HelpContext() != 0 ? HelpContext() : (form ? form->HelpContext() : 0);
        if (context != 0 && Application) Application->HelpContext(context);
    }
    TButton::Click();
}

void TBitBtn::SetPressed(bool Value) {
    if (pressed_ == Value) return;
    pressed_ = Value;
    Repaint();
}

void TBitBtn::WMPaint(TWMPaint& Message) {
    TCanvas* canvas = Impl()->BufferCanvas();
    TRect r = Rect(0, 0, Width(), Height());
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(r);
    if (ActiveDefault() || Focused()) {
        canvas->Brush()->SetColor(clWindowFrame);
        canvas->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    DrawEdge(canvas->Handle(), &r, pressed_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    canvas->Font()->Assign(Font());
    TRect content = r;
    if (pressed_) OffsetRect(content, 1, 1);
    glyph_.Draw(canvas, content, Caption(), Enabled() ? (pressed_ ? bsDown : bsUp) : bsDisabled);
    if (Focused()) {
        InflateRect(r, -2, -2);
        canvas->DrawFocusRect(r);
    }
    TButton::WMPaint(Message);
}

void TBitBtn::WMLButtonDown(TWMMouse& Message) {
    if (!Focused() && CanFocus()) SetFocus();
    tracking_ = true;
    SetMouseCapture(true);
    SetPressed(true);
    TButton::WMLButtonDown(Message);
}

void TBitBtn::WMMouseMove(TWMMouse& Message) {
    if (tracking_) SetPressed(PtInRect(ClientRect(), Message.Pos()));
    TButton::WMMouseMove(Message);
}

void TBitBtn::WMLButtonUp(TWMMouse& Message) {
    const bool click = tracking_ && PtInRect(ClientRect(), Message.Pos());
    tracking_ = false;
    SetMouseCapture(false);
    SetPressed(false);
    TButton::WMLButtonUp(Message);
    if (click) Click();
}

void TBitBtn::WMKeyDown(TWMKey& Message) {
    TButton::WMKeyDown(Message);
    if (Message.CharCode == VK_SPACE) SetPressed(true);
}

void TBitBtn::WMKeyUp(TWMKey& Message) {
    const bool click = pressed_ && Message.CharCode == VK_SPACE;
    TButton::WMKeyUp(Message);
    if (!click) return;
    SetPressed(false);
    Click();
}

void TBitBtn::CMExit(TMessage& Message) {
    SetPressed(false);
    TButton::CMExit(Message);
    Invalidate();
}

// ============================================================================================
// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    controlStyle_ = {csCaptureMouse, csDoubleClicks};
    SetColor(clBtnFace);
    SetBounds(0, 0, 25, 25);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGroupIndex(int Value) {
    groupIndex_ = std::max(Value, 0);
    if (groupIndex_ == 0) SetDown(false);
}

void TSpeedButton::SetDown(bool Value) {
    if (groupIndex_ == 0) Value = false;
    if (Value == down_) return;
    if (!Value && !allowAllUp_) {
        // The last button down in a group stays down unless the group allows all up.
        return;
    }
    down_ = Value;
    drawnDown_ = Value;
    if (Value && Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            if (other && other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                other->down_ = false;
                other->drawnDown_ = false;
                other->Invalidate();
            }
        }
    }
    Invalidate();
}

void TSpeedButton::SetFlat(bool Value) {
    flat_ = Value;
    Invalidate();
}

void TSpeedButton::Click() {
    TGraphicControl::Click();
}

void TSpeedButton::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = Rect(0, 0, Width(), Height());
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(r);
    const bool pressed = drawnDown_ || down_;
    if (!flat_ || hot_ || pressed)
        DrawEdge(canvas->Handle(), &r, pressed ? BDR_SUNKENOUTER : EDGE_RAISED,
                 BF_RECT | BF_ADJUST);
    canvas->Font()->Assign(Font());
    TRect content = r;
    if (pressed) OffsetRect(content, 1, 1);
    const TButtonState state = !Enabled()   ? bsDisabled
                               : down_      ? bsExclusive
                               : drawnDown_ ? bsDown
                                            : bsUp;
    glyph_.Draw(canvas, content, Caption(), state);
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled()) return;
    pressing_ = true;
    drawnDown_ = true;
    Invalidate();
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!pressing_) return;
    const bool inside = PtInRect(ClientRect(), {X, Y});
    if (drawnDown_ != (inside || down_)) {
        drawnDown_ = inside || down_;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!pressing_ || Button != mbLeft) return;
    pressing_ = false;
    const bool inside = PtInRect(ClientRect(), {X, Y});
    if (inside && groupIndex_ > 0) SetDown(!down_);
    drawnDown_ = down_;
    Invalidate();
    if (inside) Click();
}

void TSpeedButton::CMMouseEnter(TMessage& Message) {
    TGraphicControl::CMMouseEnter(Message);
    hot_ = true;
    if (flat_) Invalidate();
}

void TSpeedButton::CMMouseLeave(TMessage& Message) {
    TGraphicControl::CMMouseLeave(Message);
    hot_ = false;
    if (flat_) Invalidate();
}

void TSpeedButton::CMDialogChar(TCMDialogChar& Message) {
    if (IsAccel(Message.CharCode, Caption()) && Enabled() && Visible()) {
        Click();
        Message.Result = 1;
    }
}
