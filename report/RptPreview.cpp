#include "report/RptPreview.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinGdi.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int RulerSize = 20;
constexpr double InchesPerMillimetre = 0.03937;
constexpr TColor RulerColor = static_cast<TColor>(0x0080FFFF);  // RGB 255, 255, 128
constexpr TColor CornerColor = static_cast<TColor>(0x00C0C0C0); // RGB 192, 192, 192

int Rounded(double Value) {
    return static_cast<int>(Round(Value));
}

void FillBox(TCanvas* Canvas, const TRect& Box, TColor Color) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->FillRect(Box);
}

void OutlinedBox(TCanvas* Canvas, const TRect& Box, TColor Color) {
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetMode(pmCopy);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->Rectangle(Box);
}

} // namespace

bool MonochromeAllowed(int ShadowDepth) {
    if (ShadowDepth <= 0) return true;
    ShowMessage(
        "Monochrome not allowed while shadows are in effect.\nChange ShadowDepth to 0 first");
    return false;
}

bool ShadowAllowed(bool Monochrome) {
    if (!Monochrome) return true;
    ShowMessage(
        "Shadows not allowed while monochrome in effect.\nChange Monochrome to false first");
    return false;
}

TFilePreview::TFilePreview(TComponent* AOwner)
    : TFilePrinter(AOwner), gridPen_(std::make_unique<TPen>()) {}

TFilePreview::~TFilePreview() {
    FinishJob();
    if (image_) image_->RemoveFreeNotification(this);
    delete image_;
}

void TFilePreview::SetScrollBox(TScrollBox* Value) {
    scrollBox_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TFilePreview::Notification(TComponent* AComponent, TOperation Operation) {
    TFilePrinter::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == scrollBox_) scrollBox_ = nullptr;
    if (AComponent == image_) image_ = nullptr;
}

void TFilePreview::SetMonochrome(bool Value) {
    if (Value && !MonochromeAllowed(shadowDepth_)) return;
    monochrome_ = Value;
}

void TFilePreview::SetShadowDepth(int Value) {
    if (Value > 0 && !ShadowAllowed(monochrome_)) return;
    shadowDepth_ = std::max(Value, 0);
}

TCanvas* TFilePreview::GetCanvas() {
    if (!bitmap_) RaiseError(Trans_CanvasNotActive);
    return bitmap_->Canvas();
}

// ---------------------------------------------------------------------------------------------
// Zoom

void TFilePreview::SetZoomFactor(double Value) {
    double zoom = Value;
    if (Value <= -1.9)
        zoom = ZoomPageWidthFactor();
    else if (Value <= 0.0)
        zoom = ZoomPageFactor();
    // A fitted zoom stays within the same limits: a tiny box must not make the page vanish.
    zoomFactor_ = std::clamp(zoom, MinZoom, MaxZoom);
    if (OnZoomChange)
        OnZoomChange(this);
    else if (printing_)
        RedrawPage();
}

int TFilePreview::LeftRuler() const {
    const bool shown = rulerType_ == rtVertCm || rulerType_ == rtBothCm || rulerType_ == rtVertIn ||
                       rulerType_ == rtBothIn;
    return shown ? RulerSize : 0;
}

int TFilePreview::TopRuler() const {
    const bool shown = rulerType_ == rtHorizCm || rulerType_ == rtBothCm ||
                       rulerType_ == rtHorizIn || rulerType_ == rtBothIn;
    return shown ? RulerSize : 0;
}

double TFilePreview::ZoomPageWidthFactor() {
    if (!scrollBox_) return zoomFactor_;
    const double rx = xDPI_, ry = yDPI_;
    const double pw = RecordedPageWidth(), ph = RecordedPageHeight();
    const double mp = marginPercent_;
    double w = scrollBox_->Width() - shadowDepth_ - LeftRuler();
    const double h = scrollBox_->Height() - shadowDepth_ - TopRuler();
    auto fit = [&](double room) {
        if (marginMethod_ == mmScaled) return (room - borderWidth_) / (rx * pw * (1 + 0.02 * mp));
        const double m = Rounded(rx * pw * 0.01 * mp);
        return (room - (borderWidth_ + 2 * m)) / (rx * pw);
    };
    double f = fit(w);
    const double margin = Rounded(rx * pw * 0.01 * mp * (marginMethod_ == mmScaled ? f : 1.0));
    // A page taller than the box brings the vertical scroll bar, which takes from the width.
    if (ry * ph * f + 2 * margin > h - borderHeight_) {
        w -= vertBarWidth_;
        f = fit(w);
    }
    return f * 100.0;
}

double TFilePreview::ZoomPageFactor() {
    if (!scrollBox_) return zoomFactor_;
    const double rx = xDPI_, ry = yDPI_;
    const double pw = RecordedPageWidth(), ph = RecordedPageHeight();
    const double mp = marginPercent_;
    const double w = scrollBox_->Width() - shadowDepth_ - LeftRuler();
    const double h = scrollBox_->Height() - shadowDepth_ - TopRuler();
    double fx = 0.0, fy = 0.0;
    if (marginMethod_ == mmScaled) {
        fx = (w - 4) / (rx * pw * (1 + 0.02 * mp));
        fy = (h - 4) / (ry * ph + rx * pw * mp * 0.02);
    } else {
        const double m = Rounded(rx * pw * 0.01 * mp);
        fx = (w - 4 - 2 * m) / (rx * pw);
        fy = (h - 4 - 2 * m) / (ry * ph);
    }
    return std::min(fx, fy) * 100.0;
}

// ---------------------------------------------------------------------------------------------
// Starting and ending

void TFilePreview::MeasureScrollBox() {
    TControlScrollBar* horz = scrollBox_->HorzScrollBar();
    TControlScrollBar* vert = scrollBox_->VertScrollBar();
    const int horzRange = horz->Range(), vertRange = vert->Range();
    horz->SetRange(0);
    vert->SetRange(0);
    const int width = scrollBox_->ClientWidth(), height = scrollBox_->ClientHeight();
    borderWidth_ = scrollBox_->Width() - width;
    borderHeight_ = scrollBox_->Height() - height;
    vert->SetRange(2 * height);
    vertBarWidth_ = width - scrollBox_->ClientWidth();
    vert->SetRange(vertRange);
    horz->SetRange(horzRange);
}

void TFilePreview::StartJob() {
    if (printing_) return;
    if (!scrollBox_) RaiseError(Trans_ScrollBoxMissing);
    jobDateTime_ = Now();
    if (OnZoomChange) OnZoomChange(this);
    MeasureScrollBox();
    bitmap_ = std::make_unique<TBitmap>();
    if (image_) {
        image_->RemoveFreeNotification(this);
        delete image_;
    }
    image_ = new TImage(nullptr);
    image_->FreeNotification(this);
    image_->SetParent(scrollBox_);
    image_->SetBounds(0, 0, 100, 100);
    devOffsetX_ = devOffsetY_ = 0;
    try {
        if (!OpenInput()) {
            bitmap_.reset();
            return;
        }
        ReadHeader();
        xDPI_ = yDPI_ = Screen ? Screen->PixelsPerInch() : 96;
        ResetPagePosition();
        aborted_ = false;
        printing_ = true;
        AttachFontNotify();
        ResetJob();
        PlayPage(1);
    } catch (...) {
        FinishJob();
        bitmap_.reset();
        throw;
    }
}

void TFilePreview::FinishJob() {
    if (!printing_) return;
    printing_ = false;
    DetachFontNotify();
    ClearFontCache();
    bitmap_.reset();
    CloseInput();
}

void TFilePreview::PrevPage() {
    if (printing_ && HasPrevPage()) PlayPage(CurrentPage() - pageInc_);
}

void TFilePreview::NextPage() {
    if (printing_ && HasNextPage()) PlayPage(CurrentPage() + pageInc_);
}

// ---------------------------------------------------------------------------------------------
// Drawing a page

int TFilePreview::Margin() const {
    const double margin = xDPI_ * RecordedPageWidth() * marginPercent_ / 100.0;
    return Rounded(marginMethod_ == mmScaled ? margin * zoom_ / 100.0 : margin);
}

void TFilePreview::PlayPage(int PageNum) {
    if (!printing_) return;
    if (monochrome_) shadowDepth_ = 0;
    devOffsetX_ = LeftRuler();
    devOffsetY_ = TopRuler();
    // Whole percents, rounded down: a fitted page stays within its box.
    zoom_ = std::max(1, static_cast<int>(std::floor(zoomFactor_ + 1e-9)));
    TWaitCursor wait;
    GotoPage(PageNum);
    if (OnPageChange) OnPageChange(this);
    TControlScrollBar* horz = scrollBox_ ? scrollBox_->HorzScrollBar() : nullptr;
    TControlScrollBar* vert = scrollBox_ ? scrollBox_->VertScrollBar() : nullptr;
    const int horzPos = horz ? horz->Position() : 0;
    const int vertPos = vert ? vert->Position() : 0;
    if (horz) horz->SetPosition(0);
    if (vert) vert->SetPosition(0);

    const int margin = Margin();
    const int width =
        Rounded(xDPI_ * RecordedPageWidth() * zoom_ / 100.0) + shadowDepth_ + LeftRuler();
    const int height =
        Rounded(yDPI_ * RecordedPageHeight() * zoom_ / 100.0) + shadowDepth_ + TopRuler();
    bitmap_->SetMonochrome(false);
    bitmap_->SetSize(width, height);
    TCanvas* canvas = bitmap_->Canvas();
    // The frame's own font and pens are not the report's: its font notice is off meanwhile.
    DetachFontNotify();
    DrawFrame(canvas, width, height);
    DrawRulers(canvas, width, height);
    OutlinedBox(canvas, Rect(LeftRuler(), TopRuler(), width - shadowDepth_, height - shadowDepth_),
                clWhite);
    DrawGrid(canvas, width, height);
    AttachFontNotify();
    ApplyFont();
    OutputToAll();
    TFilePrinter::PlayPage(PageNum);
    if (monochrome_) bitmap_->SetMonochrome(true);

    if (image_) {
        image_->SetBounds(margin, margin, width, height);
        image_->Picture()->SetGraphic(bitmap_.get());
    }
    if (horz) {
        horz->SetRange(width + 2 * margin);
        horz->SetPosition(horzPos);
    }
    if (vert) {
        vert->SetRange(height + 2 * margin);
        vert->SetPosition(vertPos);
    }
}

void TFilePreview::DrawFrame(TCanvas* Canvas, int Width, int Height) {
    const int s = shadowDepth_, rw = LeftRuler(), rh = TopRuler();
    const TColor back = scrollBox_ ? scrollBox_->Color() : clBtnFace;
    FillBox(Canvas, Rect(0, Height - s, s + rw, Height), back);
    FillBox(Canvas, Rect(Width - s, 0, Width, s + rh), back);
    FillBox(Canvas, Rect(Width - s, s + rh, Width, Height), clBlack);
    FillBox(Canvas, Rect(s + rw, Height - s, Width, Height), clBlack);
    if (rw > 0 && rh > 0) FillBox(Canvas, Rect(0, 0, rw, rh), CornerColor);
    if (rh > 0) FillBox(Canvas, Rect(Width - s, s, Width, rh + s), clBlack);
    if (rw > 0) FillBox(Canvas, Rect(s, Height - s, rw + s, Height), clBlack);
}

void TFilePreview::DrawRulers(TCanvas* Canvas, int Width, int Height) {
    const int s = shadowDepth_, rw = LeftRuler(), rh = TopRuler();
    Canvas->Font()->SetName("Arial");
    Canvas->Font()->SetSize(7);
    Canvas->Font()->SetColor(clBlack);
    Canvas->Font()->SetStyle({});
    Canvas->Font()->SetEscapement(0);
    const bool topInches = rulerType_ == rtHorizIn || rulerType_ == rtBothIn;
    const bool leftInches = rulerType_ == rtVertIn || rulerType_ == rtBothIn;
    if (rh > 0) {
        OutlinedBox(Canvas, Rect(rw, 0, Width - s, rh + 1), RulerColor);
        DrawRulerTicks(Canvas, true, topInches, Width - s);
    }
    if (rw > 0) {
        OutlinedBox(Canvas, Rect(0, rh, rw + 1, Height - s), RulerColor);
        DrawRulerTicks(Canvas, false, leftInches, Height - s);
    }
}

void TFilePreview::DrawRulerTicks(TCanvas* Canvas, bool Top, bool Inches, int Length) {
    const double perInch = (Top ? xDPI_ : yDPI_) * zoom_ / 100.0;
    const double step = Inches ? perInch / 8.0 : perInch * InchesPerMillimetre;
    const int whole = Inches ? 8 : 10;
    const int start = Top ? LeftRuler() : TopRuler();
    HDC dc = Canvas->Handle();
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    Canvas->Pen()->SetColor(clBlack);
    for (int k = 1;; ++k) {
        const int at = start + Rounded(k * step);
        if (at >= Length) break;
        int size = 5;
        if (k % whole == 0)
            size = 18;
        else if (k % (whole / 2) == 0)
            size = 15;
        else if (Inches && k % 2 == 0)
            size = 10;
        const std::string number = std::to_string(k / whole).substr(0, 3);
        if (Top) {
            Canvas->MoveTo(at, RulerSize);
            Canvas->LineTo(at, RulerSize - size);
            if (size == 18) {
                const UINT align = SetTextAlign(Canvas->Handle(), TA_RIGHT | TA_TOP);
                Canvas->TextOut(at - 1, 0, number);
                SetTextAlign(Canvas->Handle(), align);
            }
        } else {
            Canvas->MoveTo(RulerSize, at);
            Canvas->LineTo(RulerSize - size, at);
            if (size == 18) Canvas->TextOut(2, at - 1 - Canvas->TextHeight(number), number);
        }
    }
    SetBkMode(Canvas->Handle(), previousMode);
}

void TFilePreview::DrawGrid(TCanvas* Canvas, int Width, int Height) {
    if (!(gridHoriz_ > 0.0) && !(gridVert_ > 0.0)) return;
    TPen saved;
    saved.Assign(Canvas->Pen());
    Canvas->Pen()->Assign(gridPen_.get());
    const int right = Width - shadowDepth_, bottom = Height - shadowDepth_;
    if (gridHoriz_ > 0.0) {
        const double step = gridHoriz_ * yDPI_ * zoom_ / 100.0;
        for (int k = 1; TopRuler() + Rounded(k * step) < bottom; ++k) {
            const int y = TopRuler() + Rounded(k * step);
            Canvas->MoveTo(LeftRuler(), y);
            Canvas->LineTo(right, y);
        }
    }
    if (gridVert_ > 0.0) {
        const double step = gridVert_ * xDPI_ * zoom_ / 100.0;
        for (int k = 1; LeftRuler() + Rounded(k * step) < right; ++k) {
            const int x = LeftRuler() + Rounded(k * step);
            Canvas->MoveTo(x, TopRuler());
            Canvas->LineTo(x, bottom);
        }
    }
    Canvas->Pen()->Assign(&saved);
}
