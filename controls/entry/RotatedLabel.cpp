#include "controls/entry/RotatedLabel.h"

#include "controls/entry/EntryText.h"
#include "platform/gui/WinGdi.h"
#include "platform/rtl/Strings.h"

namespace {

const char* const FallbackFont = "Courier New";

// The Windows bitmap fonts, which cannot be turned whatever face stands in for them here.
bool IsBitmapFontName(const std::string& name) {
    for (const char* bitmap :
         {"MS Sans Serif", "MS Serif", "System", "Courier", "Small Fonts", "Terminal", "Fixedsys"})
        if (SameText(name, bitmap)) return true;
    return false;
}

// True when the font draws at any angle.
bool IsTrueTypeFont(TFont& font) {
    if (IsBitmapFontName(font.Name())) return false;
    TCanvas canvas;
    canvas.SetHandle(GetScreenDC());
    canvas.Font()->Assign(&font);
    TEXTMETRIC metrics;
    GetTextMetrics(canvas.Handle(), &metrics);
    canvas.SetHandle(nullptr);
    return (metrics.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

} // namespace

TVcCustomRotatedLabel::TVcCustomRotatedLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    Font()->SetName(FallbackFont);
    SetBounds(0, 0, 130, 20);
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
}

void TVcCustomRotatedLabel::Changed() {
    Invalidate();
}

void TVcCustomRotatedLabel::SetAlignment(TAlignment Value) {
    if (alignment_ == Value) return;
    alignment_ = Value;
    Changed();
}

void TVcCustomRotatedLabel::SetAutoSizeHeight(bool Value) {
    if (autoSizeHeight_ == Value) return;
    autoSizeHeight_ = Value;
    Changed();
}

void TVcCustomRotatedLabel::SetAutoSizeWidth(bool Value) {
    if (autoSizeWidth_ == Value) return;
    autoSizeWidth_ = Value;
    Changed();
}

void TVcCustomRotatedLabel::SetFontAngle(int Value) {
    if (Value != 0 && !ComponentState().Contains(csLoading) && !IsTrueTypeFont(*Font()))
        Font()->SetName(FallbackFont);
    const int magnitude = (Value < 0 ? -Value : Value) % 360;
    fontAngle_ = Value < 0 ? -magnitude : magnitude;
    Changed();
}

void TVcCustomRotatedLabel::SetOriginX(int Value) {
    if (originX_ == Value) return;
    originX_ = Value;
    Changed();
}

void TVcCustomRotatedLabel::SetOriginY(int Value) {
    if (originY_ == Value) return;
    originY_ = Value;
    Changed();
}

void TVcCustomRotatedLabel::SetShadowColor(TColor Value) {
    if (shadowColor_ == Value) return;
    shadowColor_ = Value;
    Changed();
}

void TVcCustomRotatedLabel::SetShadowedText(bool Value) {
    if (shadowedText_ == Value) return;
    shadowedText_ = Value;
    Changed();
}

void TVcCustomRotatedLabel::SetTransparent(bool Value) {
    if (Transparent() == Value) return;
    TControlStyle style = ControlStyle();
    if (Value)
        style.Exclude(csOpaque);
    else
        style.Include(csOpaque);
    SetControlStyle(style);
    Changed();
}

int TVcCustomRotatedLabel::AlignedX(TCanvas* Canvas, const std::string& Text) const {
    const int room = Width() - Canvas->TextWidth(Text);
    switch (alignment_) {
    case taRightJustify: return room;
    case taCenter: return room / 2;
    default: return 0;
    }
}

void TVcCustomRotatedLabel::DrawCaption(TCanvas* Canvas, int X, int Y, TColor TextColor,
                                        bool Opaque) {
    Canvas->Font()->SetColor(TextColor);
    Canvas->Brush()->SetColor(Color());
    Canvas->Brush()->SetStyle(Opaque ? bsSolid : bsClear);
    Canvas->TextRect(Rect(0, 0, Width(), Height()), X, Y, Caption());
}

TRect TVcCustomRotatedLabel::TextRectOn(TCanvas* Canvas) {
    Canvas->Font()->Assign(Font());
    const std::string text = Caption().empty() ? std::string(" ") : Caption();
    const TSize size = Canvas->TextExtent(text);
    return Bounds(AlignedX(Canvas, text), 0, size.cx, size.cy);
}

void TVcCustomRotatedLabel::PaintTo(TCanvas* Canvas) {
    const TRect client = Rect(0, 0, Width(), Height());
    if (!Transparent()) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(Color());
        Canvas->FillRect(client);
    }
    Canvas->Font()->Assign(Font());
    if (fontAngle_ != 0) Canvas->Font()->SetHandle(CreateRotatedFont(*Font(), fontAngle_));
    const TColor textColor = Enabled() ? Font()->Color() : clGrayText;
    const int x = fontAngle_ == 0 ? AlignedX(Canvas, Caption()) : originX_;
    const int y = fontAngle_ == 0 ? 0 : originY_;
    if (shadowedText_) DrawCaption(Canvas, x + 2, y + 1, shadowColor_, !Transparent());
    DrawCaption(Canvas, x, y, textColor, false);
}

void TVcCustomRotatedLabel::Paint() {
    PaintTo(Canvas());
}

void TVcCustomRotatedLabel::AdjustBounds() {
    if (ComponentState().Contains(csLoading) || fontAngle_ != 0) return;
    if (!autoSizeHeight_ && !autoSizeWidth_) return;
    TCanvas canvas;
    canvas.SetHandle(GetScreenDC());
    const TRect r = TextRectOn(&canvas);
    canvas.SetHandle(nullptr);
    SetBounds(Left(), Top(), autoSizeWidth_ ? r.Width() : Width(),
              autoSizeHeight_ ? r.Height() : Height());
}

void TVcCustomRotatedLabel::CMTextChanged(TMessage& Message) {
    TGraphicControl::CMTextChanged(Message);
    AdjustBounds();
    Invalidate();
}

void TVcCustomRotatedLabel::CMFontChanged(TMessage& Message) {
    TGraphicControl::CMFontChanged(Message);
    AdjustBounds();
}
