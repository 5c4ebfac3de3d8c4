#include "controls/entry/Meter.h"

#include "platform/rtl/Format.h"

#include <algorithm>

TVcCustomMeter::TVcCustomMeter(TComponent* AOwner) : TVcBase(AOwner) {
    SetBounds(0, 0, 200, 24);
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
}

void TVcCustomMeter::SetBorderStyle(TBorderStyle Value) {
    TVcBase::SetBorderStyle(Value);
    if (HandleAllocated()) RecreateWnd();
}

void TVcCustomMeter::SetColorValue(TColor& Slot, TColor Value) {
    Slot = Value;
    Invalidate();
}

void TVcCustomMeter::SetDividerColor(TColor Value) {
    SetColorValue(dividerColor_, Value);
}
void TVcCustomMeter::SetUsedColor(TColor Value) {
    SetColorValue(usedColor_, Value);
}
void TVcCustomMeter::SetUsedShadow(TColor Value) {
    SetColorValue(usedShadow_, Value);
}
void TVcCustomMeter::SetUnusedColor(TColor Value) {
    SetColorValue(unusedColor_, Value);
}
void TVcCustomMeter::SetUnusedShadow(TColor Value) {
    SetColorValue(unusedShadow_, Value);
}

void TVcCustomMeter::SetOrientation(TVcMeterOrientation Value) {
    orientation_ = Value;
    Invalidate();
}

void TVcCustomMeter::SetShowPercent(bool Value) {
    showPercent_ = Value;
    Invalidate();
}

void TVcCustomMeter::SetPercent(int Value) {
    const Byte clamped = static_cast<Byte>(std::clamp(Value, 0, 100));
    if (clamped == percent_) return;
    percent_ = clamped;
    percentText_ = Format("%d%%", {static_cast<int>(percent_)});
    Invalidate();
}

void TVcCustomMeter::Line(TCanvas* Canvas, TColor Color, int X1, int Y1, int X2, int Y2) {
    Canvas->Pen()->SetColor(Color);
    Canvas->MoveTo(X1, Y1);
    Canvas->LineTo(X2, Y2);
}

void TVcCustomMeter::Fill(TCanvas* Canvas, TColor Color, const TRect& R) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->FillRect(R);
}

void TVcCustomMeter::PaintTo(TCanvas* Canvas) {
    const int w = ClientWidth();
    const int h = ClientHeight();
    const bool vertical = orientation_ == moVertical;
    const int length = vertical ? h : w;
    const bool inner = w > 5 && h > 5;
    int used = percent_ * length / 100;
    int unused = 0;
    if (used < 3) {
        used = 0;
        unused = length;
    } else if (used < length) {
        used = std::min(used, length - 3);
        unused = length - used - 1;
    }
    const bool divider = used > 0 && unused > 0;
    if (!vertical) {
        if (used > 0) {
            Fill(Canvas, usedColor_, Rect(0, 0, used, h));
            Line(Canvas, usedShadow_, 0, h - 1, 0, 0);
            Line(Canvas, usedShadow_, 0, 0, used, 0);
            if (inner) {
                Line(Canvas, usedShadow_, 1, h - 1, 1, 1);
                Line(Canvas, usedShadow_, 1, 1, used, 1);
            }
        }
        if (divider) Line(Canvas, dividerColor_, used, 0, used, h);
        if (unused > 0) {
            const int start = divider ? used + 1 : 0;
            Fill(Canvas, unusedColor_, Rect(start, 0, w, h));
            Line(Canvas, unusedShadow_, start, 0, w, 0);
            if (inner) Line(Canvas, unusedShadow_, start, 1, w, 1);
        }
    } else {
        if (unused > 0) {
            Fill(Canvas, unusedColor_, Rect(0, 0, w, unused));
            Line(Canvas, unusedShadow_, 0, unused, 0, 0);
            Line(Canvas, unusedShadow_, 0, 0, w, 0);
            if (inner) {
                Line(Canvas, unusedShadow_, 1, unused, 1, 1);
                Line(Canvas, unusedShadow_, 1, 1, w, 1);
            }
        }
        if (divider) Line(Canvas, dividerColor_, 0, unused, w, unused);
        if (used > 0) {
            const int start = divider ? unused + 1 : 0;
            Fill(Canvas, usedColor_, Rect(0, start, w, h));
            Line(Canvas, usedShadow_, 0, start, 0, h);
            if (inner) Line(Canvas, usedShadow_, 1, start, 1, h);
        }
    }
    if (showPercent_) {
        Canvas->Font()->Assign(Font());
        Canvas->Brush()->SetStyle(bsClear);
        const TSize size = Canvas->TextExtent(percentText_);
        Canvas->TextOut((w - size.cx) / 2, (h - size.cy) / 2, percentText_);
    }
}

void TVcCustomMeter::Paint() {
    TBitmap buffer;
    // Both sides at once: a bitmap given a width while its height is still 0 stays empty.
    buffer.SetSize(std::max(ClientWidth(), 1), std::max(ClientHeight(), 1));
    PaintTo(buffer.Canvas());
    Canvas()->Draw(0, 0, &buffer);
}

void TVcCustomMeter::WMEraseBkgnd(TWMEraseBkgnd& Message) {
    Message.Result = 1;
}
