// The chart panel every chart draws on, and the small shared pieces of the charting engine.
//
// TCustomChartPanel owns the drawing state that axes, legend, marks and series share: the four
// margins (per cent of the drawing area), the drawing rectangle and the plotting rectangle with
// its width, height and centre, the 3-D offsets, the canvas drawing goes to (the panel's own, an
// off-screen bitmap, a printer's, or one a caller hands in), the off-screen bitmap with its
// redraw flag, and the zoom and panning rectangles. Chart parts draw only through the panel's
// routines (text, rotated text, lines, rectangles, polygons, brushes), so one drawing code serves
// screen, bitmap and printer. After every draw the drawing canvas is the destination canvas again.
//
// The unit also keeps the default colour palette, the 25 date-time label steps, the chart's
// default font, point-in-line/polygon tests, the chart's random numbers and its hand cursor.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/SysUtils.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// Errors of charts; axis, legend and bar errors derive from it.
VANTREL_EXCEPTION(ChartException, Exception);

// The 16 colours series and points take in turn.
extern const std::array<TColor, 16> ColorPalette;
// ColorPalette[Index mod 16] (a negative index counts as its absolute value).
TColor GetDefaultColor(int Index);

// Label steps of date-time axes in days, ascending: seconds up to a year. Index 18 is half a
// month, index 24 the year; searches that find nothing answer DateTimeStepCount.
constexpr int DateTimeStepCount = 25;
extern const std::array<double, DateTimeStepCount> DateTimeStep;
constexpr double OneSecond = 1.0 / 86400.0;
constexpr int dtHalfMonth = 18;
constexpr int dtOneYear = 24;

// The short time format for steps of a day or less, else the short date format.
std::string DateTimeDefaultFormat(double Step);
// The date-time step just above the largest table step that Step reaches.
double NextDateTimeStep(double Step);
// The index of the table step within one second of Step, or DateTimeStepCount.
int FindDateTimeStep(double Step);

double MaxDouble(double A, double B);
int MaxLong(int A, int B);
int MinLong(int A, int B);
void SwapLongint(int& A, int& B);
void SwapInteger(int& A, int& B);
void SwapDouble(double& A, double& B);

// Stores Value and calls Changed when it differs.
template <typename T, typename F>
void StoreAndNotify(T& Field, const T& Value, F Changed) {
    if (Field == Value) return;
    Field = Value;
    Changed();
}

// The chart's default font: "Arial", 8 points, black, no style.
std::unique_ptr<TFont> CreateDefaultFont();
bool IsDefaultFont(TFont* Font);

// True when P lies on the segment (X0, Y0)-(X1, Y1), within about a pixel.
bool PointInLine(const TPoint& P, int X0, int Y0, int X1, int Y1);
// Even-odd test over Points[0..LastIndex]; false for a negative LastIndex.
bool PointInPolygon(const TPoint& P, const std::vector<TPoint>& Points, int LastIndex);
bool PointInRect(const TRect& R, const TPoint& P);

// A whole number from 0 to Range - 1 of the chart's own generator; 0 when Range is 0 or less.
int ChartRandom(int Range);

// Start-up settings of the engine.
extern bool ClipWhenPrinting;        // clip on printers that report no clipping
extern bool ClipWhenMetafiling;      // clip on metafiles
constexpr int ClickTolerance = 12;   // pixels around an axis line that count as a click on it
constexpr int ValueListCapacity = 0; // capacity an emptied value list keeps
// On at start; the first panel made while designing turns it off for the rest of the run.
extern bool ChartEraseBackground;

// The screen cursor number of the chart's hand cursor.
constexpr TCursor crChartHand = 2020;
// Seeds the chart's random numbers, sets the clipping switches and puts the hand cursor (a
// pointing hand the unit draws itself, hot spot at the finger tip) into the screen's cursor list
// when the screen exists.
void StartChartProcs();
// Takes the hand cursor out of the screen's cursor list and frees it.
void StopChartProcs();

// A rectangle dragged with the mouse: its start corner (X0, Y0) and current corner (X1, Y1).
class TZoomPanningRecord : public TObject {
    VANTREL_CLASS(TZoomPanningRecord, TObject)

    bool Active = false;
    int X0 = 0;
    int Y0 = 0;
    int X1 = 0;
    int Y1 = 0;
    // Starts at (X, Y) with both corners there.
    void Activate(int X, int Y);
    // Orders the corners so that (X0, Y0) is the top-left one.
    void Check();
};

class TCustomChartPanel : public TPanel {
    VANTREL_CLASS(TCustomChartPanel, TPanel)

    explicit TCustomChartPanel(TComponent* AOwner);
    ~TCustomChartPanel() override;

    // Drawing state shared by every chart part (kept in step by RecalcWidthHeight).
    int Width3D = 0;
    int Height3D = 0;
    int SeriesRow3D = -1; // current 3-D series row while drawing
    int SeriesWidth3D = 0;
    int SeriesHeight3D = 0;
    TRect ChartBounds;
    TRect ChartRect;
    int ChartWidth = 0;
    int ChartHeight = 0;
    int ChartXCenter = 0;
    int ChartYCenter = 0;
    std::unique_ptr<TZoomPanningRecord> Zoom;
    std::unique_ptr<TZoomPanningRecord> Panning;

    // Margins in per cent, index 0 left, 1 top, 2 right, 3 bottom (any other reads the bottom).
    int GetMargin(int Index) const;
    void SetMargin(int Index, int Value);
    int MarginLeft() const { return margins_[0]; }
    int MarginTop() const { return margins_[1]; }
    int MarginRight() const { return margins_[2]; }
    int MarginBottom() const { return margins_[3]; }
    void SetMarginLeft(int Value) { SetMargin(0, Value); }
    void SetMarginTop(int Value) { SetMargin(1, Value); }
    void SetMarginRight(int Value) { SetMargin(2, Value); }
    void SetMarginBottom(int Value) { SetMargin(3, Value); }

    // The canvas every chart part draws on now.
    TCanvas* DrawingCanvas();
    // The canvas painting ends on: the panel's own unless one was set.
    TCanvas* DestinationCanvas();
    void SetDestinationCanvas(TCanvas* Canvas) { destCanvas_ = Canvas; }
    bool RedrawNeeded() const { return redraw_; }
    void SetRedrawNeeded(bool Value) { redraw_ = Value; }
    TBitmap* OffscreenBitmap() const { return bitmap_.get(); }
    // Set while the chart draws itself onto a canvas a caller handed in (printing and the like).
    bool CanvasDrawing() const { return canvasDrawing_; }
    void SetCanvasDrawing(bool Value) { canvasDrawing_ = Value; }
    // Set while that canvas belongs to a printer.
    bool PrinterCanvas() const { return printer_; }
    void SetPrinterCanvas(bool Value) { printer_ = Value; }
    bool ZOrderFlag() const { return zOrderFlag_; }
    TCursor DesignedCursor() const { return designedCursor_; }

    // Gives Font the drawing canvas's resolution (the chart's own while drawing mapped onto a
    // handed-in canvas) and makes it the drawing canvas's font.
    virtual void AssignFont(TFont* Font);
    // Writes Text at (X, Y) with the canvas's font, alignment and background mode.
    virtual void TextOut(int X, int Y, const std::string& Text);
    // Marks the chart for drawing again.
    virtual void RedrawChart();
    virtual int TextHeight(const std::string& Text);
    virtual int TextWidth(const std::string& Text);
    // The area the chart is laid out in: the client rectangle.
    virtual void GetRectangle(TRect& R);

    void Invalidate() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Loaded() override;

    int FontHeight() { return TextHeight("W"); }
    // Copies the bitmap to the destination canvas unless the chart must be drawn again.
    bool DrawFromBuffer();
    void CopyBuffer(TCanvas* Canvas, int X, int Y);
    void SetBrushCanvas(TColor Color, TColor BackColor, TBrushStyle Style);
    void DrawRectangle(const TRect& R);
    void DrawPolygon(const std::vector<TPoint>& Points, int LastIndex);
    void DrawLine(int X0, int Y0, int X1, int Y1);
    void DrawHorizLine(int X0, int X1, int Y);
    void DrawVertLine(int X, int Y0, int Y1);
    // Writes Text turned by Angle degrees (counter-clockwise) with a clear brush.
    void RotatedTextOut(int X, int Y, int Angle, const std::string& Text);
    // Draws the zoom rectangle inverting (twice at one place removes it).
    void DrawZoomRectangle();
    void RecalcWidthHeight();
    void GetChartSize(int& Width, int& Height);

    // Setters shared by every chart part: store and redraw only on a change.
    void SetIntegerProperty(int& Variable, int Value);
    void SetColorProperty(TColor& Variable, TColor Value);
    void SetStringProperty(std::string& Variable, const std::string& Value);
    void SetDoubleProperty(double& Variable, double Value);
    void SetBooleanProperty(bool& Variable, bool Value);

protected:
    void SetDrawingCanvas(TCanvas* Canvas) { canvas_ = Canvas; }
    // Makes the off-screen bitmap when there is none; Monochrome asks for a 1-bit one.
    TBitmap* NeedBitmap(bool Monochrome);
    void FreeBitmap() { bitmap_.reset(); }
    void SetZOrderFlag(bool Value) { zOrderFlag_ = Value; }
    void WMEraseBkgnd(TWMEraseBkgnd& Message) override;

private:
    std::array<int, 4> margins_{3, 3, 3, 3};
    TCanvas* destCanvas_ = nullptr;
    bool redraw_ = true;
    TCanvas* canvas_ = nullptr;
    std::unique_ptr<TBitmap> bitmap_;
    bool canvasDrawing_ = false;
    bool zOrderFlag_ = false;
    bool printer_ = false;
    TCursor designedCursor_ = crDefault;
};
