// Canvas output: a report whose operations draw on the printer device's canvas, at the report's
// positions (origin, scale, zoom, unprintable widths and device offset applied), with its fonts
// and format codes. The base of the printer component and of the report-stream players.
#pragma once

#include "report/RptBase.h"

class TCanvasReport : public TBaseReport {
    VANTREL_CLASS(TCanvasReport, TBaseReport)

    explicit TCanvasReport(TComponent* AOwner) : TBaseReport(AOwner) {}
    // Aborts the device's document when this report started it and it still runs.
    ~TCanvasReport() override;

    void CenterText(const std::string& Text, double X) override;
    void LeftText(const std::string& Text, double X) override;
    void RightText(const std::string& Text, double X) override;
    void BlockText(const std::string& Text, double X, double Width) override;
    void TabRectangle(double X1, double Y1, double X2, double Y2) override;
    void Arc(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
             double Y4) override;
    void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) override;
    void Chord(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
               double Y4) override;
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) override;
    void Draw(double X, double Y, TGraphic* Graphic) override;
    void DrawFocusRect(const TRect& Rect) override;
    void Ellipse(double X1, double Y1, double X2, double Y2) override;
    void FillRect(const TRect& Rect) override;
    void FloodFill(double X, double Y, TColor Color, TFillStyle FillStyle) override;
    void FrameRect(const TRect& Rect) override;
    void LineTo(double X, double Y) override;
    void MoveTo(double X, double Y) override;
    void Pie(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
             double Y4) override;
    void Polygon(const std::vector<TPoint>& Points) override;
    void Polyline(const std::vector<TPoint>& Points) override;
    void PrintBitmap(double X, double Y, double ScaleX, double ScaleY, TBitmap* Bitmap) override;
    void PrintBitmapRect(double X1, double Y1, double X2, double Y2, TBitmap* Bitmap) override;
    void Rectangle(double X1, double Y1, double X2, double Y2) override;
    void RoundRect(double X1, double Y1, double X2, double Y2, double X3, double Y3) override;
    void StretchDraw(const TRect& Rect, TGraphic* Graphic) override;
    void TextRect(const TRect& Rect, double X, double Y, const std::string& Text) override;
    void PrintData(const std::string& Value) override;
    void PrintDataStream(TStream& Stream, LongInt Count) override;
    void NewPage() override;

protected:
    // Requires a running job; false while output is suppressed.
    bool CanOutput();
    // Plain text at X (inches) on the current line, aligned TA_LEFT, TA_RIGHT or TA_CENTER;
    // Pixels, when above 0, is its width already measured.
    void OutputText(const std::string& Text, double X, UINT Align, int Pixels = 0);
    // Starts and ends the device's document for this report, sent to this report's output file
    // or else to the printer.
    void BeginDocument();
    void EndDocument();

private:
    bool ownsDocument_ = false;
};
