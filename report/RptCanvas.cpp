#include "report/RptCanvas.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Streams.h"
#include "report/RptDevice.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t MaxPrintData = 255;
constexpr LongInt PassThroughChunk = 4096;

} // namespace

TCanvasReport::~TCanvasReport() {
    if (ownsDocument_ && RPDev()->Printing()) {
        try {
            RPDev()->AbortDoc();
        } catch (...) {
            // The device is left idle whatever the spooler answered.
        }
    }
}

bool TCanvasReport::CanOutput() {
    CheckPrinting();
    return !NoPrint();
}

void TCanvasReport::BeginDocument() {
    TRPDevice* device = RPDev();
    device->SetTitle(Title());
    device->SetOutputFileName(OutputFileName());
    device->BeginDoc();
    ownsDocument_ = true;
}

void TCanvasReport::EndDocument() {
    if (!ownsDocument_) return;
    ownsDocument_ = false;
    TRPDevice* device = RPDev();
    if (!device->Printing()) return;
    if (aborted_)
        device->AbortDoc();
    else
        device->EndDoc();
}

// ---------------------------------------------------------------------------------------------
// Text

void TCanvasReport::OutputText(const std::string& Text, double X, UINT Align, int Pixels) {
    TCanvas* canvas = GetCanvas();
    HDC dc = canvas->Handle();
    const int previousMode = SetBkMode(dc, TextBKMode() == bkTransparent ? TRANSPARENT : OPAQUE);
    HGDIOBJ previousFont = SelectObject(dc, DeviceFont());
    const UINT previousAlign = GetTextAlign(dc);
    const double lineTop = curY_ + descent_ - lineHeight_;
    const double lineBottom = curY_ + descent_;
    UINT vertical = TA_BASELINE;
    int y = 0;
    if (font_.Superscript) {
        vertical = TA_TOP;
        y = YI2D(((curY_ - ascent_) + lineTop) / 2.0);
    } else if (font_.Subscript) {
        vertical = TA_BOTTOM;
        y = YI2D(lineBottom) + 1;
    } else if (font_.Align == 0) {
        y = YI2D(curY_) + 1;
    } else if (font_.Align == 1) {
        vertical = TA_TOP;
        y = YI2D(curY_ - ascent_ - font_.ExternalLeading);
    } else {
        vertical = TA_BOTTOM;
        y = YI2D(lineBottom) + 1;
    }
    SetTextAlign(dc, Align | vertical);
    if (!Text.empty()) ::TextOut(dc, XI2D(X), y, Text);
    SetTextAlign(dc, previousAlign);
    SelectObject(dc, previousFont);
    SetBkMode(dc, previousMode);

    const double width = Pixels > 0 ? PixelsWidth(Pixels) : TextWidth(Text);
    curX_ = X;
    if (Align == TA_LEFT) AdvanceX(width);
    if (Align == TA_CENTER) AdvanceX(width / 2.0);
}

void TCanvasReport::LeftText(const std::string& Text, double X) {
    if (!CanOutput()) return;
    if (!HasCodes(Text)) {
        OutputText(Text, X, TA_LEFT);
        return;
    }
    curX_ = X;
    int pos = 1;
    while (pos <= static_cast<int>(Text.size())) {
        std::string plain;
        PrintSegment(this, Text, pos, plain);
        if (!plain.empty()) OutputText(plain, curX_, TA_LEFT);
    }
}

void TCanvasReport::CenterText(const std::string& Text, double X) {
    if (!CanOutput()) return;
    if (HasCodes(Text))
        LeftText(Text, XD2I(XI2D(X) - CodesWidth(this, Text) / 2));
    else
        OutputText(Text, X, TA_CENTER);
}

void TCanvasReport::RightText(const std::string& Text, double X) {
    if (!CanOutput()) return;
    if (HasCodes(Text))
        LeftText(Text, XD2I(XI2D(X) - CodesWidth(this, Text)));
    else
        OutputText(Text, X, TA_RIGHT);
}

void TCanvasReport::BlockText(const std::string& Text, double X, double Width) {
    if (!CanOutput()) return;
    std::string text = Text;
    // The blanks standing between words share the room left over.
    const std::size_t firstWord = text.find_first_not_of(' ');
    const std::size_t lastWord = text.find_last_not_of(' ');
    int blanks = 0;
    for (std::size_t i = firstWord; lastWord != std::string::npos && i < lastWord; ++i)
        if (text[i] == ' ') ++blanks;
    if (blanks == 0) {
        // A single word: its letters are spread, each pair of letters one blank apart.
        std::string spread;
        for (char c : text) {
            if (!spread.empty() && spread.back() != ' ' && c != ' ') {
                spread += ' ';
                ++blanks;
            }
            spread += c;
        }
        text = spread;
    }
    blanks = std::max(blanks, 1);
    const double target = Width * UnitsFactor() * ScaleX() * zoom_ * 0.0001;
    const double blank = TextWidth(" ");
    const double unit = blank + (target - TextWidth(text)) / blanks;

    std::size_t first = text.find_first_not_of(' ');
    std::size_t end = first == std::string::npos ? text.size() : text.find(' ', first);
    if (end == std::string::npos) end = text.size();
    LeftText(text.substr(0, end), X);
    std::size_t at = end;
    while (at < text.size()) {
        const std::size_t wordStart = text.find_first_not_of(' ', at);
        if (wordStart == std::string::npos) break;
        std::size_t wordEnd = text.find(' ', wordStart);
        if (wordEnd == std::string::npos) wordEnd = text.size();
        const double gap = static_cast<double>(wordStart - at) * unit;
        const double start = curX_;
        const int whole = blank > 0.0 ? static_cast<int>(std::floor(gap / blank)) : 0;
        if (whole > 0) LeftText(std::string(whole, ' '), start);
        curX_ = start;
        AdvanceX(gap);
        LeftText(text.substr(wordStart, wordEnd - wordStart), curX_);
        at = wordEnd;
    }
}

void TCanvasReport::TextRect(const TRect& Rect, double X, double Y, const std::string& Text) {
    if (!CanOutput()) return;
    HDC dc = GetCanvas()->Handle();
    HGDIOBJ previousFont = SelectObject(dc, DeviceFont());
    const UINT previousAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
    ExtTextOut(dc, XU2D(X), YU2D(Y), ETO_CLIPPED, &Rect, Text);
    SetTextAlign(dc, previousAlign);
    SelectObject(dc, previousFont);
}

// ---------------------------------------------------------------------------------------------
// Shapes

void TCanvasReport::TabRectangle(double X1, double Y1, double X2, double Y2) {
    if (!CanOutput()) return;
    GetCanvas()->Rectangle(XU2D(X1), YU2D(Y1), XU2D(X2) + 1, YU2D(Y2) + 1);
}

void TCanvasReport::Rectangle(double X1, double Y1, double X2, double Y2) {
    if (!CanOutput()) return;
    GetCanvas()->Rectangle(XU2D(X1), YU2D(Y1), XU2D(X2), YU2D(Y2));
}

void TCanvasReport::Ellipse(double X1, double Y1, double X2, double Y2) {
    if (!CanOutput()) return;
    GetCanvas()->Ellipse(XU2D(X1), YU2D(Y1), XU2D(X2), YU2D(Y2));
}

void TCanvasReport::RoundRect(double X1, double Y1, double X2, double Y2, double X3, double Y3) {
    if (!CanOutput()) return;
    GetCanvas()->RoundRect(XU2D(X1), YU2D(Y1), XU2D(X2), YU2D(Y2), XU2DLength(X3), YU2DLength(Y3));
}

void TCanvasReport::Arc(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
                        double Y4) {
    if (!CanOutput()) return;
    GetCanvas()->Arc(XU2D(X1), YU2D(Y1), XU2D(X2), YU2D(Y2), XU2D(X3), YU2D(Y3), XU2D(X4),
                     YU2D(Y4));
}

void TCanvasReport::Chord(double X1, double Y1, double X2, double Y2, double X3, double Y3,
                          double X4, double Y4) {
    if (!CanOutput()) return;
    GetCanvas()->Chord(XU2D(X1), YU2D(Y1), XU2D(X2), YU2D(Y2), XU2D(X3), YU2D(Y3), XU2D(X4),
                       YU2D(Y4));
}

void TCanvasReport::Pie(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
                        double Y4) {
    if (!CanOutput()) return;
    GetCanvas()->Pie(XU2D(X1), YU2D(Y1), XU2D(X2), YU2D(Y2), XU2D(X3), YU2D(Y3), XU2D(X4),
                     YU2D(Y4));
}

void TCanvasReport::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source,
                              TColor Color) {
    if (!CanOutput() || !Bitmap) return;
    GetCanvas()->BrushCopy(Dest, Bitmap, Source, Color);
}

void TCanvasReport::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
    if (!CanOutput() || !Canvas) return;
    GetCanvas()->CopyRect(Dest, Canvas, Source);
}

void TCanvasReport::Draw(double X, double Y, TGraphic* Graphic) {
    if (!CanOutput() || !Graphic) return;
    GetCanvas()->Draw(XU2D(X), YU2D(Y), Graphic);
}

void TCanvasReport::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
    if (!CanOutput() || !Graphic) return;
    GetCanvas()->StretchDraw(Rect, Graphic);
}

void TCanvasReport::DrawFocusRect(const TRect& Rect) {
    if (!CanOutput()) return;
    GetCanvas()->DrawFocusRect(Rect);
}

void TCanvasReport::FillRect(const TRect& Rect) {
    if (!CanOutput()) return;
    GetCanvas()->FillRect(Rect);
}

void TCanvasReport::FrameRect(const TRect& Rect) {
    if (!CanOutput()) return;
    GetCanvas()->FrameRect(Rect);
}

void TCanvasReport::FloodFill(double X, double Y, TColor Color, TFillStyle FillStyle) {
    if (!CanOutput()) return;
    GetCanvas()->FloodFill(XU2D(X), YU2D(Y), Color, FillStyle);
}

void TCanvasReport::Polygon(const std::vector<TPoint>& Points) {
    if (!CanOutput()) return;
    GetCanvas()->Polygon(Points);
}

void TCanvasReport::Polyline(const std::vector<TPoint>& Points) {
    if (!CanOutput()) return;
    GetCanvas()->Polyline(Points);
}

void TCanvasReport::MoveTo(double X, double Y) {
    if (!CanOutput()) return;
    MoveLineCursor(X, Y);
    GetCanvas()->MoveTo(XU2D(X), YU2D(Y));
}

void TCanvasReport::LineTo(double X, double Y) {
    if (!CanOutput()) return;
    TCanvas* canvas = GetCanvas();
    if (drawLinesDirect_) {
        MoveLineCursor(X, Y);
        canvas->LineTo(XU2D(X), YU2D(Y));
        return;
    }
    const double fromX = lastLineX_ - originX_;
    const double fromY = lastLineY_ - originY_;
    if (MergeLine(X, Y)) return;
    canvas->MoveTo(XI2D(fromX), YI2D(fromY));
    canvas->LineTo(XU2D(X), YU2D(Y));
}

// ---------------------------------------------------------------------------------------------
// Bitmaps and pass-through data

void TCanvasReport::PrintBitmap(double X, double Y, double ScaleX, double ScaleY, TBitmap* Bitmap) {
    if (!CanOutput() || !Bitmap || Bitmap->Empty()) return;
    const int left = XU2D(X);
    const int top = YU2D(Y);
    const int width = static_cast<int>(Round(Bitmap->Width() * ScaleX));
    const int height = static_cast<int>(Round(Bitmap->Height() * ScaleY));
    GetCanvas()->StretchDraw(Bounds(left, top, width, height), Bitmap);
}

void TCanvasReport::PrintBitmapRect(double X1, double Y1, double X2, double Y2, TBitmap* Bitmap) {
    if (!CanOutput() || !Bitmap || Bitmap->Empty()) return;
    GetCanvas()->StretchDraw(Rect(XU2D(X1), YU2D(Y1), XU2D(X2), YU2D(Y2)), Bitmap);
}

void TCanvasReport::PrintData(const std::string& Value) {
    if (!CanOutput()) return;
    Escape(GetCanvas()->Handle(), PASSTHROUGH, Value.substr(0, MaxPrintData));
}

void TCanvasReport::PrintDataStream(TStream& Stream, LongInt Count) {
    if (!CanOutput()) return;
    Int64 left = Count > 0 ? Count : Stream.Size() - Stream.Position();
    HDC dc = GetCanvas()->Handle();
    std::string chunk;
    while (left > 0) {
        const LongInt size = static_cast<LongInt>(std::min<Int64>(left, PassThroughChunk));
        chunk.resize(static_cast<std::size_t>(size));
        const LongInt read = Stream.Read(chunk.data(), size);
        if (read <= 0) break;
        chunk.resize(static_cast<std::size_t>(read));
        Escape(dc, PASSTHROUGH, chunk);
        left -= read;
    }
}

// ---------------------------------------------------------------------------------------------
// Pages

void TCanvasReport::NewPage() {
    TBaseReport::NewPage();
    RPDev()->NewPage(!pageSkip_);
    ReadDeviceMetrics();
}
