#include "chart/ChartPanel.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/Regional.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <utility>

const std::array<TColor, 16> ColorPalette{clRed,     clGreen,  clYellow, clBlue,   clWhite, clGray,
                                          clFuchsia, clTeal,   clNavy,   clMaroon, clLime,  clOlive,
                                          clPurple,  clSilver, clAqua,   clBlack};

TColor GetDefaultColor(int Index) {
    return ColorPalette[static_cast<std::size_t>(std::abs(Index % 16))];
}

namespace {
constexpr double OneMinute = 1.0 / 1440.0;
constexpr double OneHour = 1.0 / 24.0;
} // namespace

const std::array<double, DateTimeStepCount> DateTimeStep{OneSecond,
                                                         5 * OneSecond,
                                                         10 * OneSecond,
                                                         15 * OneSecond,
                                                         30 * OneSecond,
                                                         OneMinute,
                                                         5 * OneMinute,
                                                         10 * OneMinute,
                                                         15 * OneMinute,
                                                         30 * OneMinute,
                                                         OneHour,
                                                         2 * OneHour,
                                                         6 * OneHour,
                                                         12 * OneHour,
                                                         1.0,
                                                         2.0,
                                                         3.0,
                                                         7.0,
                                                         15.0,
                                                         30.0,
                                                         60.0,
                                                         90.0,
                                                         120.0,
                                                         182.0,
                                                         365.0};

std::string DateTimeDefaultFormat(double Step) {
    return Step <= 1 ? FormatSettings().ShortTimeFormat : FormatSettings().ShortDateFormat;
}

double NextDateTimeStep(double Step) {
    for (int t = DateTimeStepCount - 2; t >= 0; --t)
        if (Step >= DateTimeStep[t]) return DateTimeStep[t + 1];
    return DateTimeStep[0];
}

int FindDateTimeStep(double Step) {
    for (int t = DateTimeStepCount - 1; t >= 0; --t)
        if (std::fabs(DateTimeStep[t] - Step) < OneSecond) return t;
    return DateTimeStepCount;
}

double MaxDouble(double A, double B) {
    return A > B ? A : B;
}
int MaxLong(int A, int B) {
    return A > B ? A : B;
}
int MinLong(int A, int B) {
    return A < B ? A : B;
}
void SwapLongint(int& A, int& B) {
    std::swap(A, B);
}
void SwapInteger(int& A, int& B) {
    std::swap(A, B);
}
void SwapDouble(double& A, double& B) {
    std::swap(A, B);
}

std::unique_ptr<TFont> CreateDefaultFont() {
    auto font = std::make_unique<TFont>();
    font->SetName("Arial");
    font->SetSize(8);
    font->SetColor(clBlack);
    return font;
}

bool IsDefaultFont(TFont* Font) {
    return Font->Size() == 8 && Font->Name() == "Arial" && Font->Color() == clBlack &&
           Font->Style().Empty();
}

bool PointInLine(const TPoint& P, int X0, int Y0, int X1, int Y1) {
    const long long dx = X1 - X0;
    const long long dy = Y1 - Y0;
    const long long cross = dy * (P.X - X0) - dx * (P.Y - Y0);
    if (std::llabs(cross) >= std::max(std::llabs(dx), std::llabs(dy))) return false;
    return P.X >= std::min(X0, X1) && P.X <= std::max(X0, X1) && P.Y >= std::min(Y0, Y1) &&
           P.Y <= std::max(Y0, Y1);
}

bool PointInPolygon(const TPoint& P, const std::vector<TPoint>& Points, int LastIndex) {
    if (LastIndex < 0 || LastIndex >= static_cast<int>(Points.size())) return false;
    bool inside = false;
    int j = LastIndex;
    for (int i = 0; i <= LastIndex; ++i) {
        const TPoint& a = Points[i];
        const TPoint& b = Points[j];
        if ((P.Y >= a.Y && P.Y < b.Y) || (P.Y >= b.Y && P.Y < a.Y)) {
            const double x = a.X + static_cast<double>(b.X - a.X) * (P.Y - a.Y) / (b.Y - a.Y);
            if (P.X < x) inside = !inside;
        }
        j = i;
    }
    return inside;
}

bool PointInRect(const TRect& R, const TPoint& P) {
    return PtInRect(R, P);
}

namespace {
std::mt19937& Generator() {
    static std::mt19937 generator;
    return generator;
}
} // namespace

int ChartRandom(int Range) {
    if (Range <= 0) return 0;
    return std::uniform_int_distribution<int>(0, Range - 1)(Generator());
}

bool ClipWhenPrinting = true;
bool ClipWhenMetafiling = true;
bool ChartEraseBackground = true;

namespace {
HCURSOR& HandCursor() {
    static HCURSOR cursor = 0;
    return cursor;
}

// The chart's hand: a white hand with a black outline pointing up with its index finger, whose
// tip is the hot spot, on a 32 x 32 picture whose olive background is see-through.
HCURSOR MakeHandCursor() {
    TBitmap picture;
    picture.SetSize(32, 32);
    TCanvas* canvas = picture.Canvas();
    canvas->Brush()->SetColor(clOlive);
    canvas->FillRect(Rect(0, 0, 32, 32));
    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetColor(clWhite);
    canvas->Polygon({{8, 1},   {10, 1},  {11, 2},  {11, 8},  {12, 7},  {14, 7}, {15, 8},
                     {15, 9},  {16, 8},  {18, 8},  {19, 9},  {19, 10}, {20, 9}, {21, 10},
                     {22, 11}, {22, 19}, {20, 23}, {19, 26}, {9, 26},  {9, 24}, {5, 19},
                     {2, 15},  {2, 13},  {3, 12},  {4, 12},  {7, 15},  {7, 2}});
    // The creases between the fingers.
    for (int x : {11, 15, 19}) {
        canvas->MoveTo(x, 9);
        canvas->LineTo(x, 14);
    }
    return CreateCursorFromBitmap(&picture, 9, 1);
}
} // namespace

void StartChartProcs() {
    Generator().seed(std::random_device{}());
    ClipWhenPrinting = true;
    ClipWhenMetafiling = true;
    if (!Screen) return;
    if (!HandCursor()) HandCursor() = MakeHandCursor();
    Screen->SetCursors(crChartHand, HandCursor());
}

void StopChartProcs() {
    if (Screen) Screen->SetCursors(crChartHand, 0);
    if (HandCursor()) DestroyCursor(HandCursor());
    HandCursor() = 0;
}

// ---------------------------------------------------------------------------------------------
// TZoomPanningRecord

void TZoomPanningRecord::Activate(int X, int Y) {
    X0 = X1 = X;
    Y0 = Y1 = Y;
    Active = true;
}

void TZoomPanningRecord::Check() {
    if (X0 > X1) std::swap(X0, X1);
    if (Y0 > Y1) std::swap(Y0, Y1);
}

// ---------------------------------------------------------------------------------------------
// TCustomChartPanel

TCustomChartPanel::TCustomChartPanel(TComponent* AOwner)
    : TPanel(AOwner), Zoom(std::make_unique<TZoomPanningRecord>()),
      Panning(std::make_unique<TZoomPanningRecord>()) {
    designedCursor_ = Cursor();
    if (ChartEraseBackground) ChartEraseBackground = !ComponentState().Contains(csDesigning);
}

TCustomChartPanel::~TCustomChartPanel() = default;

int TCustomChartPanel::GetMargin(int Index) const {
    return Index >= 0 && Index <= 3 ? margins_[Index] : margins_[3];
}

void TCustomChartPanel::SetMargin(int Index, int Value) {
    if (Index < 0 || Index > 3) Index = 3;
    if (margins_[Index] == Value) return;
    margins_[Index] = Value;
    RedrawChart();
}

TCanvas* TCustomChartPanel::DestinationCanvas() {
    return destCanvas_ ? destCanvas_ : Canvas();
}

TCanvas* TCustomChartPanel::DrawingCanvas() {
    return canvas_ ? canvas_ : DestinationCanvas();
}

void TCustomChartPanel::AssignFont(TFont* Font) {
    TCanvas* canvas = DrawingCanvas();
    const int points = Font->Size();
    canvas->Font()->Assign(Font);
    // Mapped drawing onto a handed-in canvas keeps sizes in the chart's own pixels.
    if (!canvasDrawing_ && canvas->Font()->PixelsPerInch() != Font->PixelsPerInch())
        canvas->Font()->SetSize(points);
}

void TCustomChartPanel::TextOut(int X, int Y, const std::string& Text) {
    DrawingCanvas()->TextOut(X, Y, Text);
}

void TCustomChartPanel::RedrawChart() {
    Invalidate();
}

int TCustomChartPanel::TextHeight(const std::string& Text) {
    return DrawingCanvas()->TextHeight(Text);
}

int TCustomChartPanel::TextWidth(const std::string& Text) {
    return DrawingCanvas()->TextWidth(Text);
}

void TCustomChartPanel::GetRectangle(TRect& R) {
    R = ClientRect();
}

void TCustomChartPanel::Invalidate() {
    redraw_ = true;
    TPanel::Invalidate();
}

void TCustomChartPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    redraw_ = true;
    TPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TCustomChartPanel::Loaded() {
    TPanel::Loaded();
    designedCursor_ = Cursor();
}

void TCustomChartPanel::WMEraseBkgnd(TWMEraseBkgnd& Message) {
    if (ChartEraseBackground) TPanel::WMEraseBkgnd(Message);
    Message.Result = 1;
}

bool TCustomChartPanel::DrawFromBuffer() {
    if (redraw_ || !bitmap_) return false;
    CopyBuffer(DestinationCanvas(), 0, 0);
    return true;
}

void TCustomChartPanel::CopyBuffer(TCanvas* Canvas, int X, int Y) {
    const TRect source = Rect(0, 0, bitmap_->Width(), bitmap_->Height());
    Canvas->SetCopyMode(SRCCOPY);
    Canvas->CopyRect(Bounds(X, Y, source.Right, source.Bottom), bitmap_->Canvas(), source);
}

TBitmap* TCustomChartPanel::NeedBitmap(bool Monochrome) {
    if (!bitmap_) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->SetMonochrome(Monochrome);
    }
    return bitmap_.get();
}

void TCustomChartPanel::SetBrushCanvas(TColor Color, TColor BackColor, TBrushStyle Style) {
    TCanvas* canvas = DrawingCanvas();
    TColor color = Color;
    if (Style != bsSolid && BackColor == Color) color = BackColor == clBlack ? clWhite : clBlack;
    canvas->Brush()->SetColor(color);
    canvas->Brush()->SetStyle(Style);
    HDC dc = canvas->Handle();
    if (Style != bsSolid) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, ColorToRGB(BackColor));
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
}

void TCustomChartPanel::DrawRectangle(const TRect& R) {
    DrawingCanvas()->Rectangle(R);
}

void TCustomChartPanel::DrawPolygon(const std::vector<TPoint>& Points, int LastIndex) {
    const int count = std::min(LastIndex + 1, static_cast<int>(Points.size()));
    if (count <= 0) return;
    DrawingCanvas()->Polygon(std::vector<TPoint>(Points.begin(), Points.begin() + count));
}

void TCustomChartPanel::DrawLine(int X0, int Y0, int X1, int Y1) {
    TCanvas* canvas = DrawingCanvas();
    canvas->MoveTo(X0, Y0);
    canvas->LineTo(X1, Y1);
}

void TCustomChartPanel::DrawHorizLine(int X0, int X1, int Y) {
    DrawLine(X0, Y, X1, Y);
}

void TCustomChartPanel::DrawVertLine(int X, int Y0, int Y1) {
    DrawLine(X, Y0, X, Y1);
}

void TCustomChartPanel::RotatedTextOut(int X, int Y, int Angle, const std::string& Text) {
    TCanvas* canvas = DrawingCanvas();
    canvas->Brush()->SetStyle(bsClear);
    const int previous = canvas->Font()->Escapement();
    // The canvas font carries the turn, so the text goes through the canvas like any other.
    canvas->Font()->SetEscapement(Angle * 10);
    canvas->TextOut(X, Y, Text);
    canvas->Font()->SetEscapement(previous);
}

void TCustomChartPanel::DrawZoomRectangle() {
    TCanvas* canvas = DrawingCanvas();
    const TColor color = Color() == clWhite ? clRed : Color();
    canvas->Pen()->SetColor(color);
    canvas->Pen()->SetMode(pmNotXor);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetWidth(1);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(Zoom->X0, Zoom->Y0, Zoom->X1, Zoom->Y1);
}

void TCustomChartPanel::RecalcWidthHeight() {
    ChartRect.Left = std::max(ChartRect.Left, ChartBounds.Left);
    ChartRect.Top = std::max(ChartRect.Top, ChartBounds.Top);
    if (ChartRect.Left > ChartRect.Right) ChartRect.Right = ChartRect.Left + 1;
    if (ChartRect.Top > ChartRect.Bottom) ChartRect.Bottom = ChartRect.Top + 1;
    ChartWidth = ChartRect.Right - ChartRect.Left;
    ChartHeight = ChartRect.Bottom - ChartRect.Top;
    ChartXCenter = (ChartRect.Left + ChartRect.Right) / 2;
    ChartYCenter = (ChartRect.Top + ChartRect.Bottom) / 2;
}

void TCustomChartPanel::GetChartSize(int& Width, int& Height) {
    TRect r;
    GetRectangle(r);
    Width = r.Width();
    Height = r.Height();
}

void TCustomChartPanel::SetIntegerProperty(int& Variable, int Value) {
    if (Variable == Value) return;
    Variable = Value;
    RedrawChart();
}

void TCustomChartPanel::SetColorProperty(TColor& Variable, TColor Value) {
    if (Variable == Value) return;
    Variable = Value;
    RedrawChart();
}

void TCustomChartPanel::SetStringProperty(std::string& Variable, const std::string& Value) {
    if (Variable == Value) return;
    Variable = Value;
    RedrawChart();
}

void TCustomChartPanel::SetDoubleProperty(double& Variable, double Value) {
    if (Variable == Value) return;
    Variable = Value;
    RedrawChart();
}

void TCustomChartPanel::SetBooleanProperty(bool& Variable, bool Value) {
    if (Variable == Value) return;
    Variable = Value;
    RedrawChart();
}
